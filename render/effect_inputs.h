#pragma once
// What every transition effect is given, and the still hold they all end with.
#include "render/frame_sink.h"
#include "render/image/image_layer.h"

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

// The still frames a run delivers; a count below 0 delivers none.
int stillFrameCount(int stillFrames);

// The base an effect draws on: the previous frame, or a black W x H canvas before the first
// picture. Takes the previous frame out of the inputs.
Image takeBaseFrame(EffectInputs& in);

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
