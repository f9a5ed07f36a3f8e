#pragma once
// A music file as a track of the album's music list.
#include "album/album_model.h"

#include <optional>
#include <string>

namespace velomira {

// The track to add to the music list: only a file whose name ends with ".mp3" (any case)
// and whose duration is above 0.
std::optional<MusicTrack> readMusicTrack(const std::string& path);

} // namespace velomira
