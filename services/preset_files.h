#pragma once
// Where the platform presets' table is found: the user's own file in the config folder wins,
// then the one beside the programs (the build tree) or installed under share/velomira.
#include "video/output_presets.h"

#include <filesystem>

namespace velomira {

// <config home>/Velomira/presets.tsv
std::filesystem::path userPresetFile();
// <program folder>/presets.tsv when it exists, else <program folder>/../../share/velomira/
// presets.tsv (the program folder is lib/velomira of the installation).
std::filesystem::path installedPresetFile(const std::filesystem::path& programFolder);

// The table both front ends offer, with the notes of skipped rows.
PresetTable programPresets(const std::filesystem::path& programFolder);

} // namespace velomira
