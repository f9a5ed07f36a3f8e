#include "services/video_run.h"

#include "render/folder_sink.h"
#include "render/frame_format.h"
#include "video/encoder_preset_check.h"
#include "video/output_path_check.h"

namespace velomira {

VideoRunEnvironment videoRunEnvironment(const StartupFolders& folders,
                                        const CaptionFontTable* fonts,
                                        const CaptionMargins& margins) {
    return {folders.programFolder,
            folders.workTempFolder,
            fonts,
            margins,
            errorLogIn(folders.workFolder),
            std::make_shared<FocalRegionFinder>(findCascadeFolder())};
}

std::optional<BeatAnalysisRequest> beatAnalysisFor(const AlbumProject& album,
                                                   const VideoRunEnvironment& environment) {
    const VideoSettings& s = album.settings;
    if (!s.beatSync || !s.bgsound || album.musicItems.empty())
        return std::nullopt;
    BeatAnalysisRequest request;
    request.ffmpegPath = environment.programFolder / "tool" / "ffmpeg";
    request.workFolder = environment.workFolder;
    request.cacheFolder = beatCacheFolder();
    return request;
}

std::optional<BeatPlan> beatPlanFor(const AlbumProject& album, const std::vector<double>& beats) {
    if (!album.settings.beatSync || !album.settings.bgsound)
        return std::nullopt;
    return planBeatChanges(album, beats);
}

namespace {

std::function<std::optional<FocalRegion>(const AlbumItem&)>
focusFinder(const VideoRunEnvironment& environment) {
    if (!environment.focalRegions)
        return nullptr;
    return [finder = environment.focalRegions](const AlbumItem& item) {
        return std::optional<FocalRegion>(finder->find(item.path).region);
    };
}

} // namespace

VideoRun videoRun(const AlbumProject& album, const VideoRunEnvironment& environment,
                  const std::string& outputPath, FrameTransport transport,
                  const OutputLimits& limits, PictureRange range,
                  const std::vector<double>* beats) {
    VideoRun run;
    const AlbumProject* rendered = &album;
    if (std::optional<BeatPlan> beat = beats ? beatPlanFor(album, *beats) : std::nullopt) {
        run.beatAlbum = std::make_unique<AlbumProject>(std::move(beat->album));
        run.beatChanges = std::move(beat->changes);
        rendered = run.beatAlbum.get();
    }
    run.plan = planRun(*rendered, range);
    GenerationRequest& request = run.request;
    useProgramFolder(request, environment.programFolder);
    request.encoder.project = rendered;
    request.encoder.workFolder = environment.workFolder;
    request.encoder.errorLog = environment.errorLog;
    request.encoder.frameFormat = frameFormatForTransport(transport);
    // Every encode of the run, a size cap's too, runs at the album's speed.
    request.encoder.rate.preset = encoderSpeedPreset(album.settings.encoderSpeed);
    request.fonts = environment.fonts;
    request.margins = environment.margins;
    request.outputPath = outputPath;
    request.maxBytes = limits.maxBytes;
    request.findFocus = focusFinder(environment);
    run.refusal = checkOutputLimits(*rendered, run.plan, limits);
    if (!run.refusal)
        run.refusal = checkEncoderPreset(request.encoder.encoderPath, request.encoder.rate.preset);
    return run;
}

FolderRun renderFramesToFolder(const AlbumProject& album, const VideoRunEnvironment& environment,
                               const std::string& folder, const std::atomic<bool>& stop,
                               const std::function<void(int picture)>& progress,
                               const std::function<void(const Failure&)>& readFailed,
                               PictureRange range) {
    FolderRun run;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        run.folderMade = false;
        return run;
    }
    FolderSink sink(folder);
    SequencerContext context;
    context.project = &album;
    context.sink = &sink;
    context.fonts = environment.fonts;
    context.margins = environment.margins;
    context.readFailed = readFailed;
    context.findFocus = focusFinder(environment);
    context.cutShort = [&run](const std::string& path) { run.cutShortPictures.push_back(path); };
    const RunPlan plan = planRun(album, range);
    run.outcome = renderPictures(context, plan.firstPicture,
                                 plan.firstPicture + plan.totalPictures - 1, stop, progress);
    run.framesWritten = sink.framesWritten();
    return run;
}

bool pictureRangeFits(const AlbumProject& album, PictureRange range) {
    const int count = albumItemCount(album);
    if (range.first < 1 || range.first > count || range.last < 0 || range.last > count)
        return false;
    return range.last == 0 || range.last >= range.first;
}

RunCheck checkVideoRun(AlbumProject& album, OutputMode mode,
                       const std::filesystem::path& programFolder,
                       std::unique_ptr<PreviewLogo>* logo) {
    PreflightResult preflight = checkBeforeGeneration(album, mode, programFolder,
                                                      mode == OutputMode::Preview ? logo : nullptr);
    RunCheck check;
    check.accepted = preflight.accepted;
    check.failure = std::move(preflight.failure);
    if (!preflight.accepted) {
        check.focusVideoSize = album.settings.videoSize == 0;
        check.musicTrackToSelect = preflight.musicTrackToSelect;
    }
    return check;
}

std::string proposedVideoName(const AlbumProject& album, std::time_t now) {
    return proposedOutputName(album, album.settings.outputNaming, now);
}

VideoOutput videoOutputFor(const std::string& chosen) {
    if (std::string problem = outputPathProblem(chosen); !problem.empty())
        return {{}, Failure{std::move(problem), "提示", MessageKind::Warning}};
    return {withMp4Extension(chosen), std::nullopt};
}

} // namespace velomira
