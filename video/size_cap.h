#pragma once
// A file-size cap that the video keeps: the video bitrate follows from the cap, the album's
// known length and the sound's rate; a file that still comes out larger is encoded again at a
// lower rate, at most kMaxSizeCapEncodes times. A cap that leaves too few bits for a watchable
// picture, or not even enough for the sound, is refused before the run.
#include "platform/failure.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velomira {

inline constexpr int kMaxSizeCapEncodes = 3;

// What the encoder is told about its rate; the defaults leave the command line as it always was.
struct RateControl {
    int videoKbps = 0;  // 0: the encoder's own quality-based rate
    std::string preset; // the encoder's speed preset; empty: its default
};

// "16M", "500K", "1.5G" or a plain number of megabytes; decimal units (1M = 1 000 000 bytes),
// so a cap of 16M also keeps a service's "16 MB" whichever unit it means. 0 when the text is
// not a size.
std::uint64_t parseSizeText(const std::string& text);
// The cap as shown to the user: "16.00 MB".
std::string sizeCapText(std::uint64_t bytes);

struct SizeCapInput {
    std::uint64_t capBytes = 0;
    double seconds = 0;
    int audioKbps = 0; // 0: no sound
    int width = 0;
    int height = 0;
    std::uint64_t coverBytes = 0; // artwork the cover step adds
};

struct SizeCapPlan {
    int videoKbps = 0;
    std::optional<Failure> refusal; // set: the cap cannot be kept, nothing is encoded
};

// The lowest video rate worth watching at this size: 300 kbit/s at 1280 x 720, in proportion
// to the pixel count.
int minimumVideoKbps(int width, int height);

// The first encode's rate, or the refusal.
SizeCapPlan planSizeCap(const SizeCapInput& input);

// The next encode's rate after a file of fileBytes at lastKbps came out over the cap: the
// video's share shrunk by how much it overran, a little below. A refusal when that falls under
// the minimum rate.
SizeCapPlan nextSizeCapRate(const SizeCapInput& input, int lastKbps, std::uint64_t fileBytes);

// The failure of a run whose last encode was still over the cap.
Failure sizeCapMissed(std::uint64_t capBytes, std::uint64_t fileBytes);

} // namespace velomira
