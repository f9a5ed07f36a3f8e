#include "video/output_presets.h"

#include "app/string_utils.h"
#include "video/size_cap.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

namespace velomira {

namespace {

constexpr std::size_t kFieldCount = 6;
constexpr std::uintmax_t kMaxTableBytes = 1 << 20; // a table of presets is a few lines

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.emplace_back(trimmed(line.substr(start, tab - start), " \r"));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

bool parseSeconds(const std::string& text, double& seconds) {
    if (text == "-") {
        seconds = 0;
        return true;
    }
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) && *end == '\0' &&
           std::isfinite(seconds) && seconds > 0 && seconds < 1e6;
}

// Why the fields are not a preset; empty when they are one (filled into preset).
std::string readRow(const std::vector<std::string>& fields, OutputPreset& preset) {
    if (fields.size() != kFieldCount)
        return "应有 6 列，实有 " + std::to_string(fields.size()) + " 列";
    preset.key = fields[0];
    preset.name = fields[1];
    if (preset.key.empty() || preset.name.empty())
        return "缺少名称";
    char extra = 0;
    if (std::sscanf(fields[2].c_str(), "%dx%d%c", &preset.width, &preset.height, &extra) != 2 ||
        preset.width < kMinVideoSide || preset.width > kMaxVideoWidth ||
        preset.height < kMinVideoSide || preset.height > kMaxVideoHeight || preset.width % 2 != 0 ||
        preset.height % 2 != 0)
        return "尺寸“" + fields[2] + "”不能用作视频尺寸";
    const std::optional<FillMode> fill = parseFillMode(fields[3]);
    if (!fill)
        return "填充方式“" + fields[3] + "”应为 fit、crop 或 blur";
    preset.fill = *fill;
    if (!parseSeconds(fields[4], preset.maxSeconds))
        return "最长时间“" + fields[4] + "”应为秒数或 -";
    preset.maxBytes = fields[5] == "-" ? 0 : parseSizeText(fields[5]);
    if (fields[5] != "-" && preset.maxBytes == 0)
        return "文件大小上限“" + fields[5] + "”应为 16M 这样的大小或 -";
    return {};
}

bool readSmallFile(const std::filesystem::path& path, std::string& text) {
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxTableBytes || error)
        return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return static_cast<bool>(in) || in.eof();
}

} // namespace

PresetTable parsePresetText(std::string_view text, const std::string& source) {
    PresetTable table;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#')
            continue;
        OutputPreset preset;
        std::string problem = readRow(splitTabs(line), preset);
        if (problem.empty() && findPreset(table, preset.key) != nullptr)
            problem = "名称“" + preset.key + "”与前面的行重复";
        if (problem.empty())
            table.presets.push_back(std::move(preset));
        else
            table.notes.push_back("预设文件 " + source + " 第 " + std::to_string(lineNumber) +
                                  " 行无法使用（" + problem + "），已跳过。");
    }
    return table;
}

const std::vector<OutputPreset>& builtInPresets() {
    static const std::vector<OutputPreset> presets{
        {"reels", "短视频 9:16 (1080 x 1920)", 1080, 1920, FillMode::Blur, 0, 0},
        {"shop", "主图视频 3:4 (750 x 1000, ≤ 60 秒)", 750, 1000, FillMode::Blur, 60, 0},
        {"square", "方形 1:1 (1080 x 1080)", 1080, 1080, FillMode::Blur, 0, 0},
        {"feed", "信息流 4:5 (1080 x 1350)", 1080, 1350, FillMode::Blur, 0, 0},
        {"message", "消息 (1280 x 720, ≤ 16 MB)", 1280, 720, FillMode::Fit, 0, 16000000},
    };
    return presets;
}

PresetTable loadPresetTable(const std::filesystem::path& userFile,
                            const std::filesystem::path& installedFile) {
    PresetTable table;
    for (const std::filesystem::path& file : {userFile, installedFile}) {
        std::error_code error;
        if (file.empty() || !std::filesystem::exists(file, error))
            continue;
        std::string text;
        if (!readSmallFile(file, text)) {
            table.notes.push_back("预设文件 " + file.string() + " 无法读取，已忽略。");
            continue;
        }
        PresetTable read = parsePresetText(text, file.string());
        table.notes.insert(table.notes.end(), read.notes.begin(), read.notes.end());
        table.presets = std::move(read.presets);
        return table;
    }
    table.presets = builtInPresets();
    return table;
}

const OutputPreset* findPreset(const PresetTable& table, std::string_view text) {
    const auto sameKey = [&](const std::string& key) {
        return key.size() == text.size() &&
               std::equal(key.begin(), key.end(), text.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const OutputPreset& preset : table.presets) {
        if (sameKey(preset.key) || preset.name == text)
            return &preset;
    }
    return nullptr;
}

void applyPreset(AlbumProject& album, const OutputPreset& preset) {
    setCustomVideoSize(album.settings, preset.width, preset.height);
    album.settings.fillMode = preset.fill;
}

OutputLimits presetLimits(const OutputPreset& preset, std::uint64_t userCap) {
    return {userCap != 0 ? userCap : preset.maxBytes, preset.maxSeconds, preset.name};
}

} // namespace velomira
