#pragma once
// Opening a project file for a run without a window: the terminal program and the preview
// benchmark read a project the same way, with its pictures added in one batch, the display
// time fitted to the music, and every report going to one line sink.
#include "album/album_model.h"
#include "album/project_file.h"
#include "render/caption_fonts.h"

#include <functional>
#include <string>

namespace velomira {

// Reads the project at path into project (reset to a new, untitled project first). report
// receives the lines of pictures left out and of other problems; the message of a file that
// does not open is shown through platform/dialogs. False when the file did not open.
bool openProjectForRun(AlbumProject& project, const std::string& path,
                       const ProjectFolders& folders, const CaptionFontTable& fonts,
                       TransitionRandom& random,
                       const std::function<void(const std::string& line)>& report);

} // namespace velomira
