#pragma once
// The command line of velomira-render, parsed into plain values. Parsing never touches files.
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
    std::optional<int> transition; // an index; NO_TRANSITION-free "random" leaves it unset
    bool randomTransitions = true;
    std::optional<bool> blackBackground;
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
    bool rawFrames = false; // --raw-frames: raw pixels to the encoder instead of JPEG files
    bool autoOrient = true; // off with --no-auto-orient: pictures keep their stored turn
};

struct ParsedOptions {
    RenderOptions options;
    std::string error; // empty when the line was understood
};

ParsedOptions parseRenderOptions(const std::vector<std::string>& args);

std::string renderUsage();

} // namespace velomira
