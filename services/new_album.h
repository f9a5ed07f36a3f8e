#pragma once
// The album a front end starts with: a new project whose stored preferences (background fill,
// output naming, loop-play transition) are already in place.
#include "album/album_model.h"
#include "app/settings_store.h"

#include <string>
#include <vector>

namespace velomira {

// fontNames: the caption font choice in its order (may be empty).
AlbumProject newAlbumFromPreferences(const std::vector<std::string>& fontNames,
                                     const Preferences& preferences);

} // namespace velomira
