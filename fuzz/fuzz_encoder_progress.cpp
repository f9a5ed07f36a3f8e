// Feeds arbitrary bytes to the reader of the encoder's progress report, as text and as the end
// of a file that may be half written.
#include "fuzz/fuzz_support.h"
#include "video/encoder_progress.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto fromText = reportedOutputTime(text);
    // A reading always comes from a complete entry.
    if (fromText)
        fuzz::check(text.find("\nprogress=") != std::string::npos);
    const auto fromFile = reportedOutputTime(std::filesystem::path(fuzz::bytesAsFile(data, size)));
    if (size <= 4096)
        fuzz::check(fromFile == fromText);
    return 0;
}
