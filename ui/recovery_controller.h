#pragma once
// The recovery copy while the album has unsaved changes: a timer tick each second looks for
// changes, and the copy is written on its own thread a couple of seconds after the changes
// stop, or every 30 seconds while they go on. Saving, starting a new project, opening one and
// leaving the program remove it. At start-up the copies of ended copies of the program are
// offered.
#include "services/recovery_writer.h"
#include "ui/main_window_view.h"
#include "ui/window_services.h"

#include <functional>
#include <memory>
#include <optional>

namespace velomira {

struct ProjectFileState;

// Ticks of the window's timer.
inline constexpr int kRecoveryTickMs = 1000;
inline constexpr int kRecoveryQuietTicks = 2; // written after this long without a change
inline constexpr int kRecoveryMaxTicks = 30;  // and at least this often while changes go on

class RecoveryController {
  public:
    RecoveryController(MainWindowView& view, const AlbumProject& album,
                       const MainWindowServices& services,
                       std::function<const ProjectFileState&()> projectFile);
    RecoveryController(const RecoveryController&) = delete;
    RecoveryController& operator=(const RecoveryController&) = delete;
    ~RecoveryController();

    // Starts the window's timer (without a work folder there is nowhere to write).
    void start();
    void tick();
    // The album equals its file (new, opened, saved): the copy goes.
    void settled();
    // The album holds changes no file has (a recovered album).
    void unsettled();
    // Leaving the program: the copy goes, and the writer finishes first.
    void discard();
    // Waits for the copy in hand (tests).
    void wait();

    // The copies left by ended copies of the program, with the skipped ones reported.
    RecoveryScan findCopies() const;
    void decline(const FoundRecovery& found) const;

  private:
    void written(const std::optional<Failure>& failure);

    MainWindowView& view_;
    const AlbumProject& album_;
    const MainWindowServices& services_;
    std::function<const ProjectFileState&()> projectFile_;
    // What the file holds; empty for a project never saved.
    std::optional<ProjectDocument> baseline_;
    ProjectDocument lastSeen_;
    bool pending_ = false;
    bool copyExists_ = false;
    bool warned_ = false;
    bool left_ = false; // the program is being left: no copy any more
    int quietTicks_ = 0;
    int pendingTicks_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<RecoveryWriter> writer_;
};

} // namespace velomira
