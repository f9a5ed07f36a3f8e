// Feeds arbitrary bytes to the reader of the stream prober's report: a rate is never negative
// and a length is always finite and above zero.
#include "fuzz/fuzz_support.h"
#include "media/audio_probe_text.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    const AudioProbeText probe =
        parseAudioProbeText(std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::check(probe.sampleRate >= 0);
    fuzz::check(!probe.sampleRate || probe.hasAudio);
    fuzz::check(!probe.seconds || (std::isfinite(*probe.seconds) && *probe.seconds > 0.0));
    return 0;
}
