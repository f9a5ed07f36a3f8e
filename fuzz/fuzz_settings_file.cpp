// Feeds arbitrary bytes to the settings file parser: whatever it accepts must print and parse
// back to the same values, so a write never turns a hand-edited file into something else.
#include "platform/registry_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    velomira::RegistryValues values = velomira::parseRegistryText(text);
    velomira::RegistryValues again =
        velomira::parseRegistryText(velomira::formatRegistryText(values));
    if (again != values)
        std::abort();
    return 0;
}
