#pragma once
// The --info report: the album's pictures with their own frame counts and what a run makes.
#include "album/album_model.h"
#include "video/generation_plan.h"

#include <string>

namespace velomira {

std::string albumInfoJson(const AlbumProject& project, const RunPlan& plan);

} // namespace velomira
