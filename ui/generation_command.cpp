// "生成视频": the checks, the save dialog, the run on the generation worker with progress
// reaching the window as posted calls, and the play question at the end.
#include "app/error_log.h"
#include "platform/dialogs.h"
#include "render/frame_format.h"
#include "ui/file_dialogs.h"
#include "ui/main_window_state.h"
#include "video/generation_plan.h"
#include "video/generation_preflight.h"
#include "video/output_path_check.h"

#include <ctime>

namespace velomira {

namespace {

void finishGeneration(MainWindow::State& s, const GenerationResult& result) {
    s.generationRunning = false;
    s.view.hideGenerationProgress();
    s.view.setWindowEnabled(true);
    s.view.raiseWindow();
    if (result.outcome != EncoderOutcome::Done || s.generationStopRequested)
        return;
    if (ask("视频文件已生成，是否要查看该视频？", "完成", false, Answer::No) != Answer::Yes)
        return;
    if (s.view.openExternal(s.generationOutput))
        return;
    const std::string page = (s.services.folders.programFolder / "play.html").string();
    const bool written = writePlayPage(page, s.generationOutput);
    if (written && s.view.openExternal(page))
        return;
    showMessage(playFallbackFailureText(written, page), "提示", MessageKind::Information);
}

} // namespace

bool passesPreflight(MainWindow::State& s, OutputMode mode) {
    const PreflightResult preflight =
        checkBeforeGeneration(s.album, mode, s.services.folders.programFolder,
                              mode == OutputMode::Preview ? &s.previewLogo : nullptr);
    if (preflight.accepted)
        return true;
    if (s.album.settings.video_size == 0)
        s.view.focus(Command::VideoSize);
    if (preflight.musicTrackToSelect >= 0)
        s.music->selectLine(preflight.musicTrackToSelect);
    return false;
}

void generateVideoCommand(MainWindow::State& s) {
    if (s.generationRunning || s.pictureCount() == 0 || previewBusy(s))
        return;
    if (!passesPreflight(s, OutputMode::Video))
        return;
    const RunPlan plan = planRun(s.album);
    const std::string proposed =
        proposedOutputName(s.album, s.album.settings.outputNaming, std::time(nullptr));
    const auto chosen = chooseFileToSave("视频保存到", {{"mp4视频 (*.mp4)", {"*.mp4"}}}, "mp4",
                                         s.preferences().folders.video, proposed);
    if (!chosen)
        return;
    if (const std::string problem = outputPathProblem(*chosen); !problem.empty())
        return showMessage(problem, "提示", MessageKind::Warning);
    s.generationOutput = withMp4Extension(*chosen);

    GenerationRequest request;
    request.project = &s.album;
    request.fonts = s.services.fonts;
    request.margins = s.preferences().captionMargins;
    request.programFolder = s.services.folders.programFolder;
    request.workFolder = s.services.folders.workTempFolder;
    request.outputPath = s.generationOutput;
    request.errorLog = errorLogIn(s.services.folders.workFolder);
    request.frameFormat = frameFormatForTransport(s.preferences().frameTransport);
    std::weak_ptr<bool> alive = s.alive;
    MainWindowView& view = s.view;
    request.progress = [&view, alive](int picture, int total) {
        view.postToWindowThread([&view, alive, picture, total] {
            if (alive.lock())
                view.showGenerationProgress(picture, total);
        });
    };
    s.generationStopRequested = false;
    s.generationRunning = true;
    s.view.setWindowEnabled(false);
    s.view.showGenerationProgress(1, plan.totalPictures);
    MainWindow::State* state = &s;
    const bool started = s.worker.start(s.encoderState, std::move(request), plan,
                                        [&view, alive, state](const GenerationResult& result) {
                                            view.postToWindowThread([alive, state, result] {
                                                if (alive.lock())
                                                    finishGeneration(*state, result);
                                            });
                                        });
    if (!started) {
        s.generationRunning = false;
        s.view.hideGenerationProgress();
        s.view.setWindowEnabled(true);
    }
}

} // namespace velomira
