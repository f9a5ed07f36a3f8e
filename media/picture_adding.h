#pragma once
// Appends or inserts one picture file into the album the way every batch does (files from
// disk, downloaded pictures, a project's pictures): probe the header, refuse what cannot be
// shown with a line for the information window, then create the item. With autoOrient, a
// picture whose EXIF orientation says it is stored turned gets the turnAngle that shows it
// upright; the project keeps that angle like one set by hand.
#include "album/album_model.h"

#include <string>

namespace velomira {

AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random,
                            bool autoOrient = true);

} // namespace velomira
