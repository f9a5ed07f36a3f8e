#pragma once
// Builds an album from the pictures of a folder, the way the picture list adds them: each file
// is probed by its header first, and unreadable, animated or unknown files are reported and
// skipped.
#include "album/album_model.h"

#include <filesystem>
#include <ostream>

namespace velomira {

// Adds every picture of the folder in name order; reports skipped files to `report`.
// Returns the number of pictures added.
int addFolderPictures(AlbumProject& project, const std::filesystem::path& folder,
                      TransitionRandom& random, std::ostream& report);

} // namespace velomira
