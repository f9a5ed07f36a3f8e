// Feeds arbitrary bytes as a presets' table. Whatever the bytes, every row read is a size a
// video can have with its keys distinct, and every other non-blank line is named by a note.
#include "fuzz_support.h"
#include "video/output_presets.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velomira::fuzz::check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const velomira::PresetTable table = velomira::parsePresetText(text, "fuzz");
    std::set<std::string> keys;
    for (const velomira::OutputPreset& preset : table.presets) {
        check(!preset.key.empty() && !preset.name.empty());
        check(preset.width >= velomira::kMinVideoSide && preset.width % 2 == 0);
        check(preset.height >= velomira::kMinVideoSide && preset.height % 2 == 0);
        check(preset.maxSeconds >= 0);
        check(keys.insert(preset.key).second);
    }
    check(table.presets.size() + table.notes.size() <= size / 2 + 1);
    return 0;
}
