#pragma once
// Runs any transition effect through the checks every effect must pass: counting agrees with
// rendering, the last transition frame shows the picture canvas, and a delivery that fails at
// any position ends the effect cleanly with nothing returned.
#include "render/effect_run.h"
#include "support/recording_sink.h"

#include <string>
#include <utility>
#include <vector>

namespace velomira::testing {

struct EffectCase {
    TransitionEffect effect = nullptr;
    EffectParameter parameter;
    int width = 64;
    int height = 48;
    int stillFrames = 3;
    std::string previousColour = "#0000ff";
    std::string pictureColour = "#ff0000";
    bool withPrevious = true; // false: the effect starts from a black canvas
    bool withCaption = false; // a white box caption in the top-left quarter
    // Photograph-like pictures (smooth gradients with detail) instead of the solid colours.
    bool textured = false;
    bool libraryFrames = false; // the imaging library's reference frames
    FrameFormat format = FrameFormat::Jpeg;
    int codingThreads = 0;           // as in a run: the processor count, at most 4
    bool transparentPicture = false; // the picture canvas has an alpha channel, 70 % opaque
    FramePool* pool = nullptr;       // the sink's frame memory, as in a run to the encoder
};

// A width x height photograph-like picture: crossing gradients with ripples of a few pixels,
// different for each seed.
velomira::Image texturedPicture(int width, int height, int seed);

// Frames the effect says it delivers (transition + still), from counting mode.
int countFrames(const EffectCase& c);

// The case of a catalogue effect at a frame size, its parameter computed as the dispatch does.
EffectCase catalogueCase(int index, int width, int height, int stillFrames = 0);
// Transition frames (no still frames) of a catalogue effect at a frame size.
int transitionFrames(int index, int width, int height);

struct EffectRender {
    RecordingSink sink;
    velomira::Image finalFrame;
    velomira::Image canvas; // the picture canvas the effect was given
};

// Renders the case into a recorder that fails at delivery failAt (0: never).
EffectRender renderEffect(const EffectCase& c, int failAt = 0);

// The delivery decoded into an image.
velomira::Image decodeDelivery(const RecordingSink& sink, int index);

// Mean absolute difference per channel sample (0..255) of two images of the same size; a
// large number when the sizes differ.
double meanDifference(MagickWand* a, MagickWand* b);

// The whole contract. failureStride > 1 injects the failure only at every stride-th delivery
// (and always at the first and the last); 0 only at the first and the last, for large frames.
void expectEffectContract(const EffectCase& c, int failureStride = 1);

// The frame sizes every catalogue effect is checked at: 1280 x 720, 1920 x 1080, 720 x 960,
// 400 x 400, 1000 x 562, 130 x 128, 30 x 20 and 2 x 2. The sanitizer build (environment
// VELOMIRA_SANITIZED=1) keeps to small frames: 200 x 200, 130 x 128, 30 x 20 and 2 x 2; the
// large ones check no memory path the small ones miss, and the optimised build draws them.
std::vector<std::pair<int, int>> harnessSizes();

// True in the sanitizer build (environment VELOMIRA_SANITIZED=1), which draws small frames only.
bool sanitizedBuild();

// Runs the catalogue effect of the index through the contract at every harness size, with
// its parameter computed from the size as the dispatch does. Failures are injected at every
// delivery on small frames and at the first and last on large ones.
void expectCatalogueEffect(int index, int stillFrames = 3);

} // namespace velomira::testing
