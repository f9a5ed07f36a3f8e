// Captions in scripts that need shaping or right-to-left ordering, against Pango's own drawing,
// and Chinese and Latin captions against the imaging library's drawing they always had.
#include "platform/paths.h"
#include "render/caption_fonts.h"
#include "render/caption_renderer.h"
#include "render/caption_shaping.h"
#include "render/image/magick_handles.h"

#include <gtest/gtest.h>

#include <pango/pangocairo.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace velomira {
namespace {

namespace fs = std::filesystem;

// Luminance of each pixel, row by row, with the frame's size.
struct Grey {
    int width = 0;
    int height = 0;
    std::vector<int> values;
    int at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

struct InkBox {
    int left = 0, top = 0, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

InkBox inkBox(const Grey& grey) {
    InkBox box{grey.width, grey.height, -1, -1};
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x)
            if (grey.at(x, y) > 96) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

Grey greyOf(MagickWand* image) {
    Grey grey;
    grey.width = static_cast<int>(MagickGetImageWidth(image));
    grey.height = static_cast<int>(MagickGetImageHeight(image));
    std::vector<unsigned char> rgb(static_cast<std::size_t>(grey.width) * grey.height * 3);
    MagickExportImagePixels(image, 0, 0, grey.width, grey.height, "RGB", CharPixel, rgb.data());
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        grey.values.push_back((rgb[i] * 3 + rgb[i + 1] * 6 + rgb[i + 2]) / 10);
    return grey;
}

// White text on black drawn by Pango directly, at a pixel size, from the font's family.
Grey pangoReference(const std::string& text, const char* family, int pixelSize) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 200);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, family);
    pango_font_description_set_absolute_size(description, pixelSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_text(layout, text.c_str(), -1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 20, 20);
    pango_cairo_show_layout(cr, layout);
    cairo_surface_flush(surface);
    Grey grey{800, 200, {}};
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x) {
            const auto p = reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
            grey.values.push_back(static_cast<int>(
                (((p >> 16) & 0xff) * 3 + ((p >> 8) & 0xff) * 6 + (p & 0xff)) / 10));
        }
    pango_font_description_free(description);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return grey;
}

// Mean absolute difference of the two inks laid over each other at their top left corners;
// 255 when their sizes differ by more than a pixel.
double inkDifference(const Grey& a, const Grey& b) {
    const InkBox boxA = inkBox(a);
    const InkBox boxB = inkBox(b);
    if (boxA.width() <= 0 || std::abs(boxA.width() - boxB.width()) > 1 ||
        std::abs(boxA.height() - boxB.height()) > 1)
        return 255.0;
    const int w = std::max(boxA.width(), boxB.width());
    const int h = std::max(boxA.height(), boxB.height());
    const auto value = [](const Grey& g, int x, int y) {
        return x < g.width && y < g.height ? g.at(x, y) : 0;
    };
    double sum = 0.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sum += std::abs(value(a, boxA.left + x, boxA.top + y) -
                            value(b, boxB.left + x, boxB.top + y));
    return sum / (w * h);
}

struct ScriptCase {
    const char* name;
    const char* text;
    const char* fontFile; // under the Noto fonts folder
    const char* family;
};

const ScriptCase kScripts[] = {
    {"Arabic", "مرحبا بالعالم", "NotoSansArabic-Regular.ttf", "Noto Sans Arabic"},
    {"Hebrew", "שלום עולם", "NotoSansHebrew-Regular.ttf", "Noto Sans Hebrew"},
    {"Devanagari", "नमस्ते दुनिया", "NotoSansDevanagari-Regular.ttf", "Noto Sans Devanagari"},
};

constexpr const char* kNotoFolder = "/usr/share/fonts/truetype/noto/";
constexpr int kPixelSize = 32;

class ScriptCaptionTest : public ::testing::Test {
  protected:
    void SetUp() override { initImageLibrary(); }

    // The Noto fonts the set-up script installs, passed explicitly so that the machine's font
    // choice does not matter.
    static bool notoFontsPresent() {
        for (const ScriptCase& script : kScripts)
            if (!fs::exists(std::string(kNotoFolder) + script.fontFile))
                return false;
        return true;
    }
    static std::string arabicFont() { return std::string(kNotoFolder) + kScripts[0].fontFile; }

    CaptionMargins margins;
};

TEST(CaptionEngine, ChoosesShapingByTheTextsCharacters) {
    const struct {
        const char* text;
        CaptionEngine engine;
    } cases[] = {
        {"", CaptionEngine::ImageLibrary},
        {"字幕 Ab 2026", CaptionEngine::ImageLibrary},
        {"Café, naïve, Ελληνικά, Кириллица", CaptionEngine::ImageLibrary},
        {"日本語 かな 한국어", CaptionEngine::ImageLibrary},
        {"مرحبا", CaptionEngine::Shaped},
        {"שלום", CaptionEngine::Shaped},
        {"नमस्ते", CaptionEngine::Shaped},
        {"สวัสดี", CaptionEngine::Shaped},
        {"ខ្មែរ", CaptionEngine::Shaped},
        {"我们 and עברית mixed", CaptionEngine::Shaped},
        {"ﻻ presentation form", CaptionEngine::Shaped},
        {"price \xE2\x80\x8F"
         "100",
         CaptionEngine::Shaped},                      // right-to-left mark
        {"broken \xD7", CaptionEngine::ImageLibrary}, // cut UTF-8 is never shaped
        {"\xEF\xBB\xBF"
         "bom",
         CaptionEngine::ImageLibrary},
    };
    for (const auto& c : cases)
        EXPECT_EQ(captionEngineFor(c.text), c.engine) << c.text;
}

TEST_F(ScriptCaptionTest, ChineseAndLatinCaptionsKeepTheImageLibraryPixels) {
    const CaptionFontTable table = buildCaptionFontTable(defaultFontFolders(homeFolder()));
    if (table.empty())
        GTEST_SKIP() << "no caption font installed (run the set-up script)";
    for (const char* text : {"字幕 Ab", "Hello, world 2026"})
        for (const auto& [box, ink, ground] : {std::tuple{"#000000", "#ffffff", ""},
                                               {"#ffffff", "#ffffff", ""},
                                               {"#ffffff", "#ffffff", "#ffffff"},
                                               {"#ff619d", "#ffffff", ""}})
            for (int location : {1, 4}) {
                SCOPED_TRACE(std::string(text) + " " + box + " " + std::to_string(location));
                const CaptionOverlay chosen = renderCaption(
                    320, 180, text, box, ink, table.front().path, 20, location, margins, ground);
                const CaptionOverlay old =
                    renderCaptionWith(CaptionEngine::ImageLibrary, 320, 180, text, box, ink,
                                      table.front().path, 20, location, margins, ground);
                ASSERT_TRUE(chosen.image && old.image);
                EXPECT_EQ(chosen.x, old.x);
                EXPECT_EQ(chosen.y, old.y);
                EXPECT_EQ(MagickGetImageSignature(chosen.image.get()),
                          std::string(MagickGetImageSignature(old.image.get())));
            }
}

TEST_F(ScriptCaptionTest, ShapedCaptionsMatchPangosOwnDrawing) {
    if (!notoFontsPresent())
        GTEST_SKIP() << "the Noto fonts of fonts-noto-core are missing (run the set-up script)";
    for (const ScriptCase& script : kScripts) {
        SCOPED_TRACE(script.name);
        const std::string font = std::string(kNotoFolder) + script.fontFile;
        const CaptionOverlay caption = renderCaption(640, 360, script.text, "#000000", "#ffffff",
                                                     font, kPixelSize, 4, margins);
        ASSERT_TRUE(caption.image);
        const Grey reference = pangoReference(script.text, script.family, kPixelSize);
        const double shaped = inkDifference(greyOf(caption.image.get()), reference);
        EXPECT_LT(shaped, 6.0);
        // Drawn one character after another, the same text is far from the reference.
        const CaptionOverlay unshaped =
            renderCaptionWith(CaptionEngine::ImageLibrary, 640, 360, script.text, "#000000",
                              "#ffffff", font, kPixelSize, 4, margins);
        EXPECT_GT(inkDifference(greyOf(unshaped.image.get()), reference), 3 * shaped);
    }
}

TEST_F(ScriptCaptionTest, ShapedCaptionsKeepThePlacementAndOutlineRules) {
    if (!notoFontsPresent())
        GTEST_SKIP() << "the Noto fonts of fonts-noto-core are missing (run the set-up script)";
    const std::string text = kScripts[0].text;
    const auto make = [&](int w, int h, int location, const char* box, const char* ground) {
        return renderCaption(w, h, text, box, "#ffffff", arabicFont(), 16, location, margins,
                             ground);
    };
    const auto sizeOf = [](const CaptionOverlay& c) {
        return std::pair<int, int>(static_cast<int>(MagickGetImageWidth(c.image.get())),
                                   static_cast<int>(MagickGetImageHeight(c.image.get())));
    };
    for (const char* box : {"#000000", "#ffffff"}) {
        SCOPED_TRACE(box);
        const CaptionOverlay topLeft = make(400, 400, 5, box, "");
        ASSERT_TRUE(topLeft.image);
        EXPECT_EQ(topLeft.x, 24.0);
        EXPECT_EQ(topLeft.y, 24.0);
        const CaptionOverlay bottomRight = make(800, 450, 8, box, "");
        const auto [w, h] = sizeOf(bottomRight);
        EXPECT_EQ(bottomRight.x + w, 800 - 48);
        EXPECT_EQ(bottomRight.y + h, 450 - 27);
        const CaptionOverlay centre = make(400, 400, 4, box, "");
        EXPECT_EQ(centre.x, 200 - sizeOf(centre).first / 2);
    }
    // Text on its own colour: outlined on a transparent ground, the stroke widening it.
    const CaptionOverlay outlined = make(400, 400, 4, "#ffffff", "");
    const CaptionOverlay stroked = make(400, 400, 4, "#ffffff", "#ffffff");
    EXPECT_EQ(outlined.keepOpacity, 1);
    EXPECT_EQ(sizeOf(stroked).first - sizeOf(outlined).first, 2 * 2);
    for (const CaptionOverlay* c : {&outlined, &stroked}) {
        const Grey grey = greyOf(c->image.get());
        const InkBox ink = inkBox(grey);
        ASSERT_GT(ink.width(), 0);
        int dark = 0;
        for (int y = ink.top; y <= ink.bottom; ++y)
            for (int x = ink.left; x <= ink.right; ++x)
                dark += grey.at(x, y) < 40 ? 1 : 0;
        EXPECT_GT(dark, 0) << "no contrasting outline";
    }
}

TEST_F(ScriptCaptionTest, MissingScriptFontsAreNamed) {
    // U+05FF lies in the Hebrew block but is no character, so no font has it.
    const std::vector<std::string> missing = missingCaptionFonts("abc \xD7\xBF", "DejaVu Sans");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0], "Noto Sans (U+05FF)");
    if (!notoFontsPresent())
        GTEST_SKIP() << "the Noto fonts of fonts-noto-core are missing (run the set-up script)";
    for (const ScriptCase& script : kScripts)
        EXPECT_TRUE(missingCaptionFonts(script.text, script.family).empty()) << script.name;
    EXPECT_EQ(fontFamilyOfFile(arabicFont()), "Noto Sans Arabic");
    EXPECT_EQ(fontFamilyOfFile("/nonexistent/font.ttf"), "");
}

} // namespace
} // namespace velomira
