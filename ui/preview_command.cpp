// "视频预览": the checks, the run on the preview engine over the album as for a video, the
// music commands the display thread sends, and the window's close and click.
#include "platform/dialogs.h"
#include "render/frame_sequencer.h"
#include "ui/main_window_state.h"
#include "ui/preview_window_view.h"
#include "video/generation_plan.h"

#include <thread>

namespace velomira {

void createPreview(MainWindow::State& s) {
    if (s.services.previewWindow == nullptr)
        return;
    PreviewEngineServices engine;
    engine.screen = s.services.previewWindow;
    engine.clock =
        s.services.previewClock != nullptr ? s.services.previewClock : &s.ownPreviewClock;
    engine.processors = s.services.processors != 0
                            ? s.services.processors
                            : std::max(1u, std::thread::hardware_concurrency());
    std::weak_ptr<bool> alive = s.alive;
    MainWindowView& view = s.view;
    MainWindow::State* state = &s;
    engine.sendMusicCue = [&view, alive, state](PreviewMusicCue cue) {
        const Command command = cue == PreviewMusicCue::Play     ? Command::PreviewMusicPlay
                                : cue == PreviewMusicCue::Pause  ? Command::PreviewMusicPause
                                : cue == PreviewMusicCue::Resume ? Command::PreviewMusicResume
                                                                 : Command::PreviewMusicStop;
        view.postToWindowThread([alive, state, command] {
            if (alive.lock())
                previewMusicCommand(*state, command);
        });
    };
    s.preview = std::make_unique<PreviewEngine>(std::move(engine));
}

void previewMusicCommand(MainWindow::State& s, Command command) {
    MusicList& music = *s.music;
    switch (command) {
    case Command::PreviewMusicPlay:
        // A preview closed before this arrived plays nothing.
        if (s.preview != nullptr && s.preview->state() == kPreviewRunning)
            music.previewPlay();
        return;
    case Command::PreviewMusicRestart:
        return music.previewNext();
    case Command::PreviewMusicPause:
        return music.previewPause();
    case Command::PreviewMusicResume:
        return music.previewResume();
    case Command::PreviewMusicStop:
        return music.previewStop();
    default:
        return;
    }
}

bool previewBusy(const MainWindow::State& s) {
    return s.preview != nullptr && s.preview->busy();
}

namespace {

void previewFinished(MainWindow::State& s, unsigned run) {
    if (run != s.previewRun)
        return; // a new preview started from the finished window meanwhile
    s.music->previewEnded();
    refreshPictureCount(s);
}

} // namespace

void startPreviewCommand(MainWindow::State& s) {
    if (s.preview == nullptr || s.generationRunning || s.pictureCount() == 0 ||
        s.preview->state() == kPreviewRunning)
        return;
    PreviewWindowView& window = *s.services.previewWindow;
    // A restart from the finished window keeps the checks and the logo of its first start.
    if (!window.previewShown() && !passesPreflight(s, OutputMode::Preview))
        return;

    PreviewRun run;
    run.videoWidth = s.album.settings.videoWidth;
    const int totalPictures = planRun(s.album).totalPictures;
    MainWindow::State* state = &s;
    run.render = [state, totalPictures](FrameSink& sink, const std::atomic<bool>& stop) {
        SequencerContext context;
        context.project = &state->album;
        context.sink = &sink;
        context.logo = state->previewLogo.get();
        context.format = FrameFormat::Jpeg;
        context.fonts = state->services.fonts;
        context.margins = state->preferences().captionMargins;
        renderAlbum(context, totalPictures, stop);
    };
    const unsigned number = ++s.previewRun;
    std::weak_ptr<bool> alive = s.alive;
    MainWindowView& view = s.view;
    auto finished = [&view, alive, state, number] {
        view.postToWindowThread([alive, state, number] {
            if (alive.lock())
                previewFinished(*state, number);
        });
    };
    // Listening stops and the playback position goes back to the first track.
    s.music->previewStarted();
    s.view.setEnabled(Command::Preview, false);
    if (!s.preview->start(std::move(run), std::move(finished))) {
        s.music->previewEnded();
        refreshPictureCount(s);
        return;
    }
    window.openPreview();
}

void MainWindow::previewClosed() {
    if (state_->preview != nullptr)
        state_->preview->close();
}

void MainWindow::previewClicked() {
    State& s = *state_;
    if (s.preview != nullptr && s.preview->state() == kPreviewFinished)
        startPreviewCommand(s);
}

int MainWindow::previewState() const {
    return state_->preview != nullptr ? state_->preview->state() : kPreviewStopped;
}

void MainWindow::waitForPreview() {
    if (state_->preview != nullptr)
        state_->preview->wait();
}

} // namespace velomira
