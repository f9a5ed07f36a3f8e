#pragma once
// The picture list: the album's items as rows with their icons, the selection as the user left
// it, and the commands on pictures (adding, removing, moving, turning, shuffling, transitions,
// caption positions, GIF import). After every change of the album it refreshes the count, the
// selection's status, the video length, the caption badges and the automatic display time.
#include "album/album_model.h"
#include "app/settings_store.h"
#include "services/gif_import.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/option_dialogs.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

class InfoLog;

// The information window's line after an animated GIF refused by "添加图片" or a drop.
inline constexpr const char* kAnimatedGifHint = "请使用【导入动画】添加gif动画图片";

// Names the picture commands take as pictures (by their extension).
bool isPictureFileName(const std::string& path);

// The caption badges an album shows: one per picture with caption text while captions are on.
std::vector<CaptionBadge> captionBadgesOf(const AlbumProject& album);

// Top-left corner of a badgeWidth x badgeHeight badge inside a boxSize thumbnail for a caption
// position 0..8: the edge corners 0..3, centred on the bottom edge for 4, the inset corners 5..8
// 6 pixels further inward than the edge ones.
struct BadgeOffset {
    int x = 0;
    int y = 0;
};
BadgeOffset badgeOffset(int location, int boxSize, int badgeWidth, int badgeHeight);

// The rows whose pictures have a camera motion (their thumbnails carry a mark).
std::vector<int> motionMarksOf(const AlbumProject& album);

enum class AddMode { Append, Insert };

// What the list borrows; everything outlives it.
struct PictureListContext {
    MainWindowView& view;
    AlbumProject& album;
    TransitionRandom& random;
    const std::vector<std::string>& fontNames;
    Preferences& preferences;                // the remembered picture and import folders
    InfoLog* info = nullptr;                 // refused pictures are reported here
    std::string vendorHost;                  // named in some refusals
    std::filesystem::path tempPictureFolder; // imported animation frames go here
    OptionDialogHost* dialogs = nullptr;     // asks for a picture's own display time
};

class PictureListController {
  public:
    explicit PictureListController(PictureListContext context) : c_(std::move(context)) {}
    PictureListController(const PictureListController&) = delete;
    PictureListController& operator=(const PictureListController&) = delete;

    // Whether "视频预览" can start now (the preview is there and idle); asked when the count
    // changes.
    void setPreviewAvailable(std::function<bool()> available) {
        previewAvailable_ = std::move(available);
    }
    // Adding, removing, moving, turning, the context menu's picture entries, GIF import.
    void registerCommands(CommandTable& table);

    int count() const { return albumItemCount(c_.album); }
    bool hasSelection() const { return !selection_.empty(); }
    const std::vector<int>& selection() const { return selection_; }
    // The focused picture when it is also selected, else -1.
    int focusedSelectedRow() const;

    // List events.
    void selectionChanged(const std::vector<int>& rows, int focusedRow, bool listHasFocus);
    void selectAll();
    // The camera motion choice the whole selection shares (the checked "镜头运动" entry), or
    // nothing for no selection or a mixed one.
    std::optional<int> selectionMotionChoice() const;
    // Likewise the picture fill choice (the checked "画面填充" entry).
    std::optional<int> selectionFillChoice() const;
    void filesDropped(const std::vector<std::string>& paths);
    void transitionChosen(const std::string& entry);
    void captionPositionChosen(int location);
    void captionTextEdited(const std::string& text);

    // Refreshes after a change of the album or of an option.
    void refreshPictureCount();
    void refreshSelectionStatus();
    void refreshVideoLength();
    void refreshCaptionBadges();
    void refreshAfterAlbumChange(bool countChanged);
    void runAutoDisplayTime();

    // Rows: all removed (a new project), an icon taken for a row not shown yet (opening a
    // project), and all rows shown again from the album and the icons taken.
    void clearRows();
    void takeIcon(int row, const PngBytes& icon);
    void rebuildRows();
    void setTransition(int position, int index);
    // Shows a picture just added at row with its icon.
    void insertRow(int row, const PngBytes& icon);

    // Adds the files at position (-1 appends); returns how many were added. Shows the limit
    // message when the album fills up.
    int addFiles(const std::vector<std::string>& paths, int position);

    // Whether the last removal can still be undone: the list is as that removal left it.
    bool canUndoRemoval() const;

    // The selected pictures dragged to stand, in their order, before row `before` (count():
    // at the end). Transitions stay with the positions, as with the move buttons; "撤销移除"
    // undoes the whole drag at once.
    void dragSelectionTo(int before);

  private:
    void setSelection(std::vector<int> rows, int focusedRow);
    bool isSelected(int row) const;
    void report(const std::string& line);
    void showSingleSelection(int row);
    void showMultipleSelection();
    void addPictures(AddMode mode);
    void removeSelected();
    void removeAll();
    // Keeps the list as it is before a removal of its rows (ascending).
    void keepForUndo(const std::vector<int>& removedRows);
    // Afterwards: remembers the list as the removal left it and hints at the undo.
    void rememberRemoval(std::size_t removed);
    void undoRemoval();
    void move(bool forward);
    void rotate(bool right);
    void shuffle();
    void newTransitionSet();
    void sameTransitionForAll();
    void arrangeCaptions(Command arrangement);
    void importAnimation();
    void setSelectionMotion(int choice);
    void askSelectionTime();
    void giveNewPictureMotion(int row);
    void setSelectionFill(int choice);

    PictureListContext c_;
    std::function<bool()> previewAvailable_;
    // Icons of the rows, parallel to album.items (moving and shuffling exchange them).
    std::vector<PngBytes> icons_;
    std::vector<int> selection_; // ascending
    int focusedRow_ = -1;
    bool listHasFocus_ = false;
    // The list before the last removal, and the list that removal left: the undo holds while
    // the album's items still equal `after`.
    struct RemovalUndo {
        std::vector<AlbumItem> before;
        std::vector<PngBytes> icons;
        std::vector<int> selection;
        int focusedRow = -1;
        std::vector<AlbumItem> after;
    };
    std::optional<RemovalUndo> removalUndo_;
    // Frame files of imported animations are numbered on from here for the whole run.
    GifFrameCounter gifFrames_;
};

} // namespace velomira
