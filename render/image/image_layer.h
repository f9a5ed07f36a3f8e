#pragma once
// Where pictures enter and frames leave the rendering pipeline: reading and normalising a
// picture, canvases of the video size, fitting and zooming, JPEG frames, and the
// picture-info text. Paths are UTF-8 and go to the library as they are.
#include "platform/failure.h"
#include "render/frame_format.h"
#include "render/image/magick_handles.h"

#include <cstdint>
#include <string>
#include <utility>

namespace velomira {

// The logo drawn into preview frames (in a video the encoder draws it instead).
struct PreviewLogo {
    Image image;
    int x = 0;
    int y = 0;
};

// A rendered caption ready to be composited onto frames; x and y are truncated toward zero
// when used.
struct CaptionOverlay {
    Image image;
    double x = 0.0;
    double y = 0.0;
    std::int32_t keepOpacity = 0;
};

// Reads and normalises a picture: profiles stripped, alpha flattened onto fillColour (BMP:
// alpha switched off), CMYK turned into sRGB. An empty fillColour keeps the transparency (a
// logo laid over frames). On failure returns an empty image and, when failure is given, the
// reader's message for the caller to show (a read made ahead shows it only when the picture's
// turn comes). A JPEG, HEIF or AVIF much larger than sizeHint (width x height, both above 0) is
// decoded or shrunk at once to a size that still covers the hint in both directions.
Image readPicture(const std::string& path, const std::string& fillColour,
                  std::pair<int, int> sizeHint = {0, 0}, Failure* failure = nullptr);

// The size fitToCanvas gives a width x height picture on a canvasWidth x canvasHeight canvas.
std::pair<int, int> fittedSize(int canvasWidth, int canvasHeight, int width, int height);

// A new width x height image filled with the colour; empty when the size is not positive.
Image makeCanvas(int width, int height, const std::string& colour);

// How a picture larger than the canvas is shrunk: an opaque picture of at most 8 bits a channel
// by the 8-bit Lanczos scaler (Auto), anything else, or everything (Library), by the imaging
// library's Lanczos resize.
enum class FitScaler { Auto, Library };

// A width x height canvas in fillColour with the picture centred on it. A picture larger than
// the canvas is first shrunk in place to fit; a smaller one keeps its size.
Image fitToCanvas(int width, int height, Image& picture, const std::string& fillColour,
                  FitScaler scaler = FitScaler::Auto);

// The same onto a canvas the caller made (a blurred ground); its size is the frame's.
Image fitOntoCanvas(Image canvas, Image& picture, FitScaler scaler = FitScaler::Auto);

// Scales the picture in place to exactly width x height with a Lanczos filter (the 8-bit
// scaler for plain pictures, unless shrinking by more than four); enlarges as well as shrinks.
void scalePictureTo(Image& picture, int width, int height);

// A white width x height canvas with a copy of the picture enlarged by grow pixels in width
// (and proportionally to the frame in height) centred on it. The picture is not changed.
Image zoomedFrame(int width, int height, const Image& picture, int grow);

// The frame's bytes: JPEG (the library's default quality 92, 4:2:0 chroma sampling) or raw
// pixels, with the preview logo composited on a copy when one is given. Empty on failure.
EncodedFrame encodeFrame(Image& image, const PreviewLogo* logo = nullptr,
                         FrameFormat format = FrameFormat::Jpeg);
// The same for an image the caller keeps owning (a frame an effect is still working on).
EncodedFrame encodeFrame(MagickWand* image, const PreviewLogo* logo = nullptr,
                         FrameFormat format = FrameFormat::Jpeg);

// The same for a width x height frame of 8-bit R, G, B pixels (rows top to bottom), which
// reaches the encoder without passing through the imaging library unless a logo is drawn.
EncodedFrame encodeFrame(const unsigned char* rgb, int width, int height,
                         const PreviewLogo* logo = nullptr, FrameFormat format = FrameFormat::Jpeg);

// Writes the image to the path; the format follows the image's format or the extension.
bool writePictureFile(Image& image, const std::string& path);

// The one-line picture-info text ("尺寸: ..."), or the not-a-picture notice and false.
bool describePicture(const std::string& path, std::string& text);

// True when the file reads and its colourspace is CMYK.
bool isCmykPicture(const std::string& path);

// True for a picture with a frame delay of 0 or exactly one frame.
bool isStillPicture(const Image& image);

} // namespace velomira
