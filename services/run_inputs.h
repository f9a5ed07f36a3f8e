#pragma once
// What a run reads and where it writes, so that no output of a run ever lands on one of its own
// inputs: files are compared by device and inode, so no spelling (a link, "..", a second hard
// link) hides a clash. The front ends word the refusals.
#include "album/album_model.h"

#include <string>
#include <vector>

namespace velomira {

// The files a run of the album reads: its pictures, music, logo and cover.
std::vector<std::string> albumInputFiles(const AlbumProject& album);

// The first of inputs that is the file at output; empty when output does not exist or is none
// of them.
std::string inputAt(const std::string& output, const std::vector<std::string>& inputs);

// What stands in the way of writing numbered frames into folder.
struct FrameFolderCheck {
    std::string otherFile; // a file already in the folder (empty when it is empty or missing)
    std::string input;     // an input of the run that a frame would replace
};
FrameFolderCheck checkFrameFolder(const std::string& folder,
                                  const std::vector<std::string>& inputs);

// Removes the entries named as frames ("000001.jpg") from folder, so that a forced run writes
// fresh files; a link goes, never what it points to. False with the reason when one stays.
bool clearEarlierFrames(const std::string& folder, std::string& error);

} // namespace velomira
