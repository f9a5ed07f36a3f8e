#pragma once
// Draws a picture's caption into a small image and places it in the frame. The transition
// effects composite the result onto every frame of the picture.
#include "album/album_tables.h"
#include "app/caption_margins.h"
#include "render/caption_shaping.h"
#include "render/image/image_layer.h"

#include <string>
#include <vector>

namespace velomira {

// "#rrggbb" with lowercase digits, the form the caption colours are compared and drawn in.
std::string colorText(ColorRef colour);

// The caption of a width x height frame. text is UTF-8; the colours are colour texts as made
// by colorText; fontFile is the path from the caption font table; location is 0..8 (any
// other value places the caption like 4, "中间下方").
//
// Equal box and text colours draw outlined text on a transparent ground and set
// keepOpacity; otherwise the text sits on a box of the box colour with 6 pixels of padding.
// When groundColour (the colour of the bars, or empty) is also the text colour, the outline
// is a stroke of the contrasting colour about a fourteenth of the point size wide, and the
// caption grows by the stroke on each side.
//
// Text in a script that needs shaping or right-to-left ordering (captionEngineFor) is laid out
// by Pango with the same font, size, colours, box, outline and placement; characters the font
// lacks come from another installed font that has them.
//
// Fonts: an empty fontFile, a path that is not a file, or a file the library cannot load
// falls back to the first of the free CJK faces (WenQuanYi Zen Hei, AR PL UMing, AR PL UKai)
// and then DejaVu Sans that the library knows, and last to the library's own default; when
// none can be measured the caption is an empty box (or nothing in same mode).
//
// A caption wider than the frame keeps the position rule: x may be negative (a centred
// caption stays centred and is cut on both sides; a left one shows its start, a right one its
// end). The point size is kept within 1..1000. The image is empty (nothing to overlay) when
// the frame has no pixels or the caption image cannot be made, for example because it would
// exceed the library's size limits.
CaptionOverlay renderCaption(int width, int height, const std::string& text,
                             const std::string& boxColour, const std::string& textColour,
                             const std::string& fontFile, int pointSize, int location,
                             const CaptionMargins& margins, const std::string& groundColour = "");

// Fonts that the shaped drawing of the text would need and no installed font provides (see
// missingCaptionFonts); empty for text the imaging library draws.
std::vector<std::string> captionMissingFonts(const std::string& text, const std::string& fontFile);

// renderCaption with the text drawing given rather than chosen by the text's characters.
CaptionOverlay renderCaptionWith(CaptionEngine engine, int width, int height,
                                 const std::string& text, const std::string& boxColour,
                                 const std::string& textColour, const std::string& fontFile,
                                 int pointSize, int location, const CaptionMargins& margins,
                                 const std::string& groundColour = "");

} // namespace velomira
