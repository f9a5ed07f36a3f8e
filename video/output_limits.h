#pragma once
// Limits a run's video must keep, from the user's size cap or a platform preset: a largest
// file and a longest length. Checked before anything is rendered; the size cap's rate plan is
// made from the album's known length and its sound.
#include "album/album_model.h"
#include "platform/failure.h"
#include "video/generation_plan.h"
#include "video/size_cap.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velomira {

struct OutputLimits {
    std::uint64_t maxBytes = 0; // 0: no size cap
    double maxSeconds = 0;      // 0: any length
    std::string presetName;     // the preset the limits come from, for messages; may be empty
};

// The size cap's input for this album: its length, its sound's rate when music plays, its size
// and a bound of the artwork the cover step adds.
SizeCapInput sizeCapInputFor(const AlbumProject& project, const RunPlan& plan,
                             std::uint64_t capBytes);

// The refusal of a run that cannot keep the limits: an album longer than the longest length
// (naming both), or a cap below what the sound alone needs or too small for a watchable rate.
std::optional<Failure> checkOutputLimits(const AlbumProject& project, const RunPlan& plan,
                                         const OutputLimits& limits);

} // namespace velomira
