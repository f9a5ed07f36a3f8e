#pragma once
// One video run as both front ends start it: the checks before the run, the file the video is
// written to, and the run's request built from the album and the program's surroundings. The
// window and the terminal program only show what comes back and start the run.
#include "album/album_model.h"
#include "app/caption_margins.h"
#include "app/error_log.h"
#include "app/option_values.h"
#include "app/startup.h"
#include "platform/failure.h"
#include "render/beat_plan.h"
#include "render/caption_fonts.h"
#include "render/frame_sequencer.h"
#include "render/image/image_layer.h"
#include "services/beat_analysis.h"
#include "services/focal_regions.h"
#include "video/generation_job.h"
#include "video/generation_plan.h"
#include "video/generation_preflight.h"
#include "video/generation_worker.h"
#include "video/output_limits.h"

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace velomira {

// Where a run finds its tools and folders, and how it draws captions.
struct VideoRunEnvironment {
    std::filesystem::path programFolder; // tool/ffmpeg, tool/AtomicParsley
    std::filesystem::path workFolder;    // this copy's temporary folder: logo copy, FIFO, cover
    const CaptionFontTable* fonts = nullptr;
    CaptionMargins margins;
    ErrorLog errorLog;
    // Finds the regions of pictures that have none when their turn comes; none: their middle.
    std::shared_ptr<FocalRegionFinder> focalRegions;
};

// The environment of a program that started in these folders.
VideoRunEnvironment videoRunEnvironment(const StartupFolders& folders,
                                        const CaptionFontTable* fonts,
                                        const CaptionMargins& margins);

// One run of the album: its request and what it will make.
struct VideoRun {
    GenerationRequest request;
    RunPlan plan;
    // Pictures that change on the beat: the run renders this album (the request points at it)
    // and its changes sit on these beats.
    std::unique_ptr<AlbumProject> beatAlbum;
    std::vector<BeatChange> beatChanges;
    // Set: the album cannot keep the run's limits (too long for the preset, a size cap it
    // cannot meet); the run must not start and this is shown instead.
    std::optional<Failure> refusal;
};

// The run of the album into outputPath (already through videoOutputFor), its frames crossing to
// the encoder by transport, within the limits (a size cap, a preset's longest length). A range
// makes the video of those pictures only, with the music where the whole video has it there
// (check it with pictureRangeFits first). The album is borrowed and must stay unchanged until
// the run has ended; the request's progress is left to the caller.
// With the album's beat sync on, beats are those analyseMusicBeats found (none: even times).
VideoRun videoRun(const AlbumProject& album, const VideoRunEnvironment& environment,
                  const std::string& outputPath, FrameTransport transport,
                  const OutputLimits& limits = {}, PictureRange range = {},
                  const std::vector<double>* beats = nullptr);

// Whether first..last (1-based; last 0: to the end) names pictures of the album in order.
bool pictureRangeFits(const AlbumProject& album, PictureRange range);

// The beat analysis a run of the album needs, with its tools, work folder and the user's cache;
// nothing when the album does not change pictures on the beat or has no music.
std::optional<BeatAnalysisRequest> beatAnalysisFor(const AlbumProject& album,
                                                   const VideoRunEnvironment& environment);
// The album a run renders when its pictures change on these beats; nothing when it keeps its
// even times.
std::optional<BeatPlan> beatPlanFor(const AlbumProject& album, const std::vector<double>& beats);

// The album's frames as numbered JPEG files in folder (made when missing) instead of a video.
struct FolderRun {
    RunOutcome outcome = RunOutcome::Completed;
    bool folderMade = true; // false: the folder could not be made, nothing was rendered
    long long framesWritten = 0;
    std::vector<std::string> cutShortPictures; // used although their data ends early
};
FolderRun renderFramesToFolder(const AlbumProject& album, const VideoRunEnvironment& environment,
                               const std::string& folder, const std::atomic<bool>& stop,
                               const std::function<void(int picture)>& progress,
                               const std::function<void(const Failure&)>& readFailed,
                               PictureRange range = {});

// The checks before a video or a preview. A refusal comes back with the failure to show (none
// when the picture reader has shown its own) and what the window points the user at.
struct RunCheck {
    bool accepted = false;
    std::optional<Failure> failure;
    bool focusVideoSize = false; // no size is chosen
    int musicTrackToSelect = -1; // the music track named by the refusal
};

// Preview mode loads the logo the preview lays over its frames into logo (when given).
RunCheck checkVideoRun(AlbumProject& album, OutputMode mode,
                       const std::filesystem::path& programFolder,
                       std::unique_ptr<PreviewLogo>* logo = nullptr);

// The name offered for the video by the album's naming setting; empty when it names nothing.
std::string proposedVideoName(const AlbumProject& album, std::time_t now);

// The file a video is written to: the chosen path with ".mp4", or the refusal of a path the
// run could never write to.
struct VideoOutput {
    std::string path;
    std::optional<Failure> refusal;
};
VideoOutput videoOutputFor(const std::string& chosen);

} // namespace velomira
