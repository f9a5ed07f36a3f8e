// Feeds arbitrary bytes as the sized NAL units a HEIF file hands the HEVC decoder: every unit
// found must be non-empty and lie inside the bytes, after the one before and its own size field.
#include "fuzz_support.h"
#include "render/image/heif_hevc_decoder.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::uint8_t* after = data;
    for (const auto unit : velomira::splitSizedNalUnits(bytes)) {
        velomira::fuzz::check(!unit.empty() && unit.data() == after + 4 &&
                              unit.data() + unit.size() <= data + size);
        after = unit.data() + unit.size();
    }
    return 0;
}
