// The camera motion of the list's pictures: set on the selection from the "镜头运动" menu,
// given to new pictures from the settings' default, and marked on the thumbnails.
#include "ui/picture_list_controller.h"

namespace velomira {

std::vector<int> motionMarksOf(const AlbumProject& album) {
    std::vector<int> rows;
    for (int row = 0; row < albumItemCount(album); ++row) {
        if (album.items[row].motion != CameraMotion::None)
            rows.push_back(row);
    }
    return rows;
}

std::optional<int> PictureListController::selectionMotionChoice() const {
    if (selection_.empty())
        return std::nullopt;
    const CameraMotion shared = c_.album.items[selection_.front()].motion;
    for (int row : selection_) {
        if (c_.album.items[row].motion != shared)
            return std::nullopt;
    }
    return cameraMotionChoiceIndex({false, shared});
}

void PictureListController::setSelectionMotion(int choice) {
    // Random is drawn once for each picture and kept as the move it drew, so the video is
    // the same every time it is made.
    const CameraMotionChoice chosen = cameraMotionChoiceAt(choice);
    for (int row : selection_)
        c_.album.items[row].motion = resolveCameraMotion(chosen, c_.random.engine);
    refreshCaptionBadges();
}

void PictureListController::giveNewPictureMotion(int row) {
    AlbumItem* item = albumItemAt(c_.album, row);
    if (item == nullptr)
        return;
    const auto choice = static_cast<int>(c_.preferences.newPictureMotion);
    item->motion = resolveCameraMotion(cameraMotionChoiceAt(choice), c_.random.engine);
}

} // namespace velomira
