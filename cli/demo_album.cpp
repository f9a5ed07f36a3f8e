#include "cli/demo_album.h"

#include "media/header_probe.h"

#include <algorithm>
#include <vector>

namespace velomira {

int addFolderPictures(AlbumProject& project, const std::filesystem::path& folder,
                      TransitionRandom& random, std::ostream& report) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    int added = 0;
    for (const auto& file : files) {
        const std::string path = file.string();
        switch (probeImageKind(path)) {
        case kImageKindUnreadable:
            report << "图片读取失败:\r\n" << path << "\n";
            continue;
        case kImageKindAnimatedGif:
            report << "不支持gif动画图片:\r\n" << path << "\n";
            continue;
        case kImageKindUnrecognised:
            report << "无法识别的图片:\r\n" << path << "\n";
            continue;
        default:
            break;
        }
        if (insertAlbumItem(project, path, -1, false, random) < 0) {
            report << "最多可以添加 " << maxPictures << " 张图片\n";
            break;
        }
        ++added;
    }
    return added;
}

} // namespace velomira
