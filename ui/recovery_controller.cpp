#include "ui/recovery_controller.h"

#include "album/project_file.h"
#include "ui/info_log.h"

namespace velomira {

namespace {

std::filesystem::path ownFolder(const StartupFolders& folders) {
    if (folders.workFolder.empty() || folders.workTempFolder.empty())
        return {};
    return recoveryRoot(folders.workFolder) / folders.workTempFolder.filename();
}

} // namespace

RecoveryController::RecoveryController(MainWindowView& view, const AlbumProject& album,
                                       const MainWindowServices& services,
                                       std::function<const ProjectFileState&()> projectFile)
    : view_(view), album_(album), services_(services), projectFile_(std::move(projectFile)) {
    const std::filesystem::path folder = ownFolder(services_.folders);
    if (folder.empty())
        return;
    std::weak_ptr<bool> alive = alive_;
    writer_ = std::make_unique<RecoveryWriter>(
        folder, [this, alive](const std::optional<Failure>& failure) {
            view_.postToWindowThread([this, alive, failure] {
                if (alive.lock())
                    written(failure);
            });
        });
}

RecoveryController::~RecoveryController() {
    *alive_ = false;
    alive_.reset();
}

void RecoveryController::start() {
    if (writer_)
        view_.startRepeatingTimer(kRecoveryTickMs, [this] { tick(); });
}

void RecoveryController::tick() {
    if (!writer_ || left_)
        return;
    // Building the document is cheap next to printing and writing it, which the writer does.
    ProjectDocument document = documentFromAlbum(album_);
    const bool unsaved = !album_.items.empty() && (!baseline_ || document != *baseline_);
    if (!unsaved) {
        if (copyExists_ || pending_)
            writer_->remove();
        copyExists_ = pending_ = false;
        lastSeen_ = std::move(document);
        return;
    }
    if (document != lastSeen_) {
        lastSeen_ = document;
        quietTicks_ = 0;
        if (!pending_)
            pendingTicks_ = 0;
        pending_ = true;
    } else if (pending_) {
        ++quietTicks_;
    } else if (copyExists_) {
        return; // the copy holds this album already
    } else {
        // Unsaved from the start (a recovered album): no reason to wait.
        pending_ = true;
        pendingTicks_ = 0;
        quietTicks_ = kRecoveryQuietTicks;
    }
    ++pendingTicks_;
    if (quietTicks_ < kRecoveryQuietTicks && pendingTicks_ < kRecoveryMaxTicks)
        return;
    pending_ = false;
    copyExists_ = true;
    writer_->write({std::move(document), projectFile_().path, services_.folders.tempPictureFolder});
}

void RecoveryController::written(const std::optional<Failure>& failure) {
    // One warning until a copy is written again: the previous copy is still whole.
    if (failure && !warned_)
        view_.setStatusText(1, failure->text);
    warned_ = failure.has_value();
}

void RecoveryController::settled() {
    baseline_ = documentFromAlbum(album_);
    lastSeen_ = *baseline_;
    pending_ = false;
    if (writer_ && copyExists_)
        writer_->remove();
    copyExists_ = false;
}

void RecoveryController::unsettled() {
    baseline_.reset();
}

void RecoveryController::discard() {
    if (!writer_)
        return;
    left_ = true;
    writer_->remove();
    writer_->wait();
    copyExists_ = pending_ = false;
}

void RecoveryController::wait() {
    if (writer_)
        writer_->wait();
}

RecoveryScan RecoveryController::findCopies() const {
    if (services_.folders.workFolder.empty())
        return {};
    RecoveryScan scan = findRecoveryCopies(recoveryRoot(services_.folders.workFolder));
    if (services_.info != nullptr)
        for (const std::string& line : scan.skipped)
            services_.info->append(line);
    return scan;
}

void RecoveryController::decline(const FoundRecovery& found) const {
    declineRecoveryCopy(recoveryRoot(services_.folders.workFolder), found);
}

} // namespace velomira
