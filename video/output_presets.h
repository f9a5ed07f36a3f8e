#pragma once
// Platform presets as data: each row names a place videos are posted to and gives its frame
// size, how pictures fill the frame, the longest length it takes and the largest file. The
// rows come from a table file (the user's own file replaces the one installed with the
// program); without a file the built-in rows stand.
//
// The file is UTF-8 text, one preset a line, six fields separated by tabs:
//   key  name  size  fill  longest  cap
// key: a short name for the command line and the batch file ("reels"); name: the window's
// label; size: WIDTHxHEIGHT; fill: fit, crop or blur; longest: seconds, or "-" for any length;
// cap: a file size such as 16M, or "-" for none. Blank lines and lines starting with '#' are
// skipped; a row that cannot be read is skipped and named by its line.
#include "album/album_model.h"
#include "album/fill_mode.h"
#include "video/output_limits.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct OutputPreset {
    std::string key;
    std::string name;
    int width = 0;
    int height = 0;
    FillMode fill = FillMode::Fit;
    double maxSeconds = 0;      // 0: any length
    std::uint64_t maxBytes = 0; // 0: no cap
};

struct PresetTable {
    std::vector<OutputPreset> presets;
    // One line per skipped row ("预设文件 F 第 N 行无法使用（reason），已跳过。"), in file order.
    std::vector<std::string> notes;
};

// The rows of a table file's text; source names the file in the notes.
PresetTable parsePresetText(std::string_view text, const std::string& source);

// The rows that stand when no table file exists.
const std::vector<OutputPreset>& builtInPresets();

// The user's file when it exists, else the installed one, else the built-in rows. A file that
// exists but cannot be read is noted and the next one is tried.
PresetTable loadPresetTable(const std::filesystem::path& userFile,
                            const std::filesystem::path& installedFile);

// The preset whose key or name is text (letter case aside for keys); null when none.
const OutputPreset* findPreset(const PresetTable& table, std::string_view text);

// Sets the album's size and fill mode to the preset's.
void applyPreset(AlbumProject& album, const OutputPreset& preset);

// The preset's limits; a cap of the user's own (not 0) wins over the preset's.
OutputLimits presetLimits(const OutputPreset& preset, std::uint64_t userCap);

} // namespace velomira
