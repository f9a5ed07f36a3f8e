// The threaded HEVC decoder against libheif's own, on pictures heif-enc writes here.
#include "media/heif_handles.h"
#include "render/image/heif_hevc_decoder.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace velomira::testing {
namespace {

TEST(SizedNalUnits, SplitAtEachSizeAndStopAtOneThatDoesNotFit) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::vector<std::size_t> sizes;
    };
    const Case cases[] = {
        {{}, {}},
        {{0, 0, 0}, {}},                                   // shorter than a size
        {{0, 0, 0, 2, 'a', 'b'}, {2}},                     // exact
        {{0, 0, 0, 1, 'a', 0, 0, 0, 2, 'b', 'c'}, {1, 2}}, // two
        {{0, 0, 0, 1, 'a', 0, 0, 0, 9, 'b'}, {1}},         // the second runs past the end
        {{0, 0, 0, 1, 'a', 0, 0}, {1}},                    // a torn size
        {{0, 0, 0, 0, 0, 0, 0, 1, 'a'}, {}},               // an empty unit ends the list
        {{0xFF, 0xFF, 0xFF, 0xFF, 'a'}, {}},               // a size near the type's end
    };
    for (const Case& c : cases) {
        const auto units = splitSizedNalUnits(c.bytes);
        std::vector<std::size_t> sizes;
        for (const auto unit : units)
            sizes.push_back(unit.size());
        EXPECT_EQ(sizes, c.sizes) << c.bytes.size() << " bytes";
    }
}

enum class Decoder { LibheifsOwn, Threaded, ThreadedToRgb };

// Every plane of the primary picture as libheif hands it out (with the alpha, which is a picture
// of its own), decoded as asked.
std::vector<std::vector<std::uint8_t>> decodedPlanes(const std::string& path, Decoder decoder) {
    HeifContext context(heif_context_alloc());
    std::vector<std::vector<std::uint8_t>> planes;
    heif_image_handle* raw = nullptr;
    if (heif_context_read_from_file(context.get(), path.c_str(), nullptr).code ||
        heif_context_get_primary_image_handle(context.get(), &raw).code)
        return planes;
    const HeifHandle handle(raw);
    if (decoder != Decoder::LibheifsOwn)
        useThreadedHevcDecoder(
            context.get(), decoder == Decoder::ThreadedToRgb ? HevcOutput::Rgb : HevcOutput::Ycbcr);
    heif_image* decoded = nullptr;
    if (heif_decode_image(handle.get(), &decoded, heif_colorspace_undefined, heif_chroma_undefined,
                          nullptr)
            .code)
        return planes;
    const HeifImage image(decoded);
    for (heif_channel channel :
         {heif_channel_Y, heif_channel_Cb, heif_channel_Cr, heif_channel_R, heif_channel_G,
          heif_channel_B, heif_channel_Alpha, heif_channel_interleaved}) {
        if (!heif_image_has_channel(image.get(), channel))
            continue;
        const int width = heif_image_get_width(image.get(), channel);
        const int height = heif_image_get_height(image.get(), channel);
        const int bytes = (heif_image_get_bits_per_pixel(image.get(), channel) + 7) / 8;
        int stride = 0;
        const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), channel, &stride);
        std::vector<std::uint8_t> rows;
        for (int y = 0; y < height; ++y)
            rows.insert(rows.end(), plane + y * stride, plane + y * stride + width * bytes);
        planes.push_back(std::move(rows));
    }
    return planes;
}

TEST(ThreadedHevcDecoder, GivesLibheifsOwnPixelsForEveryLayoutDepthAndAlpha) {
    const TempFolder folder;
    const auto run = [&](const std::string& command) {
        return std::system(
                   ("cd '" + folder.path().string() + "' && " + command + " >/dev/null").c_str()) ==
               0;
    };
    ASSERT_TRUE(run("convert -size 67x41 gradient:red-blue -depth 8 PNG24:plain.png && "
                    "convert plain.png plain.jpg && "
                    "convert -size 67x41 gradient:red-blue -depth 16 PNG48:deep.png && "
                    "convert -size 33x17 xc:none -fill '#20C04080' -draw 'circle 16,8 16,2' "
                    "PNG32:alpha.png"));
    struct Case {
        const char* name;
        const char* options;
        const char* source;
    };
    const Case cases[] = {
        {"yuv420.heic", "-q 60", "plain.png"},
        {"yuv444.heic", "-q 60 -p chroma=444", "plain.png"},
        {"ten-bit.heic", "-q 60 -b 10", "deep.png"},
        {"alpha.heic", "-q 60", "alpha.png"},
        {"stream-bt709.heic", "-q 60 -p x265:colormatrix=bt709", "plain.png"},
        {"stream-limited.heic", "-q 60 -p x265:range=limited", "plain.png"},
        {"unspecified.heic", "-q 60", "plain.jpg"},
        {"gbr.heic", "-q 60 --matrix_coefficients=0 -p chroma=444", "plain.png"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(run(std::string("heif-enc ") + c.options + " -o " + c.name + " " + c.source))
            << c.name;
        const std::string path = folder.file(c.name);
        const auto own = decodedPlanes(path, Decoder::LibheifsOwn);
        ASSERT_FALSE(own.empty()) << c.name;
        EXPECT_EQ(decodedPlanes(path, Decoder::Threaded), own) << c.name;
        // Converted here: within a level of libheif's conversion.
        const auto rgb = decodedPlanes(path, Decoder::ThreadedToRgb);
        ASSERT_EQ(rgb.size(), own.size()) << c.name;
        for (std::size_t p = 0; p < own.size(); ++p) {
            ASSERT_EQ(rgb[p].size(), own[p].size()) << c.name;
            int worst = 0;
            for (std::size_t i = 0; i < own[p].size(); ++i)
                worst = std::max(worst, std::abs(rgb[p][i] - own[p][i]));
            EXPECT_LE(worst, 1) << c.name << " plane " << p;
        }
    }
}

TEST(ThreadedHevcDecoder, TornDataGivesWhatLibheifsOwnGives) {
    const TempFolder folder;
    ASSERT_EQ(std::system(("cd '" + folder.path().string() +
                           "' && convert -size 64x48 gradient:red-blue PNG24:p.png && "
                           "heif-enc -q 60 -o whole.heic p.png >/dev/null && "
                           "head -c 1200 whole.heic > torn.heic && head -c 700 whole.heic > "
                           "headless.heic")
                              .c_str()),
              0);
    for (const char* name : {"torn.heic", "headless.heic"}) {
        const std::string path = folder.file(name);
        EXPECT_EQ(decodedPlanes(path, Decoder::ThreadedToRgb),
                  decodedPlanes(path, Decoder::LibheifsOwn))
            << name;
    }
}

} // namespace
} // namespace velomira::testing
