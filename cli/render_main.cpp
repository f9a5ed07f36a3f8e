// velomira-render: the terminal front end. It builds an album from a project file, from
// pictures named on the command line or from a shop item, and renders it into an MP4 (or
// frame files) on the same code the window program uses. Messages go to standard error;
// Ctrl+C is the stop button.
#include "app/error_log.h"
#include "app/printable_text.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "cli/album_from_options.h"
#include "cli/batch_runner.h"
#include "cli/info_json.h"
#include "cli/output_refusal.h"
#include "cli/render_options.h"
#include "cli/terminal_progress.h"
#include "platform/crash_handler.h"
#include "platform/failure.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "services/cut_short_pictures.h"
#include "services/music_track.h"
#include "services/new_album.h"
#include "services/preset_files.h"
#include "services/program_start.h"
#include "services/project_open.h"
#include "services/run_inputs.h"
#include "services/shop_import.h"
#include "services/video_run.h"

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

enum ExitCode {
    kDone = 0,
    kRefused = 1,
    kFailed = 2,
    kBadInput = 3,
    kHungUp = 129,
    kStopped = 130
};

// The flags a signal may touch: the run polls the first between pictures; the second tells a
// closed terminal from Ctrl+C for the exit code.
std::atomic<bool> stopRequested{false};
std::atomic<bool> hungUp{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int signal) {
    if (signal == SIGHUP)
        hungUp.store(true);
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
    // A closed terminal stops the run as Ctrl+C does: the video so far is finished and kept.
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // Our own writes past a file size limit (the error log, a project) fail with their error
    // instead of ending the run; the encoder gets the default back and is ended for its file.
    signal(SIGXFSZ, SIG_IGN);
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

// A music file of any kind; why one of another kind than MP3 was left out is printed first.
MusicReader musicReader(const std::filesystem::path& programFolder) {
    return [prober = musicProbeTool(programFolder)](const std::string& path) {
        MusicFileReading reading = readMusicFile(path, prober);
        if (reading.problem != MusicFileProblem::None)
            std::cerr << musicFileProblemText(reading.problem, path) << "\n";
        return reading.track;
    };
}

// Failures print as the terminal shows every message: "[title] text" on standard error.
// Their texts name files and quote servers, so no control sequence of those reaches the terminal.
void printFailure(const Failure& failure) {
    std::cerr << "[" << shownText(failure.title) << "] " << shownText(failure.text) << "\n";
}

// A message line with outside text in it, on standard error.
void printLine(std::string_view line) {
    std::cerr << shownText(line) << "\n";
}

int loadProduct(AlbumProject& project, const RenderOptions& options, const Folders& folders,
                TransitionRandom& random) {
    const NetConfig config = loadNetConfig(folders.program / kNetConfigFileName);
    HttpClient client{httpClientConfigFor(config), {}};
    std::error_code ec;
    std::filesystem::create_directories(folders.tempPictures, ec);
    ProductFetchContext context{client, config, {}, folders.tempPictures, {}, {}, {}, {}, {}, {}};
    context.showStatus = [](const std::string& text) { printLine(text); };
    context.appendInfo = [](const std::string& text) { std::cerr << shownText(text); };
    context.failed = printFailure;
    // Ctrl+C ends even a download under way.
    context.stopped = [] { return stopRequested.load(); };
    ProductLoadRequest request;
    request.pictureType = options.pictureType;
    request.address = options.productAddress;
    return importShopItem(context, AlbumTarget{project, random, options.autoOrient}, request);
}

int renderFrames(const AlbumProject& project, const RunPlan& plan,
                 const VideoRunEnvironment& environment, const std::string& folder, bool force,
                 PictureRange range) {
    // Frames are new files only: a forced run first clears the frames of an earlier one.
    if (std::string error; force && !clearEarlierFrames(folder, error)) {
        printLine("velomira-render: " + error);
        return kFailed;
    }
    TerminalProgress progress(plan.totalPictures);
    const FolderRun run = renderFramesToFolder(
        project, environment, folder, stopRequested, [&](int picture) { progress.update(picture); },
        printFailure, range);
    if (!run.folderMade) {
        printLine("cannot create the frame folder " + folder);
        return kFailed;
    }
    progress.finish();
    for (const std::string& path : run.cutShortPictures)
        printLine(cutShortPictureLine(path));
    switch (run.outcome) {
    case RunOutcome::Completed:
        printLine(std::to_string(run.framesWritten) + " frames in " + folder);
        return kDone;
    case RunOutcome::Stopped:
        printLine("stopped; " + std::to_string(run.framesWritten) + " frames in " + folder);
        return kStopped;
    default:
        printLine("the frames could not all be written to " + folder);
        return kFailed;
    }
}

// "; none could be read: A, B, C and N more" for the --pictures given, else empty.
std::string unreadPictures(const std::vector<std::string>& pictures) {
    constexpr std::size_t kNamed = 3;
    if (pictures.empty())
        return {};
    std::string text = "; none could be read: ";
    for (std::size_t i = 0; i < pictures.size() && i < kNamed; ++i)
        text += (i == 0 ? "" : ", ") + pictures[i];
    if (pictures.size() > kNamed)
        text += " and " + std::to_string(pictures.size() - kNamed) + " more";
    return text;
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

// What the program set up before the album. Members go in reverse order: this run's picture
// folder first, then this copy's temporary folders, on every way out of main.
struct Session {
    StartupContext startup;
    ErrorLog errorLog;
    StartupResult started;
    struct OwnFolders {
        const StartupFolders* folders = nullptr;
        ~OwnFolders() {
            if (folders != nullptr)
                removeOwnTempFolders(*folders);
        }
    } ownFolders;
    RunPictureFolder runPictures;
    Folders folders;
    Preferences preferences;
    CaptionFontTable fonts;
};

// The start-up the window program makes too; false (after the message) when this copy cannot
// run.
bool startSession(Session& session) {
    session.startup = startupContextOfProcess();
    session.errorLog = errorLogIn(workFolderFor(session.startup.programFolder));
    installCrashHandler(session.errorLog.file);
    session.started = prepareStartup(session.startup);
    const StartupResult& started = session.started;
    if (started.refusal) {
        printFailure({started.refusal->text, started.refusal->title, started.refusal->kind});
        return false;
    }
    session.ownFolders.folders = &started.folders;
    session.runPictures.path =
        started.folders.tempPictureFolder / ("run-" + std::to_string(getpid()));
    session.folders = Folders{started.folders.programFolder, started.folders.workFolder,
                              started.folders.workTempFolder, session.runPictures.path};
    if (const auto failure = startImageLibrary(session.errorLog, session.folders.program)) {
        printFailure(*failure);
        return false;
    }
    session.preferences =
        readPreferences(defaultRegistryFile(),
                        StoreFolders{session.folders.work, session.startup.desktopFolder,
                                     started.folders.projectFolder, started.folders.videoFolder});
    for (const std::string& note : started.folders.notes)
        printLine("velomira-render: " + note);
    session.fonts = userCaptionFonts();
    return true;
}

// The path the video goes to: -o, else the proposed name, else "velomira"; empty (after the
// refusal) when no video can be written there. Refused before the album is rendered, not after.
std::string chosenVideoName(const AlbumProject& project, const RenderOptions& options,
                            std::time_t now) {
    std::string chosen = options.outputPath;
    if (chosen.empty()) {
        chosen = proposedVideoName(project, now);
        if (chosen.empty())
            chosen = "velomira";
    }
    return chosen;
}

std::string videoPathFor(const AlbumProject& project, const RenderOptions& options,
                         std::time_t now) {
    const std::string chosen = chosenVideoName(project, options, now);
    const VideoOutput output = videoOutputFor(chosen);
    if (output.refusal) {
        printLine("velomira-render: " + output.refusal->text);
        return {};
    }
    return absolutePath(output.path);
}

// The run's last line and the program's exit code.
int reportVideoOutcome(const GenerationResult& result, const std::string& output) {
    const std::string& kept = result.keptPath.empty() ? output : result.keptPath;
    switch (result.outcome) {
    case EncoderOutcome::Done:
        printLine("video: " + kept + (result.coverEmbedded ? " (with cover)" : ""));
        return kDone;
    case EncoderOutcome::Stopped:
        if (result.videoKept)
            printLine("stopped; the video so far: " + kept);
        else
            printLine("stopped before the first frame; " + output + " is unchanged");
        return kStopped;
    case EncoderOutcome::Failed:
        break;
    }
    if (!result.errorText.empty())
        printLine("velomira-render: " + result.errorText);
    return kFailed;
}

// --preset: the preset's size (unless --size was given) and fill mode go into the album, its
// longest length and size cap (unless --max-size was given) into limits. The table's skipped
// rows are printed. False, after saying why, for a name the table does not hold.
bool applyPresetOption(AlbumProject& project, const RenderOptions& options,
                       const std::filesystem::path& programFolder, OutputLimits& limits) {
    limits.maxBytes = options.maxBytes;
    if (options.preset.empty())
        return true;
    const PresetTable table = programPresets(programFolder);
    for (const std::string& note : table.notes)
        printLine("velomira-render: " + note);
    const OutputPreset* preset = findPreset(table, options.preset);
    if (preset == nullptr) {
        std::string known;
        for (const OutputPreset& row : table.presets)
            known += "\n  " + row.key + "\t" + row.name;
        printLine("velomira-render: no preset " + options.preset + "; the presets are:" + known);
        return false;
    }
    const VideoSettings before = project.settings;
    applyPreset(project, *preset);
    if (options.size) { // the size given on the command line stays
        project.settings.videoSize = before.videoSize;
        project.settings.videoSizeTexts = before.videoSizeTexts;
        project.settings.videoWidth = before.videoWidth;
        project.settings.videoHeight = before.videoHeight;
    }
    if (options.fill) // and so does the fill mode
        project.settings.fillMode = before.fillMode;
    limits = presetLimits(*preset, options.maxBytes);
    return true;
}

// The album as a video, with the progress line; the run's messages print where the terminal
// showed them while it ran, before the progress line ends.
int renderVideo(AlbumProject& project, const RenderOptions& options, const Session& session,
                std::time_t now, const OutputLimits& limits, const std::vector<double>* beats) {
    const RunCheck check = checkVideoRun(project, OutputMode::Video, session.folders.program);
    if (check.failure)
        printFailure(*check.failure);
    if (!check.accepted)
        return kRefused;
    const std::string output = videoPathFor(project, options, now);
    if (output.empty())
        return kRefused;
    const VideoRunEnvironment environment = videoRunEnvironment(
        session.started.folders, &session.fonts, session.preferences.captionMargins);
    VideoRun run = videoRun(project, environment, output, options.frameTransport, limits,
                            pictureRangeOf(options), beats);
    if (run.refusal) {
        printFailure(*run.refusal);
        return kRefused;
    }
    TerminalProgress progress(run.plan.totalPictures);
    run.request.encoderProgress = [&](const RunProgress& now) { progress.update(now); };
    run.request.encodeStarted = [&](int encode, int videoKbps) {
        progress.finish();
        std::cerr << "size cap " << sizeCapText(limits.maxBytes) << ": encode " << encode
                  << " of at most " << kMaxSizeCapEncodes << ", video at " << videoKbps
                  << " kbit/s\n";
    };
    std::cerr << run.plan.totalPictures << " pictures, " << run.plan.totalFrames << " frames, "
              << videoLengthText(run.plan.videoLength) << "\n";
    EncoderState encoderState;
    GenerationResult result = runGenerationJob(encoderState, run.request, run.plan, stopRequested);
    // A stop during the cover step leaves a finished video without its cover: still a stop.
    if (result.outcome == EncoderOutcome::Done && stopRequested.load())
        result.outcome = EncoderOutcome::Stopped;
    for (const std::string& path : result.cutShortPictures)
        printLine(cutShortPictureLine(path));
    for (const Failure& failure : result.failures)
        printFailure(failure);
    progress.finish();
    reportPeakMemory();
    return reportVideoOutcome(result, output);
}

// Opens the project, printing its messages as the terminal's dialog host does.
bool openProjectFile(AlbumProject& project, const std::string& path, TransitionRandom& random,
                     const ProjectOpening& opening) {
    ProjectFileState state;
    const ProjectOpenResult opened = openProject(project, state, path, random, opening);
    for (const Failure& failure : opened.failures)
        printFailure(failure);
    return opened.opened;
}

// Saves the album as a project file and names it, or prints why it was not saved.
bool saveProjectTo(AlbumProject& project, const ProjectFolders& folders, const std::string& path) {
    ProjectFileState state;
    const ProjectSave saved = saveProjectFile(project, folders, path, state);
    if (!saved) {
        printFailure(*saved.failure);
        return false;
    }
    printLine("project: " + state.path);
    return true;
}

// Why --from/--to name no pictures of the album, or empty when they do.
std::string rangeRefusal(const AlbumProject& project, const RenderOptions& options) {
    if (pictureRangeFits(project, pictureRangeOf(options)))
        return {};
    std::string given;
    if (options.fromPicture)
        given = "--from " + std::to_string(*options.fromPicture);
    if (options.toPicture)
        given += (given.empty() ? "--to " : " --to ") + std::to_string(*options.toPicture);
    const std::string count = std::to_string(albumItemCount(project));
    return given + " names no pictures of the album, which has " + count +
           " picture(s): give 1 <= N <= M <= " + count;
}

// --strict: a picture that would come out partly grey refuses the run; each is named.
bool picturesComplete(const AlbumProject& project) {
    const std::vector<std::string> cutShort = findCutShortPictures(project);
    for (const std::string& path : cutShort)
        printLine(cutShortPictureLine(path));
    if (cutShort.empty())
        return true;
    printLine("velomira-render: --strict: nothing made, the data of " +
              std::to_string(cutShort.size()) + " picture(s) ends early");
    return false;
}

} // namespace

// One album from the command line, as a video, frame files or the --info report.
// The album's pictures from the project, the command line or a shop item; an exit code when
// the run ends here.
std::optional<int> gatherPictures(AlbumProject& project, const RenderOptions& options,
                                  const Session& session, TransitionRandom& random,
                                  const ProjectOpening& opening) {
    RenderOptions adding = options; // the stored setting may turn orientation off too
    adding.autoOrient = options.autoOrient && session.preferences.autoOrient != 0;
    if (!options.projectFile.empty()) {
        if (!openProjectFile(project, absolutePath(options.projectFile), random, opening))
            return kBadInput;
    } else if (!options.pictures.empty()) {
        addCommandLinePictures(project, adding, random, std::cerr);
    } else {
        const int loaded = loadProduct(project, adding, session.folders, random);
        if (stopRequested.load()) {
            printLine("stopped while loading the pictures");
            return kStopped;
        }
        if (loaded == 0) {
            printLine("no picture could be loaded from " + options.productAddress);
            return kFailed;
        }
    }
    return std::nullopt;
}

namespace {

// The beats of the album's music when its pictures change on the beat, with a progress line;
// nothing when they need none. Stopped: the run ends.
std::optional<std::vector<double>>
musicBeats(const AlbumProject& project, const VideoRunEnvironment& environment, bool& stopped) {
    std::optional<BeatAnalysisRequest> request = beatAnalysisFor(project, environment);
    if (!request)
        return std::nullopt;
    TerminalProgress progress(100);
    std::cerr << "finding the music's beats\n";
    request->progress = [&](int percent) { progress.update(std::max(percent, 1)); };
    MusicBeats found = analyseMusicBeats(project, *request, stopRequested);
    progress.finish();
    stopped = found.stopped;
    if (found.note)
        printFailure(*found.note);
    return std::move(found.beats);
}

// The --info report, the frame files or the video of the album as it now stands.
int makeOutput(AlbumProject& project, const RenderOptions& options, const Session& session,
               std::time_t now, const OutputLimits& limits, int& frames) {
    const VideoRunEnvironment environment = videoRunEnvironment(
        session.started.folders, &session.fonts, session.preferences.captionMargins);
    bool stopped = false;
    const std::optional<std::vector<double>> beats = musicBeats(project, environment, stopped);
    if (stopped) {
        printLine("stopped while finding the music's beats");
        return kStopped;
    }
    const std::optional<BeatPlan> beatPlan = beats ? beatPlanFor(project, *beats) : std::nullopt;
    const AlbumProject& rendered = beatPlan ? beatPlan->album : project;
    const RunPlan plan = planRun(rendered, pictureRangeOf(options));
    frames = plan.totalFrames;
    if (options.info) {
        std::cout << albumInfoJson(rendered, plan, beatPlan ? &beatPlan->changes : nullptr);
        return kDone;
    }
    // Without the face models found regions still follow the picture's most striking part.
    if (project.settings.focus == FocusMode::Auto && findCascadeFolder().empty())
        printLine("velomira-render: no face models found (install opencv-data); the focus "
                  "follows the most striking part of each picture");
    if (!options.framesFolder.empty())
        return renderFrames(rendered, plan, environment, options.framesFolder, options.force,
                            pictureRangeOf(options));
    return renderVideo(project, options, session, now, limits, beats ? &*beats : nullptr);
}

} // namespace

int renderOne(const RenderOptions& options, int& frames) {
    installSignals();
    if (options.jobParent > 0) {
        // A batch's job ends with its batch, even one killed outright.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != options.jobParent)
            return kStopped;
    }
    if (const std::string refusal = videoSizeRefusal(options); !refusal.empty()) {
        printLine("velomira-render: " + refusal);
        return kRefused;
    }
    Session session;
    if (!startSession(session))
        return kFailed;
    const Folders& folders = session.folders;
    const Preferences& preferences = session.preferences;
    const CaptionFontTable& fonts = session.fonts;

    ProjectOpening opening = openingForRun(fonts, [](const std::string& line) { printLine(line); });
    opening.musicProber = musicProbeTool(folders.program);
    AlbumProject project = newAlbumFromPreferences(opening.fontNames, preferences);
    TransitionRandom random(static_cast<std::uint32_t>(std::time(nullptr) ^ getpid()));

    const ProjectFolders projectFolders{(folders.work / "pics").string(),
                                        folders.tempPictures.string()};
    if (const std::optional<int> ended = gatherPictures(project, options, session, random, opening))
        return *ended;
    if (const std::string error =
            applyRenderOptions(project, options, musicReader(folders.program));
        !error.empty()) {
        printLine("velomira-render: " + error);
        return kBadInput;
    }
    OutputLimits limits;
    if (!applyPresetOption(project, options, folders.program, limits))
        return kBadInput;
    if (project.items.empty()) {
        // Named, so that a batch's report says which pictures its row is missing.
        printLine("velomira-render: the album has no picture to render" +
                  unreadPictures(options.pictures));
        return kBadInput;
    }
    if (options.strict && !picturesComplete(project))
        return kBadInput;
    if (const std::string refusal = rangeRefusal(project, options); !refusal.empty()) {
        printLine("velomira-render: " + refusal);
        return kBadInput;
    }
    // Nothing is written before every output is known to spare the run's inputs.
    const std::time_t now = std::time(nullptr);
    const std::string video =
        options.info || !options.framesFolder.empty()
            ? std::string()
            : absolutePath(withMp4Extension(chosenVideoName(project, options, now)));
    if (const std::string refusal = outputRefusal(project, options, video); !refusal.empty()) {
        printLine("velomira-render: " + refusal);
        return kRefused;
    }
    if (!options.saveProject.empty() &&
        !saveProjectTo(project, projectFolders, absolutePath(options.saveProject)))
        return kFailed;

    return makeOutput(project, options, session, now, limits, frames);
}

// A batch's job: the finished video takes its place under the row's name only now, so a
// stopped or failed job never leaves a file that a resumed batch would take for done.
int finishJob(const RenderOptions& options, int code, int frames) {
    const std::string video = absolutePath(withMp4Extension(options.outputPath));
    std::error_code ec;
    if (code == kDone) {
        std::filesystem::rename(video, options.jobFinal, ec);
        if (ec) {
            printLine("velomira-render: cannot name the video " + options.jobFinal + ": " +
                      ec.message());
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
        std::cerr << shownText("velomira-render: " + parsed.error) << "\n" << renderUsage();
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
    if (!options.jobFinal.empty())
        return finishJob(options, code, frames); // its batch reads 130 as stopped
    return code == kStopped && hungUp.load() ? kHungUp : code;
}
