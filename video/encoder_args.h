#pragma once
// The encoder's and the cover tool's command lines. Each is built twice from the same pieces:
// as the text the error log shows, and as the argument array the child is started with, so
// that a path holding a double quote or a space still arrives as one argument.
#include "album/album_model.h"
#include "render/frame_format.h"
#include "video/music_graph.h"
#include "video/size_cap.h"

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace velomira {

struct CommandLine {
    std::string text;                   // starts with a space; the program path is not part of it
    std::vector<std::string> arguments; // argv[1..]
};

// What the encoder's command line is made of.
struct EncoderCommandInput {
    int width = 0;
    int height = 0;
    std::string durationText;
    std::string outputPath;
    std::vector<std::string> musicPaths; // empty: no sound
    // Where in the music the video starts (a range of the album's pictures); 0: its beginning.
    double audioStartSeconds = 0.0;
    int audioSampleRate = -1; // -1: 44100
    int audioBitrateKbps = 128;
    // Set: each track is an input of its own and the music goes through this graph (fades,
    // loudness, other formats and rates); none: the tracks' bytes joined, as they always were.
    std::optional<MusicGraphInput> musicGraph;
    std::string logoCopyName; // file name in the encoder's working folder; empty: no logo
    int logoLocation = 0;
    // Set when the logo keeps out of phone apps' parts of a vertical frame: the top left
    // width x height part it is placed in.
    std::optional<std::pair<int, int>> logoArea;
    // JPEG files back to back, or raw frames of width x height in that pixel format.
    FrameFormat frameFormat = FrameFormat::Jpeg;
    RateControl rate; // off: no rate arguments, the line as it always was
};

// Size, sound and logo choices of the album; the music paths only when music is switched on.
EncoderCommandInput encoderCommandInput(const AlbumProject& project, std::string durationText,
                                        std::string outputPath, std::string logoCopyName);

// A video that starts seconds into the album's music (a range of its pictures); one that starts
// after the music has ended is silent, as the whole video is there.
void startMusicAt(EncoderCommandInput& input, const AlbumProject& project, double seconds);

// The music graph's input for the album's tracks and the video's -t text; nothing measured yet.
MusicGraphInput musicGraphInput(const AlbumProject& project, const std::string& durationText);

// The audio arguments: empty, or " -i \"concat:a|b\" -ac 2 -ar R -ab Bk"; with a music graph
// " -i \"a\" -i \"b\" -filter_complex \"...\" -map 0:v -map [aout] -ac 2 -ar R -ab Bk"; with
// " -ss S" before the input when the music starts later.
CommandLine audioArguments(const EncoderCommandInput& input);
// The logo overlay filter for the copy name and corner (0 top left, 2 top right, 3 bottom
// right, anything else bottom left); empty without a copy name.
// With an area the corners are those of the top left area's width x height part.
CommandLine logoFilter(const std::string& copyName, int location,
                       std::optional<std::pair<int, int>> area = std::nullopt);

// The video rate arguments: empty when off, else " -b:v Nk -maxrate Mk -bufsize Bk" with a
// peak of 1.5 and a buffer of 2 times the rate, and " -preset P" when one is named.
CommandLine rateArguments(const RateControl& rate);

// Frames read from the named FIFO at pipePath. Raw frames are described before the input
// (-f rawvideo -pix_fmt F -s WxH); the rest of the line is the same for both frame formats.
CommandLine namedPipeCommand(const EncoderCommandInput& input, const std::string& pipePath);
// Frames read from standard input.
CommandLine anonymousPipeCommand(const EncoderCommandInput& input);

// The extension of the logo copy: the logo file name's extension when it is made of ASCII
// letters and digits only (it ends up inside the encoder's filter text), else "png".
std::string logoCopyExtension(const std::string& logoPath);
// "temp_%d.%s" with the number and logoCopyExtension.
std::string logoCopyName(const std::string& logoPath, int number);
// A number for the copy name, 10000..30000.
int drawLogoCopyNumber(std::mt19937& random);

// Splits a command-line text into arguments: white space separates, double quotes group and
// are dropped.
std::vector<std::string> splitCommandLine(const std::string& text);

// The cover tool's command line: video, artwork file, tagged output.
CommandLine coverCommand(const std::string& videoPath, const std::string& coverFile,
                         const std::string& outputPath);

} // namespace velomira
