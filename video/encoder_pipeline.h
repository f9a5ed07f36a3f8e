#pragma once
// One video generation's encoder run: the encoder started as a child process, the album's
// frames written into it through a named FIFO or an anonymous pipe, the end of input, the
// encoder's exit judged, and the fall-back from the FIFO to the anonymous pipe.
#include "album/album_model.h"
#include "app/error_log.h"
#include "platform/failure.h"
#include "render/frame_format.h"
#include "render/frame_sink.h"
#include "video/music_graph.h"
#include "video/size_cap.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

constexpr int kNamedPipeMode = 0;
constexpr int kAnonymousPipeMode = 1;

// Lives as long as the program: once the named FIFO has failed, every later run uses the
// anonymous pipe.
struct EncoderState {
    std::atomic<int> pipeMode{kNamedPipeMode};
};

struct EncoderRequest {
    std::filesystem::path encoderPath;     // <program folder>/tool/ffmpeg
    std::filesystem::path workFolder;      // the logo copy and the FIFO are made here
    const AlbumProject* project = nullptr; // size, logo, music, sample rate, bitrate
    std::string durationText;              // the -t value
    double audioStartSeconds = 0.0;        // where in the music the video starts
    std::string outputPath;
    ErrorLog errorLog;
    FrameFormat frameFormat = FrameFormat::Jpeg; // what renderFrames writes into the sink
    RateControl rate;                            // set by a size cap's encodes
    // The music's measured loudness, applied when the album asks for even loudness; none: the
    // music keeps its own.
    std::optional<LoudnessMeasure> musicLoudness;
    // How long the encoder may take to open the FIFO before the attempt counts as failed.
    std::chrono::milliseconds connectLimit{20000};
    // After a stop, how long the encoder may go without taking input or ending before it is
    // killed (a stopped run must end even when the encoder hangs).
    std::chrono::milliseconds stopGrace{15000};
    // How long the encoder may leave a frame unread, or its input's end unanswered, while it
    // is alive, before it is killed and the run fails (an encoder that stopped reading).
    std::chrono::milliseconds stallLimit{60000};
    // After a stop, the frames the encoder still gets: given the frames it has taken, the
    // count at the end of the picture they belong to. None: the frames queued so far.
    std::function<std::uint64_t(std::uint64_t taken)> stopFrameLimit;
    // Told the frames the encoder has taken in full whenever that count grows (from the
    // watching thread, at most every few hundredths of a second), and 0 when an attempt starts.
    std::function<void(std::uint64_t taken)> framesTaken;
    // After a stop, how long those frames may take before the rest are dropped too.
    std::chrono::milliseconds stopDelivery{500};
    // After a stopped run's last frame, the longest the encoder may go on before it is asked to
    // finish the file where it is; with music it is asked as soon as the sound has reached the
    // last frame.
    std::chrono::milliseconds stopTail{10000};
};

enum class EncoderOutcome { Done, Stopped, Failed };

struct EncoderRunResult {
    EncoderOutcome outcome = EncoderOutcome::Failed;
    std::string errorText;                 // why it failed; empty otherwise
    int attempts = 0;                      // encoder starts tried (1, or 2 after a fall-back)
    std::vector<std::string> commandLines; // the command-line text of each attempt
    std::uint64_t framesDelivered = 0;     // frames the last attempt's encoder took in full
    std::optional<Failure> failure;        // the failure message for the user, if any
};

// Runs one generation. renderFrames writes the album into the sink and returns when it is
// done, stopped, or the sink refused a frame; it is called again from the first picture when
// the FIFO attempt fails and the anonymous pipe takes over (silently). afterDone (the cover
// step) runs before Done is returned. A set stop flag gives Stopped and no afterDone. A failed
// anonymous attempt returns the failure message, sets stop and gives Failed. An encoder that had
// to be killed (it stopped reading, or did not end after a stop) fails the run with a message:
// what it wrote is not a finished video.
EncoderRunResult runEncoderJob(EncoderState& state, const EncoderRequest& request,
                               std::atomic<bool>& stop,
                               const std::function<void(FrameSink&)>& renderFrames,
                               const std::function<void()>& afterDone);

// Texts of the encoder failure message, with and without the encoder's own error text.
std::string encoderFailureMessage(const std::string& encoderText);
extern const char* const kEncoderUnknownFailureMessage;

} // namespace velomira
