#include "cli/album_from_options.h"

#include "album/album_tables.h"
#include "album/music_shaping.h"
#include "app/printable_text.h"
#include "render/auto_display_time.h"
#include "services/picture_batch.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace velomira {

namespace {

constexpr std::uint32_t kCommandLineMotionSeed = 24;

} // namespace

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

int addCommandLinePictures(AlbumProject& project, const RenderOptions& options,
                           TransitionRandom& random, std::ostream& report) {
    // The window's adding routine: a picture is accepted only when its thumbnail decoded, so
    // one that the render could not read is refused here, before the run starts.
    std::vector<std::string> paths;
    paths.reserve(options.pictures.size());
    for (const std::string& file : options.pictures)
        paths.push_back(absolutePath(file));
    PictureBatchCallbacks callbacks;
    // The refusals name the files, and a file name may hold any byte but "/".
    callbacks.refused = [&report](const std::string& line) { report << shownText(line) << "\n"; };
    PictureBatchOptions batch;
    batch.adding.autoOrient = options.autoOrient;
    const PictureBatchResult result = addPictureBatch(project, random, paths, batch, callbacks);
    if (result.albumFull)
        report << albumFullMessage() << "\n";
    return result.added;
}

namespace {

std::string applyDisplayTime(VideoSettings& settings, float seconds) {
    const auto& table = pauseTimeTable();
    for (int i = 0; i < kPauseTimeCount; ++i) {
        if (std::fabs(table[i].seconds - seconds) < 1e-4) {
            choosePauseTime(settings, i);
            settings.customDisplayTime = false;
            return {};
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "%0.2f秒", static_cast<double>(seconds));
    if (!setCustomDisplayTime(settings, text))
        return "--pause: cannot use a display time of " + std::string(text);
    return {};
}

// Each picture's own time, in list order; more times than pictures is a mistake worth naming.
std::string applyPictureTimes(AlbumProject& project,
                              const std::vector<std::optional<float>>& times) {
    if (times.size() > project.items.size())
        return "--pauses: " + std::to_string(times.size()) + " times for " +
               std::to_string(project.items.size()) + " pictures";
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::optional<int> frames;
        if (times[i])
            frames = stillFramesForSeconds(*times[i]);
        if (!setAlbumItemStillFrames(project, static_cast<int>(i), frames))
            return "--pauses: cannot use a display time of " + std::to_string(*times[i]);
    }
    return {};
}

// The tracks and how they are shaped; a track that cannot be read refuses the run.
std::string applyMusicOptions(AlbumProject& project, const RenderOptions& options,
                              const MusicReader& readTrack) {
    VideoSettings& s = project.settings;
    if (options.musicFadeSeconds)
        s.musicFadeSeconds = *options.musicFadeSeconds;
    if (options.loudnessLufs)
        s.musicLoudness = *options.loudnessLufs < 0.0 ? options.loudnessLufs : std::nullopt;
    for (const std::string& file : options.music) {
        std::optional<MusicTrack> track = readTrack(absolutePath(file));
        if (!track && isMp3FileName(file))
            return "--music " + file + ": not an MP3 file with a playable duration";
        if (!track)
            return "--music " + file + ": not an audio file with a playable duration";
        addMusicTrack(project, *track);
    }
    return {};
}

} // namespace

std::string applyRenderOptions(AlbumProject& project, const RenderOptions& options,
                               const MusicReader& readTrack) {
    VideoSettings& s = project.settings;
    if (options.size) {
        const auto [w, h] = *options.size;
        if (setCustomVideoSize(s, w, h) < 0)
            return "--size " + std::to_string(w) + "x" + std::to_string(h) +
                   " is outside the sizes a video can have";
    } else if (s.videoSize == 0 && options.projectFile.empty()) {
        // Pictures from the command line or a shop item come without a size; a project file
        // keeps its own choice, and none chosen is refused by the checks before the run.
        setCustomVideoSize(s, 1280, 720);
    }
    if (options.pauseSeconds) {
        if (std::string error = applyDisplayTime(s, *options.pauseSeconds); !error.empty())
            return error;
    }
    if (std::string error = applyPictureTimes(project, options.pictureSeconds); !error.empty())
        return error;
    if (options.beatSync)
        s.beatSync = *options.beatSync;
    if (options.transition) {
        for (std::size_t i = 1; i < project.items.size(); ++i)
            setItemTransition(project.items[i], *options.transition);
    }
    if (options.motion) {
        // random draws each picture's motion from a fixed seed, so the same command line makes
        // the same video twice.
        std::mt19937 engine(kCommandLineMotionSeed);
        for (AlbumItem& item : project.items)
            item.motion = resolveCameraMotion(*options.motion, engine);
    }
    if (options.fill) {
        chooseFillMode(s, *options.fill);
        for (AlbumItem& item : project.items)
            item.fillMode.reset();
    }
    if (options.focus)
        s.focus = *options.focus;
    if (options.safeAreas)
        s.safeAreas = *options.safeAreas;
    if (options.encoderSpeed)
        s.encoderSpeed = *options.encoderSpeed;
    if (options.blackBackground)
        s.videoBgFillColor =
            *options.blackBackground ? BackgroundFill::Black : BackgroundFill::White;
    if (std::string error = applyMusicOptions(project, options, readTrack); !error.empty())
        return error;
    if (!options.music.empty())
        s.bgsound = true;
    if (options.loopMusic) {
        s.bgsoundAutoSetImageLoopPlay = true;
        s.bgsoundAutoSetPauseTime = false;
    }
    if (!options.logo.empty()) {
        s.logo = true;
        s.logoPath = absolutePath(options.logo);
    }
    if (options.logoPosition)
        s.logoLocation = *options.logoPosition;
    if (!options.cover.empty()) {
        s.cover = true;
        s.coverPath = absolutePath(options.cover);
    }
    if (!options.caption.empty()) {
        applyCaptionSwitch(project, true);
        for (int i = 0; i < albumItemCount(project); ++i) {
            project.items[i].caption.location = kDefaultCaptionLocation;
            setAlbumItemCaptionText(project, i, options.caption);
        }
    }
    if (options.fitMusic) {
        s.bgsoundAutoSetPauseTime = true;
        s.bgsoundAutoSetImageLoopPlay = false;
    }
    // Display times that follow the music are recomputed from the album as it now stands.
    if (s.bgsound && s.bgsoundAutoSetPauseTime && !project.musicItems.empty())
        computeAutoDisplayTime(project);
    return {};
}

} // namespace velomira
