// The fill mode of single pictures: set on the selection from the "画面填充" menu, where the
// first entry gives a picture back to the album's mode.
#include "ui/picture_list_controller.h"

namespace velomira {

std::optional<int> PictureListController::selectionFillChoice() const {
    if (selection_.empty())
        return std::nullopt;
    const std::optional<FillMode> shared = c_.album.items[selection_.front()].fillMode;
    for (int row : selection_) {
        if (c_.album.items[row].fillMode != shared)
            return std::nullopt;
    }
    return itemFillChoiceIndex(shared);
}

void PictureListController::setSelectionFill(int choice) {
    for (int row : selection_)
        setAlbumItemFillMode(c_.album, row, itemFillChoiceAt(choice));
}

} // namespace velomira
