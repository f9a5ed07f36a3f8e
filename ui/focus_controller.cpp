#include "ui/focus_controller.h"

#include "ui/info_log.h"
#include "ui/option_dialogs.h"

namespace velomira {

FocusController::FocusController(MainWindowView& view, AlbumProject& album,
                                 const MainWindowServices& services,
                                 std::function<std::vector<int>()> selection)
    : view_(view), album_(album), services_(services), selection_(std::move(selection)),
      finder_(std::make_shared<FocalRegionFinder>(findCascadeFolder())) {}

FocusController::~FocusController() {
    stop_ = true;
    wait();
}

void FocusController::registerCommands(CommandTable& table) {
    table.on(Command::ContextFollowSubject, [this] { toggleFollowing(); });
    table.on(Command::ContextSetFocus, [this] { setFocus(); });
}

void FocusController::toggleFollowing() {
    album_.settings.focus = following() ? FocusMode::Center : FocusMode::Auto;
    findMissing();
}

void FocusController::setFocus() {
    if (!canSetFocus() || services_.optionDialogs == nullptr)
        return;
    const int row = selection_().front();
    const AlbumItem* item = albumItemAt(album_, row);
    if (item == nullptr)
        return;
    const auto answer = services_.optionDialogs->askFocalRegion(
        item->path, item->turnAngle, framingRegion(album_.settings.focus, item->focus));
    if (!answer)
        return;
    setAlbumItemFocus(album_, row, answer->region);
    // "自动" in an album that does not follow found regions still finds it, for later.
    if (!answer->region && !following())
        album_.settings.focus = FocusMode::Auto;
    findMissing();
}

void FocusController::findMissing() {
    if (searching_) {
        searchAgain_ = true;
        return;
    }
    std::vector<Job> jobs;
    for (int position : picturesWithoutFocus(album_)) {
        const AlbumItem& item = album_.items[static_cast<std::size_t>(position)];
        jobs.push_back({position, item.path, item.fileName});
    }
    if (jobs.empty())
        return;
    searching_ = true;
    searchAgain_ = false;
    std::weak_ptr<bool> alive = alive_;
    worker_ = std::thread([this, alive, jobs = std::move(jobs), finder = finder_] {
        for (const Job& job : jobs) {
            if (stop_)
                break;
            FocalDetection detection = finder->find(job.path);
            view_.postToWindowThread([this, alive, job, detection] {
                if (alive.lock())
                    found(job, detection);
            });
        }
        view_.postToWindowThread([this, alive] {
            if (alive.lock())
                searchEnded();
        });
    });
}

void FocusController::found(const Job& job, const FocalDetection& detection) {
    storeFoundFocus(album_, job.position, job.path, detection.region);
    if (services_.info == nullptr)
        return;
    if (!modelProblemShown_) {
        if (const std::string problem = finder_->modelProblem(); !problem.empty()) {
            services_.info->append(problem);
            modelProblemShown_ = true;
        }
    }
    if (!detection.problem.empty())
        services_.info->append(focusFallbackLine(job.fileName, detection.problem));
}

void FocusController::searchEnded() {
    wait();
    searching_ = false;
    if (searchAgain_)
        findMissing();
}

void FocusController::wait() {
    if (worker_.joinable())
        worker_.join();
}

} // namespace velomira
