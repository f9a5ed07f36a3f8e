#include "media/picture_adding.h"

#include "media/exif_orientation.h"
#include "media/header_probe.h"

namespace velomira {

AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random, bool autoOrient) {
    AddPictureResult result;
    if (albumItemCount(project) >= maxPictures) {
        result.status = AddPictureStatus::AlbumFull;
        return result;
    }
    result.infoLine = pictureRefusalLine(probeImageKind(path), path);
    if (!result.infoLine.empty())
        return result;
    result.position = insertAlbumItem(project, path, position, keepWithoutTransition, random);
    result.status = result.position < 0 ? AddPictureStatus::AlbumFull : AddPictureStatus::Added;
    if (autoOrient && result.position >= 0)
        albumItemAt(project, result.position)->turnAngle =
            turnAngleForOrientation(readExifOrientation(path));
    return result;
}

} // namespace velomira
