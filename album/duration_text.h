#pragma once
// The duration texts of the status bar and the music list.
#include "album/album_model.h"

#include <string>

namespace velomira {

// Whole seconds (the fraction dropped): "00:00:%02d" below a minute, "00:%02d:%02d" below an
// hour, else "%02d:%02d:%02d".
std::string formatDuration(float seconds);

// The music list's line "%-108s %dHz     %s": file name padded to 108 characters, sample
// rate, five spaces, the track's duration text.
std::string musicTrackLine(const MusicTrack& track);

} // namespace velomira
