#pragma once
// Turns the command line's album options into album edits, the way the window's controls
// would make them: pictures appended through the normal adding routine, options set through
// the model's own setters.
#include "album/album_model.h"
#include "cli/render_options.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace velomira {

using MusicReader = std::function<std::optional<MusicTrack>(const std::string& path)>;

// Appends the --pictures files through the window's adding routine (probe, thumbnail, item);
// refused files are reported on `report` with the information window's line and skipped.
// Returns the number added; stops with the limit message when the album is full.
int addCommandLinePictures(AlbumProject& project, const RenderOptions& options,
                           TransitionRandom& random, std::ostream& report);

// Applies size, display time, transition, background, music, loop/fit, logo, cover and caption
// options over what the album already holds (a project file's values stay where no option is
// given). Returns an error text for an option the album cannot take, else empty.
std::string applyRenderOptions(AlbumProject& project, const RenderOptions& options,
                               const MusicReader& readTrack);

// Absolute form of a path given on the command line (project files keep full paths).
std::string absolutePath(const std::string& path);

} // namespace velomira
