#pragma once
// Adding picture files to the album and the picture list: the one routine that the window's
// add and insert commands, dropped files, opening a project and the terminal program share.
// Each picture is probed (header), then thumbnailed (the list icon), then made an item; what
// cannot be shown is refused with the information window's line and the picture is skipped.
//
// The batch form makes the thumbnails ahead on worker threads and takes them in order, so it
// gives exactly the items, order and refusals of adding the files one by one. Workers only
// read files: the album, the callbacks and every message stay on the calling thread.
#include "album/album_model.h"
#include "platform/failure.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// Bytes of a list icon: a PNG of thumbnailSize x thumbnailSize.
using PictureIcon = std::vector<unsigned char>;

struct PictureAddingSettings {
    // Host of the vendor's web site, named in the report of a picture that passed the probe but
    // gave no thumbnail; may be empty.
    std::string vendorHost;
    // New items get no transition (99) instead of a random one.
    bool keepWithoutTransition = false;
    // A picture without a given angle is turned upright by its EXIF orientation.
    bool autoOrient = true;
};

// Appends or inserts one picture file without its list icon (downloaded pictures, GIF frames,
// a project's pictures read without a window): probe the header, refuse what cannot be shown
// with a line for the information window, then create the item. A full album gives AlbumFull
// without reading the file. With autoOrient, a picture whose EXIF orientation says it is stored
// turned gets the turnAngle that shows it upright; the project keeps that angle like one set by
// hand.
AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random,
                            bool autoOrient = true);

// What adding one file gave: the album's record, and the row's icon when it was added.
struct ListPicture {
    AddPictureResult result;
    PictureIcon icon;
};

// Probe, thumbnail turned by turnAngle, item at position (-1 appends; insertion as
// insertAlbumItem). A full album gives AlbumFull without reading the file.
ListPicture addListPicture(AlbumProject& album, TransitionRandom& random, const std::string& path,
                           int position, const PictureAddingSettings& settings, int turnAngle = 0);

// The icon of a picture already in the list, made again (after a turn). Empty when it could not
// be made; failure, when the picture did not read, is the message for the window to show.
struct RemadeIcon {
    PictureIcon icon;
    std::optional<Failure> failure;
};
RemadeIcon remakeListIcon(const std::string& path, int turnAngle);

struct PictureBatchCallbacks {
    // A picture was added: its index in the batch's list, its album position, its icon.
    std::function<void(std::size_t file, int position, const PictureIcon& icon)> added;
    // A picture was refused: the information window's line.
    std::function<void(const std::string& infoLine)> refused;
    // "加载图片: %d / %d", before file k of n.
    std::function<void(const std::string& text)> status;
    // Between files, and now and then while a thumbnail is awaited: lets a window repaint.
    std::function<void()> pump;
};

struct PictureBatchOptions {
    PictureAddingSettings adding;
    // Where the first picture goes: -1 appends every picture; otherwise the position, which
    // advances by one after each picture added.
    int position = -1;
    // Icon rotation per file (a project's pictures); files beyond the list are not turned.
    std::vector<int> turnAngles;
    // Threads making thumbnails ahead: -1 one per core (at most 4), 0 none (all on the caller).
    int workers = -1;
};

struct PictureBatchResult {
    int added = 0;
    int refused = 0;
    // The album was full while files were left: the caller shows albumFullMessage().
    bool albumFull = false;
};

PictureBatchResult addPictureBatch(AlbumProject& album, TransitionRandom& random,
                                   const std::vector<std::string>& paths,
                                   const PictureBatchOptions& options,
                                   const PictureBatchCallbacks& callbacks);

} // namespace velomira
