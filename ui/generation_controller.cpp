#include "ui/generation_controller.h"

#include "app/error_log.h"
#include "platform/dialogs.h"
#include "render/frame_format.h"
#include "ui/file_dialogs.h"
#include "ui/run_checks.h"
#include "video/generation_plan.h"
#include "video/output_path_check.h"

#include <ctime>

namespace velomira {

GenerationController::GenerationController(MainWindowView& view, AlbumProject& album,
                                           const MainWindowServices& services, MusicList& music,
                                           std::function<bool()> previewBusy)
    : view_(view), album_(album), services_(services), music_(music),
      previewBusy_(std::move(previewBusy)) {}

GenerationController::~GenerationController() {
    *alive_ = false;
    alive_.reset();
    worker_.requestStop();
    worker_.wait();
}

void GenerationController::registerCommands(CommandTable& table) {
    table.on({Command::GenerateVideo, Command::GenerateButton}, [this] { generate(); });
}

void GenerationController::stop() {
    if (!running_ || stopRequested_)
        return;
    stopRequested_ = true;
    worker_.requestStop();
    view_.setGenerationStopping();
}

void GenerationController::finish(const GenerationResult& result) {
    running_ = false;
    view_.hideGenerationProgress();
    view_.setWindowEnabled(true);
    view_.raiseWindow();
    if (result.outcome != EncoderOutcome::Done || stopRequested_)
        return;
    if (ask("视频文件已生成，是否要查看该视频？", "完成", false, Answer::No) != Answer::Yes)
        return;
    if (view_.openExternal(output_))
        return;
    const std::string page = (services_.folders.programFolder / "play.html").string();
    const bool written = writePlayPage(page, output_);
    if (written && view_.openExternal(page))
        return;
    showMessage(playFallbackFailureText(written, page), "提示", MessageKind::Information);
}

void GenerationController::generate() {
    if (running_ || albumItemCount(album_) == 0 || previewBusy_())
        return;
    if (!passesPreflight(album_, OutputMode::Video, view_, music_, services_.folders.programFolder))
        return;
    const RunPlan plan = planRun(album_);
    const std::string proposed =
        proposedOutputName(album_, album_.settings.outputNaming, std::time(nullptr));
    const auto chosen = chooseFileToSave("视频保存到", {{"mp4视频 (*.mp4)", {"*.mp4"}}}, "mp4",
                                         services_.preferences->folders.video, proposed);
    if (!chosen)
        return;
    if (const std::string problem = outputPathProblem(*chosen); !problem.empty())
        return showMessage(problem, "提示", MessageKind::Warning);
    output_ = withMp4Extension(*chosen);

    GenerationRequest request;
    request.project = &album_;
    request.fonts = services_.fonts;
    request.margins = services_.preferences->captionMargins;
    request.programFolder = services_.folders.programFolder;
    request.workFolder = services_.folders.workTempFolder;
    request.outputPath = output_;
    request.errorLog = errorLogIn(services_.folders.workFolder);
    request.frameFormat = frameFormatForTransport(services_.preferences->frameTransport);
    std::weak_ptr<bool> alive = alive_;
    MainWindowView& view = view_;
    request.progress = [&view, alive](int picture, int total) {
        view.postToWindowThread([&view, alive, picture, total] {
            if (alive.lock())
                view.showGenerationProgress(picture, total);
        });
    };
    stopRequested_ = false;
    running_ = true;
    view_.setWindowEnabled(false);
    view_.showGenerationProgress(1, plan.totalPictures);
    const bool started = worker_.start(encoderState_, std::move(request), plan,
                                       [this, alive](const GenerationResult& result) {
                                           view_.postToWindowThread([this, alive, result] {
                                               if (alive.lock())
                                                   finish(result);
                                           });
                                       });
    if (!started) {
        running_ = false;
        view_.hideGenerationProgress();
        view_.setWindowEnabled(true);
    }
}

} // namespace velomira
