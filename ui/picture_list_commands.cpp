// The picture list's commands: adding, removing, moving, turning, shuffling,
// transitions, caption arrangements and GIF import.
#include "platform/dialogs.h"
#include "services/gif_import.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/picture_formats.h"
#include "ui/picture_list_controller.h"
#include "ui/wait_cursor.h"

#include <algorithm>

namespace velomira {

namespace {

PngBytes iconFor(const std::string& path, int angle) {
    RemadeIcon remade = remakeListIcon(path, angle);
    if (remade.failure)
        showFailure(*remade.failure);
    return std::move(remade.icon);
}

// The caption position the arrangement gives the first picture, then each
// following one.
int firstArrangedLocation(Command arrangement, int location) {
    switch (arrangement) {
    case Command::ContextCaptionsEdgeDiagonal:
    case Command::ContextCaptionsEdgeCross:
        if (location == 4)
            return 1;
        return location >= 5 ? location - 5 : location;
    case Command::ContextCaptionsInsetDiagonal:
    case Command::ContextCaptionsInsetCross:
        if (location == 4)
            return 6;
        return location <= 3 ? location + 5 : location;
    default:
        return 4;
    }
}

int nextArrangedLocation(Command arrangement, int previous) {
    switch (arrangement) {
    case Command::ContextCaptionsEdgeDiagonal:
        return 3 - previous;
    case Command::ContextCaptionsEdgeCross:
        return (previous + 1) % 4;
    case Command::ContextCaptionsInsetDiagonal:
        return 13 - previous;
    case Command::ContextCaptionsInsetCross:
        return previous == 8 ? 5 : previous + 1;
    default:
        return 4;
    }
}

// A new order drawn position by position from the pictures not used yet.
std::vector<int> shuffledOrder(TransitionRandom& random, int count) {
    std::vector<int> order(count, -1);
    std::vector<bool> used(count, false);
    for (int position = 0; position < count - 1; ++position) {
        int drawn = 0;
        do {
            drawn = random.draw(0, count - 1);
        } while (used[drawn]);
        used[drawn] = true;
        order[position] = drawn;
    }
    order[count - 1] = static_cast<int>(std::find(used.begin(), used.end(), false) - used.begin());
    return order;
}

} // namespace

void PictureListController::registerCommands(CommandTable& table) {
    table.on({Command::AddPictures, Command::ContextAddPictures},
             [this] { addPictures(AddMode::Append); });
    table.on(Command::ContextInsertPictures, [this] {
        if (hasSelection())
            addPictures(AddMode::Insert);
    });
    table.on({Command::RemovePictures, Command::ContextRemoveSelected},
             [this] { removeSelected(); });
    table.on(Command::ContextRemoveAll, [this] { removeAll(); });
    table.on(Command::ContextUndoRemoval, [this] { undoRemoval(); });
    table.on(Command::RotateLeft, [this] { rotate(false); });
    table.on(Command::RotateRight, [this] { rotate(true); });
    table.on(Command::MoveForward, [this] { move(true); });
    table.on(Command::MoveBack, [this] { move(false); });
    table.on(Command::ContextShuffle, [this] { shuffle(); });
    table.on(Command::ContextNewTransitionSet, [this] { newTransitionSet(); });
    table.on(Command::ContextSameTransitionForAll, [this] { sameTransitionForAll(); });
    for (Command arrangement :
         {Command::ContextCaptionsEdgeDiagonal, Command::ContextCaptionsEdgeCross,
          Command::ContextCaptionsInsetDiagonal, Command::ContextCaptionsInsetCross,
          Command::ContextCaptionsMiddleBottom})
        table.on(arrangement, [this, arrangement] {
            if (c_.album.settings.textWatermark)
                arrangeCaptions(arrangement);
        });
    table.on(Command::ImportAnimation, [this] { importAnimation(); });
    for (int choice = 0; choice < kCameraMotionChoiceCount; ++choice)
        table.on(contextMotionCommand(choice), [this, choice] { setSelectionMotion(choice); });
    table.on(Command::ContextPictureTime, [this] { askSelectionTime(); });
    for (int choice = 0; choice < kItemFillChoiceCount; ++choice)
        table.on(contextFillCommand(choice), [this, choice] { setSelectionFill(choice); });
}

void PictureListController::addPictures(AddMode mode) {
    const std::vector<std::string> paths = chooseFilesToOpen(
        "选择图片 - 支持多选", pictureFileFilters(), c_.preferences.folders.image);
    if (paths.empty())
        return;
    WaitCursor wait(c_.view);
    if (count() >= maxPictures) {
        showMessage(albumFullMessage(), "提示", MessageKind::Warning);
        return;
    }
    int position = -1;
    if (mode == AddMode::Insert && hasSelection()) {
        // With no focused selected picture the pictures go in front of the first
        // selected one rather than scattering between the end and the start.
        const int focused = focusedSelectedRow();
        position = focused >= 0 ? focused : selection_.front();
    }
    // Rows shift under an insertion: the selection would point at other pictures.
    if (position >= 0)
        setSelection({}, -1);
    const int added = addFiles(paths, position);
    if (position >= 0 && added > 0 && c_.album.settings.textWatermark)
        applyCaptionSwitch(c_.album, true);
    c_.view.setStatusText(1, "");
    refreshAfterAlbumChange(true);
}

void PictureListController::importAnimation() {
    GifImportContext context{c_.album, c_.random, gifFrames_, c_.tempPictureFolder,
                             c_.preferences.folders.import};
    GifImportCallbacks callbacks;
    callbacks.chooseFile = [](const std::string& title, const std::string& label,
                              const std::string& pattern, std::string& folder) {
        return chooseFileToOpen(title, {{label, {pattern}}}, folder);
    };
    callbacks.status = [this](const std::string& text) {
        c_.view.setStatusText(1, text);
        c_.view.pumpEvents();
    };
    callbacks.pictureAdded = [this](int row, const PngBytes& icon) { insertRow(row, icon); };
    callbacks.refused = [this](const std::string& line) { report(line); };
    callbacks.frameUnread = [](const Failure& failure) { showFailure(failure); };
    callbacks.waitCursor = [this](bool on) { c_.view.setWaitCursor(on); };
    const GifImportResult result = importGifAnimation(context, callbacks);
    if (result.failure)
        showFailure(*result.failure);
    c_.view.setStatusText(1, "");
    if (result.added > 0) {
        if (c_.album.settings.textWatermark)
            applyCaptionSwitch(c_.album, true);
        refreshAfterAlbumChange(true);
    }
}

void PictureListController::removeAll() {
    if (count() == 0)
        return;
    const std::size_t removed = c_.album.items.size();
    keepForUndo({});
    c_.view.clearPictureRows();
    removeAllAlbumItems(c_.album);
    icons_.clear();
    selection_.clear();
    focusedRow_ = -1;
    refreshAfterAlbumChange(true);
    rememberRemoval(removed);
}

void PictureListController::removeSelected() {
    if (!hasSelection())
        return;
    if (static_cast<int>(selection_.size()) == count()) {
        removeAll();
        return;
    }
    const std::size_t removed = selection_.size();
    keepForUndo(selection_);
    const bool firstRemoved = selection_.front() == 0;
    for (auto it = selection_.rbegin(); it != selection_.rend(); ++it) {
        removeAlbumItem(c_.album, *it);
        icons_.erase(icons_.begin() + *it);
        c_.view.removePictureRow(*it);
    }
    selection_.clear();
    focusedRow_ = -1;
    if (firstRemoved)
        setTransition(0, NO_TRANSITION);
    c_.view.setPictureSelection({}, -1);
    refreshAfterAlbumChange(true);
    rememberRemoval(removed);
}

void PictureListController::keepForUndo(const std::vector<int>& removedRows) {
    // A "移除全部" keeps the user's selection; a removal of the selection selects what
    // comes back.
    removalUndo_ = RemovalUndo{c_.album.items,
                               icons_,
                               removedRows.empty() ? selection_ : removedRows,
                               removedRows.empty() ? focusedRow_ : removedRows.front(),
                               {}};
}

void PictureListController::rememberRemoval(std::size_t removed) {
    removalUndo_->after = c_.album.items;
    if (removed > 1)
        c_.view.setStatusText(1, "移除了 " + std::to_string(removed) +
                                     " 张图片，按 Ctrl+Z 或在右键菜单中选择\"撤销移除\"可以恢复");
}

bool PictureListController::canUndoRemoval() const {
    return removalUndo_ && c_.album.items == removalUndo_->after;
}

void PictureListController::undoRemoval() {
    if (!canUndoRemoval())
        return;
    RemovalUndo undo = std::move(*removalUndo_);
    removalUndo_.reset();
    c_.album.items = std::move(undo.before);
    icons_ = std::move(undo.icons);
    rebuildRows();
    setSelection(undo.selection, undo.focusedRow);
    if (!undo.selection.empty())
        c_.view.scrollToPicture(undo.selection.front());
    refreshAfterAlbumChange(true);
}

void PictureListController::move(bool forward) {
    if (!hasSelection())
        return;
    if (forward ? selection_.front() == 0 : selection_.back() == count() - 1)
        return;
    std::vector<int> moved;
    auto moveOne = [&](int row) {
        const int other = forward ? row - 1 : row + 1;
        if (forward)
            moveAlbumItemUp(c_.album, row);
        else
            moveAlbumItemDown(c_.album, row);
        std::swap(icons_[row], icons_[other]);
        c_.view.setPictureRowIcon(row, icons_[row]);
        c_.view.setPictureRowIcon(other, icons_[other]);
        moved.push_back(other);
    };
    if (forward) {
        for (int row : selection_)
            moveOne(row);
    } else {
        for (auto it = selection_.rbegin(); it != selection_.rend(); ++it)
            moveOne(*it);
    }
    const int focus = moved.front();
    setSelection(moved, focus);
    c_.view.scrollToPicture(focus);
    refreshSelectionStatus();
    refreshCaptionBadges();
}

void PictureListController::rotate(bool right) {
    if (!hasSelection())
        return;
    WaitCursor wait(c_.view);
    for (auto it = selection_.rbegin(); it != selection_.rend(); ++it) {
        if (right)
            rotateAlbumItemRight(c_.album, *it);
        else
            rotateAlbumItemLeft(c_.album, *it);
        const AlbumItem& item = c_.album.items[*it];
        icons_[*it] = iconFor(item.path, item.turnAngle);
        c_.view.setPictureRowIcon(*it, icons_[*it]);
    }
    refreshSelectionStatus();
}

void PictureListController::shuffle() {
    const int pictures = count();
    if (pictures < 2)
        return;
    std::vector<std::pair<int, std::string>> transitions;
    for (const AlbumItem& item : c_.album.items)
        transitions.emplace_back(item.animationIndex, item.animationName);
    const std::vector<int> order = shuffledOrder(c_.random, pictures);
    std::vector<AlbumItem> items;
    std::vector<PngBytes> icons;
    for (int position = 0; position < pictures; ++position) {
        items.push_back(c_.album.items[order[position]]);
        items.back().animationIndex = transitions[position].first;
        items.back().animationName = transitions[position].second;
        icons.push_back(icons_[order[position]]);
    }
    c_.album.items = std::move(items);
    icons_ = std::move(icons);
    for (int row = 0; row < pictures; ++row)
        c_.view.setPictureRowIcon(row, icons_[row]);
    refreshSelectionStatus();
    refreshCaptionBadges();
}

void PictureListController::newTransitionSet() {
    if (count() == 0)
        return;
    WaitCursor wait(c_.view);
    if (c_.album.items[0].animationIndex != NO_TRANSITION)
        setTransition(0, NO_TRANSITION);
    for (int row = 1; row < count(); ++row) {
        const int previous = c_.album.items[row - 1].animationIndex;
        setTransition(row, drawRandomTransition(c_.random, previous));
    }
    refreshAfterAlbumChange(false);
}

void PictureListController::sameTransitionForAll() {
    if (selection_.size() != 1)
        return;
    const int index = c_.album.items[selection_.front()].animationIndex;
    for (int row = 1; row < count(); ++row)
        setTransition(row, index);
    if (c_.album.items[0].animationIndex != NO_TRANSITION)
        setTransition(0, NO_TRANSITION);
    refreshAfterAlbumChange(false);
}

void PictureListController::arrangeCaptions(Command arrangement) {
    int previous = 0;
    for (int row = 0; row < count(); ++row) {
        ItemCaption& caption = c_.album.items[row].caption;
        caption.location = row == 0 ? firstArrangedLocation(arrangement, caption.location)
                                    : nextArrangedLocation(arrangement, previous);
        previous = caption.location;
    }
    refreshCaptionBadges();
    if (selection_.size() == 1)
        c_.view.setChoice(Command::CaptionPosition,
                          c_.album.items[selection_.front()].caption.location);
}

} // namespace velomira
