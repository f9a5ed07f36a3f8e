#include "video/encoder_args.h"

#include "album/music_shaping.h"
#include "album/safe_area.h"

#include <cstdio>
#include <cstdlib>

namespace velomira {

namespace {

// Adds one argument to both forms; quoted arguments appear in double quotes in the text.
void addArgument(CommandLine& line, const std::string& argument, bool quoted = false) {
    line.text += ' ';
    if (quoted)
        line.text += '"';
    line.text += argument;
    if (quoted)
        line.text += '"';
    line.arguments.push_back(argument);
}

void append(CommandLine& line, const CommandLine& part) {
    line.text += part.text;
    line.arguments.insert(line.arguments.end(), part.arguments.begin(), part.arguments.end());
}

void addWords(CommandLine& line, std::initializer_list<const char*> words) {
    for (const char* word : words)
        addArgument(line, word);
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The arguments from the size on, shared by both forms. The anonymous form has its own
// space before the sound arguments, so without sound the text shows two spaces there.
void addTail(CommandLine& line, const EncoderCommandInput& input) {
    addWords(line, {"-s"});
    addArgument(line, sizeText(input.width, input.height));
    addWords(line, {"-t"});
    addArgument(line, input.durationText);
    append(line, logoFilter(input.logoCopyName, input.logoLocation, input.logoArea));
    append(line, rateArguments(input.rate));
    addWords(line, {"-pix_fmt", "yuv420p", "-v", "error"});
    addArgument(line, input.outputPath, true);
}

// The overlay placed in the top left areaWidth x areaHeight part of the frame.
CommandLine safeLogoFilter(const std::string& copyName, int location, int areaWidth,
                           int areaHeight) {
    const std::string right = std::to_string(areaWidth) + "-overlay_w";
    const std::string bottom = std::to_string(areaHeight) + "-overlay_h";
    std::string overlay = "overlay=";
    switch (location) {
    case 0:
        overlay += "0:0";
        break;
    case 2:
        overlay += right + ":0";
        break;
    case 3:
        overlay += right + ":" + bottom;
        break;
    default:
        overlay += "0:" + bottom;
        break;
    }
    CommandLine line;
    addWords(line, {"-vf"});
    addArgument(line, "movie='" + copyName + "' [watermark]; [in][watermark] " + overlay + " [out]",
                true);
    return line;
}

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

EncoderCommandInput encoderCommandInput(const AlbumProject& project, std::string durationText,
                                        std::string outputPath, std::string logoCopyName) {
    const VideoSettings& settings = project.settings;
    EncoderCommandInput input;
    input.width = settings.videoWidth;
    input.height = settings.videoHeight;
    input.durationText = std::move(durationText);
    input.outputPath = std::move(outputPath);
    if (settings.bgsound) {
        for (const MusicTrack& track : project.musicItems)
            input.musicPaths.push_back(track.path);
    }
    input.audioSampleRate = settings.audioSampleRate;
    input.audioBitrateKbps = settings.audioBitrateKbps;
    if (!input.musicPaths.empty() && musicNeedsFilterGraph(project))
        input.musicGraph = musicGraphInput(project, input.durationText);
    input.logoCopyName = std::move(logoCopyName);
    input.logoLocation = settings.logoLocation;
    if (keepsSafeAreas(settings)) {
        const OverlayArea area = overlayArea(settings);
        input.logoArea = {area.width, area.height};
    }
    return input;
}

void startMusicAt(EncoderCommandInput& input, const AlbumProject& project, double seconds) {
    input.audioStartSeconds = seconds;
    if (input.musicGraph)
        input.musicGraph->startSeconds = seconds;
    if (seconds > 0.0 && seconds >= static_cast<double>(totalMusicSeconds(project)))
        input.musicPaths.clear();
}

MusicGraphInput musicGraphInput(const AlbumProject& project, const std::string& durationText) {
    const VideoSettings& settings = project.settings;
    MusicGraphInput graph;
    for (const MusicTrack& track : project.musicItems)
        graph.trackSeconds.push_back(track.durationMs / 1000.0);
    graph.videoSeconds = std::strtod(durationText.c_str(), nullptr);
    graph.sampleRate = settings.audioSampleRate > 0 ? settings.audioSampleRate : 44100;
    graph.fadeOutSeconds = settings.musicFadeSeconds;
    graph.loudness = settings.musicLoudness;
    return graph;
}

namespace {

CommandLine graphAudioArguments(const EncoderCommandInput& input) {
    CommandLine line;
    for (const std::string& path : input.musicPaths) {
        addWords(line, {"-i"});
        addArgument(line, path, true);
    }
    addWords(line, {"-filter_complex"});
    addArgument(line, musicFilterGraph(*input.musicGraph, 1), true);
    addWords(line, {"-map", "0:v", "-map", "[aout]", "-ac", "2", "-ar"});
    addArgument(line, std::to_string(input.musicGraph->sampleRate));
    addWords(line, {"-ab"});
    addArgument(line, std::to_string(input.audioBitrateKbps) + "k");
    return line;
}

} // namespace

CommandLine audioArguments(const EncoderCommandInput& input) {
    CommandLine line;
    if (input.musicPaths.empty())
        return line;
    if (input.musicGraph)
        return graphAudioArguments(input);
    std::string concat = "concat:";
    for (std::size_t i = 0; i < input.musicPaths.size(); ++i) {
        if (i > 0)
            concat += '|';
        concat += input.musicPaths[i];
    }
    if (input.audioStartSeconds > 0.0) {
        char start[32];
        std::snprintf(start, sizeof start, "%.3f", input.audioStartSeconds);
        addWords(line, {"-ss", start});
    }
    addWords(line, {"-i"});
    addArgument(line, concat, true);
    addWords(line, {"-ac", "2", "-ar"});
    addArgument(line, std::to_string(input.audioSampleRate == -1 ? 44100 : input.audioSampleRate));
    addWords(line, {"-ab"});
    addArgument(line, std::to_string(input.audioBitrateKbps) + "k");
    return line;
}

CommandLine rateArguments(const RateControl& rate) {
    CommandLine line;
    if (rate.videoKbps > 0) {
        // The peak and buffer keep a short album's rate close to its average, so the measured
        // file lands near the planned size.
        addWords(line, {"-b:v"});
        addArgument(line, std::to_string(rate.videoKbps) + "k");
        addWords(line, {"-maxrate"});
        addArgument(line, std::to_string(rate.videoKbps * 3 / 2) + "k");
        addWords(line, {"-bufsize"});
        addArgument(line, std::to_string(rate.videoKbps * 2) + "k");
    }
    if (!rate.preset.empty()) {
        addWords(line, {"-preset"});
        addArgument(line, rate.preset);
    }
    return line;
}

CommandLine logoFilter(const std::string& copyName, int location,
                       std::optional<std::pair<int, int>> area) {
    CommandLine line;
    if (copyName.empty())
        return line;
    if (area)
        return safeLogoFilter(copyName, location, area->first, area->second);
    const char* overlay = nullptr;
    switch (location) {
    case 0:
        overlay = "overlay=0:0";
        break;
    case 2:
        overlay = "overlay=main_w-overlay_w-0:0";
        break;
    case 3:
        overlay = "overlay=main_w-overlay_w-0:main_h-overlay_h-0";
        break;
    default:
        overlay = "overlay=0:main_h-overlay_h-0";
        break;
    }
    addWords(line, {"-vf"});
    addArgument(line, "movie='" + copyName + "' [watermark]; [in][watermark] " + overlay + " [out]",
                true);
    return line;
}

namespace {

// The input's format and frame rate, up to and including -i; jpegFormat names the demuxer
// that reads JPEG files from this kind of pipe.
void addFrameInput(CommandLine& line, const EncoderCommandInput& input, const char* jpegFormat,
                   const std::string& source) {
    if (input.frameFormat == FrameFormat::Jpeg) {
        addWords(line, {"-y", "-f", jpegFormat, "-r"});
        addArgument(line, std::to_string(frameRate));
        addWords(line, {"-vcodec", "mjpeg", "-i"});
    } else {
        addWords(line,
                 {"-y", "-f", "rawvideo", "-pix_fmt", rawPixelFormatName(input.frameFormat), "-s"});
        addArgument(line, sizeText(input.width, input.height));
        addWords(line, {"-r"});
        addArgument(line, std::to_string(frameRate));
        addWords(line, {"-i"});
    }
    addArgument(line, source);
}

} // namespace

CommandLine namedPipeCommand(const EncoderCommandInput& input, const std::string& pipePath) {
    CommandLine line;
    addFrameInput(line, input, "image2pipe", pipePath);
    append(line, audioArguments(input));
    addTail(line, input);
    return line;
}

CommandLine anonymousPipeCommand(const EncoderCommandInput& input) {
    CommandLine line;
    addFrameInput(line, input, "mjpeg", "pipe:0");
    line.text += ' ';
    append(line, audioArguments(input));
    addTail(line, input);
    return line;
}

std::string logoCopyExtension(const std::string& logoPath) {
    const std::string name = std::filesystem::path(logoPath).filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size())
        return "png";
    const std::string extension = name.substr(dot + 1);
    for (char c : extension) {
        if (!isAsciiAlphanumeric(c))
            return "png";
    }
    return extension;
}

std::string logoCopyName(const std::string& logoPath, int number) {
    return "temp_" + std::to_string(number) + "." + logoCopyExtension(logoPath);
}

int drawLogoCopyNumber(std::mt19937& random) {
    return std::uniform_int_distribution<int>(10000, 30000)(random);
}

std::vector<std::string> splitCommandLine(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

CommandLine coverCommand(const std::string& videoPath, const std::string& coverFile,
                         const std::string& outputPath) {
    CommandLine line;
    addArgument(line, videoPath, true);
    addWords(line, {"--artwork"});
    addArgument(line, coverFile, true);
    addWords(line, {"--output"});
    addArgument(line, outputPath, true);
    return line;
}

} // namespace velomira
