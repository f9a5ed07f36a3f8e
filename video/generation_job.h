#pragma once
// One video generation without windows: the album's frames rendered into the encoder, the
// cover embedded when the encoder finished, and the outcome handed back.
#include "album/album_model.h"
#include "app/caption_margins.h"
#include "app/error_log.h"
#include "render/caption_fonts.h"
#include "render/frame_format.h"
#include "video/encoder_pipeline.h"
#include "video/generation_plan.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace velomira {

struct GenerationRequest {
    const AlbumProject* project = nullptr; // already through the preflight
    const CaptionFontTable* fonts = nullptr;
    CaptionMargins margins;
    std::filesystem::path programFolder; // tool/ffmpeg, tool/AtomicParsley
    std::filesystem::path workFolder;    // logo copy, FIFO, prepared cover
    std::string outputPath;
    ErrorLog errorLog;
    // JPEG frames (the default), or raw frames of kRawFrameFormat (the stored frame_transport 1).
    FrameFormat frameFormat = FrameFormat::Jpeg;
    // Picture n of N started (called again from 1 when the run falls back to the pipe).
    std::function<void(int picture, int total)> progress;
    // Limits on the outside tools (the defaults in use; tests shorten them).
    std::chrono::milliseconds stopGrace{15000};
    std::chrono::milliseconds stallLimit{60000};
    std::chrono::milliseconds coverTimeLimit{0}; // zero: by the video's size
};

struct GenerationResult {
    EncoderOutcome outcome = EncoderOutcome::Failed;
    std::string errorText;
    int attempts = 0;
    bool coverEmbedded = false;
    bool videoKept = false; // the chosen file now holds this run's video
};

GenerationResult runGenerationJob(EncoderState& state, const GenerationRequest& request,
                                  const RunPlan& plan, std::atomic<bool>& stop);

} // namespace velomira
