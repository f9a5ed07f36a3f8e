#include "video/generation_job.h"

#include "platform/translation.h"
#include "render/frame_sequencer.h"
#include "video/cover_art.h"
#include "video/encoder_args.h"
#include "video/loudness_measure.h"
#include "video/mp4_boxes.h"
#include "video/mp4_index_move.h"
#include "video/output_limits.h"
#include "video/pending_output.h"
#include "video/stopped_video_cut.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

namespace velomira {

namespace {

// Times one encode: a count that falls back to zero is a new attempt or a further encode under
// a size cap, whose time left starts again.
class EncodeClock {
  public:
    RunProgress progress(const PictureFrames& pictures, const RunPlan& plan, std::uint64_t taken) {
        const auto now = std::chrono::steady_clock::now();
        if (taken < last_)
            start_ = now;
        last_ = taken;
        RunProgress progress;
        progress.picture = pictures.pictureAt(taken);
        progress.totalPictures = plan.totalPictures;
        progress.framesDone = taken;
        progress.totalFrames = static_cast<std::uint64_t>(std::max(0, plan.totalFrames));
        progress.elapsedSeconds = std::chrono::duration<double>(now - start_).count();
        return progress;
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::uint64_t last_ = 0;
};

// The encoder's request with this run's length and the file the encoder writes.
EncoderRequest encoderRequestFor(const GenerationRequest& request, const RunPlan& plan,
                                 const std::filesystem::path& outputPath) {
    EncoderRequest encoder = request.encoder;
    encoder.durationText = plan.durationText;
    encoder.audioStartSeconds = static_cast<double>(plan.startFrame) / frameRate;
    encoder.outputPath = outputPath;
    const auto pictures = std::make_shared<const PictureFrames>(
        *encoder.project, plan.totalPictures, plan.firstPicture, plan.startFrame);
    encoder.stopFrameLimit = [pictures](std::uint64_t taken) {
        return pictures->pictureEndAt(taken);
    };
    if (request.encoderProgress) {
        encoder.framesTaken = [pictures, plan, report = request.encoderProgress,
                               clock = std::make_shared<EncodeClock>()](std::uint64_t taken) {
            report(clock->progress(*pictures, plan, taken));
        };
    }
    return encoder;
}

CoverRequest coverRequestFor(const GenerationRequest& request,
                             const std::filesystem::path& videoPath, std::atomic<bool>& stop) {
    CoverRequest cover;
    cover.stop = &stop;
    cover.timeLimit = request.coverTimeLimit;
    cover.toolPath = request.coverToolPath;
    cover.preparedCover = request.encoder.workFolder / "cover.jpg";
    cover.project = request.encoder.project;
    cover.videoPath = videoPath;
    cover.errorLog = request.encoder.errorLog;
    return cover;
}

// A stopped video that the encoder finished may run on past the frames that were delivered;
// it is cut to them. A failed cut keeps the whole (longer) video: it is still a complete file.
void cutToDeliveredFrames(const EncoderRequest& encoder, std::uint64_t framesDelivered) {
    if (framesDelivered == 0)
        return;
    VideoCutRequest cut;
    cut.encoderPath = encoder.encoderPath;
    cut.videoPath = encoder.outputPath;
    cut.frames = framesDelivered;
    cut.errorLog = encoder.errorLog;
    std::string failure;
    cutStoppedVideo(cut, failure);
}

// The end of a run that was not a failure: a video with a broken layout fails the run (the
// earlier file stays); a finished video replaces the chosen file, a stopped one goes beside an
// earlier file so that a complete video is never lost to a partial one.
void keepOrDiscard(PendingOutput& output, const std::string& incomplete, const ErrorLog& errorLog,
                   GenerationResult& result, std::atomic<bool>& stop) {
    // A folder removed during the run took the video with it: that, not a broken file, is why.
    const std::filesystem::path folder = std::filesystem::path(output.target()).parent_path();
    if (std::error_code ec; !folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        result.outcome = EncoderOutcome::Failed;
        result.errorText = "保存视频的文件夹在生成视频时被删除了，视频没有保存：" + folder.string();
        reportError(errorLog, "thread_make_video", result.errorText);
        result.failures.push_back({result.errorText, "错误", MessageKind::Error});
        return;
    }
    // A stop during the cover step leaves the encoder's outcome Done on a video without cover.
    const bool stopped = result.outcome == EncoderOutcome::Stopped || stop;
    if (result.outcome != EncoderOutcome::Failed && !incomplete.empty()) {
        result.outcome = EncoderOutcome::Failed;
        result.errorText = "生成的视频文件不完整（" + incomplete + "），原有的文件保持不变。";
        reportError(errorLog, "thread_make_video", result.errorText);
        result.failures.push_back({result.errorText, "错误", MessageKind::Error});
        stop = true;
    }
    if (result.outcome != EncoderOutcome::Failed) {
        // A video whose index could not be moved still plays once it is fully downloaded.
        if (std::string notMoved; !moveIndexToFront(output.path(), notMoved))
            reportError(errorLog, "thread_make_video", "moov not moved: " + notMoved);
        std::string failure;
        if (!output.commit(failure, stopped ? EarlierFile::Keep : EarlierFile::Replace)) {
            result.outcome = EncoderOutcome::Failed;
            result.errorText = failure;
            reportError(errorLog, "thread_make_video", failure);
        } else {
            result.videoKept = true;
            result.keptPath = output.keptPath();
        }
    }
}

std::uint64_t fileBytes(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// What one encode runs: the frames, the step after a finished encoder (layout check and cover),
// the reset before a further encode, and whether the last encode's file is a whole video.
struct EncodeSteps {
    std::function<void(FrameSink&)> renderFrames;
    std::function<void()> afterDone;
    std::function<void()> beforeEncode;
    std::function<bool()> finished;
};

// The last attempt's rendering result: a picture that stopped reading or a frame that could not
// be made ends the run early, and the shortened video must not be reported as made.
struct RenderState {
    RunOutcome rendered = RunOutcome::Completed;
    std::optional<Failure> readFailure;        // the last attempt's picture that no longer read
    std::vector<std::string> cutShortPictures; // pictures whose data ended early, once each
    // A stop came while the music was measured: it takes effect once the first picture is
    // made, so the run keeps its video so far as a stop at any other moment does.
    bool stopAtFirstPicture = false;
};

std::function<void(FrameSink&)> frameRenderer(const GenerationRequest& request,
                                              const EncoderRequest& encoder, const RunPlan& plan,
                                              std::atomic<bool>& stop, RenderState& state) {
    return [&request, &encoder, &plan, &stop, &state](FrameSink& sink) {
        SequencerContext context;
        context.project = encoder.project;
        context.sink = &sink;
        context.fonts = request.fonts;
        context.margins = request.margins;
        context.format = encoder.frameFormat;
        context.findFocus = request.findFocus;
        state.readFailure.reset();
        context.readFailed = [&state](const Failure& failure) { state.readFailure = failure; };
        context.cutShort = [&state](const std::string& path) {
            std::vector<std::string>& seen = state.cutShortPictures;
            if (std::find(seen.begin(), seen.end(), path) == seen.end())
                seen.push_back(path);
        };
        const int last = plan.firstPicture + plan.totalPictures - 1;
        state.rendered = renderPictures(context, plan.firstPicture, last, stop, [&](int picture) {
            if (state.stopAtFirstPicture && picture >= plan.firstPicture + 1) {
                state.stopAtFirstPicture = false;
                stop = true;
            }
            if (request.progress)
                request.progress(picture, plan.totalPictures);
        });
    };
}

// Nothing over the cap is kept; the earlier file stays.
void failOverCap(Failure failure, const ErrorLog& errorLog, GenerationResult& result) {
    result.outcome = EncoderOutcome::Failed;
    result.errorText = failure.text;
    reportError(errorLog, "thread_make_video", failure.text);
    result.failures.push_back(std::move(failure));
}

// The encodes of one run: one, or under a size cap up to kMaxSizeCapEncodes, each at a lower
// rate while the finished file (with its cover) is over the cap. capFailure is set when the cap
// could not be kept; the file is then not kept.
EncoderRunResult encodeWithinCap(EncoderState& state, const GenerationRequest& request,
                                 EncoderRequest encoder, const RunPlan& plan,
                                 std::atomic<bool>& stop, const EncodeSteps& steps,
                                 std::optional<Failure>& capFailure) {
    if (request.maxBytes == 0)
        return runEncoderJob(state, encoder, stop, steps.renderFrames, steps.afterDone);
    SizeCapInput cap = sizeCapInputFor(*encoder.project, plan, request.maxBytes);
    SizeCapPlan rate = planSizeCap(cap);
    for (int encode = 1;; ++encode) {
        if (rate.refusal) {
            capFailure = std::move(rate.refusal);
            return {};
        }
        encoder.rate.videoKbps = rate.videoKbps;
        if (request.encodeStarted)
            request.encodeStarted(encode, rate.videoKbps);
        steps.beforeEncode();
        EncoderRunResult run =
            runEncoderJob(state, encoder, stop, steps.renderFrames, steps.afterDone);
        if (run.outcome != EncoderOutcome::Done || !steps.finished())
            return run;
        const std::uint64_t bytes = fileBytes(encoder.outputPath);
        if (bytes <= request.maxBytes)
            return run;
        if (encode == kMaxSizeCapEncodes) {
            capFailure = sizeCapMissed(request.maxBytes, bytes);
            return run;
        }
        // The artwork's real size counts from now on.
        if (const std::uint64_t cover = fileBytes(encoder.workFolder / "cover.jpg"); cover > 0)
            cap.coverBytes = cover;
        rate = nextSizeCapRate(cap, rate.videoKbps, bytes);
    }
}

// Even loudness measures the music alone before the first frame, once for all encodes; a
// failed measurement leaves the music as it is, with a note. A stop ends the measuring at once
// and the run then stops after its first picture, keeping the video so far: true when that is
// so.
bool measureMusicFirst(const GenerationRequest& request, EncoderRequest& encoder,
                       std::atomic<bool>& stop, GenerationResult& result) {
    const AlbumProject* album = encoder.project;
    if (album == nullptr || !album->settings.bgsound || album->musicItems.empty() ||
        !album->settings.musicLoudness)
        return false;
    if (request.musicMeasuring)
        request.musicMeasuring();
    const MusicGraphInput graph = musicGraphInput(*album, encoder.durationText);
    std::vector<std::string> paths;
    for (const MusicTrack& track : album->musicItems)
        paths.push_back(track.path);
    const LoudnessPass pass = measureMusicLoudness(encoder.encoderPath, paths, graph, stop,
                                                   loudnessPassLimit(graph.videoSeconds));
    if (pass.end == LoudnessPassEnd::Stopped)
        return true;
    if (pass.measure) {
        encoder.musicLoudness = pass.measure;
        return false;
    }
    reportError(encoder.errorLog, "thread_make_video", pass.problem);
    result.failures.push_back({tr_("无法测量背景音乐的响度，视频中的音乐保持原来的音量。"), "提示",
                               MessageKind::Information});
    return false;
}

} // namespace

void useProgramFolder(GenerationRequest& request, const std::filesystem::path& programFolder) {
    request.encoder.encoderPath = programFolder / "tool" / "ffmpeg";
    request.coverToolPath = programFolder / "tool" / "AtomicParsley";
}

GenerationResult runGenerationJob(EncoderState& state, const GenerationRequest& request,
                                  const RunPlan& plan, std::atomic<bool>& stop) {
    // The chosen file is replaced only by a finished or stopped video.
    PendingOutput output(request.outputPath);
    EncoderRequest encoder = encoderRequestFor(request, plan, output.path());
    GenerationResult result;
    const bool stopLater = measureMusicFirst(request, encoder, stop, result);

    RenderState render;
    RunOutcome& rendered = render.rendered;
    std::optional<Failure>& readFailure = render.readFailure;
    std::vector<std::string>& cutShortPictures = render.cutShortPictures;
    const auto renderFrames = frameRenderer(request, encoder, plan, stop, render);
    if (stopLater) {
        render.stopAtFirstPicture = true;
        stop = false;
    }
    // An encoder that exits 0 may still have written no video: the cover step only runs on a
    // file with its boxes in place.
    std::string incomplete;
    const auto cutShort = [&] {
        return rendered == RunOutcome::ReadFailed || rendered == RunOutcome::DeliveryFailed;
    };
    std::optional<Failure> coverFailure; // the last encode's cover warning
    auto afterDone = [&] {
        if (cutShort())
            return;
        incomplete = describeMp4Problem(readMp4Layout(output.path()));
        if (!incomplete.empty())
            return;
        CoverOutcome cover = embedCover(coverRequestFor(request, output.path(), stop));
        result.coverEmbedded = cover.result == CoverResult::Embedded;
        coverFailure = std::move(cover.failure);
    };
    const EncodeSteps steps{renderFrames, afterDone,
                            [&] {
                                result.coverEmbedded = false;
                                coverFailure.reset();
                            },
                            [&] { return !cutShort() && incomplete.empty(); }};
    std::optional<Failure> capFailure;
    EncoderRunResult run = encodeWithinCap(state, request, encoder, plan, stop, steps, capFailure);
    if (coverFailure)
        result.failures.push_back(std::move(*coverFailure));
    // The picture's message came first, while the frames were made.
    if (readFailure && rendered == RunOutcome::ReadFailed)
        result.failures.insert(result.failures.begin(), std::move(*readFailure));
    if (run.failure)
        result.failures.push_back(std::move(*run.failure));
    result.outcome = run.outcome;
    result.errorText = run.errorText;
    result.attempts = run.attempts;
    result.cutShortPictures = std::move(cutShortPictures);
    // The encoder finishes cleanly on the frames it got even when the renderer gave up early.
    if (run.outcome == EncoderOutcome::Done && cutShort()) {
        result.outcome = EncoderOutcome::Failed;
        result.errorText = rendered == RunOutcome::ReadFailed
                               ? "a picture of the album could not be read; the video is incomplete"
                               : "a frame of the video could not be made; the video is incomplete";
    }
    if (capFailure)
        failOverCap(std::move(*capFailure), encoder.errorLog, result);
    if (run.outcome == EncoderOutcome::Stopped) {
        // Kept only when the encoder itself finished the file; one that never wrote a byte
        // (stopped before the first frame) leaves nothing, and the earlier file stays.
        const Mp4Layout layout = readMp4Layout(output.path());
        if (layout.fileSize == 0 && layout.readable) {
            result.videoKept = false;
            return result;
        }
        incomplete = describeMp4Problem(layout);
        if (incomplete.empty())
            cutToDeliveredFrames(encoder, run.framesDelivered);
    }
    keepOrDiscard(output, incomplete, encoder.errorLog, result, stop);
    return result;
}

} // namespace velomira
