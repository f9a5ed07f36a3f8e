// Feeds arbitrary bytes to the MP4 top-level box walk that judges the encoder's output.
#include "fuzz/fuzz_support.h"
#include "video/mp4_boxes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    const Mp4Layout layout = readMp4Layout(fuzz::bytesAsFile(data, size));
    fuzz::check(layout.readable && layout.fileSize == size);
    // A complete layout names no problem, and a described problem means not complete.
    fuzz::check(layout.complete() == describeMp4Problem(layout).empty());
    if (layout.complete())
        fuzz::check(size >= 24);
    return 0;
}
