#pragma once
// Picture changes on the music's beats: the run's pictures in order, each held until the beat
// its successor starts on. Every change takes every 1st, 2nd or 4th beat, the fewest that hold
// each picture at least the album's display time; a picture with a time of its own keeps it
// rounded to the nearest beat; with display times that follow the music the last change lands
// on the last beat before the music ends.
#include "album/album_model.h"

#include <optional>
#include <vector>

namespace velomira {

struct BeatChange {
    int picture = 0; // 1-based number of the picture in the run that starts here
    int frame = 0;   // its first frame
    // 0-based index of the beat on the music's pulse: the beats found, carried back to the start
    // and on past the last one at their median gap.
    int beat = 0;
    double seconds = 0.; // the beat's time
};

struct BeatPlan {
    // The run's pictures one after another with their still frames set, no loop play: render
    // and count this album.
    AlbumProject album;
    std::vector<BeatChange> changes;
    int beatStep = 1;
};

// Nothing when the album has no picture or the beats make no pulse (fewer than four, or too
// fast or slow); the run then keeps its even times.
std::optional<BeatPlan> planBeatChanges(const AlbumProject& album,
                                        const std::vector<double>& beats);

} // namespace velomira
