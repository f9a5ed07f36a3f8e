#pragma once
// Display times that follow the music: the still time of every picture is searched so that
// the video length just reaches the music length.
#include "album/album_model.h"

namespace velomira {

// Needs at least one picture without a time of its own and music longer than 0 s; otherwise
// changes nothing and returns false. Leaves settings.customDisplayTime set with the still frame
// count of the chosen time, and returns the time written last ("%0.2f秒" in the display time field)
// through secondsOut.
bool computeAutoDisplayTime(AlbumProject& project, float* secondsOut = nullptr);

} // namespace velomira
