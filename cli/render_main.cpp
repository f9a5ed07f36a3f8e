// velomira-render: the terminal front end. It builds an album from a project file, from
// pictures named on the command line or from a shop item, and renders it into an MP4 (or
// frame files) on the same code the window program uses. Messages go to standard error;
// Ctrl+C is the stop button.
#include "album/duration_text.h"
#include "app/error_log.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "cli/album_from_options.h"
#include "cli/batch_runner.h"
#include "cli/info_json.h"
#include "cli/render_options.h"
#include "cli/terminal_progress.h"
#include "platform/crash_handler.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "render/caption_fonts.h"
#include "render/folder_sink.h"
#include "render/frame_sequencer.h"
#include "render/image/image_validation.h"
#include "render/image/magick_handles.h"
#include "services/music_track.h"
#include "services/new_album.h"
#include "services/project_open.h"
#include "services/shop_import.h"
#include "video/generation_job.h"
#include "video/generation_plan.h"
#include "video/generation_preflight.h"
#include "video/output_path_check.h"

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace velomira;

namespace {

enum ExitCode { kDone = 0, kRefused = 1, kFailed = 2, kBadInput = 3, kStopped = 130 };

// The one process-wide flag a signal may touch; the run polls it between pictures.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) {
    if (stopRequested.exchange(true)) {
        // A second Ctrl+C ends the program at once.
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
    static const char note[] = "\nstopping after the current picture (Ctrl+C again to abort)\n";
    ssize_t ignored = write(STDERR_FILENO, note, sizeof note - 1);
    (void)ignored;
}

void installSignals() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

struct Folders {
    std::filesystem::path program;
    std::filesystem::path work;         // pics, temp, mp3, error.log
    std::filesystem::path temp;         // the encoder's working folder, cover.jpg
    std::filesystem::path tempPictures; // this run's downloads
};

// A folder of this run's own inside the shared temporary picture folder, so that another copy
// running at the same time never loses its downloads when this one cleans up.
struct RunPictureFolder {
    std::filesystem::path path;
    ~RunPictureFolder() {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
};

std::optional<MusicTrack> readTrack(const std::string& path) {
    return readMusicTrack(path);
}

int loadProduct(AlbumProject& project, const RenderOptions& options, const Folders& folders,
                TransitionRandom& random) {
    const NetConfig config = loadNetConfig(folders.program / kNetConfigFileName);
    HttpClient client{httpClientConfigFor(config), {}};
    std::error_code ec;
    std::filesystem::create_directories(folders.tempPictures, ec);
    ProductFetchContext context{client, config, {}, folders.tempPictures, {}, {}, {}, {}, {}, {}};
    context.showStatus = [](const std::string& text) { std::cerr << text << "\n"; };
    context.appendInfo = [](const std::string& text) { std::cerr << text; };
    context.failed = [](const Failure& failure) {
        std::cerr << "[" << failure.title << "] " << failure.text << "\n";
    };
    ProductLoadRequest request;
    request.pictureType = options.pictureType;
    request.address = options.productAddress;
    return importShopItem(context, AlbumTarget{project, random, options.autoOrient}, request);
}

int renderFrames(const AlbumProject& project, const RunPlan& plan, const CaptionFontTable& fonts,
                 const CaptionMargins& margins, const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        std::cerr << "cannot create the frame folder " << folder << "\n";
        return kFailed;
    }
    FolderSink sink(folder);
    SequencerContext context;
    context.project = &project;
    context.sink = &sink;
    context.fonts = &fonts;
    context.margins = margins;
    TerminalProgress progress(plan.totalPictures);
    const RunOutcome outcome = renderAlbum(context, plan.totalPictures, stopRequested,
                                           [&](int picture) { progress.update(picture); });
    progress.finish();
    switch (outcome) {
    case RunOutcome::Completed:
        std::cerr << sink.framesWritten() << " frames in " << folder << "\n";
        return kDone;
    case RunOutcome::Stopped:
        std::cerr << "stopped; " << sink.framesWritten() << " frames in " << folder << "\n";
        return kStopped;
    default:
        std::cerr << "the frames could not all be written to " << folder << "\n";
        return kFailed;
    }
}

// The benchmark asks for the program's own peak memory (the encoder child not counted).
void reportPeakMemory() {
    if (std::getenv("VELOMIRA_PEAK_MEMORY_REPORT") == nullptr)
        return;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            long kb = std::strtol(line.c_str() + 6, nullptr, 10);
            std::cerr << "peak memory: " << kb << " kB\n";
        }
    }
}

// Opens the project, printing its messages as the terminal's dialog host does.
bool openProjectFile(AlbumProject& project, const std::string& path, TransitionRandom& random,
                     const ProjectOpening& opening) {
    ProjectFileState state;
    const ProjectOpenResult opened = openProject(project, state, path, random, opening);
    for (const Failure& failure : opened.failures)
        showFailure(failure);
    return opened.opened;
}

// Saves the album as a project file and names it, or prints why it was not saved.
bool saveProjectTo(AlbumProject& project, const ProjectFolders& folders, const std::string& path) {
    ProjectFileState state;
    const ProjectSave saved = saveProjectFile(project, folders, path, state);
    if (!saved) {
        showFailure(*saved.failure);
        return false;
    }
    std::cerr << "project: " << state.path << "\n";
    return true;
}

} // namespace

// One album from the command line, as a video, frame files or the --info report.
int renderOne(const RenderOptions& options, int& frames) {
    installSignals();
    if (options.jobParent > 0) {
        // A batch's job ends with its batch, even one killed outright.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != options.jobParent)
            return kStopped;
    }
    const StartupContext startup = startupContextOfProcess();
    const ErrorLog errorLog = errorLogIn(workFolderFor(startup.programFolder));
    installCrashHandler(errorLog.file);
    const StartupResult started = prepareStartup(startup);
    if (started.refusal) {
        showMessage(started.refusal->text, started.refusal->title, started.refusal->kind);
        return kFailed;
    }
    // This copy's temporary folders go with it, on every way out of main.
    struct OwnFolders {
        const StartupFolders& folders;
        ~OwnFolders() { removeOwnTempFolders(folders); }
    } ownFolders{started.folders};
    RunPictureFolder runPictures{started.folders.tempPictureFolder /
                                 ("run-" + std::to_string(getpid()))};
    const Folders folders{started.folders.programFolder, started.folders.workFolder,
                          started.folders.workTempFolder, runPictures.path};
    initImageLibrary();
    if (validateImageMagick(1, ImageValidationReport{errorLog, folders.program}) == 0) {
        showMessage("图片处理引擎无法启动，请重新安装软件。", "提示", MessageKind::Warning);
        return kFailed;
    }

    const Preferences preferences =
        readPreferences(defaultRegistryFile(),
                        StoreFolders{folders.work, startup.desktopFolder,
                                     started.folders.projectFolder, started.folders.videoFolder});
    for (const std::string& note : started.folders.notes)
        std::cerr << "velomira-render: " << note << "\n";
    const CaptionFontTable fonts = buildCaptionFontTable(defaultFontFolders(homeFolder()));

    const ProjectOpening opening =
        openingForRun(fonts, [](const std::string& line) { std::cerr << line << "\n"; });
    AlbumProject project = newAlbumFromPreferences(opening.fontNames, preferences);
    TransitionRandom random(static_cast<std::uint32_t>(std::time(nullptr) ^ getpid()));

    const ProjectFolders projectFolders{(folders.work / "pics").string(),
                                        folders.tempPictures.string()};
    RenderOptions adding = options; // the stored setting may turn orientation off too
    adding.autoOrient = options.autoOrient && preferences.autoOrient != 0;
    if (!options.projectFile.empty()) {
        if (!openProjectFile(project, absolutePath(options.projectFile), random, opening))
            return kBadInput;
    } else if (!options.pictures.empty()) {
        addCommandLinePictures(project, adding, random, std::cerr);
    } else if (loadProduct(project, adding, folders, random) == 0) {
        std::cerr << "no picture could be loaded from " << options.productAddress << "\n";
        return kFailed;
    }
    if (const std::string error = applyRenderOptions(project, options, readTrack); !error.empty()) {
        std::cerr << "velomira-render: " << error << "\n";
        return kBadInput;
    }
    if (project.items.empty()) {
        std::cerr << "velomira-render: the album has no picture to render\n";
        return kBadInput;
    }
    if (!options.saveProject.empty() &&
        !saveProjectTo(project, projectFolders, absolutePath(options.saveProject)))
        return kFailed;

    const RunPlan plan = planRun(project);
    frames = plan.totalFrames;
    if (options.info) {
        std::cout << albumInfoJson(project, plan);
        return kDone;
    }
    if (!options.framesFolder.empty())
        return renderFrames(project, plan, fonts, preferences.captionMargins, options.framesFolder);

    if (!checkBeforeGeneration(project, OutputMode::Video, folders.program).accepted)
        return kRefused;
    std::string output = options.outputPath;
    if (output.empty()) {
        output = proposedOutputName(project, project.settings.outputNaming, std::time(nullptr));
        if (output.empty())
            output = "velomira";
    }
    // Refused before the album is rendered, not after.
    if (const std::string problem = outputPathProblem(output); !problem.empty()) {
        std::cerr << "velomira-render: " << problem << "\n";
        return kRefused;
    }
    output = absolutePath(withMp4Extension(output));

    GenerationRequest request;
    request.project = &project;
    request.fonts = &fonts;
    request.margins = preferences.captionMargins;
    request.programFolder = folders.program;
    request.workFolder = folders.temp;
    request.outputPath = output;
    request.errorLog = errorLog;
    // Raw frames are the terminal program's default: faster, and nothing lost to JPEG.
    request.frameFormat = frameFormatForTransport(options.jpegFrames ? FrameTransport::JpegFiles
                                                                     : FrameTransport::RawPixels);
    TerminalProgress progress(plan.totalPictures);
    request.progress = [&](int picture, int) { progress.update(picture); };
    std::cerr << plan.totalPictures << " pictures, " << plan.totalFrames << " frames, "
              << videoLengthText(plan.videoLength) << "\n";
    EncoderState encoderState;
    const GenerationResult result = runGenerationJob(encoderState, request, plan, stopRequested);
    progress.finish();
    reportPeakMemory();
    switch (result.outcome) {
    case EncoderOutcome::Done:
        std::cerr << "video: " << output << (result.coverEmbedded ? " (with cover)" : "") << "\n";
        return kDone;
    case EncoderOutcome::Stopped:
        if (result.videoKept)
            std::cerr << "stopped; the video so far: " << output << "\n";
        else
            std::cerr << "stopped before the first frame; " << output << " is unchanged\n";
        return kStopped;
    case EncoderOutcome::Failed:
        break;
    }
    if (!result.errorText.empty())
        std::cerr << "velomira-render: " << result.errorText << "\n";
    return kFailed;
}

// A batch's job: the finished video takes its place under the row's name only now, so a
// stopped or failed job never leaves a file that a resumed batch would take for done.
int finishJob(const RenderOptions& options, int code, int frames) {
    const std::string video = absolutePath(withMp4Extension(options.outputPath));
    std::error_code ec;
    if (code == kDone) {
        std::filesystem::rename(video, options.jobFinal, ec);
        if (ec) {
            std::cerr << "velomira-render: cannot name the video " << options.jobFinal << ": "
                      << ec.message() << "\n";
            code = kFailed;
        }
    }
    if (code != kDone)
        std::filesystem::remove(video, ec);
    std::cout << jobResultLine(code, frames) << std::flush;
    return code;
}

int main(int argc, char** argv) {
    // Every working image of a frame is megabytes and lives for a moment. Above a fixed mmap
    // threshold each goes back to the system when it is freed, so the heap cannot fragment
    // and a long album needs no more memory than a short one.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parseRenderOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "velomira-render: " << parsed.error << "\n" << renderUsage();
        return kBadInput;
    }
    const RenderOptions& options = parsed.options;
    if (options.help) {
        std::cout << renderUsage();
        return kDone;
    }
    if (!options.batchFile.empty())
        return runBatch(options, args);
    int frames = -1;
    const int code = renderOne(options, frames);
    return options.jobFinal.empty() ? code : finishJob(options, code, frames);
}
