#include "video/generation_job.h"

#include "render/frame_sequencer.h"
#include "video/cover_art.h"
#include "video/pending_output.h"

namespace velomira {

GenerationResult runGenerationJob(EncoderState& state, const GenerationRequest& request,
                                  const RunPlan& plan, std::atomic<bool>& stop) {
    // The chosen file is replaced only by a finished or stopped video.
    PendingOutput output(request.outputPath);
    EncoderRequest encoder;
    encoder.encoderPath = request.programFolder / "tool" / "ffmpeg";
    encoder.workFolder = request.workFolder;
    encoder.project = request.project;
    encoder.durationText = plan.durationText;
    encoder.outputPath = output.path();
    encoder.errorLog = request.errorLog;
    encoder.frameFormat = request.frameFormat;

    // The last attempt's rendering result: a picture that stopped reading ends the run early,
    // and the shortened video must not be reported as made.
    RunOutcome rendered = RunOutcome::Completed;
    auto renderFrames = [&](FrameSink& sink) {
        SequencerContext context;
        context.project = request.project;
        context.sink = &sink;
        context.fonts = request.fonts;
        context.margins = request.margins;
        context.format = request.frameFormat;
        rendered = renderAlbum(context, plan.totalPictures, stop, [&](int picture) {
            if (request.progress)
                request.progress(picture, plan.totalPictures);
        });
    };
    GenerationResult result;
    auto afterDone = [&] {
        if (rendered == RunOutcome::ReadFailed)
            return;
        CoverRequest cover;
        cover.toolPath = request.programFolder / "tool" / "AtomicParsley";
        cover.preparedCover = request.workFolder / "cover.jpg";
        cover.project = request.project;
        cover.videoPath = output.path();
        cover.errorLog = request.errorLog;
        result.coverEmbedded = embedCover(cover) == CoverResult::Embedded;
    };
    const EncoderRunResult run = runEncoderJob(state, encoder, stop, renderFrames, afterDone);
    result.outcome = run.outcome;
    result.errorText = run.errorText;
    result.attempts = run.attempts;
    if (run.outcome == EncoderOutcome::Done && rendered == RunOutcome::ReadFailed) {
        result.outcome = EncoderOutcome::Failed;
        result.errorText = "a picture of the album could not be read; the video is incomplete";
    }
    if (result.outcome != EncoderOutcome::Failed) {
        std::string failure;
        if (!output.commit(failure)) {
            result.outcome = EncoderOutcome::Failed;
            result.errorText = failure;
            reportError(request.errorLog, "thread_make_video", failure);
        }
    }
    return result;
}

} // namespace velomira
