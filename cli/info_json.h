#pragma once
// The --info report: the album's pictures with their own frame counts and what a run makes.
#include "album/album_model.h"
#include "render/beat_plan.h"
#include "video/generation_plan.h"

#include <string>

namespace velomira {

// With changes (pictures on the beat), each change's picture, frame and beat follow.
std::string albumInfoJson(const AlbumProject& project, const RunPlan& plan,
                          const std::vector<BeatChange>* changes = nullptr);

} // namespace velomira
