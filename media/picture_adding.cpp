#include "media/picture_adding.h"

#include "media/header_probe.h"

namespace velomira {

AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random) {
    AddPictureResult result;
    if (albumItemCount(project) >= maxPictures) {
        result.status = AddPictureStatus::AlbumFull;
        return result;
    }
    switch (probeImageKind(path)) {
    case kImageKindUnreadable:
        result.infoLine = "图片读取失败:\r\n" + path;
        return result;
    case kImageKindAnimatedGif:
        result.infoLine = "不支持gif动画图片:\r\n" + path;
        return result;
    case kImageKindUnrecognised:
        result.infoLine = "无法识别的图片:\r\n" + path;
        return result;
    default:
        break;
    }
    result.position = insertAlbumItem(project, path, position, keepWithoutTransition, random);
    result.status = result.position < 0 ? AddPictureStatus::AlbumFull : AddPictureStatus::Added;
    return result;
}

} // namespace velomira
