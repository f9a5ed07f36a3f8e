// Reordering by dragging: the selection moved as one block to where it was dropped.
#include "ui/picture_list_controller.h"

#include <algorithm>
#include <numeric>

namespace velomira {

namespace {

// The album's old rows in their new order: the rows not moved keep their order, and the moved
// ones stand together before the row that was `before`.
std::vector<int> droppedOrder(int count, const std::vector<int>& moved, int before) {
    std::vector<int> order;
    for (int row = 0; row <= count; ++row) {
        if (row == before)
            order.insert(order.end(), moved.begin(), moved.end());
        if (row < count && !std::binary_search(moved.begin(), moved.end(), row))
            order.push_back(row);
    }
    return order;
}

} // namespace

void PictureListController::dragSelectionTo(int before) {
    if (!hasSelection() || before < 0 || before > count())
        return;
    const std::vector<int> order = droppedOrder(count(), selection_, before);
    std::vector<int> placed(order.size()); // placed[p]: the old row now at position p
    std::iota(placed.begin(), placed.end(), 0);
    if (placed == order)
        return;
    keepForUndo(selection_);
    // Adjacent exchanges move only the pictures: each position keeps its transition.
    for (int target = 0; target < count(); ++target) {
        int at = static_cast<int>(std::find(placed.begin(), placed.end(), order[target]) -
                                  placed.begin());
        for (; at > target; --at) {
            moveAlbumItemUp(c_.album, at);
            std::swap(placed[at], placed[at - 1]);
            std::swap(icons_[at], icons_[at - 1]);
        }
    }
    for (int row = 0; row < count(); ++row)
        c_.view.setPictureRowIcon(row, icons_[row]);
    const int first = static_cast<int>(std::find(placed.begin(), placed.end(), selection_.front()) -
                                       placed.begin());
    std::vector<int> moved(selection_.size());
    std::iota(moved.begin(), moved.end(), first);
    rememberRemoval(0);
    setSelection(moved, first);
    c_.view.scrollToPicture(first);
    refreshSelectionStatus();
    refreshCaptionBadges();
}

} // namespace velomira
