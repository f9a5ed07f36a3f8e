#pragma once
// The command line of velomira-render, parsed into plain values. Parsing never touches files.
#include "album/camera_motion.h"
#include "album/encoder_speed.h"
#include "album/fill_mode.h"
#include "album/focal_region.h"
#include "app/option_values.h"
#include "video/generation_plan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

struct RenderOptions {
    std::string projectFile;           // PROJECT.dat to render
    std::vector<std::string> pictures; // --pictures
    std::string productAddress;        // --product
    int pictureType = 0;               // --picture-type
    std::string outputPath;            // -o
    std::optional<std::pair<int, int>> size;
    std::optional<float> pauseSeconds;
    // --pauses: each picture's own display time in order; none keeps the album's.
    std::vector<std::optional<float>> pictureSeconds;
    // --beat-sync / --no-beat-sync: picture changes on the music's beats; unset keeps the album's.
    std::optional<bool> beatSync;
    std::optional<int> transition; // an index; NO_TRANSITION-free "random" leaves it unset
    bool randomTransitions = true;
    // --motion: the camera motion of every picture; unset keeps a project file's own.
    std::optional<CameraMotionChoice> motion;
    // --fill: how every picture fills the frame; unset keeps the album's.
    std::optional<FillMode> fill;
    // --focus auto|center: crops and camera moves follow each picture's subject or its middle.
    std::optional<FocusMode> focus;
    // --safe-areas on|off: captions and the logo keep clear of phone apps' buttons.
    std::optional<bool> safeAreas;
    std::optional<bool> blackBackground;
    // --music-fade SECONDS (the fade-out at the end) / --no-music-fade (0); unset keeps the
    // album's own.
    std::optional<double> musicFadeSeconds;
    // --loudness LUFS, or off (read as 0); unset keeps the album's own.
    std::optional<double> loudnessLufs;
    std::vector<std::string> music;
    bool loopMusic = false;
    bool fitMusic = false;
    std::string logo;
    std::optional<int> logoPosition;
    std::string cover;
    std::string caption;
    std::string framesFolder; // --frames
    bool info = false;
    std::string saveProject; // --save
    bool help = false;
    // How frames reach the encoder: raw pixels, the terminal program's default (faster, and
    // nothing lost to JPEG), or JPEG files with --jpeg-frames.
    FrameTransport frameTransport = FrameTransport::RawPixels;
    // --batch: one video per row of a CSV file; the options above are every row's defaults.
    std::string batchFile;
    int jobs = 0;                       // --jobs: videos at once; 0 picks half the processors
    int shardIndex = 0, shardCount = 1; // --shard I/N
    std::string reportFile;             // --report FILE.csv|FILE.json
    bool force = false;                 // --force: remake outputs that exist
    bool quiet = false;                 // --quiet: no progress line
    // Set by a batch for each of its jobs: the run writes the video under -o, renames it to
    // jobFinal only when it is done, and ends with a result line on standard output.
    std::string jobFinal;
    int jobParent = 0;          // the batch's process id; the job stops when that process is gone
    bool autoOrient = true;     // off with --no-auto-orient: pictures keep their stored turn
    bool strict = false;        // --strict: a picture whose data ends early refuses the run
    std::uint64_t maxBytes = 0; // --max-size: the largest file the video may be; 0: no cap
    std::string preset;         // --preset: a platform preset's key or name
    // --from N --to M: only pictures N..M (1-based) with the music where the whole video has
    // it; unset: the album's first, or last picture. Checked against the album once it is read.
    std::optional<int> fromPicture;
    std::optional<int> toPicture;
    // --encoder-speed: the encoder's time per frame; unset keeps the album's.
    std::optional<EncoderSpeed> encoderSpeed;
};

struct ParsedOptions {
    RenderOptions options;
    std::string error; // empty when the line was understood
};

ParsedOptions parseRenderOptions(const std::vector<std::string>& args);

std::string renderUsage();

// Why --size cannot be a video's size (odd, too small or too large: the bounds the window's
// size dialog keeps), else empty. Refused before the run, for a video and --frames alike.
std::string videoSizeRefusal(const RenderOptions& options);

// The range of pictures --from and --to name (the whole run without them).
PictureRange pictureRangeOf(const RenderOptions& options);

} // namespace velomira
