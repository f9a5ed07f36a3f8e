#include "ui/picture_formats.h"

namespace velomira {

const std::vector<FileFilter>& pictureFileFilters() {
    static const std::vector<FileFilter> filters = {
        {"图片文件(*.JPG;*.GIF;*.PNG;*.BMP;*.HEIC;*.AVIF;*.WEBP;*.TIF;*.TBI)",
         {"*.JPG", "*.JPEG", "*.GIF", "*.PNG", "*.BMP", "*.HEIC", "*.HEIF", "*.AVIF", "*.WEBP",
          "*.TIF", "*.TIFF", "*.TBI"}},
        {"JPG图片 (*.JPG)", {"*.JPG", "*.JPEG"}},
        {"GIF图片 (*.GIF)", {"*.GIF"}},
        {"PNG图片 (*.PNG)", {"*.PNG"}},
        {"BMP图片 (*.BMP)", {"*.BMP"}},
        {"HEIC图片 (*.HEIC)", {"*.HEIC", "*.HEIF"}},
        {"AVIF图片 (*.AVIF)", {"*.AVIF"}},
        {"WEBP图片 (*.WEBP)", {"*.WEBP"}},
        {"TIFF图片 (*.TIF)", {"*.TIF", "*.TIFF"}},
        {"TBI图片 (*.TBI)", {"*.TBI"}},
    };
    return filters;
}

std::string readablePictureFormats() {
    const std::vector<FileFilter>& filters = pictureFileFilters();
    std::string text;
    // Each format's own filter is named "<format>图片 (...)"; animated GIFs go through
    // "导入动画" instead.
    for (std::size_t i = 1; i < filters.size(); ++i) {
        const std::string& label = filters[i].label;
        const std::string name = label.substr(0, label.find("图片"));
        text += (text.empty() ? "" : ", ") + name + (name == "GIF" ? "(静态)" : "");
    }
    return text;
}

} // namespace velomira
