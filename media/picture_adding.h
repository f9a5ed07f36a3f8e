#pragma once
// Appends or inserts one picture file into the album the way every batch does (files from
// disk, downloaded pictures, a project's pictures): probe the header, refuse what cannot be
// shown with a line for the information window, then create the item.
#include "album/album_model.h"

#include <string>

namespace velomira {

enum class AddPictureStatus { Added, Refused, AlbumFull };

struct AddPictureResult {
    AddPictureStatus status = AddPictureStatus::Refused;
    int position = -1;    // where the new item is, when Added
    std::string infoLine; // the information window's line, when Refused
};

AddPictureResult addPicture(AlbumProject& project, const std::string& path, int position,
                            bool keepWithoutTransition, TransitionRandom& random);

// "最多可以添加 %d 张图片" with maxPictures.
std::string albumFullMessage();

} // namespace velomira
