// Feeds arbitrary bytes to the MP3 duration reader, from memory and as a real file: both must
// agree, and a duration comes with a rate of a valid frame and never without one.
#include "fuzz/fuzz_support.h"
#include "media/mp3_info.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using velomira::fuzz::bytesAsFile;
using velomira::fuzz::check;

bool isFrameRate(int rate) {
    switch (rate) {
    case 44100:
    case 48000:
    case 32000:
    case 22050:
    case 24000:
    case 16000:
    case 11025:
    case 12000:
    case 8000:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    int rate = -1;
    const float ms = readMp3InfoBytes(data, size, &rate);
    check(std::isfinite(ms) && ms >= 0.0f);
    check(ms > 0.0f ? isFrameRate(rate) : rate == 0);
    // No frame is shorter than 24 bytes nor longer than 144 ms.
    check(ms <= (static_cast<double>(size) / 24.0 + 1.0) * 144.0);

    int fileRate = -1;
    check(readMp3Info(bytesAsFile(data, size), &fileRate) == ms && fileRate == rate);
    return 0;
}
