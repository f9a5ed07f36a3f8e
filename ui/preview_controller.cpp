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
    table.on(Command::Preview, [this] { start(); });
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

void PreviewController::start() {
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
    const int totalPictures = planRun(album_).totalPictures;
    std::weak_ptr<bool> alive = alive_;
    run.render = [this, totalPictures, alive](FrameSink& sink, const std::atomic<bool>& stop) {
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
        renderAlbum(context, totalPictures, stop);
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
    // Listening stops and the playback position goes back to the first track.
    music_.previewStarted();
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
        start();
}

void PreviewController::wait() {
    if (engine_ != nullptr)
        engine_->wait();
}

} // namespace velomira
