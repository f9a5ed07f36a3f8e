// Feeds arbitrary bytes to the beat cache reader: whatever it accepts is a list of ascending,
// finite, non-negative times of the stated count, and printing it again reads back the same.
#include "fuzz/fuzz_support.h"
#include "media/beat_cache.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    using velomira::fuzz::check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The key the entry names, so that the reader gets past its head as often as possible.
    BeatCacheKey key{"/m/a.mp3", 1700000000000000000, 4096};
    const std::optional<std::vector<double>> beats = parseBeatCache(text, key);
    if (!beats)
        return 0;
    check(beats->size() <= kMaxCachedBeats);
    for (std::size_t i = 0; i < beats->size(); ++i) {
        check(std::isfinite((*beats)[i]) && (*beats)[i] >= 0.0);
        check(i == 0 || (*beats)[i] > (*beats)[i - 1]);
    }
    // Printed with four decimals: times closer than that may merge, so only compare the count
    // when they are apart.
    const std::optional<std::vector<double>> again =
        parseBeatCache(formatBeatCache(key, *beats), key);
    bool apart = true;
    for (std::size_t i = 1; i < beats->size(); ++i)
        apart = apart && (*beats)[i] - (*beats)[i - 1] > 1e-3;
    check(!apart || (again && again->size() == beats->size()));
    return 0;
}
