#pragma once
// Stand-in until the batch adding routine lands.
#include "album/album_model.h"
#include "media/picture_adding.h"
#include "render/image/thumbnail.h"
#include "ui/main_window_view.h"

#include <functional>
#include <string>
#include <vector>

namespace velomira {

struct PictureBatchCallbacks {
    std::function<void(int position, PngBytes icon)> added;
    std::function<void(const std::string& line)> refused;
    std::function<void(const std::string& text)> status;
    std::function<void()> pump;
};

struct PictureBatchResult {
    int added = 0;
    bool albumFull = false;
};

inline PictureBatchResult addPictureBatch(AlbumProject& album,
                                          const std::vector<std::string>& paths, int position,
                                          TransitionRandom& random, const std::string&,
                                          const PictureBatchCallbacks& callbacks) {
    PictureBatchResult result;
    const int n = static_cast<int>(paths.size());
    for (int k = 0; k < n; ++k) {
        if (callbacks.status)
            callbacks.status("加载图片: " + std::to_string(k + 1) + " / " + std::to_string(n));
        if (albumItemCount(album) >= maxPictures) {
            result.albumFull = true;
            break;
        }
        Blob icon;
        if (makeThumbnailIcon(paths[k], thumbnailSize, thumbnailSize, 0, icon) != 1) {
            if (callbacks.refused)
                callbacks.refused("图片读取失败:\r\n" + paths[k]);
            continue;
        }
        const AddPictureResult added = addPicture(album, paths[k], position, false, random);
        if (added.status == AddPictureStatus::Added) {
            ++result.added;
            if (callbacks.added)
                callbacks.added(added.position, PngBytes(icon.bytes(), icon.bytes() + icon.length));
            if (position >= 0)
                ++position;
        } else if (added.status == AddPictureStatus::Refused && callbacks.refused) {
            callbacks.refused(added.infoLine);
        }
        if (callbacks.pump)
            callbacks.pump();
    }
    return result;
}

} // namespace velomira
