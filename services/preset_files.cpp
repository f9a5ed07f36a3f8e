#include "services/preset_files.h"

#include "platform/paths.h"

namespace velomira {

namespace {
constexpr const char* kTableName = "presets.tsv";
}

std::filesystem::path userPresetFile() {
    return configHomeFolder() / "Velomira" / kTableName;
}

std::filesystem::path installedPresetFile(const std::filesystem::path& programFolder) {
    const std::filesystem::path beside = programFolder / kTableName;
    std::error_code error;
    if (std::filesystem::exists(beside, error))
        return beside;
    return (programFolder / ".." / ".." / "share" / "velomira" / kTableName).lexically_normal();
}

PresetTable programPresets(const std::filesystem::path& programFolder) {
    return loadPresetTable(userPresetFile(), installedPresetFile(programFolder));
}

} // namespace velomira
