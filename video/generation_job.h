#pragma once
// One video generation without windows: the album's frames rendered into the encoder, the
// cover embedded when the encoder finished, and the outcome handed back.
#include "album/album_model.h"
#include "app/caption_margins.h"
#include "app/error_log.h"
#include "platform/failure.h"
#include "render/caption_fonts.h"
#include "render/frame_format.h"
#include "video/encoder_pipeline.h"
#include "video/generation_plan.h"
#include "video/run_progress.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

struct GenerationRequest {
    // The encoder's part: its path, the album (already through the preflight), the work folder
    // (logo copy, FIFO, prepared cover), the error log, the frame format and the encoder's time
    // limits. The run fills in the length and the file the encoder writes.
    EncoderRequest encoder;
    std::filesystem::path coverToolPath; // <program folder>/tool/AtomicParsley
    const CaptionFontTable* fonts = nullptr;
    CaptionMargins margins;
    std::string outputPath;
    // Picture n of N started (called again from 1 when the run falls back to the pipe).
    std::function<void(int picture, int total)> progress;
    // The frames the encoder has taken so far, as they grow (several times a second, from a
    // watching thread): what a user is shown. Starts again from zero with a new attempt or
    // encode.
    std::function<void(const RunProgress&)> encoderProgress;
    std::chrono::milliseconds coverTimeLimit{0}; // zero: by the video's size
    // The largest file the video may be (0: no cap; already through checkOutputLimits). The
    // video is encoded at a rate that fits, and again lower while the file is over the cap.
    std::uint64_t maxBytes = 0;
    // Under a size cap: encode n (1, 2 or 3) starts at this video rate; its pictures then count
    // from 1 again.
    std::function<void(int encode, int videoKbps)> encodeStarted;
    // The music's loudness is being measured before the first frame (it may take seconds; a
    // stop ends it).
    std::function<void()> musicMeasuring;
    // Finds the focal region of a picture that has none yet (SequencerContext::findFocus).
    std::function<std::optional<FocalRegion>(const AlbumItem& item)> findFocus;
};

// Points the request at the outside tools of the program folder: tool/ffmpeg and
// tool/AtomicParsley.
void useProgramFolder(GenerationRequest& request, const std::filesystem::path& programFolder);

struct GenerationResult {
    EncoderOutcome outcome = EncoderOutcome::Failed;
    std::string errorText;
    int attempts = 0;
    bool coverEmbedded = false;
    bool videoKept = false; // keptPath now holds this run's video
    // The chosen file, or for a stopped video beside an earlier file the name that says it is
    // incomplete (the earlier file stays).
    std::string keptPath;
    // The messages for the user, in the order they arose (the encoder's failure or the cover's
    // warning, then an incomplete video).
    std::vector<Failure> failures;
    // Pictures used although their data ends early, each once, in the order they came.
    std::vector<std::string> cutShortPictures;
};

GenerationResult runGenerationJob(EncoderState& state, const GenerationRequest& request,
                                  const RunPlan& plan, std::atomic<bool>& stop);

} // namespace velomira
