#include "ui/generation_controller.h"

#include "app/string_utils.h"
#include "platform/dialogs.h"
#include "platform/memory_return.h"
#include "platform/translation.h"
#include "services/caption_font_notices.h"
#include "services/cut_short_pictures.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/run_checks.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>

namespace velomira {

GenerationController::GenerationController(MainWindowView& view, AlbumProject& album,
                                           const MainWindowServices& services, MusicList& music,
                                           std::function<bool()> previewBusy,
                                           std::function<OutputLimits()> limits,
                                           std::function<std::vector<int>()> selection)
    : view_(view), album_(album), services_(services), music_(music),
      previewBusy_(std::move(previewBusy)), limits_(std::move(limits)),
      selection_(std::move(selection)) {}

GenerationController::~GenerationController() {
    *alive_ = false;
    alive_.reset();
    beatStop_ = true;
    if (beatThread_.joinable())
        beatThread_.join();
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
    beatStop_ = true;
    worker_.requestStop();
    view_.setGenerationStopping();
}

void GenerationController::finish(const GenerationResult& result) {
    // The run's messages, in order, while its progress window is still up and before the
    // question to play the video.
    if (services_.info != nullptr) {
        for (const std::string& path : result.cutShortPictures)
            services_.info->append(cutShortPictureLine(path));
    }
    for (const Failure& failure : result.failures)
        showFailure(failure);
    running_ = false;
    returnFreeMemory();
    view_.hideGenerationProgress();
    view_.setWindowEnabled(true);
    view_.raiseWindow();
    // A stopped video beside an earlier file: say where it went, the earlier file is intact.
    if (result.videoKept && !result.keptPath.empty() && result.keptPath != output_)
        showMessage("视频已停止，未完成的视频保存为：" + result.keptPath +
                        "，原有的视频文件保持不变。",
                    "提示", MessageKind::Information);
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

std::optional<PictureRange> GenerationController::chosenRange() const {
    const std::vector<int> rows = selection_ ? selection_() : std::vector<int>();
    if (rows.size() < 2)
        return PictureRange{};
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    const int first = *low + 1;
    const int last = *high + 1;
    const std::string question = formatText(
        tr_("只生成选中的图片（第 %d 张到第 %d 张）的视频吗？\n选择“否”生成全部图片的视频。"),
        first, last);
    switch (ask(question, tr_("生成视频"), true, Answer::No)) {
    case Answer::Yes:
        return PictureRange{first, last};
    case Answer::No:
        return PictureRange{};
    default:
        return std::nullopt;
    }
}

void GenerationController::generate() {
    if (running_ || albumItemCount(album_) == 0 || previewBusy_())
        return;
    if (!passesPreflight(album_, OutputMode::Video, view_, music_, services_.folders.programFolder))
        return;
    const std::optional<PictureRange> range = chosenRange();
    if (!range)
        return;
    const auto chosen = chooseFileToSave("视频保存到", {{"mp4视频 (*.mp4)", {"*.mp4"}}}, "mp4",
                                         services_.preferences->folders.video,
                                         proposedVideoName(album_, std::time(nullptr)));
    if (!chosen)
        return;
    const VideoOutput output = videoOutputFor(*chosen);
    if (output.refusal)
        return showFailure(*output.refusal);
    output_ = output.path;
    range_ = *range;
    std::optional<BeatAnalysisRequest> beats =
        beatAnalysisFor(album_, videoRunEnvironment(services_.folders, services_.fonts,
                                                    services_.preferences->captionMargins));
    if (beats)
        return analyseBeats(std::move(*beats));
    startRun(nullptr);
}

void GenerationController::analyseBeats(BeatAnalysisRequest request) {
    if (beatThread_.joinable())
        beatThread_.join();
    std::weak_ptr<bool> alive = alive_;
    MainWindowView& view = view_;
    request.progress = [&view, alive](int percent) {
        view.postToWindowThread([&view, alive, percent] {
            if (alive.lock())
                view.showBeatAnalysis(percent);
        });
    };
    stopRequested_ = false;
    beatStop_ = false;
    running_ = true;
    view_.setWindowEnabled(false);
    view_.showBeatAnalysis(0);
    beatThread_ = std::thread([this, alive, album = album_, request = std::move(request)] {
        MusicBeats found = analyseMusicBeats(album, request, beatStop_);
        view_.postToWindowThread([this, alive, found = std::move(found)] {
            if (alive.lock())
                beatsFound(found);
        });
    });
}

void GenerationController::beatsFound(const MusicBeats& found) {
    if (beatThread_.joinable())
        beatThread_.join();
    if (found.stopped || stopRequested_)
        return endWithoutRun();
    if (found.note)
        showFailure(*found.note);
    startRun(&found.beats);
}

void GenerationController::endWithoutRun() {
    running_ = false;
    view_.hideGenerationProgress();
    view_.setWindowEnabled(true);
}

void GenerationController::startRun(const std::vector<double>* beats) {
    VideoRun run = videoRun(album_,
                            videoRunEnvironment(services_.folders, services_.fonts,
                                                services_.preferences->captionMargins),
                            output_, services_.preferences->frameTransport,
                            limits_ ? limits_() : OutputLimits{}, range_, beats);
    if (run.refusal) {
        if (running_)
            endWithoutRun();
        return showFailure(*run.refusal);
    }
    beatAlbum_ = std::move(run.beatAlbum);
    if (services_.info != nullptr) {
        for (const std::string& line : captionFontNotices(album_, services_.fonts))
            services_.info->append(line);
    }
    GenerationRequest& request = run.request;
    std::weak_ptr<bool> alive = alive_;
    MainWindowView& view = view_;
    request.encodeStarted = [&view, alive](int encode, int) {
        view.postToWindowThread([&view, alive, encode] {
            if (alive.lock())
                view.showGenerationEncode(encode, kMaxSizeCapEncodes);
        });
    };
    // The count follows the frames the encoder has taken; the window hears of a change only.
    auto shown = std::make_shared<std::string>();
    request.encoderProgress = [&view, alive, shown](const RunProgress& now) {
        const int percent = progressPercent(now);
        std::string timeLeft = timeLeftLine(now);
        const std::string key =
            std::to_string(now.picture) + '/' + std::to_string(percent) + '/' + timeLeft;
        if (key == *shown)
            return;
        *shown = key;
        view.postToWindowThread([&view, alive, now, percent, timeLeft = std::move(timeLeft)] {
            if (!alive.lock())
                return;
            view.showGenerationProgress(now.picture, now.totalPictures);
            view.showGenerationShare(percent, timeLeft);
        });
    };
    stopRequested_ = false;
    running_ = true;
    view_.setWindowEnabled(false);
    view_.showGenerationProgress(1, run.plan.totalPictures);
    const std::optional<Failure> refusal = worker_.start(
        encoderState_, std::move(request), run.plan, [this, alive](const GenerationResult& result) {
            view_.postToWindowThread([this, alive, result] {
                if (alive.lock())
                    finish(result);
            });
        });
    if (refusal) {
        showFailure(*refusal);
        endWithoutRun();
    }
}

} // namespace velomira
