// The picture list's commands and the refreshes that follow every change of the album.
#include "album/duration_text.h"
#include "media/header_probe.h"
#include "net/net_config.h"
#include "platform/dialogs.h"
#include "render/auto_display_time.h"
#include "render/frame_sequencer.h"
#include "render/image/image_layer.h"
#include "render/image/thumbnail.h"
#include "ui/file_dialogs.h"
#include "ui/gif_import_command.h"
#include "ui/info_log.h"
#include "ui/main_window_state.h"
#include "ui/picture_batch.h"
#include "ui/product_dialog_form.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace velomira {

namespace {

const std::vector<FileFilter> kPictureFilters = {
    {"图片文件(*.JPG;*.GIF;*.PNG;*.BMP;*.HEIC;*.AVIF;*.WEBP;*.TIF;*.TBI)",
     {"*.JPG", "*.JPEG", "*.GIF", "*.PNG", "*.BMP", "*.HEIC", "*.HEIF", "*.AVIF", "*.WEBP", "*.TIF",
      "*.TIFF", "*.TBI"}},
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

void report(MainWindow::State& s, const std::string& line) {
    if (s.services.info != nullptr)
        s.services.info->append(line);
}

class WaitCursor {
  public:
    explicit WaitCursor(MainWindowView& view) : view_(view) { view_.setWaitCursor(true); }
    ~WaitCursor() { view_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    MainWindowView& view_;
};

PngBytes iconFor(const std::string& path, int angle) {
    Blob icon;
    if (makeThumbnailIcon(path, thumbnailSize, thumbnailSize, angle, icon) != 1 || icon.empty())
        return {};
    return PngBytes(icon.bytes(), icon.bytes() + icon.length);
}

bool captionBadgeShown(const VideoSettings& settings, const AlbumItem& item) {
    if (!settings.text_watermark || !item.caption.enabled)
        return false;
    const std::string& text = item.caption.text;
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

// The caption position the arrangement gives the first picture, then each following one.
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

} // namespace

bool MainWindow::State::isSelected(int row) const {
    return std::binary_search(selection.begin(), selection.end(), row);
}

int MainWindow::State::focusedSelectedRow() const {
    return focusedRow >= 0 && isSelected(focusedRow) ? focusedRow : -1;
}

void setSelection(MainWindow::State& s, std::vector<int> rows, int focusedRow) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    s.selection = std::move(rows);
    s.focusedRow = focusedRow;
    s.view.setPictureSelection(s.selection, focusedRow);
}

void refreshPictureCount(MainWindow::State& s) {
    const int count = s.pictureCount();
    const bool any = count > 0;
    s.view.setEnabled(Command::GenerateVideo, any);
    s.view.setEnabled(Command::GenerateButton, any);
    s.view.setEnabled(Command::Preview, any && s.preview != nullptr && !previewBusy(s));
    s.view.setEmptyHintShown(!any);
    s.view.setStatusText(0, std::to_string(count) + " 张图片");
}

void refreshVideoLength(MainWindow::State& s) {
    const float seconds = s.pictureCount() == 0 ? 0.f : videoLengthSeconds(s.album);
    s.view.setStatusText(3, videoLengthText(seconds));
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

void refreshCaptionBadges(MainWindow::State& s) {
    s.view.setCaptionBadges(captionBadgesOf(s.album));
}

void runAutoDisplayTime(MainWindow::State& s) {
    const VideoSettings& settings = s.album.settings;
    if (!settings.bgsound || !settings.bgsound_auto_set_pause_time ||
        musicTrackCount(s.album) == 0 || s.pictureCount() == 0)
        return;
    float seconds = 0.f;
    if (!computeAutoDisplayTime(s.album, &seconds))
        return;
    // Music shorter than the transitions alone can end the search below zero, which already
    // means no still frames: never show a negative time.
    char text[32];
    std::snprintf(text, sizeof text, "%0.2f秒", std::max(seconds, 0.f));
    s.view.setVisible(Command::DisplayTime, false);
    s.view.setVisible(Command::DisplayTimeText, true);
    s.view.setFieldText(Command::DisplayTimeText, text);
    refreshSelectionStatus(s);
    refreshVideoLength(s);
}

void refreshAfterAlbumChange(MainWindow::State& s, bool countChanged) {
    if (countChanged)
        refreshPictureCount(s);
    refreshSelectionStatus(s);
    refreshVideoLength(s);
    refreshCaptionBadges(s);
    runAutoDisplayTime(s);
}

void refreshSelectionStatus(MainWindow::State& s) {
    MainWindowView& view = s.view;
    const int count = s.pictureCount();
    // Rows may have gone since the list last reported its selection.
    std::erase_if(s.selection, [count](int row) { return row >= count; });
    if (s.focusedRow >= count)
        s.focusedRow = -1;
    const bool captionsOn = s.album.settings.text_watermark;

    if (s.selection.empty()) {
        for (Command c : {Command::RemovePictures, Command::RotateLeft, Command::RotateRight,
                          Command::MoveForward, Command::MoveBack, Command::CaptionPosition,
                          Command::CaptionText})
            view.setEnabled(c, false);
        view.setStatusText(1, "");
        view.hideTransitionEditor();
        return;
    }
    view.setEnabled(Command::RemovePictures, true);
    view.setEnabled(Command::RotateLeft, true);
    view.setEnabled(Command::RotateRight, true);
    view.setEnabled(Command::CaptionPosition, captionsOn);
    view.setEnabled(Command::CaptionText, captionsOn);
    const int first = s.selection.front();
    const int last = s.selection.back();
    if (s.selection.size() == 1) {
        const AlbumItem& item = s.album.items[first];
        view.setEnabled(Command::MoveForward, count >= 2 && first > 0);
        view.setEnabled(Command::MoveBack, count >= 2 && first < count - 1);
        view.setChoice(Command::CaptionPosition, item.caption.location);
        const auto font = std::find(s.fontNames.begin(), s.fontNames.end(), item.caption.fontName);
        if (font != s.fontNames.end())
            view.setChoice(Command::CaptionFont, static_cast<int>(font - s.fontNames.begin()));
        view.setFieldText(Command::CaptionText, item.caption.text);
        std::string info;
        if (describeImageFile(item.path, info) == 1 || describePicture(item.path, info)) {
            view.setStatusText(1, info + pictureLengthText(countPictureFrames(s.album, item)));
        } else {
            view.setStatusText(1, "");
            report(s, "无法识别的图片:\r\n" + item.path);
        }
    } else {
        view.setEnabled(Command::MoveForward, first != 0);
        view.setEnabled(Command::MoveBack, last != count - 1);
        const ItemCaption& caption = s.album.items[first].caption;
        bool sameLocation = true;
        bool sameText = true;
        for (int row : s.selection) {
            sameLocation = sameLocation && s.album.items[row].caption.location == caption.location;
            sameText = sameText && s.album.items[row].caption.text == caption.text;
        }
        view.setChoice(Command::CaptionPosition, sameLocation ? caption.location : -1);
        view.setFieldText(Command::CaptionText, sameText ? caption.text : "");
        view.setStatusText(1, "选中了 " + std::to_string(s.selection.size()) + " 张图片");
    }
    // The floating editor sits over a single selected picture that has the focus.
    if (s.selection.size() == 1 && s.focusedRow == first && s.listHasFocus)
        view.showTransitionEditor(first, s.album.items[first].animationName);
    else
        view.hideTransitionEditor();
}

void setPictureTransition(MainWindow::State& s, int position, int index) {
    if (!setAlbumItemTransition(s.album, position, index))
        return;
    s.view.setPictureRowText(position, s.album.items[position].animationName);
}

void rebuildPictureRows(MainWindow::State& s) {
    s.view.clearPictureRows();
    s.icons.resize(s.album.items.size());
    for (int row = 0; row < s.pictureCount(); ++row)
        s.view.insertPictureRow(row, s.icons[row], s.album.items[row].animationName);
    s.selection.clear();
    s.focusedRow = -1;
}

int addPictureFiles(MainWindow::State& s, const std::vector<std::string>& paths, int position) {
    PictureBatchCallbacks callbacks;
    callbacks.added = [&](std::size_t, int row, const PictureIcon& icon) {
        s.icons.insert(s.icons.begin() + row, icon);
        s.view.insertPictureRow(row, s.icons[row], s.album.items[row].animationName);
        // Inserting in front of a picture may have given it a transition of its own.
        if (row + 1 < s.pictureCount())
            s.view.setPictureRowText(row + 1, s.album.items[row + 1].animationName);
    };
    callbacks.refused = [&](const std::string& line) { report(s, line); };
    callbacks.status = [&](const std::string& text) { s.view.setStatusText(1, text); };
    callbacks.pump = [&] { s.view.pumpEvents(); };
    PictureBatchOptions options;
    options.adding.vendorHost = s.services.vendorHost;
    options.adding.autoOrient = s.preferences().autoOrient != 0;
    options.position = position;
    const PictureBatchResult result = addPictureBatch(s.album, s.random, paths, options, callbacks);
    if (result.albumFull)
        showMessage(albumFullMessage(), "提示", MessageKind::Warning);
    return result.added;
}

void addPicturesCommand(MainWindow::State& s, AddMode mode) {
    const std::vector<std::string> paths =
        chooseFilesToOpen("选择图片 - 支持多选", kPictureFilters, s.preferences().folders.image);
    if (paths.empty())
        return;
    WaitCursor wait(s.view);
    if (s.pictureCount() >= maxPictures) {
        showMessage(albumFullMessage(), "提示", MessageKind::Warning);
        return;
    }
    int position = -1;
    if (mode == AddMode::Insert && s.hasSelection()) {
        // With no focused selected picture the pictures go in front of the first selected one
        // rather than scattering between the end and the start.
        const int focused = s.focusedSelectedRow();
        position = focused >= 0 ? focused : s.selection.front();
    }
    // Rows shift under an insertion: the selection would point at other pictures.
    if (position >= 0)
        setSelection(s, {}, -1);
    const int added = addPictureFiles(s, paths, position);
    if (position >= 0 && added > 0 && s.album.settings.text_watermark)
        applyCaptionSwitch(s.album, true);
    s.view.setStatusText(1, "");
    refreshAfterAlbumChange(s, true);
}

void importAnimation(MainWindow::State& s) {
    GifImportContext context{s.album, s.random, s.gifFrames, s.services.folders.tempPictureFolder,
                             s.preferences().folders.import};
    GifImportCallbacks callbacks;
    callbacks.chooseFile = [](const std::string& title, const std::string& label,
                              const std::string& pattern, std::string& folder) {
        return chooseFileToOpen(title, {{label, {pattern}}}, folder);
    };
    callbacks.status = [&s](const std::string& text) {
        s.view.setStatusText(1, text);
        s.view.pumpEvents();
    };
    callbacks.pictureAdded = [&s](int row, const PngBytes& icon) {
        s.icons.insert(s.icons.begin() + row, icon);
        s.view.insertPictureRow(row, s.icons[row], s.album.items[row].animationName);
    };
    callbacks.refused = [&s](const std::string& line) { report(s, line); };
    callbacks.waitCursor = [&s](bool on) { s.view.setWaitCursor(on); };
    const GifImportResult result = importGifAnimation(context, callbacks);
    s.view.setStatusText(1, "");
    if (result.added > 0) {
        if (s.album.settings.text_watermark)
            applyCaptionSwitch(s.album, true);
        refreshAfterAlbumChange(s, true);
    }
}

void createProductLoader(MainWindow::State& s) {
    ProductLoadCallbacks callbacks;
    std::weak_ptr<bool> alive = s.alive;
    MainWindowView& view = s.view;
    callbacks.post = [&view, alive](std::function<void()> fn) {
        view.postToWindowThread([alive, fn = std::move(fn)] {
            if (alive.lock())
                fn();
        });
    };
    callbacks.showStatus = [&s](const std::string& text) { s.view.setStatusText(1, text); };
    callbacks.appendInfo = [&s](const std::string& text) { report(s, text); };
    callbacks.addPicture = [&s](const std::string& path) {
        const ListPicture added = addListPicture(
            s.album, s.random, path, -1,
            PictureAddingSettings{s.services.vendorHost, false, s.preferences().autoOrient != 0});
        switch (added.result.status) {
        case AddPictureStatus::Added: {
            const int row = added.result.position;
            s.icons.insert(s.icons.begin() + row, added.icon);
            s.view.insertPictureRow(row, s.icons[row], s.album.items[row].animationName);
            return PictureTaken::Added;
        }
        case AddPictureStatus::AlbumFull:
            return PictureTaken::AlbumFull;
        case AddPictureStatus::Refused:
            break;
        }
        report(s, added.result.infoLine);
        return PictureTaken::Refused;
    };
    callbacks.finished = [&s](int added) {
        s.view.setWaitCursor(false);
        s.view.setStatusText(1, "");
        if (added > 0) {
            if (s.album.settings.text_watermark)
                applyCaptionSwitch(s.album, true);
            refreshAfterAlbumChange(s, true);
        }
    };
    s.productLoad = std::make_unique<ProductLoadCommand>(std::move(callbacks));
}

void loadProductCommand(MainWindow::State& s) {
    if (s.services.productDialog == nullptr || s.services.netConfig == nullptr)
        return;
    ProductLoadSettings settings;
    settings.config = *s.services.netConfig;
    settings.client = httpClientConfigFor(settings.config);
    settings.tempPictureFolder = s.services.folders.tempPictureFolder;
    settings.roomInAlbum = maxPictures - s.pictureCount();
    if (velomira::loadProductCommand(*s.services.productDialog, *s.productLoad, settings))
        s.view.setWaitCursor(true);
}

void removeAllPictures(MainWindow::State& s) {
    if (s.pictureCount() == 0)
        return;
    s.view.clearPictureRows();
    removeAllAlbumItems(s.album);
    s.icons.clear();
    s.selection.clear();
    s.focusedRow = -1;
    refreshAfterAlbumChange(s, true);
}

void removeSelectedPictures(MainWindow::State& s) {
    if (!s.hasSelection())
        return;
    if (static_cast<int>(s.selection.size()) == s.pictureCount()) {
        removeAllPictures(s);
        return;
    }
    const bool firstRemoved = s.selection.front() == 0;
    for (auto it = s.selection.rbegin(); it != s.selection.rend(); ++it) {
        removeAlbumItem(s.album, *it);
        s.icons.erase(s.icons.begin() + *it);
        s.view.removePictureRow(*it);
    }
    s.selection.clear();
    s.focusedRow = -1;
    if (firstRemoved)
        setPictureTransition(s, 0, NO_TRANSITION);
    s.view.setPictureSelection({}, -1);
    refreshAfterAlbumChange(s, true);
}

void movePictures(MainWindow::State& s, bool forward) {
    if (!s.hasSelection())
        return;
    const int count = s.pictureCount();
    if (forward ? s.selection.front() == 0 : s.selection.back() == count - 1)
        return;
    std::vector<int> moved;
    auto moveOne = [&](int row) {
        const int other = forward ? row - 1 : row + 1;
        if (forward)
            moveAlbumItemUp(s.album, row);
        else
            moveAlbumItemDown(s.album, row);
        std::swap(s.icons[row], s.icons[other]);
        s.view.setPictureRowIcon(row, s.icons[row]);
        s.view.setPictureRowIcon(other, s.icons[other]);
        moved.push_back(other);
    };
    if (forward) {
        for (int row : s.selection)
            moveOne(row);
    } else {
        for (auto it = s.selection.rbegin(); it != s.selection.rend(); ++it)
            moveOne(*it);
    }
    const int focus = moved.front();
    setSelection(s, moved, focus);
    s.view.scrollToPicture(focus);
    refreshSelectionStatus(s);
    refreshCaptionBadges(s);
}

void rotatePictures(MainWindow::State& s, bool right) {
    if (!s.hasSelection())
        return;
    WaitCursor wait(s.view);
    for (auto it = s.selection.rbegin(); it != s.selection.rend(); ++it) {
        if (right)
            rotateAlbumItemRight(s.album, *it);
        else
            rotateAlbumItemLeft(s.album, *it);
        const AlbumItem& item = s.album.items[*it];
        s.icons[*it] = iconFor(item.path, item.turnAngle);
        s.view.setPictureRowIcon(*it, s.icons[*it]);
    }
    refreshSelectionStatus(s);
}

void shufflePictures(MainWindow::State& s) {
    const int count = s.pictureCount();
    if (count < 2)
        return;
    std::vector<std::pair<int, std::string>> transitions;
    for (const AlbumItem& item : s.album.items)
        transitions.emplace_back(item.animationIndex, item.animationName);
    // A new order drawn position by position from the pictures not used yet.
    std::vector<int> order(count, -1);
    std::vector<bool> used(count, false);
    for (int position = 0; position < count - 1; ++position) {
        int drawn = 0;
        do {
            drawn = s.random.draw(0, count - 1);
        } while (used[drawn]);
        used[drawn] = true;
        order[position] = drawn;
    }
    order[count - 1] = static_cast<int>(std::find(used.begin(), used.end(), false) - used.begin());

    std::vector<AlbumItem> items;
    std::vector<PngBytes> icons;
    for (int position = 0; position < count; ++position) {
        items.push_back(s.album.items[order[position]]);
        items.back().animationIndex = transitions[position].first;
        items.back().animationName = transitions[position].second;
        icons.push_back(s.icons[order[position]]);
    }
    s.album.items = std::move(items);
    s.icons = std::move(icons);
    for (int row = 0; row < count; ++row)
        s.view.setPictureRowIcon(row, s.icons[row]);
    refreshSelectionStatus(s);
    refreshCaptionBadges(s);
}

void newTransitionSet(MainWindow::State& s) {
    if (s.pictureCount() == 0)
        return;
    WaitCursor wait(s.view);
    if (s.album.items[0].animationIndex != NO_TRANSITION)
        setPictureTransition(s, 0, NO_TRANSITION);
    for (int row = 1; row < s.pictureCount(); ++row) {
        const int previous = s.album.items[row - 1].animationIndex;
        setPictureTransition(s, row, drawRandomTransition(s.random, previous));
    }
    refreshAfterAlbumChange(s, false);
}

void sameTransitionForAll(MainWindow::State& s) {
    if (s.selection.size() != 1)
        return;
    const int index = s.album.items[s.selection.front()].animationIndex;
    for (int row = 1; row < s.pictureCount(); ++row)
        setPictureTransition(s, row, index);
    if (s.album.items[0].animationIndex != NO_TRANSITION)
        setPictureTransition(s, 0, NO_TRANSITION);
    refreshAfterAlbumChange(s, false);
}

void arrangeCaptions(MainWindow::State& s, Command arrangement) {
    int previous = 0;
    for (int row = 0; row < s.pictureCount(); ++row) {
        ItemCaption& caption = s.album.items[row].caption;
        caption.location = row == 0 ? firstArrangedLocation(arrangement, caption.location)
                                    : nextArrangedLocation(arrangement, previous);
        previous = caption.location;
    }
    refreshCaptionBadges(s);
    if (s.selection.size() == 1)
        s.view.setChoice(Command::CaptionPosition,
                         s.album.items[s.selection.front()].caption.location);
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
