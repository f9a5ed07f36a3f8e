// The own display time of single pictures: "停顿时间…" in the list's context menu asks for it,
// and an empty answer gives the pictures back to the album's time.
#include "app/string_utils.h"
#include "platform/dialogs.h"
#include "platform/translation.h"
#include "ui/picture_list_controller.h"

#include <cstdio>

namespace velomira {

namespace {

// The time the whole selection shares, as the dialog shows it; empty when they differ or follow
// the album.
std::string sharedTimeText(const AlbumProject& album, const std::vector<int>& rows) {
    const std::optional<int> shared = album.items[rows.front()].stillFrames;
    for (int row : rows) {
        if (album.items[row].stillFrames != shared)
            return {};
    }
    if (!shared)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%0.2f", *shared / static_cast<double>(frameRate));
    return text;
}

} // namespace

void PictureListController::askSelectionTime() {
    if (selection_.empty() || c_.dialogs == nullptr)
        return;
    const std::optional<std::string> answer =
        c_.dialogs->askPictureTime(sharedTimeText(c_.album, selection_));
    if (!answer)
        return;
    std::optional<int> frames;
    if (!trimmed(*answer).empty()) {
        frames = itemStillFramesForText(*answer);
        if (!frames) {
            showMessage(tr_("停顿时间必须是 0 到 3600 之间的秒数。"), tr_("提示"),
                        MessageKind::Warning);
            return;
        }
    }
    for (int row : selection_)
        setAlbumItemStillFrames(c_.album, row, frames);
    refreshSelectionStatus();
    refreshVideoLength();
    runAutoDisplayTime();
}

} // namespace velomira
