#pragma once
// The contract every transition effect follows, and the frame loop they all share.
//
// An effect computes its sequence of steps once from the frame size and its parameter, then
// hands the number of steps, a drawing callback and its final image to playTransition. In counting
// mode the callback is never called and the count is the number of steps plus the still frames, so
// counting and rendering cannot disagree.
#include "render/effect_inputs.h"
#include "render/image/rgb_frame.h"
#include "render/image/rgb_scaler.h"

#include <cstddef>
#include <functional>

namespace velomira {

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

// The picture canvas and the base frame as 8-bit pixels, for an effect's 8-bit path. Not
// ready when the library's frames are asked for, or when either is not an opaque W x H image:
// the library then draws what plain copies and blends cannot.
struct TransitionPixels {
    RgbFrame picture;
    RgbFrame base;
    bool ready() const { return !picture.empty() && !base.empty(); }
};
TransitionPixels takeTransitionPixels(const EffectInputs& in, MagickWand* base);

} // namespace velomira
