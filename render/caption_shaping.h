#pragma once
// Captions in scripts that join, combine or run right to left. The imaging library's text call
// draws characters one after another from left to right, which reverses Arabic and Hebrew and
// leaves Indic and Thai syllables unformed; such captions are laid out by Pango with HarfBuzz
// instead. Chinese and Latin captions keep the imaging library's drawing, so their pixels
// stay what they always were.
#include <wand/MagickWand.h>

#include <string>
#include <string_view>
#include <vector>

namespace velomira {

enum class CaptionEngine {
    ImageLibrary, // Chinese, Latin and other scripts drawn one character after another
    Shaped,       // scripts that need shaping or bidirectional ordering
};

// Shaped when the text holds a character of a right-to-left script (Hebrew, Arabic, Syriac,
// Thaana, N'Ko, ...), of a script whose syllables are shaped (the Indic scripts, Thai, Lao,
// Tibetan, Myanmar, Khmer, ...) or a direction mark or embedding. Invalid UTF-8 never shapes.
CaptionEngine captionEngineFor(std::string_view utf8);

// The Pango font family of a font file (its first face); empty when the file cannot be read.
std::string fontFamilyOfFile(const std::string& fontFile);

// The size of a shaped text in pixels, as the imaging library reports it for its own text.
struct ShapedMetrics {
    double advance = 0.0; // logical width
    double height = 0.0;  // logical height (ascent + descent)
};

// Family is a Pango family list ("Noto Sans Arabic, DejaVu Sans"); the point size is a pixel
// size, as the imaging library draws at 72 dots per inch. Characters the family lacks come
// from whatever installed font fontconfig finds for them.
ShapedMetrics measureShapedText(const std::string& text, const std::string& family,
                                double pointSize);

enum class ShapedAlign { Left, Right, Centre };

// How a shaped caption is drawn into its image.
struct ShapedDrawing {
    std::string text;
    std::string family;
    double pointSize = 16.0;
    std::string textColour;    // "#rrggbb"
    std::string outlineColour; // empty: no outline
    double stroke = 0.0;       // outline width; 0 draws the outline at four one-pixel offsets
    ShapedAlign align = ShapedAlign::Centre;
    double x = 0.0; // from the aligned side (Left, Right) or to the right of centre
    double y = 0.0; // below the vertical centre
};

// Composites the drawing over the image. False when the image or the text surface could not
// be made; the image is then unchanged.
bool drawShapedText(MagickWand* image, const ShapedDrawing& drawing);

// Fonts that would show the characters of the text that no installed font has, by script
// ("Noto Sans Arabic"), each once; empty when every character has a font.
std::vector<std::string> missingCaptionFonts(const std::string& text, const std::string& family);

} // namespace velomira
