#include "render/caption_renderer.h"

#include "render/caption_shaping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

namespace velomira {

namespace {

// Captions on the pink box are sharpened once drawn.
constexpr const char* kSharpenedBoxColour = "#ff619d";
constexpr double kSharpenRadius = 10.0;
constexpr double kSharpenSigma = 10.0;

constexpr int kMetricsScratchWidth = 960;
constexpr int kBoxPadding = 6;
// The outline of text on its own colour: a fourteenth of the point size, at least this wide.
constexpr double kMinStroke = 1.5;
constexpr double kStrokeShare = 14.0;
constexpr double kMinPointSize = 1.0;
constexpr double kMaxPointSize = 1000.0;
// Far beyond any frame; keeps the pixel arithmetic inside int for absurd metrics.
constexpr double kMaxCaptionSide = 1000000.0;

// Faces the library knows through the system's font configuration, tried in this order when
// the chosen font file cannot be used. The CJK ones come first because captions are mostly
// Chinese; an empty name leaves the choice to the library.
constexpr std::array<const char*, 5> kFallbackFaces = {
    "WenQuanYi-Zen-Hei", "AR-PL-UMing-CN", "AR-PL-UKai-CN", "DejaVu-Sans", "",
};

// The same faces by their fontconfig family names, for captions laid out by Pango.
constexpr std::array<const char*, 4> kShapedFallbackFamilies = {
    "WenQuanYi Zen Hei",
    "AR PL UMing CN",
    "AR PL UKai CN",
    "DejaVu Sans",
};

enum class Placement { FlushLeft, FlushRight, Centre, Left, Right };

struct Metrics {
    double advance = 0.0; // origin x after drawing the text
    double height = 0.0;  // ascender − descender
};

struct MeasuredText {
    std::string face; // font file or face name that measured, empty for the library default
    Metrics metrics;
};

Drawing textDrawing(const std::string& face, double pointSize) {
    Drawing drawing = newDrawing();
    if (!face.empty())
        DrawSetFont(drawing.get(), face.c_str());
    DrawSetFontSize(drawing.get(), pointSize);
    return drawing;
}

bool measure(MagickWand* scratch, const std::string& face, double pointSize,
             const std::string& text, Metrics& out) {
    Drawing drawing = textDrawing(face, pointSize);
    double* values = MagickQueryFontMetrics(scratch, drawing.get(), text.c_str());
    if (!values)
        return false;
    out.advance = values[11];
    out.height = values[2] - values[3];
    MagickRelinquishMemory(values);
    return true;
}

// The font file as the library should see it: absolute, so that names starting with '@', '-'
// or '^' are not taken for the library's special font notations. Empty when it is no file.
std::string usableFontFile(const std::string& fontFile) {
    if (fontFile.empty())
        return std::string();
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(fontFile, error);
    if (error || !std::filesystem::is_regular_file(path, error) || error)
        return std::string();
    return path.string();
}

MeasuredText measureText(const std::string& text, const std::string& fontFile, double pointSize) {
    MeasuredText result;
    Image scratch = makeCanvas(kMetricsScratchWidth, 1, "#ffffff");
    if (!scratch)
        return result;
    const std::string file = usableFontFile(fontFile);
    if (!file.empty() && measure(scratch.get(), file, pointSize, text, result.metrics)) {
        result.face = file;
        return result;
    }
    for (const char* face : kFallbackFaces) {
        if (measure(scratch.get(), face, pointSize, text, result.metrics)) {
            result.face = face;
            return result;
        }
    }
    result.metrics = Metrics();
    return result;
}

// The Pango family list of a shaped caption: the chosen font, then the faces the imaging
// library would fall back to; fontconfig supplies any character none of them has.
std::string shapedFamily(const std::string& fontFile) {
    std::string family = fontFamilyOfFile(usableFontFile(fontFile));
    for (const char* face : kShapedFallbackFamilies)
        family += (family.empty() ? "" : ", ") + std::string(face);
    return family;
}

MeasuredText measureShaped(const std::string& text, const std::string& fontFile, double pointSize) {
    MeasuredText result;
    result.face = shapedFamily(fontFile);
    const ShapedMetrics metrics = measureShapedText(text, result.face, pointSize);
    result.metrics.advance = metrics.advance;
    result.metrics.height = metrics.height;
    return result;
}

int toPixels(double value) {
    if (!(value > 0.0))
        return 0;
    return static_cast<int>(std::min(value, kMaxCaptionSide));
}

// A margin fraction in pixels: whole four-hundredths of the fraction, scaled to the side.
float marginPixels(float fraction, int side) {
    if (!(fraction > 0.0f))
        return 0.0f;
    const int quarterPercents = static_cast<int>(std::min(fraction, 1.0f) * 400.0f);
    return static_cast<float>(quarterPercents) * (static_cast<float>(side) / 400.0f);
}

Placement placementOf(int location) {
    switch (location) {
    case 0:
    case 1:
        return Placement::FlushLeft;
    case 2:
    case 3:
        return Placement::FlushRight;
    case 5:
    case 6:
        return Placement::Left;
    case 7:
    case 8:
        return Placement::Right;
    default:
        return Placement::Centre;
    }
}

bool isTop(int location) {
    return location == 0 || location == 2 || location == 5 || location == 7;
}

// The text is aligned away from the frame edge in the flush positions, so that the box's
// extra width lies on the edge side.
GravityType gravityOf(Placement placement) {
    switch (placement) {
    case Placement::FlushLeft:
        return EastGravity;
    case Placement::FlushRight:
        return WestGravity;
    default:
        return CenterGravity;
    }
}

void drawText(MagickWand* image, DrawingWand* drawing, const std::string& colour, double x,
              double y, const std::string& text) {
    Pixel fill = newPixel(colour);
    DrawSetFillColor(drawing, fill.get());
    MagickAnnotateImage(image, drawing, x, y, 0.0, text.c_str());
}

// The contrasting outline under text on a transparent ground: a stroke of the given width, or
// without one the text drawn at four one-pixel offsets.
void drawOutline(MagickWand* image, DrawingWand* drawing, const std::string& textColour,
                 double stroke, double strokeX, const std::string& text) {
    const std::string outline = textColour == "#ffffff" ? "#000000" : "#ffffff";
    if (stroke > 0.0) {
        Pixel strokeColour = newPixel(outline);
        DrawSetStrokeColor(drawing, strokeColour.get());
        DrawSetStrokeWidth(drawing, stroke);
        drawText(image, drawing, outline, strokeX, 1.0, text);
        Pixel none = newPixel("none");
        DrawSetStrokeColor(drawing, none.get());
        DrawSetStrokeWidth(drawing, 0.0);
        return;
    }
    constexpr std::array<std::array<double, 2>, 4> kOutlineOffsets = {
        {{0.0, 1.0}, {1.0, 0.0}, {2.0, 1.0}, {1.0, 2.0}}};
    for (const auto& [dx, dy] : kOutlineOffsets)
        drawText(image, drawing, outline, dx, dy, text);
}

// The text of a caption as it is drawn into its image.
struct CaptionInk {
    const std::string& text;
    const std::string& face; // what measured it: a font file or face name, or a Pango family
    double size;
    const std::string& textColour;
    Placement placement;
    bool outlined = false; // the contrasting outline of text without a box
    double stroke = 0.0;   // its width; 0 draws it at four one-pixel offsets
    double outlineX = 1.0;
    double textX = 1.0;
};

void drawInk(MagickWand* image, const CaptionInk& ink) {
    Drawing drawing = textDrawing(ink.face, ink.size);
    DrawSetGravity(drawing.get(), gravityOf(ink.placement));
    if (ink.outlined)
        drawOutline(image, drawing.get(), ink.textColour, ink.stroke, ink.outlineX, ink.text);
    drawText(image, drawing.get(), ink.textColour, ink.textX, 1.0, ink.text);
}

// The same rules for Pango: the gravity becomes the side the text is aligned to, and the
// outline is drawn under the text in the same place.
void drawShapedInk(MagickWand* image, const CaptionInk& ink) {
    ShapedDrawing drawing;
    drawing.text = ink.text;
    drawing.family = ink.face;
    drawing.pointSize = ink.size;
    drawing.textColour = ink.textColour;
    if (ink.outlined)
        drawing.outlineColour = ink.textColour == "#ffffff" ? "#000000" : "#ffffff";
    drawing.stroke = ink.stroke;
    const GravityType gravity = gravityOf(ink.placement);
    drawing.align = gravity == EastGravity   ? ShapedAlign::Right
                    : gravity == WestGravity ? ShapedAlign::Left
                                             : ShapedAlign::Centre;
    drawing.x = ink.textX;
    drawing.y = 1.0;
    drawShapedText(image, drawing);
}

// The caption's top left corner for a w x h caption in a width x height frame.
void placeOverlay(CaptionOverlay& overlay, Placement placement, int location,
                  std::pair<int, int> caption, std::pair<int, int> frame,
                  const CaptionMargins& margins) {
    const auto [w, h] = caption;
    const auto [width, height] = frame;
    const float top = marginPixels(margins.top, height);
    const float bottom = marginPixels(margins.bottom, height);
    const float centreBottom = marginPixels(margins.centerBottom, height);
    const float left = marginPixels(margins.left, width);
    const float right = marginPixels(margins.right, width);

    switch (placement) {
    case Placement::FlushLeft:
        overlay.x = 0.0;
        break;
    case Placement::FlushRight:
        overlay.x = width - w;
        break;
    case Placement::Left:
        overlay.x = left;
        break;
    case Placement::Right:
        overlay.x = static_cast<float>(width - w) - right;
        break;
    case Placement::Centre:
        overlay.x = width / 2 - w / 2;
        break;
    }
    if (placement == Placement::Centre)
        overlay.y = static_cast<float>(height - h) - centreBottom;
    else if (isTop(location))
        overlay.y = top;
    else
        overlay.y = static_cast<float>(height - h) - bottom;
}

void drawCaptionInk(CaptionEngine engine, MagickWand* image, const CaptionInk& ink) {
    if (engine == CaptionEngine::Shaped)
        drawShapedInk(image, ink);
    else
        drawInk(image, ink);
}

} // namespace

std::string colorText(ColorRef colour) {
    return colorRefToHex(colour);
}

CaptionOverlay renderCaption(int width, int height, const std::string& text,
                             const std::string& boxColour, const std::string& textColour,
                             const std::string& fontFile, int pointSize, int location,
                             const CaptionMargins& margins, const std::string& groundColour) {
    return renderCaptionWith(captionEngineFor(text), width, height, text, boxColour, textColour,
                             fontFile, pointSize, location, margins, groundColour);
}

std::vector<std::string> captionMissingFonts(const std::string& text, const std::string& fontFile) {
    if (captionEngineFor(text) != CaptionEngine::Shaped)
        return {};
    return missingCaptionFonts(text, shapedFamily(fontFile));
}

CaptionOverlay renderCaptionWith(CaptionEngine engine, int width, int height,
                                 const std::string& text, const std::string& boxColour,
                                 const std::string& textColour, const std::string& fontFile,
                                 int pointSize, int location, const CaptionMargins& margins,
                                 const std::string& groundColour) {
    CaptionOverlay overlay;
    if (width <= 0 || height <= 0)
        return overlay;
    const bool same = boxColour == textColour;
    const double size = std::clamp(static_cast<double>(pointSize), kMinPointSize, kMaxPointSize);
    const MeasuredText measured = engine == CaptionEngine::Shaped
                                      ? measureShaped(text, fontFile, size)
                                      : measureText(text, fontFile, size);

    const double d = measured.metrics.height;
    int w = toPixels(measured.metrics.advance + 1.0);
    int h = toPixels(d + 2.0) + (d != std::trunc(d) ? 1 : 0);
    // Text in the colour of the bars it may fall on gets a stroke of the other colour.
    const bool stroked = same && !groundColour.empty() && textColour == groundColour;
    const double stroke = std::max(kMinStroke, size / kStrokeShare);
    const int strokeRoom = stroked ? static_cast<int>(std::ceil(stroke)) : 0;
    const int grow = (same ? 3 : 1) + 2 * strokeRoom;
    w += grow;
    h += grow;
    int pad = 0;
    if (!same) {
        w += 2 * kBoxPadding;
        h += 2 * kBoxPadding;
        pad = kBoxPadding;
    }

    const Placement placement = placementOf(location);
    const bool flush = placement == Placement::FlushLeft || placement == Placement::FlushRight;
    if (flush && !same)
        w = static_cast<int>(6.0f * static_cast<float>(width) / 400.0f + static_cast<float>(w));
    placeOverlay(overlay, placement, location, {w, h}, {width, height}, margins);
    overlay.keepOpacity = same ? 1 : 0;

    overlay.image = makeCanvas(w, h, same ? "none" : boxColour);
    if (!overlay.image)
        return overlay;

    drawCaptionInk(engine, overlay.image.get(),
                   {.text = text,
                    .face = measured.face,
                    .size = size,
                    .textColour = textColour,
                    .placement = placement,
                    .outlined = same,
                    .stroke = stroked ? stroke : 0.0,
                    .outlineX = flush ? 1.0 + strokeRoom : 1.0,
                    .textX = flush ? pad + 1.0 + strokeRoom : 1.0});

    if (boxColour == kSharpenedBoxColour)
        MagickSharpenImage(overlay.image.get(), kSharpenRadius, kSharpenSigma);
    return overlay;
}

} // namespace velomira
