#pragma once
// Applying a read project document to the album: the parts that need no outside work. Opening
// a file (reading MP3 headers, adding the pictures, fitting the display time) is built on these
// in the services layer.
#include "album/album_model.h"
#include "album/project_document.h"
#include "platform/failure.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// A music entry worth reading: a path within the path limit, named as an audio file.
bool isProjectMusicPath(std::string_view path);

// The quarter turn an entry gives its picture; a rotation that is not one reads as none.
int projectEntryTurnAngle(const ProjectItemEntry& entry);

// An added picture takes its entry's settings. Values the model cannot hold are brought into
// its ranges: an unknown transition becomes none, a caption position outside the list the
// default; the texts are cut to the model's byte limits.
void applyProjectItemEntry(AlbumItem& item, const ProjectItemEntry& entry);

// Applies the first `count` options of the document (in written order) the way the controls
// take them, to an album whose music and pictures are in place. fitDisplayTime runs where
// switching the automatic display time on fits it to the music; without it nothing is fitted.
// Gives the warning naming a video size that was dropped, if any.
std::optional<Failure>
applyProjectOptions(AlbumProject& album, const ProjectDocument& document, int count,
                    const std::vector<std::string>& fontNames,
                    const std::function<void(AlbumProject& album)>& fitDisplayTime);

} // namespace velomira
