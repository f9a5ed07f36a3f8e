// The picture list's selection, rows and the refreshes that follow every change of the album.
#include "ui/picture_list_controller.h"

#include "album/duration_text.h"
#include "app/string_utils.h"
#include "media/header_probe.h"
#include "platform/dialogs.h"
#include "render/auto_display_time.h"
#include "render/frame_sequencer.h"
#include "services/picture_batch.h"
#include "services/picture_info.h"
#include "ui/info_log.h"
#include "ui/picture_formats.h"
#include "ui/wait_cursor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace velomira {

namespace {

bool captionBadgeShown(const VideoSettings& settings, const AlbumItem& item) {
    if (!settings.textWatermark || !item.caption.enabled)
        return false;
    const std::string& text = item.caption.text;
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

} // namespace

bool isPictureFileName(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // The dialog's "all pictures" patterns, "*.JPG" taken as the ending "jpg".
    for (const std::string& pattern : pictureFileFilters().front().patterns) {
        std::string ending = pattern.substr(2);
        std::transform(ending.begin(), ending.end(), ending.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.ends_with(ending))
            return true;
    }
    return false;
}

std::vector<CaptionBadge> captionBadgesOf(const AlbumProject& album) {
    std::vector<CaptionBadge> badges;
    for (int row = 0; row < albumItemCount(album); ++row) {
        const AlbumItem& item = album.items[row];
        if (captionBadgeShown(album.settings, item))
            badges.push_back({row, item.caption.location});
    }
    return badges;
}

bool PictureListController::isSelected(int row) const {
    return std::binary_search(selection_.begin(), selection_.end(), row);
}

int PictureListController::focusedSelectedRow() const {
    return focusedRow_ >= 0 && isSelected(focusedRow_) ? focusedRow_ : -1;
}

void PictureListController::report(const std::string& line) {
    if (c_.info != nullptr)
        c_.info->append(line);
}

void PictureListController::setSelection(std::vector<int> rows, int focusedRow) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selection_ = std::move(rows);
    focusedRow_ = focusedRow;
    c_.view.setPictureSelection(selection_, focusedRow);
}

void PictureListController::selectionChanged(const std::vector<int>& rows, int focusedRow,
                                             bool listHasFocus) {
    selection_ = rows;
    std::sort(selection_.begin(), selection_.end());
    selection_.erase(std::unique(selection_.begin(), selection_.end()), selection_.end());
    std::erase_if(selection_, [&](int row) { return row < 0 || row >= count(); });
    focusedRow_ = focusedRow;
    listHasFocus_ = listHasFocus;
    refreshSelectionStatus();
}

void PictureListController::selectAll() {
    std::vector<int> rows(count());
    for (int row = 0; row < count(); ++row)
        rows[row] = row;
    setSelection(rows, rows.empty() ? -1 : (focusedRow_ >= 0 ? focusedRow_ : 0));
    refreshSelectionStatus();
}

void PictureListController::filesDropped(const std::vector<std::string>& paths) {
    c_.view.raiseWindow();
    c_.view.setWaitCursor(true);
    c_.view.setStatusText(1, "加载图片中...");
    std::vector<std::string> pictures;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec) && isPictureFileName(path))
            pictures.push_back(path);
    }
    if (!pictures.empty()) {
        if (count() >= maxPictures)
            showMessage(albumFullMessage(), "提示", MessageKind::Warning);
        else
            addFiles(pictures, -1);
    }
    c_.view.setStatusText(1, "");
    refreshAfterAlbumChange(true);
    c_.view.setWaitCursor(false);
}

void PictureListController::transitionChosen(const std::string& entry) {
    const auto index = pickerChoiceToIndex(entry);
    const int row = focusedSelectedRow();
    if (index && row >= 0 && selection_.size() == 1) {
        setTransition(row, *index);
        refreshAfterAlbumChange(false);
    }
    c_.view.hideTransitionEditor();
}

void PictureListController::captionPositionChosen(int location) {
    if (location < 0 || location >= kCaptionLocationCount)
        return;
    for (int row : selection_)
        c_.album.items[row].caption.location = location;
    refreshCaptionBadges();
}

void PictureListController::captionTextEdited(const std::string& text) {
    if (!c_.album.settings.textWatermark)
        return;
    const std::string caption(trimmed(text));
    for (int row : selection_)
        setAlbumItemCaptionText(c_.album, row, caption);
    refreshCaptionBadges();
}

void PictureListController::refreshPictureCount() {
    const int pictures = count();
    const bool any = pictures > 0;
    MainWindowView& view = c_.view;
    view.setEnabled(Command::GenerateVideo, any);
    view.setEnabled(Command::GenerateButton, any);
    view.setEnabled(Command::Preview, any && previewAvailable_ && previewAvailable_());
    view.setEmptyHintShown(!any);
    view.setStatusText(0, std::to_string(pictures) + " 张图片");
}

void PictureListController::refreshVideoLength() {
    const float seconds = count() == 0 ? 0.f : videoLengthSeconds(c_.album);
    c_.view.setStatusText(3, videoLengthText(seconds));
}

void PictureListController::refreshCaptionBadges() {
    c_.view.setCaptionBadges(captionBadgesOf(c_.album));
    c_.view.setMotionMarks(motionMarksOf(c_.album));
}

void PictureListController::runAutoDisplayTime() {
    const VideoSettings& settings = c_.album.settings;
    if (!settings.bgsound || !settings.bgsoundAutoSetPauseTime || musicTrackCount(c_.album) == 0 ||
        count() == 0)
        return;
    float seconds = 0.f;
    if (!computeAutoDisplayTime(c_.album, &seconds))
        return;
    // Music shorter than the transitions alone can end the search below zero, which already
    // means no still frames: never show a negative time.
    char text[32];
    std::snprintf(text, sizeof text, "%0.2f秒", std::max(seconds, 0.f));
    c_.view.setVisible(Command::DisplayTime, false);
    c_.view.setVisible(Command::DisplayTimeText, true);
    c_.view.setFieldText(Command::DisplayTimeText, text);
    refreshSelectionStatus();
    refreshVideoLength();
}

void PictureListController::refreshAfterAlbumChange(bool countChanged) {
    if (countChanged)
        refreshPictureCount();
    refreshSelectionStatus();
    refreshVideoLength();
    refreshCaptionBadges();
    runAutoDisplayTime();
}

void PictureListController::refreshSelectionStatus() {
    MainWindowView& view = c_.view;
    const int pictures = count();
    // Rows may have gone since the list last reported its selection.
    std::erase_if(selection_, [pictures](int row) { return row >= pictures; });
    if (focusedRow_ >= pictures)
        focusedRow_ = -1;
    if (selection_.empty()) {
        for (Command c : {Command::RemovePictures, Command::RotateLeft, Command::RotateRight,
                          Command::MoveForward, Command::MoveBack, Command::CaptionPosition,
                          Command::CaptionText})
            view.setEnabled(c, false);
        // The greyed field must not keep the caption of a picture that is no longer selected.
        view.setFieldText(Command::CaptionText, "");
        view.setStatusText(1, "");
        view.hideTransitionEditor();
        return;
    }
    const bool captionsOn = c_.album.settings.textWatermark;
    view.setEnabled(Command::RemovePictures, true);
    view.setEnabled(Command::RotateLeft, true);
    view.setEnabled(Command::RotateRight, true);
    view.setEnabled(Command::CaptionPosition, captionsOn);
    view.setEnabled(Command::CaptionText, captionsOn);
    const int first = selection_.front();
    if (selection_.size() == 1)
        showSingleSelection(first);
    else
        showMultipleSelection();
    // The floating editor sits over a single selected picture that has the focus.
    if (selection_.size() == 1 && focusedRow_ == first && listHasFocus_)
        view.showTransitionEditor(first, c_.album.items[first].animationName);
    else
        view.hideTransitionEditor();
}

void PictureListController::showSingleSelection(int row) {
    MainWindowView& view = c_.view;
    const int pictures = count();
    const AlbumItem& item = c_.album.items[row];
    view.setEnabled(Command::MoveForward, pictures >= 2 && row > 0);
    view.setEnabled(Command::MoveBack, pictures >= 2 && row < pictures - 1);
    view.setChoice(Command::CaptionPosition, item.caption.location);
    const auto font = std::find(c_.fontNames.begin(), c_.fontNames.end(), item.caption.fontName);
    if (font != c_.fontNames.end())
        view.setChoice(Command::CaptionFont, static_cast<int>(font - c_.fontNames.begin()));
    view.setFieldText(Command::CaptionText, item.caption.text);
    std::string info;
    if (describePictureFile(item.path, info)) {
        view.setStatusText(1, info + pictureLengthText(countPictureFrames(c_.album, item)));
    } else {
        view.setStatusText(1, "");
        report("无法识别的图片:\r\n" + item.path);
    }
}

void PictureListController::showMultipleSelection() {
    MainWindowView& view = c_.view;
    const int first = selection_.front();
    const int last = selection_.back();
    view.setEnabled(Command::MoveForward, first != 0);
    view.setEnabled(Command::MoveBack, last != count() - 1);
    const ItemCaption& caption = c_.album.items[first].caption;
    bool sameLocation = true;
    bool sameText = true;
    for (int row : selection_) {
        sameLocation = sameLocation && c_.album.items[row].caption.location == caption.location;
        sameText = sameText && c_.album.items[row].caption.text == caption.text;
    }
    view.setChoice(Command::CaptionPosition, sameLocation ? caption.location : -1);
    view.setFieldText(Command::CaptionText, sameText ? caption.text : "");
    view.setStatusText(1, "选中了 " + std::to_string(selection_.size()) + " 张图片");
}

void PictureListController::setTransition(int position, int index) {
    if (!setAlbumItemTransition(c_.album, position, index))
        return;
    c_.view.setPictureRowText(position, c_.album.items[position].animationName);
}

void PictureListController::clearRows() {
    removalUndo_.reset(); // a new or opened project starts without one
    c_.view.clearPictureRows();
    icons_.clear();
    selection_.clear();
    focusedRow_ = -1;
}

void PictureListController::takeIcon(int row, const PngBytes& icon) {
    icons_.insert(icons_.begin() + row, icon);
}

void PictureListController::rebuildRows() {
    c_.view.clearPictureRows();
    icons_.resize(c_.album.items.size());
    for (int row = 0; row < count(); ++row)
        c_.view.insertPictureRow(row, icons_[row], c_.album.items[row].animationName);
    selection_.clear();
    focusedRow_ = -1;
}

void PictureListController::insertRow(int row, const PngBytes& icon) {
    icons_.insert(icons_.begin() + row, icon);
    c_.view.insertPictureRow(row, icons_[row], c_.album.items[row].animationName);
}

int PictureListController::addFiles(const std::vector<std::string>& paths, int position) {
    PictureBatchCallbacks callbacks;
    callbacks.added = [&](std::size_t, int row, const PictureIcon& icon) {
        giveNewPictureMotion(row);
        insertRow(row, icon);
        // Inserting in front of a picture may have given it a transition of its own.
        if (row + 1 < count())
            c_.view.setPictureRowText(row + 1, c_.album.items[row + 1].animationName);
    };
    callbacks.refused = [&](const std::string& line) {
        report(line);
        // An animated GIF has its own way in.
        if (line.starts_with(pictureRefusalLine(PictureKind::AnimatedGif, "")))
            report(kAnimatedGifHint);
    };
    callbacks.status = [&](const std::string& text) { c_.view.setStatusText(1, text); };
    callbacks.pump = [&] { c_.view.pumpEvents(); };
    PictureBatchOptions options;
    options.adding.vendorHost = c_.vendorHost;
    options.adding.autoOrient = c_.preferences.autoOrient != 0;
    options.position = position;
    const PictureBatchResult result =
        addPictureBatch(c_.album, c_.random, paths, options, callbacks);
    if (result.albumFull)
        showMessage(albumFullMessage(), "提示", MessageKind::Warning);
    return result.added;
}

BadgeOffset badgeOffset(int location, int boxSize, int badgeWidth, int badgeHeight) {
    constexpr int kEdge = 4;
    constexpr int kInset = kEdge + 6;
    const int inward = location >= 5 ? kInset : kEdge;
    const int corner = location >= 5 ? location - 5 : location;
    const int right = boxSize - badgeWidth - inward;
    const int bottom = boxSize - badgeHeight - kEdge;
    const int top = kEdge;
    if (location == 4)
        return {(boxSize - badgeWidth) / 2, bottom};
    switch (corner) {
    case 0:
        return {inward, top};
    case 1:
        return {inward, bottom};
    case 2:
        return {right, top};
    default:
        return {right, bottom};
    }
}

} // namespace velomira
