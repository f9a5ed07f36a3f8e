#pragma once
// Pictures whose data ends early (a JPEG cut off in a download or a copy): they decode, with the
// missing part grey, so a run uses them but names them; a strict run refuses them first.
#include "album/album_model.h"

#include <string>
#include <vector>

namespace velomira {

// "图片数据不完整: <path>", the line that names such a picture in the information window and on
// standard error.
std::string cutShortPictureLine(const std::string& path);

// The album's pictures whose data ends early, each once, in album order. Decodes every picture
// (at the size the run would), so it costs about a run's reading time.
std::vector<std::string> findCutShortPictures(const AlbumProject& album);

} // namespace velomira
