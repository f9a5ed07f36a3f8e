#pragma once
// Captions in a script that no installed font can show would come out as boxes; the run goes
// ahead, and the information window names the fonts to install.
#include "album/album_model.h"
#include "render/caption_fonts.h"

#include <string>
#include <vector>

namespace velomira {

// One line per missing font, in the order the pictures first need them, naming the font and
// the first picture (counted from 1) whose caption needs it. fonts may be null.
std::vector<std::string> captionFontNotices(const AlbumProject& album,
                                            const CaptionFontTable* fonts);

} // namespace velomira
