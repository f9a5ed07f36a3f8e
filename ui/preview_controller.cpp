#include "ui/preview_controller.h"

#include "platform/dialogs.h"
#include "platform/memory_return.h"
#include "render/frame_sequencer.h"
#include "ui/preview_window_view.h"
#include "ui/run_checks.h"
#include "video/generation_plan.h"

#include <algorithm>
#include <thread>

namespace velomira {

namespace {

Command commandOf(PreviewMusicCue cue) {
    switch (cue) {
    case PreviewMusicCue::Play:
        return Command::PreviewMusicPlay;
    case PreviewMusicCue::Pause:
        return Command::PreviewMusicPause;
    case PreviewMusicCue::Resume:
        return Command::PreviewMusicResume;
    case PreviewMusicCue::Stop:
        break;
    }
    return Command::PreviewMusicStop;
}

} // namespace

PreviewController::PreviewController(MainWindowView& view, AlbumProject& album,
                                     const MainWindowServices& services, MusicList& music,
                                     PictureListController& pictures,
                                     std::function<bool()> generating)
    : view_(view), album_(album), services_(services), music_(music), pictures_(pictures),
      generating_(std::move(generating)) {
    if (services.previewWindow == nullptr)
        return;
    PreviewEngineServices engine;
    engine.screen = services.previewWindow;
    engine.clock = services.previewClock != nullptr ? services.previewClock : &ownClock_;
    engine.processors = services.processors != 0
                            ? services.processors
                            : std::max(1u, std::thread::hardware_concurrency());
    std::weak_ptr<bool> alive = alive_;
    engine.sendMusicCue = [this, alive](PreviewMusicCue cue) {
        view_.postToWindowThread([this, alive, command = commandOf(cue)] {
            if (alive.lock())
                musicCommand(command);
        });
    };
    engine_ = std::make_unique<PreviewEngine>(std::move(engine));
}

PreviewController::~PreviewController() {
    // The preview's threads read the album and post to the window: they end first.
    if (engine_ != nullptr) {
        engine_->close();
        engine_->wait();
    }
    *alive_ = false;
}

void PreviewController::registerCommands(CommandTable& table) {
    table.on(Command::Preview, [this] { start({std::max(selectedRow(), 0) + 1, 0}); });
    table.on(Command::ContextPreviewFromStart, [this] { start({}); });
    table.on(Command::ContextPreviewTransition, [this] {
        if (const int row = selectedRow(); row >= 0)
            start({row + 1, row + 1});
    });
    for (Command command :
         {Command::PreviewMusicPlay, Command::PreviewMusicRestart, Command::PreviewMusicPause,
          Command::PreviewMusicResume, Command::PreviewMusicStop})
        table.on(command, [this, command] { musicCommand(command); });
}

void PreviewController::musicCommand(Command command) {
    switch (command) {
    case Command::PreviewMusicPlay:
        // A preview closed before this arrived plays nothing.
        if (engine_ != nullptr && engine_->state() == PreviewState::Running)
            music_.previewPlay();
        return;
    case Command::PreviewMusicRestart:
        return music_.previewNext();
    case Command::PreviewMusicPause:
        return music_.previewPause();
    case Command::PreviewMusicResume:
        return music_.previewResume();
    case Command::PreviewMusicStop:
        return music_.previewStop();
    default:
        return;
    }
}

void PreviewController::finished(unsigned run) {
    if (run != run_)
        return; // a new preview started from the finished window meanwhile
    music_.previewEnded();
    pictures_.refreshPictureCount();
    returnFreeMemory();
}

int PreviewController::selectedRow() const {
    const int focused = pictures_.focusedSelectedRow();
    if (focused >= 0)
        return focused;
    return pictures_.hasSelection() ? pictures_.selection().front() : -1;
}

void PreviewController::start(PictureRange range) {
    if (engine_ == nullptr || generating_() || pictures_.count() == 0 ||
        engine_->state() == PreviewState::Running)
        return;
    PreviewWindowView& window = *services_.previewWindow;
    // A restart from the finished window keeps the checks and the logo of its first start.
    if (!window.previewShown() && !passesPreflight(album_, OutputMode::Preview, view_, music_,
                                                   services_.folders.programFolder, &logo_))
        return;
    PreviewRun run;
    run.videoWidth = album_.settings.videoWidth;
    range_ = range;
    const RunPlan plan = planRun(album_, range);
    const int first = plan.firstPicture;
    const int last = plan.firstPicture + plan.totalPictures - 1;
    std::weak_ptr<bool> alive = alive_;
    run.render = [this, first, last, alive](FrameSink& sink, const std::atomic<bool>& stop) {
        SequencerContext context;
        context.project = &album_;
        context.sink = &sink;
        context.logo = logo_.get();
        context.format = FrameFormat::Jpeg;
        context.fonts = services_.fonts;
        context.margins = services_.preferences->captionMargins;
        // Shown as it happens, on the window's thread.
        context.readFailed = [this, alive](const Failure& failure) {
            view_.postToWindowThread([alive, failure] {
                if (alive.lock())
                    showFailure(failure);
            });
        };
        renderPictures(context, first, last, stop);
    };
    const unsigned number = ++run_;
    auto finishedCall = [this, alive, number](const std::optional<Failure>& failure) {
        view_.postToWindowThread([this, alive, number, failure] {
            if (!alive.lock())
                return;
            if (failure)
                showFailure(*failure);
            finished(number);
        });
    };
    // Listening stops and the playback goes to where the video has its music at the first frame.
    music_.previewStarted(static_cast<double>(plan.startFrame) / frameRate);
    view_.setEnabled(Command::Preview, false);
    const PreviewStart started = engine_->start(std::move(run), std::move(finishedCall));
    if (!started) {
        if (started.failure)
            showFailure(*started.failure);
        music_.previewEnded();
        pictures_.refreshPictureCount();
        return;
    }
    window.openPreview();
}

PreviewState PreviewController::state() const {
    return engine_ != nullptr ? engine_->state() : PreviewState::Stopped;
}

void PreviewController::closed() {
    if (engine_ != nullptr)
        engine_->close();
    returnFreeMemory();
}

void PreviewController::clicked() {
    if (engine_ != nullptr && engine_->state() == PreviewState::Finished)
        start(range_);
}

void PreviewController::wait() {
    if (engine_ != nullptr)
        engine_->wait();
}

} // namespace velomira
