// Pictures larger than the frame are shrunk by the 8-bit scaler when they allow it: the canvas
// must stay within a level or two of the imaging library's own Lanczos fit, on photographs of
// several sizes and shapes and on hard edges, and pictures the 8-bit path cannot carry keep the
// library's result exactly.
#include "effect_harness.h"
#include "render/image/image_layer.h"
#include "render_fixture.h"

#include <cstdlib>
#include <vector>

namespace velomira::testing {
namespace {

class PictureFitTest : public RenderTest {};

// Black and white halves split at an odd column, with a white bar across the black half.
Image hardEdges(int width, int height) {
    Image picture = makeCanvas(width, height, "#000000");
    Image white = makeCanvas(width / 2 + 1, height, "#ffffff");
    Image bar = makeCanvas(width / 2, height / 7, "#ffffff");
    MagickCompositeImage(picture.get(), white.get(), OverCompositeOp, width / 2 - 1, 0);
    MagickCompositeImage(picture.get(), bar.get(), OverCompositeOp, 0, height / 3);
    return picture;
}

struct Difference {
    double mean = 0.0;     // levels per channel sample
    double farShare = 0.0; // pixels with a channel off by more than 8 levels
};

Difference compare(MagickWand* a, MagickWand* b) {
    const std::size_t w = MagickGetImageWidth(a);
    const std::size_t h = MagickGetImageHeight(a);
    if (w != MagickGetImageWidth(b) || h != MagickGetImageHeight(b))
        return {1e9, 1.0};
    std::vector<unsigned char> pa(w * h * 3), pb(w * h * 3);
    MagickExportImagePixels(a, 0, 0, w, h, "RGB", CharPixel, pa.data());
    MagickExportImagePixels(b, 0, 0, w, h, "RGB", CharPixel, pb.data());
    double sum = 0;
    std::size_t far = 0;
    for (std::size_t p = 0; p < w * h; ++p) {
        int worst = 0;
        for (std::size_t k = 3 * p; k < 3 * p + 3; ++k) {
            const int d = std::abs(int(pa[k]) - int(pb[k]));
            sum += d;
            worst = std::max(worst, d);
        }
        far += worst > 8 ? 1 : 0;
    }
    return {sum / static_cast<double>(pa.size()), static_cast<double>(far) / (w * h)};
}

TEST_F(PictureFitTest, EightBitFitStaysWithinALevelOfTheLibrarysFit) {
    struct Case {
        int pictureWidth, pictureHeight, canvasWidth, canvasHeight;
        bool edges;
    };
    const Case cases[] = {
        {1920, 1080, 640, 360, false}, // the frame's own shape
        {1000, 1400, 320, 180, false}, // portrait: bars left and right
        {641, 481, 161, 91, false},    // odd sizes, a steep reduction
        {900, 601, 300, 200, true},    // hard edges: the filters' ringing
        {800, 600, 640, 480, true},    // a slight reduction
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.pictureWidth << "x" << c.pictureHeight << " on "
                                          << c.canvasWidth << "x" << c.canvasHeight);
        auto make = [&] {
            return c.edges ? hardEdges(c.pictureWidth, c.pictureHeight)
                           : texturedPicture(c.pictureWidth, c.pictureHeight, 5);
        };
        Image forLibrary = make();
        Image forScaler = make();
        const Image library =
            fitToCanvas(c.canvasWidth, c.canvasHeight, forLibrary, "#000000", FitScaler::Library);
        const Image scaled = fitToCanvas(c.canvasWidth, c.canvasHeight, forScaler, "#000000");
        ASSERT_TRUE(library);
        ASSERT_TRUE(scaled);
        // The picture itself is shrunk in place either way.
        EXPECT_EQ(MagickGetImageWidth(forScaler.get()), MagickGetImageWidth(forLibrary.get()));
        EXPECT_EQ(MagickGetImageHeight(forScaler.get()), MagickGetImageHeight(forLibrary.get()));
        const Difference d = compare(scaled.get(), library.get());
        EXPECT_LE(d.mean, 0.75);
        EXPECT_LE(d.farShare, 0.001);
    }
}

TEST_F(PictureFitTest, PicturesWithTransparencyOrDeepSamplesKeepTheLibrarysFit) {
    Image transparent = texturedPicture(600, 400, 3);
    MagickSetImageAlphaChannel(transparent.get(), SetAlphaChannel);
    MagickSetImageOpacity(transparent.get(), 0.6);
    Image deep = texturedPicture(600, 400, 4);
    MagickSetImageDepth(deep.get(), 16);
    for (Image* picture : {&transparent, &deep}) {
        Image copy = cloneImage(*picture);
        const Image automatic = fitToCanvas(300, 150, *picture, "#ffffff");
        const Image library = fitToCanvas(300, 150, copy, "#ffffff", FitScaler::Library);
        EXPECT_EQ(compare(automatic.get(), library.get()).mean, 0.0);
    }
}

} // namespace
} // namespace velomira::testing
