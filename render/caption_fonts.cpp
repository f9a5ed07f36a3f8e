#include "render/caption_fonts.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
#include <system_error>

namespace velomira {

namespace {

namespace fs = std::filesystem;

struct KnownFont {
    std::string_view displayName;
    // Alternatives in order of preference; lowercase, compared with lowercased file names.
    std::initializer_list<std::string_view> fileNames;
};

// The Windows fonts come first so that a system that has them keeps its familiar list; the
// free fonts after them make captions possible on a plain Linux set-up.
const std::array<KnownFont, 9> kKnownFonts = {{
    {"黑体", {"simhei.ttf"}},
    {"楷体", {"simkai.ttf"}},
    {"宋体", {"simsun.ttc"}},
    {"微软雅黑", {"msyh.ttf", "msyh.ttc"}},
    {"幼圆", {"simyou.ttf", "youyuan.ttf"}},
    {"阿里普惠体", {"alibaba-puhuiti-regular.ttf"}},
    {"文泉驿正黑", {"wqy-zenhei.ttc"}},
    {"文鼎PL中楷", {"ukai.ttc"}},
    {"文鼎PL细上海宋", {"uming.ttc"}},
}};

std::string lowercaseAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool isWanted(const std::string& lowerName) {
    for (const KnownFont& font : kKnownFonts)
        for (std::string_view name : font.fileNames)
            if (name == lowerName)
                return true;
    return false;
}

// Lowercased file name → the smallest path carrying it inside one folder tree.
std::map<std::string, std::string> scanFolder(const fs::path& folder) {
    std::map<std::string, std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    if (error)
        return found;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const std::string name = lowercaseAscii(it->path().filename().string());
        if (!isWanted(name))
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError)
            continue;
        const std::string path = it->path().string();
        auto [slot, inserted] = found.emplace(name, path);
        if (!inserted && path < slot->second)
            slot->second = path;
    }
    return found;
}

} // namespace

std::vector<fs::path> defaultFontFolders(const fs::path& home) {
    std::vector<fs::path> folders = {"/usr/share/fonts", "/usr/local/share/fonts"};
    if (!home.empty()) {
        folders.push_back(home / ".local/share/fonts");
        folders.push_back(home / ".fonts");
    }
    return folders;
}

CaptionFontTable buildCaptionFontTable(const std::vector<fs::path>& folders) {
    // Every folder is walked once; the first folder that holds a name keeps it.
    std::map<std::string, std::string> found;
    for (const fs::path& folder : folders)
        for (auto& [name, path] : scanFolder(folder))
            found.emplace(name, path);

    CaptionFontTable table;
    for (const KnownFont& font : kKnownFonts) {
        for (std::string_view name : font.fileNames) {
            auto hit = found.find(std::string(name));
            if (hit != found.end()) {
                table.push_back({std::string(font.displayName), hit->second});
                break;
            }
        }
    }
    return table;
}

std::optional<std::string> lookupCaptionFont(const CaptionFontTable& table,
                                             std::string_view displayName) {
    auto hit = std::find_if(table.begin(), table.end(), [&](const CaptionFont& font) {
        return font.displayName == displayName;
    });
    if (hit == table.end())
        return std::nullopt;
    return hit->path;
}

} // namespace velomira
