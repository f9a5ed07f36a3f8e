#include "render/caption_shaping.h"

#include "render/image/magick_handles.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace velomira {

namespace {

struct CodeRange {
    std::uint32_t first;
    std::uint32_t last;
};

// Blocks of right-to-left scripts, of scripts whose syllables are shaped, and the direction
// controls. Latin with combining accents, Cyrillic, Greek and the CJK blocks are not here.
constexpr std::array<CodeRange, 19> kShapedRanges = {{
    {0x0590, 0x08FF},   // Hebrew, Arabic, Syriac, Thaana, N'Ko, Samaritan, Mandaic
    {0x0900, 0x0DFF},   // Devanagari to Sinhala
    {0x0E00, 0x0FFF},   // Thai, Lao, Tibetan
    {0x1000, 0x109F},   // Myanmar
    {0x1700, 0x18AF},   // Philippine scripts, Khmer, Mongolian
    {0x1900, 0x1C4F},   // Limbu to Lepcha
    {0x200E, 0x200F},   // left-to-right and right-to-left marks
    {0x202A, 0x202E},   // embeddings and overrides
    {0x2066, 0x2069},   // isolates
    {0xA800, 0xA82F},   // Syloti Nagri
    {0xA840, 0xA8FF},   // Phags-pa, Saurashtra, Devanagari Extended
    {0xA900, 0xA9FF},   // Kayah Li, Rejang, Javanese
    {0xAA00, 0xAAFF},   // Cham, Myanmar Extended, Tai Viet, Meetei Mayek Extensions
    {0xABC0, 0xABFF},   // Meetei Mayek
    {0xFB1D, 0xFDFF},   // Hebrew and Arabic presentation forms
    {0xFE70, 0xFEFE},   // Arabic presentation forms B (not the byte order mark)
    {0x10800, 0x10FFF}, // historic right-to-left scripts
    {0x11000, 0x11FFF}, // historic Brahmic scripts
    {0x1E800, 0x1EFFF}, // Mende Kikakui, Adlam, Arabic mathematical letters
}};

bool needsShaping(std::uint32_t c) {
    return std::any_of(kShapedRanges.begin(), kShapedRanges.end(),
                       [c](const CodeRange& r) { return c >= r.first && c <= r.last; });
}

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const noexcept { g_object_unref(layout); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const noexcept { cairo_destroy(cr); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const noexcept { pango_font_description_free(d); }
};
struct PatternDeleter {
    void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
struct LayoutIterDeleter {
    void operator()(PangoLayoutIter* it) const noexcept { pango_layout_iter_free(it); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutDeleter>;
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// A surface of the given size (at least 1 x 1) with its drawing context.
struct Canvas {
    Surface surface;
    Context cr;
};

Canvas newCanvas(int width, int height) {
    Canvas canvas;
    canvas.surface.reset(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1)));
    if (cairo_surface_status(canvas.surface.get()) != CAIRO_STATUS_SUCCESS)
        return Canvas();
    canvas.cr.reset(cairo_create(canvas.surface.get()));
    if (cairo_status(canvas.cr.get()) != CAIRO_STATUS_SUCCESS)
        return Canvas();
    return canvas;
}

Layout textLayout(cairo_t* cr, const std::string& text, const std::string& family,
                  double pointSize) {
    Layout layout(pango_cairo_create_layout(cr));
    std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description(
        pango_font_description_new());
    pango_font_description_set_family(description.get(), family.c_str());
    pango_font_description_set_absolute_size(description.get(), pointSize * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
    return layout;
}

void setColour(cairo_t* cr, const std::string& colour) {
    PangoColor parsed{0, 0, 0};
    pango_color_parse(&parsed, colour.c_str());
    cairo_set_source_rgb(cr, parsed.red / 65535.0, parsed.green / 65535.0, parsed.blue / 65535.0);
}

// Cairo's premultiplied native-endian pixels as straight RGBA bytes.
std::vector<unsigned char> straightRgba(cairo_surface_t* surface, int width, int height) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<unsigned char> out(static_cast<std::size_t>(width) * height * 4);
    unsigned char* to = out.data();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x, to += 4) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            const auto straight = [a](unsigned c) {
                return static_cast<unsigned char>(a == 0 ? 0
                                                         : std::min(255u, (c * 255 + a / 2) / a));
            };
            to[0] = straight((p >> 16) & 0xff);
            to[1] = straight((p >> 8) & 0xff);
            to[2] = straight(p & 0xff);
            to[3] = static_cast<unsigned char>(a);
        }
    }
    return out;
}

void drawLayout(cairo_t* cr, PangoLayout* layout, const ShapedDrawing& drawing, double x,
                double y) {
    if (!drawing.outlineColour.empty()) {
        setColour(cr, drawing.outlineColour);
        if (drawing.stroke > 0.0) {
            cairo_move_to(cr, x, y);
            pango_cairo_layout_path(cr, layout);
            cairo_fill_preserve(cr);
            cairo_set_line_width(cr, drawing.stroke);
            cairo_stroke(cr);
        } else {
            constexpr std::array<std::array<double, 2>, 4> kOffsets = {
                {{-1.0, 0.0}, {0.0, -1.0}, {1.0, 0.0}, {0.0, 1.0}}};
            for (const auto& [dx, dy] : kOffsets) {
                cairo_move_to(cr, x + dx, y + dy);
                pango_cairo_show_layout(cr, layout);
            }
        }
    }
    setColour(cr, drawing.textColour);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
}

struct ScriptFont {
    GUnicodeScript script;
    const char* font;
};

// The free fonts that cover the scripts a caption most often needs.
constexpr std::array<ScriptFont, 19> kScriptFonts = {{
    {G_UNICODE_SCRIPT_ARABIC, "Noto Sans Arabic"},
    {G_UNICODE_SCRIPT_HEBREW, "Noto Sans Hebrew"},
    {G_UNICODE_SCRIPT_DEVANAGARI, "Noto Sans Devanagari"},
    {G_UNICODE_SCRIPT_BENGALI, "Noto Sans Bengali"},
    {G_UNICODE_SCRIPT_GURMUKHI, "Noto Sans Gurmukhi"},
    {G_UNICODE_SCRIPT_GUJARATI, "Noto Sans Gujarati"},
    {G_UNICODE_SCRIPT_ORIYA, "Noto Sans Oriya"},
    {G_UNICODE_SCRIPT_TAMIL, "Noto Sans Tamil"},
    {G_UNICODE_SCRIPT_TELUGU, "Noto Sans Telugu"},
    {G_UNICODE_SCRIPT_KANNADA, "Noto Sans Kannada"},
    {G_UNICODE_SCRIPT_MALAYALAM, "Noto Sans Malayalam"},
    {G_UNICODE_SCRIPT_SINHALA, "Noto Sans Sinhala"},
    {G_UNICODE_SCRIPT_THAI, "Noto Sans Thai"},
    {G_UNICODE_SCRIPT_LAO, "Noto Sans Lao"},
    {G_UNICODE_SCRIPT_TIBETAN, "Noto Serif Tibetan"},
    {G_UNICODE_SCRIPT_MYANMAR, "Noto Sans Myanmar"},
    {G_UNICODE_SCRIPT_KHMER, "Noto Sans Khmer"},
    {G_UNICODE_SCRIPT_SYRIAC, "Noto Sans Syriac"},
    {G_UNICODE_SCRIPT_THAANA, "Noto Sans Thaana"},
}};

std::string fontForCharacter(gunichar c) {
    const GUnicodeScript script = g_unichar_get_script(c);
    for (const ScriptFont& entry : kScriptFonts)
        if (entry.script == script)
            return entry.font;
    char name[48];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return std::string("Noto Sans (") + name + ")";
}

} // namespace

CaptionEngine captionEngineFor(std::string_view utf8) {
    if (!g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr))
        return CaptionEngine::ImageLibrary;
    const char* end = utf8.data() + utf8.size();
    for (const char* p = utf8.data(); p < end; p = g_utf8_next_char(p))
        if (needsShaping(g_utf8_get_char(p)))
            return CaptionEngine::Shaped;
    return CaptionEngine::ImageLibrary;
}

std::string fontFamilyOfFile(const std::string& fontFile) {
    if (fontFile.empty())
        return std::string();
    int count = 0;
    std::unique_ptr<FcPattern, PatternDeleter> pattern(
        FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(fontFile.c_str()), 0, nullptr, &count));
    FcChar8* family = nullptr;
    if (!pattern || FcPatternGetString(pattern.get(), FC_FAMILY, 0, &family) != FcResultMatch)
        return std::string();
    return reinterpret_cast<const char*>(family);
}

ShapedMetrics measureShapedText(const std::string& text, const std::string& family,
                                double pointSize) {
    ShapedMetrics metrics;
    Canvas canvas = newCanvas(1, 1);
    if (!canvas.cr)
        return metrics;
    Layout layout = textLayout(canvas.cr.get(), text, family, pointSize);
    PangoRectangle logical{};
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    metrics.advance = static_cast<double>(logical.width) / PANGO_SCALE;
    metrics.height = static_cast<double>(logical.height) / PANGO_SCALE;
    return metrics;
}

bool drawShapedText(MagickWand* image, const ShapedDrawing& drawing) {
    if (!image)
        return false;
    const int width = static_cast<int>(MagickGetImageWidth(image));
    const int height = static_cast<int>(MagickGetImageHeight(image));
    Canvas canvas = newCanvas(width, height);
    if (!canvas.cr || width <= 0 || height <= 0)
        return false;
    Layout layout = textLayout(canvas.cr.get(), drawing.text, drawing.family, drawing.pointSize);
    PangoRectangle logical{};
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    const double textWidth = static_cast<double>(logical.width) / PANGO_SCALE;
    const double textHeight = static_cast<double>(logical.height) / PANGO_SCALE;
    double x = (width - textWidth) / 2.0 + drawing.x;
    if (drawing.align == ShapedAlign::Left)
        x = drawing.x;
    else if (drawing.align == ShapedAlign::Right)
        x = width - drawing.x - textWidth;
    const double y = (height - textHeight) / 2.0 + drawing.y;
    drawLayout(canvas.cr.get(), layout.get(), drawing, x, y);

    const std::vector<unsigned char> pixels = straightRgba(canvas.surface.get(), width, height);
    Image layer = newImage();
    if (!layer || MagickConstituteImage(layer.get(), width, height, "RGBA", CharPixel,
                                        pixels.data()) == MagickFalse)
        return false;
    return MagickCompositeImage(image, layer.get(), OverCompositeOp, 0, 0) != MagickFalse;
}

std::vector<std::string> missingCaptionFonts(const std::string& text, const std::string& family) {
    std::vector<std::string> fonts;
    Canvas canvas = newCanvas(1, 1);
    if (!canvas.cr)
        return fonts;
    Layout layout = textLayout(canvas.cr.get(), text, family, 16.0);
    if (pango_layout_get_unknown_glyphs_count(layout.get()) == 0)
        return fonts;
    std::unique_ptr<PangoLayoutIter, LayoutIterDeleter> it(pango_layout_get_iter(layout.get()));
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it.get());
        if (!run)
            continue;
        for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
            const PangoGlyph glyph = run->glyphs->glyphs[i].glyph;
            if (!(glyph & PANGO_GLYPH_UNKNOWN_FLAG))
                continue;
            const std::string font = fontForCharacter(glyph & ~PANGO_GLYPH_UNKNOWN_FLAG);
            if (std::find(fonts.begin(), fonts.end(), font) == fonts.end())
                fonts.push_back(font);
        }
    } while (pango_layout_iter_next_run(it.get()));
    return fonts;
}

} // namespace velomira
