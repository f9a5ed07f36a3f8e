#pragma once
// "生成视频": the checks, the question whether to make only the selected pictures, the save
// dialog, the run on the generation worker with progress reaching the window as posted calls,
// the stop button, and the play question at the end.
#include "services/video_run.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/music_list.h"
#include "ui/window_services.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velomira {

class GenerationController {
  public:
    // previewBusy: a preview still running refuses a video; limits: the size cap and preset
    // the run keeps; selection: the selected rows, in order.
    GenerationController(MainWindowView& view, AlbumProject& album,
                         const MainWindowServices& services, MusicList& music,
                         std::function<bool()> previewBusy, std::function<OutputLimits()> limits,
                         std::function<std::vector<int>()> selection = nullptr);
    ~GenerationController(); // waits for a run still going
    GenerationController(const GenerationController&) = delete;
    GenerationController& operator=(const GenerationController&) = delete;

    // "生成视频" on the toolbar and the button.
    void registerCommands(CommandTable& table);
    bool running() const { return running_; }
    // The progress window's stop button.
    void stop();

  private:
    void generate();
    // With several pictures selected, whether to make only them (first to last selected);
    // nothing when the question was cancelled.
    std::optional<PictureRange> chosenRange() const;
    // The music's beats on a thread of their own, then the run (beats: none for even times).
    void analyseBeats(BeatAnalysisRequest request);
    void beatsFound(const MusicBeats& found);
    void startRun(const std::vector<double>* beats);
    void endWithoutRun();
    void finish(const GenerationResult& result);

    MainWindowView& view_;
    AlbumProject& album_;
    const MainWindowServices& services_;
    MusicList& music_;
    std::function<bool()> previewBusy_;
    std::function<OutputLimits()> limits_;
    std::function<std::vector<int>()> selection_;
    EncoderState encoderState_;
    GenerationWorker worker_;
    bool running_ = false;
    bool stopRequested_ = false;
    std::string output_;
    PictureRange range_; // the pictures the run makes (all by default)
    std::thread beatThread_;
    std::atomic<bool> beatStop_{false};
    std::unique_ptr<AlbumProject> beatAlbum_; // what a run on the beat renders, while it runs
    // Posted calls test this before touching the controller: it may be gone by then.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace velomira
