// Feeds arbitrary text to the parsers of texts that come from project files and text fields:
// the custom display time and the video size. They answer or refuse; they never crash.
#include "album/album_model.h"
#include "album/album_tables.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)velomira::stillFramesForDisplayTimeText(text);
    velomira::VideoSettings settings;
    const int index = velomira::selectVideoSizeText(settings, text);
    if (index >= 0 && (settings.videoWidth < 1 || settings.videoHeight < 1))
        std::abort();
    return 0;
}
