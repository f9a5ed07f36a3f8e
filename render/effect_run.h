#pragma once
// The contract every transition effect follows, and the frame loop they all share.
//
// An effect computes its sequence of steps once from the frame size and its parameter, then
// hands the number of steps, a drawing callback and its final image to playTransition. In counting
// mode the callback is never called and the count is the number of steps plus the still frames, so
// counting and rendering cannot disagree.
#include "render/frame_sink.h"
#include "render/image/image_layer.h"
#include "render/image/rgb_frame.h"
#include "render/image/rgb_scaler.h"

#include <cstddef>
#include <functional>

namespace velomira {

struct MotionPicture;

struct EffectInputs {
    int width = 0;  // W
    int height = 0; // H
    // The new picture fitted onto a W x H canvas; owned by the caller, never changed by an
    // effect (clone it to change pixels). None in counting mode.
    const Image* pictureCanvas = nullptr;
    // Owned by the caller; its opacity is set while it fades in. None without a caption and in
    // counting mode.
    CaptionOverlay* caption = nullptr;
    int stillFrames = 0;
    // The final frame of the previous picture; ownership passes to the effect. None for the
    // first picture of a run.
    Image previousFrame;
    FrameSink* sink = nullptr;
    const PreviewLogo* logo = nullptr; // preview frames only
    FrameFormat format = FrameFormat::Jpeg;
    // Counting mode when set: receives transition frames + still frames, nothing is drawn.
    int* frameCountOut = nullptr;
    // Every frame drawn by the imaging library: the reference the 8-bit paths are checked
    // against. Otherwise an effect draws 8-bit pixels wherever the two pictures allow.
    bool libraryFrames = false;
    // Transition frames drawn as pixels coded (and, where frames do not build on each other,
    // drawn) at once on other threads; 0: the processor count, at most 4. 1 draws and codes each
    // frame in line.
    int codingThreads = 0;
    // The camera motion of the hold, when the picture has one (the hold then draws every
    // frame anew); owned by the caller. pictureCanvas is then the motion's first view.
    const MotionPicture* motion = nullptr;

    bool counting() const { return frameCountOut != nullptr; }
};

// The run's frame-sized memory (the sink's), or none.
FramePool* framePoolOf(const EffectInputs& in);

// The effect's parameter from the catalogue: a step in pixels (W/16 and the like) or a fixed
// integer, a fixed real value, or a step count (the two zooms take count and step).
struct EffectParameter {
    int step = 0;
    double value = 0.0;
    int count = 0;
};

// An effect returns its final frame (ownership to the caller), or none in counting mode and
// when a delivery failed.
using TransitionEffect = Image (*)(EffectInputs&, const EffectParameter&);

// A drawn transition frame: an image, or W x H 8-bit R, G, B pixels (rows top to bottom) that go
// to the encoder without an image per frame. An image stays owned by the effect and must last
// until the next frame is drawn; pixels are the canvas's frame, or pixels the effect keeps
// unchanged for the whole transition (the picture itself). Neither: drawing failed.
struct DrawnFrame {
    MagickWand* image = nullptr;
    const unsigned char* rgb = nullptr;

    DrawnFrame() = default;
    DrawnFrame(MagickWand* drawn) : image(drawn) {}
    static DrawnFrame pixels(const unsigned char* drawn) {
        DrawnFrame frame;
        frame.rgb = drawn;
        return frame;
    }
    explicit operator bool() const { return image || rgb; }
};

// The memory one thread draws 8-bit frames with, kept for a whole transition: the W x H frame
// it draws into (made by the frame loop) and room for a scaled copy. Its scaler takes memory
// from the run's pool, when there is one; so does the scratch frame (reshaped with that pool).
struct FrameCanvas {
    RgbFrame frame;
    RgbFrame scratch;
    RgbScaler scaler;
};

// Draws transition frame i (0-based) on the canvas; the frame drawn last is the one held still
// afterwards.
using DrawFrame = std::function<DrawnFrame(std::size_t, FrameCanvas&)>;

enum class FrameOrder {
    // Each frame is drawn onto the one before: frames are drawn one after another.
    InOrder,
    // Once the first frame has come as 8-bit pixels, the frames between the first and the last
    // depend only on their index and on what the first one set up: they are drawn on several
    // threads at once, each on a canvas of its own, and must come as pixels (an image fails the
    // run). The first and the last frame are drawn on the caller's thread.
    Apart,
};

// Delivers `frames` transition frames, then holds the last one still for stillFrames frames
// with the caption fading in, and returns `finalFrame` (moved out: ownership to the caller).
// In counting mode it stores the count and returns none; after a failed delivery it returns
// none. With no steps at all (possible only on tiny frames) the picture appears as with no
// transition and the canvas is returned, so a run goes on and counting still agrees.
// Frames drawn apart still reach the sink in their order; after a failed delivery nothing more is
// delivered and frames drawn ahead are discarded.
Image playTransition(EffectInputs& in, std::size_t frames, const DrawFrame& draw, Image& finalFrame,
                     FrameOrder order = FrameOrder::InOrder);

// The still frames a run delivers; a count below 0 delivers none.
int stillFrameCount(int stillFrames);

// The base an effect draws on: the previous frame, or a black W x H canvas before the first
// picture. Takes the previous frame out of the inputs.
Image takeBaseFrame(EffectInputs& in);

// The picture canvas and the base frame as 8-bit pixels, for an effect's 8-bit path. Not
// ready when the library's frames are asked for, or when either is not an opaque W x H image:
// the library then draws what plain copies and blends cannot.
struct TransitionPixels {
    RgbFrame picture;
    RgbFrame base;
    bool ready() const { return !picture.empty() && !base.empty(); }
};
TransitionPixels takeTransitionPixels(const EffectInputs& in, MagickWand* base);

// A copy of the picture canvas for an effect that changes its pixels.
Image clonePictureCanvas(const EffectInputs& in);

// The bytes of the frame with the caption composited at opacity baseOpacity + 0.2 (or as
// drawn when the caption keeps its own opacity). The frame is not changed.
EncodedFrame composeCaption(MagickWand* frame, CaptionOverlay& caption, double baseOpacity,
                            const PreviewLogo* logo, FrameFormat format = FrameFormat::Jpeg);

// The still hold after a transition whose last frame (`blob`, already delivered) shows
// finalFrame: the caption fades in over the first three still frames (opacities 0.35, 0.60,
// 0.85), every other still frame repeats the bytes sent last.
bool holdStill(FrameSink& sink, EncodedFrame blob, int stillFrames, MagickWand* finalFrame,
               CaptionOverlay* caption, const PreviewLogo* logo,
               FrameFormat format = FrameFormat::Jpeg);

} // namespace velomira
