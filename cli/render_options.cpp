#include "cli/render_options.h"

#include "album/album_tables.h"
#include "album/music_shaping.h"
#include "album/transition_catalogue.h"
#include "app/string_utils.h"
#include "video/size_cap.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velomira {

namespace {

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool parseSeconds(const std::string& text, float& value) {
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(parsed) ||
        parsed <= 0.0 || parsed > 3600.0)
        return false;
    value = static_cast<float>(parsed);
    return true;
}

// WIDTHxHEIGHT, or a phone aspect (9:16, 4:5, 1:1, 1080 wide) or 4k.
std::optional<std::pair<int, int>> parseSizeValue(const std::string& text) {
    static constexpr struct {
        const char* name;
        int width, height;
    } kShorthands[] = {
        {"9:16", 1080, 1920}, {"4:5", 1080, 1350}, {"1:1", 1080, 1080},
        {"4k", 3840, 2160},   {"4K", 3840, 2160},
    };
    for (const auto& shorthand : kShorthands) {
        if (text == shorthand.name)
            return std::make_pair(shorthand.width, shorthand.height);
    }
    int w = 0, h = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &extra) != 2)
        return std::nullopt;
    return std::make_pair(w, h);
}

bool isOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

} // namespace

namespace {

// The arguments and the one being read; an option's value is the next argument.
struct ArgCursor {
    const std::vector<std::string>& args;
    std::size_t i = 0;

    bool value(std::string& out) {
        if (i + 1 >= args.size())
            return false;
        out = args[++i];
        return true;
    }
};

enum class OptionRead { Read, Failed, NotThisKind };

// The music's fades and loudness.
OptionRead readMusicShapingOption(const std::string& arg, ArgCursor& at, RenderOptions& o,
                                  std::string& error) {
    std::string v;
    char* end = nullptr;
    if (arg == "--music-fade") {
        const bool read = at.value(v);
        const double seconds = std::strtod(v.c_str(), &end);
        if (!read || v.empty() || *end != '\0' || !isUsableMusicFade(seconds)) {
            error = "--music-fade needs the fade-out's length in seconds, above 0 and at most 30";
            return OptionRead::Failed;
        }
        o.musicFadeSeconds = seconds;
    } else if (arg == "--no-music-fade") {
        o.musicFadeSeconds = 0.0;
    } else if (arg == "--loudness") {
        const bool read = at.value(v);
        const double lufs = v == "off" ? 0.0 : std::strtod(v.c_str(), &end);
        if (!read || v.empty() || (v != "off" && (*end != '\0' || !isUsableLoudness(lufs)))) {
            error = "--loudness needs a loudness in LUFS from -40 to -5 (e.g. -14) or off";
            return OptionRead::Failed;
        }
        o.loudnessLufs = lufs;
    } else {
        return OptionRead::NotThisKind;
    }
    return OptionRead::Read;
}

// The options that shape the frame and the file: size, fill, safe areas, preset, size cap.
OptionRead readFrameOption(const std::string& arg, ArgCursor& at, RenderOptions& o,
                           std::string& error) {
    auto fail = [&](const std::string& text) {
        error = text;
        return OptionRead::Failed;
    };
    std::string v;
    if (arg == "--size") {
        if (!at.value(v) || !(o.size = parseSizeValue(v)))
            return fail("--size needs WIDTHxHEIGHT, e.g. 1280x720");
    } else if (arg == "--fill") {
        if (!at.value(v) || !(o.fill = parseFillMode(v)))
            return fail("--fill needs fit, crop or blur");
    } else if (arg == "--focus") {
        if (!at.value(v) || !(o.focus = parseFocusMode(v)))
            return fail("--focus needs auto or center");
    } else if (arg == "--safe-areas") {
        if (!at.value(v) || (v != "on" && v != "off"))
            return fail("--safe-areas needs on or off");
        o.safeAreas = v == "on";
    } else if (arg == "--preset") {
        if (!at.value(o.preset) || o.preset.empty())
            return fail("--preset needs a preset's key or name, e.g. reels");
    } else if (arg == "--encoder-speed") {
        if (!at.value(v) || !(o.encoderSpeed = parseEncoderSpeed(v)))
            return fail("--encoder-speed needs fast, standard or fine");
    } else if (arg == "--max-size") {
        if (!at.value(v) || (o.maxBytes = parseSizeText(v)) == 0)
            return fail("--max-size needs a file size, e.g. 16M, 500K or 1.5G (a plain number "
                        "is megabytes)");
    } else {
        return readMusicShapingOption(arg, at, o, error);
    }
    return OptionRead::Read;
}

// "2.5|3||1": a display time per picture in order; an empty entry keeps the album's.
bool parsePictureTimes(const std::string& text, std::vector<std::optional<float>>& times) {
    times.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        const std::string item(trimmed(std::string_view(text).substr(start, bar - start)));
        // A picture may have no still time at all: only its transition shows it.
        float seconds = 0;
        const bool zero = item.find_first_not_of("0.") == std::string::npos &&
                          item.find('0') != std::string::npos && item.find('.') == item.rfind('.');
        if (!item.empty() && !zero && !parseSeconds(item, seconds))
            return false;
        times.push_back(item.empty() ? std::nullopt : std::optional<float>(seconds));
        if (bar == std::string::npos)
            return true;
        start = bar + 1;
    }
}

// Per-picture display times and picture changes on the beat.
OptionRead readTimingOption(const std::string& arg, ArgCursor& at, RenderOptions& o,
                            std::string& error) {
    std::string v;
    if (arg == "--pauses") {
        if (!at.value(v) || !parsePictureTimes(v, o.pictureSeconds)) {
            error = "--pauses needs display times in seconds above 0 separated by |, e.g. "
                    "2.0|3.5||1 (an empty entry keeps the album's)";
            return OptionRead::Failed;
        }
    } else if (arg == "--beat-sync" || arg == "--no-beat-sync") {
        o.beatSync = arg == "--beat-sync";
    } else {
        return readFrameOption(arg, at, o, error);
    }
    return OptionRead::Read;
}

// The options that shape the video itself. On failure `error` says why.
OptionRead readVideoOption(const std::string& arg, ArgCursor& at, RenderOptions& o,
                           std::string& error) {
    auto fail = [&](const std::string& text) {
        error = text;
        return OptionRead::Failed;
    };
    std::string v;
    if (arg == "--pause") {
        float seconds = 0;
        if (!at.value(v) || !parseSeconds(v, seconds))
            return fail("--pause needs a display time in seconds above 0, e.g. 2.0");
        o.pauseSeconds = seconds;
    } else if (arg == "--transition") {
        int index = 0;
        if (!at.value(v))
            return fail("--transition needs an index or random");
        if (v == "random") {
            o.transition.reset();
            o.randomTransitions = true;
        } else if (parseInt(v, index) && (index == NO_TRANSITION || transitionName(index))) {
            o.transition = index;
            o.randomTransitions = false;
        } else {
            return fail("--transition: no transition " + v + " (0..92, 95..98, 99 for none)");
        }
    } else if (arg == "--motion") {
        if (!at.value(v) || !(o.motion = cameraMotionChoiceFromName(v)))
            return fail("--motion needs none, zoom-in, zoom-out, pan-left, pan-right, pan-up, "
                        "pan-down or random");
    } else if (arg == "--bg") {
        if (!at.value(v) || (v != "white" && v != "black"))
            return fail("--bg needs white or black");
        o.blackBackground = v == "black";
    } else if (arg == "--music") {
        if (!at.value(v))
            return fail("--music needs an audio file");
        o.music.push_back(v);
    } else if (arg == "--loop-music") {
        o.loopMusic = true;
    } else if (arg == "--fit-music") {
        o.fitMusic = true;
    } else if (arg == "--logo") {
        if (!at.value(o.logo))
            return fail("--logo needs a PNG or JPEG file");
    } else if (arg == "--logo-position") {
        int position = 0;
        if (!at.value(v) || !parseInt(v, position) || position < 0 || position > 3)
            return fail("--logo-position needs 0 (left top), 1 (left bottom), 2 (right top) "
                        "or 3 (right bottom)");
        o.logoPosition = position;
    } else if (arg == "--cover") {
        if (!at.value(o.cover))
            return fail("--cover needs a picture file");
    } else if (arg == "--caption") {
        if (!at.value(o.caption))
            return fail("--caption needs a text");
    } else if (arg == "--no-auto-orient") {
        o.autoOrient = false;
    } else if (arg == "--strict") {
        o.strict = true;
    } else {
        return readTimingOption(arg, at, o, error);
    }
    return OptionRead::Read;
}

// The options of a batch of videos.
OptionRead readBatchOption(const std::string& arg, ArgCursor& at, RenderOptions& o,
                           std::string& error) {
    auto fail = [&](const std::string& text) {
        error = text;
        return OptionRead::Failed;
    };
    std::string v;
    if (arg == "--batch") {
        if (!at.value(o.batchFile))
            return fail("--batch needs a CSV file");
    } else if (arg == "--jobs") {
        if (!at.value(v) || !parseInt(v, o.jobs) || o.jobs < 1 || o.jobs > 256)
            return fail("--jobs needs a number of videos at once from 1 to 256");
    } else if (arg == "--shard") {
        const bool read = at.value(v);
        const std::size_t slash = v.find('/');
        if (!read || slash == std::string::npos || !parseInt(v.substr(0, slash), o.shardIndex) ||
            !parseInt(v.substr(slash + 1), o.shardCount) || o.shardCount < 1 || o.shardIndex < 0 ||
            o.shardIndex >= o.shardCount)
            return fail("--shard needs I/N with 0 <= I < N, e.g. 0/4");
    } else if (arg == "--report") {
        if (!at.value(o.reportFile))
            return fail("--report needs a file name ending in .csv or .json");
    } else if (arg == "--force") {
        o.force = true;
    } else if (arg == "--quiet") {
        o.quiet = true;
    } else if (arg == "--job-final") {
        if (!at.value(o.jobFinal))
            return fail("--job-final needs a file name");
    } else if (arg == "--job-parent") {
        if (!at.value(v) || !parseInt(v, o.jobParent) || o.jobParent < 1)
            return fail("--job-parent needs a process id");
    } else {
        return OptionRead::NotThisKind;
    }
    return OptionRead::Read;
}

// What the options given together cannot mean; empty when they fit.
std::string mixError(const RenderOptions& o) {
    if (!o.batchFile.empty()) {
        if (!o.projectFile.empty() || !o.pictures.empty() || !o.productAddress.empty() ||
            !o.outputPath.empty())
            return "--batch takes the pictures and outputs from its file: no PROJECT.dat, "
                   "--pictures, --product or -o beside it";
        if (!o.framesFolder.empty() || o.info || !o.saveProject.empty())
            return "--frames, --info and --save make no videos: not with --batch";
        if (o.loopMusic && o.fitMusic)
            return "--loop-music and --fit-music exclude each other";
        if (o.fromPicture || o.toPicture)
            return "--from and --to name pictures of one album: not with --batch";
        return {};
    }
    // --force also lets --frames write into a folder that holds other files.
    if (o.jobs != 0 || o.shardCount != 1 || !o.reportFile.empty() ||
        (o.force && o.framesFolder.empty()) || o.quiet)
        return "--jobs, --shard, --report, --force and --quiet belong to --batch";
    const int sources = !o.projectFile.empty() + !o.pictures.empty() + !o.productAddress.empty();
    if (sources == 0)
        return "nothing to render: give PROJECT.dat, --pictures or --product";
    if (sources > 1)
        return "give one of PROJECT.dat, --pictures and --product";
    if (o.loopMusic && o.fitMusic)
        return "--loop-music and --fit-music exclude each other";
    if (!o.framesFolder.empty() && o.info)
        return "--frames and --info exclude each other";
    return {};
}

} // namespace

ParsedOptions parseRenderOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    RenderOptions& o = parsed.options;
    auto fail = [&](const std::string& text) {
        parsed.error = text;
        return parsed;
    };
    for (ArgCursor at{args}; at.i < args.size(); ++at.i) {
        const std::string& arg = args[at.i];
        std::string error;
        OptionRead read = readVideoOption(arg, at, o, error);
        if (read == OptionRead::NotThisKind)
            read = readBatchOption(arg, at, o, error);
        if (read == OptionRead::Failed)
            return fail(error);
        if (read == OptionRead::Read)
            continue;
        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--pictures") {
            while (at.i + 1 < args.size() && !isOption(args[at.i + 1]))
                o.pictures.push_back(args[++at.i]);
            if (o.pictures.empty())
                return fail("--pictures needs at least one picture");
        } else if (arg == "-o" || arg == "--output") {
            if (!at.value(o.outputPath))
                return fail(arg + " needs a file name");
        } else if (arg == "--frames") {
            if (!at.value(o.framesFolder))
                return fail("--frames needs a folder");
        } else if (arg == "--raw-frames") {
            o.frameTransport = FrameTransport::RawPixels;
        } else if (arg == "--jpeg-frames") {
            o.frameTransport = FrameTransport::JpegFiles;
        } else if (arg == "--info") {
            o.info = true;
        } else if (arg == "--from" || arg == "--to") {
            std::string v;
            int number = 0;
            if (!at.value(v) || !parseInt(v, number))
                return fail(arg + " needs a picture number (1 is the first)");
            (arg == "--from" ? o.fromPicture : o.toPicture) = number;
        } else if (arg == "--save") {
            if (!at.value(o.saveProject))
                return fail("--save needs a project file name");
        } else if (arg == "--product") {
            if (!at.value(o.productAddress))
                return fail("--product needs an item or picture address");
        } else if (arg == "--picture-type") {
            std::string v;
            int type = 0;
            if (!at.value(v) || !parseInt(v, type) || type < 0 || type > 2)
                return fail("--picture-type needs 0, 1 or 2");
            o.pictureType = type;
        } else if (isOption(arg)) {
            return fail("unknown option " + arg);
        } else if (o.projectFile.empty()) {
            o.projectFile = arg;
        } else {
            return fail("one project file at a time (also given: " + arg + ")");
        }
    }
    if (o.help)
        return parsed;
    const std::string mix = mixError(o);
    return mix.empty() ? parsed : fail(mix);
}

std::string renderUsage() {
    return "Usage: velomira-render PROJECT.dat [-o OUT.mp4] [options]\n"
           "   or: velomira-render --pictures A.jpg B.png ... [-o OUT.mp4] [options]\n"
           "   or: velomira-render --product ADDRESS [--picture-type 0|1|2] [options]\n"
           "Options:\n"
           "  --size WxH            output size (default 1280x720 unless a project file has one);\n"
           "                        also 9:16, 4:5, 1:1 (1080 wide) and 4k (3840x2160)\n"
           "  --fill fit|crop|blur  how every picture fills the frame: whole with bars, cut to\n"
           "                        cover it, or whole over a blurred copy (default: fit, blur\n"
           "                        for a new album taller than wide)\n"
           "  --focus auto|center   crops and camera moves follow each picture's faces (else its\n"
           "                        most striking part) or its middle (default: center, a\n"
           "                        project file's own choice otherwise)\n"
           "  --safe-areas on|off   in a frame taller than wide, keep captions and the logo out\n"
           "                        of the bottom 20 % and right 12 % (default: on for a new\n"
           "                        album, a project file's own choice otherwise)\n"
           "  --pause SECONDS       display time of every picture\n"
           "  --pauses T1|T2|...    display times of the pictures in order (an empty entry\n"
           "                        keeps the --pause time)\n"
           "  --beat-sync           change pictures on the music's beats (--no-beat-sync: off)\n"
           "  --transition N|random transition into every picture but the first\n"
           "  --bg white|black      fill around pictures\n"
           "  --music FILE.mp3      background music (repeatable, in order): MP3, M4A/AAC,\n"
           "                        FLAC, OGG/Vorbis/Opus or WAV\n"
           "  --music-fade SECONDS  fade the music out over the video's last SECONDS, in over\n"
           "                        0.5 s, and cross-fade tracks over 1 s (default: 2 for a\n"
           "                        new album, a project file's own choice otherwise)\n"
           "  --no-music-fade       cut the music hard, as older projects do\n"
           "  --loudness LUFS|off   bring the music to this loudness, true peaks at most\n"
           "                        -1 dBTP (default: -14 for a new album)\n"
           "  --loop-music          repeat the pictures until the music ends\n"
           "  --fit-music           stretch the display times to the music\n"
           "  --logo FILE [--logo-position 0..3]\n"
           "  --cover FILE          cover picture embedded in the MP4\n"
           "  --caption TEXT        caption on every picture\n"
           "  --frames DIR          write numbered JPEG frames instead of a video\n"
           "                        (into an empty or new folder; with --force among other files)\n"
           "  --jpeg-frames         hand the encoder JPEG frames instead of raw pixels\n"
           "  --motion M            camera motion while each picture is held: none, zoom-in,\n"
           "                        zoom-out, pan-left, pan-right, pan-up, pan-down or random\n"
           "  --no-auto-orient      do not turn photos upright by their EXIF orientation\n"
           "  --strict              make nothing when a picture's data ends early (exit 3)\n"
           "  --preset NAME         a platform preset's size, fill, longest length and size cap\n"
           "                        (reels, shop, square, feed, message, or the table's own)\n"
           "  --encoder-speed S     fast, standard or fine: a quicker encode or a smaller file\n"
           "                        at the same quality (x264 veryfast, medium, slow)\n"
           "  --max-size SIZE       keep the file at most SIZE (16M, 500K, 1.5G; decimal units,\n"
           "                        a plain number is megabytes); encoded up to 3 times\n"
           "  --from N --to M       only pictures N..M (1-based) with their transitions and the\n"
           "                        music where the whole video has it (either may be left out)\n"
           "  --info                print the album and its frame counts as JSON\n"
           "  --save PROJECT.dat    also write the album as a project file\n"
           "Batch: velomira-render --batch JOBS.csv [options as defaults of every row]\n"
           "  --jobs N              videos at once (default: half the processors)\n"
           "  --shard I/N           only the rows whose index modulo N is I\n"
           "  --report FILE.csv|FILE.json  one line per row: output, status, frames, seconds\n"
           "  --force               remake outputs that already exist\n"
           "  --quiet               no progress line\n"
           "Exit codes: 0 done, 1 refused, 2 failed, 3 bad arguments or project file, 130 "
           "stopped, 129 stopped as the terminal closed (a batch: 0 every row done or skipped, "
           "2 a row failed, 130 stopped)\n";
}

PictureRange pictureRangeOf(const RenderOptions& options) {
    // An explicit --to 0 stays 0 only to be refused with the rest: it names no picture.
    const int last = options.toPicture ? (*options.toPicture == 0 ? -1 : *options.toPicture) : 0;
    return {options.fromPicture.value_or(1), last};
}

std::string videoSizeRefusal(const RenderOptions& options) {
    if (!options.size)
        return {};
    const auto [w, h] = *options.size;
    // The encoder takes only even sides; an odd one would fail late with its own words.
    if (w >= kMinVideoSide && w <= kMaxVideoWidth && h >= kMinVideoSide && h <= kMaxVideoHeight &&
        w % 2 == 0 && h % 2 == 0)
        return {};
    return "--size " + std::to_string(w) + "x" + std::to_string(h) +
           " is outside the sizes a video can have (width " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoWidth) + ", height " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoHeight) + ", both even)";
}

} // namespace velomira
