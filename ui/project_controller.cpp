#include "ui/project_controller.h"

#include "app/recent_projects.h"
#include "app/string_utils.h"
#include "platform/dialogs.h"
#include "services/music_track.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/window_title.h"

#include <algorithm>

namespace velomira {

namespace {

const std::vector<FileFilter> kProjectFilters = {{"项目文件 (*.dat)", {"*.dat"}}};
constexpr const char* kSaveQuestion = "项目已更改，是否保存更改？";

} // namespace

ProjectController::ProjectController(MainWindowView& view, AlbumProject& album,
                                     TransitionRandom& random, const MainWindowServices& services,
                                     const std::vector<std::string>& fontNames,
                                     PictureListController& pictures, OptionsController& options,
                                     RecoveryController& recovery)
    : view_(view), album_(album), random_(random), services_(services), fontNames_(fontNames),
      pictures_(pictures), options_(options), recovery_(recovery) {
    if (services_.settingsFile != nullptr)
        recent_ = readRecentProjects(*services_.settingsFile);
}

void ProjectController::remember(const std::string& path, const std::string& replacing) {
    recent_ = withRecentProject(withoutRecentProject(recent_, replacing), path);
    if (services_.settingsFile != nullptr)
        writeRecentProjects(*services_.settingsFile, recent_);
}

std::vector<ProjectController::RecentProject> ProjectController::recentProjects() const {
    std::vector<RecentProject> entries;
    for (const std::string& path : recent_)
        entries.push_back(
            {path, projectFileNameOf(path), !recentProjectProblem(path).text.empty()});
    return entries;
}

void ProjectController::openRecent(std::size_t index) {
    if (index >= recent_.size())
        return;
    const std::string path = recent_[index];
    if (const RecentProjectProblem problem = recentProjectProblem(path); !problem.text.empty()) {
        if (problem.drop) {
            recent_ = withoutRecentProject(recent_, path);
            if (services_.settingsFile != nullptr)
                writeRecentProjects(*services_.settingsFile, recent_);
        }
        showMessage(problem.text, "提示", MessageKind::Warning);
        return;
    }
    if (modified() && ask(kSaveQuestion, "询问", false, Answer::No) == Answer::Yes)
        save(false);
    openPath(path);
}

void ProjectController::registerCommands(CommandTable& table) {
    table.on(Command::NewProject, [this] { newProject(); });
    table.on(Command::OpenProject, [this] { open(); });
    table.on(Command::SaveProject, [this] {
        if (pictures_.count() > 0)
            save(false);
    });
    table.on(Command::SaveProjectAs, [this] {
        if (pictures_.count() > 0)
            save(true);
    });
}

ProjectFolders ProjectController::folders() const {
    return {services_.folders.picsFolder.string(), services_.folders.tempPictureFolder.string()};
}

bool ProjectController::modified() const {
    return isProjectModified(album_, file_);
}

bool ProjectController::canSaveAs() const {
    const std::string& temp = services_.folders.tempPictureFolder.string();
    const bool anyTemporary =
        !temp.empty() &&
        std::any_of(album_.items.begin(), album_.items.end(), [&](const AlbumItem& item) {
            return item.path.find(temp) != std::string::npos;
        });
    return !file_.path.empty() && !anyTemporary;
}

void ProjectController::resetToNewProject() {
    pictures_.clearRows();
    resetProjectOptions(album_, fontNames_.empty() ? std::string() : fontNames_.front());
    file_ = ProjectFileState{};
    projectCurrent_ = true;
    view_.setTitle(windowTitle(file_, projectCurrent_));
    options_.showAll();
    view_.setChoice(Command::CaptionPosition, kDefaultCaptionLocation);
    pictures_.refreshPictureCount();
    pictures_.refreshAfterAlbumChange(true);
    recovery_.settled();
}

bool ProjectController::save(bool saveAs) {
    std::string path = file_.path;
    if (saveAs || path.empty()) {
        const auto chosen = chooseFileToSave("项目保存到", kProjectFilters, "dat",
                                             services_.preferences->folders.project, "");
        if (!chosen)
            return false;
        path = *chosen;
        if (!endsWithNoCase(path.c_str(), ".dat"))
            path += ".dat";
    }
    const std::string former = file_.path;
    if (const ProjectSave saved = saveProjectFile(album_, folders(), path, file_); !saved) {
        showFailure(*saved.failure);
        return false;
    }
    remember(path, former);
    view_.setTitle(windowTitle(file_, projectCurrent_));
    recovery_.settled();
    // Pictures copied out of the temporary folder now live elsewhere; the rows
    // keep their icons.
    pictures_.refreshSelectionStatus();
    return true;
}

void ProjectController::newProject() {
    if (modified()) {
        const Answer answer = ask(kSaveQuestion, "询问", true, Answer::Cancel);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Yes)
            save(false);
    }
    resetToNewProject();
}

void ProjectController::open() {
    if (modified() && ask(kSaveQuestion, "询问", false, Answer::No) == Answer::Yes)
        save(false);
    const auto path =
        chooseFileToOpen("打开项目", kProjectFilters, services_.preferences->folders.project);
    if (!path)
        return;
    openPath(*path);
}

bool ProjectController::openPath(const std::string& path) {
    return openFile(path, true);
}

bool ProjectController::openFile(const std::string& path, bool listed) {
    resetToNewProject();
    ProjectOpening opening;
    opening.fontNames = fontNames_;
    opening.musicProber = musicProbeTool(services_.folders.programFolder);
    opening.adding = PictureAddingSettings{services_.vendorHost, false};
    opening.reports.added = [this](std::size_t, int row, const PictureIcon& icon) {
        pictures_.takeIcon(row, icon);
    };
    opening.reports.refused = [this](const std::string& line) {
        if (services_.info != nullptr)
            services_.info->append(line);
    };
    opening.reports.status = [this](const std::string& text) { view_.setStatusText(1, text); };
    opening.reports.pump = [this] { view_.pumpEvents(); };
    view_.setWaitCursor(true);
    const ProjectOpenResult result = openProject(album_, file_, path, random_, opening);
    view_.setWaitCursor(false);
    for (const Failure& failure : result.failures)
        showFailure(failure);
    pictures_.rebuildRows();
    if (album_.settings.textWatermark)
        applyCaptionSwitch(album_, true);
    options_.showAll();
    view_.setStatusText(1, "");
    pictures_.refreshAfterAlbumChange(true);
    view_.setTitle(windowTitle(file_, projectCurrent_));
    recovery_.settled();
    if (result.opened && listed)
        remember(path);
    return result.opened;
}

bool ProjectController::openRecovered(const FoundRecovery& found) {
    const std::string temp = services_.folders.tempPictureFolder.string();
    const RecoveryOpening opening = prepareRecoveryOpening(found, temp);
    if (!openFile(opening.projectFile.string(), false))
        return false;
    // The pictures kept with the copy now live in this copy's temporary folder, so saving
    // copies them into "pics" as it does for any download.
    const std::string prefix = opening.picturePrefix + "/";
    for (AlbumItem& item : album_.items)
        if (item.path.rfind(prefix, 0) == 0)
            item.path = temp + "/" + item.path.substr(prefix.size());
    file_.path = found.projectPath;
    file_.name = found.projectName;
    view_.setTitle(windowTitle(file_, projectCurrent_));
    recovery_.unsettled();
    removeRecoveryCopy(found.folder);
    pictures_.refreshSelectionStatus();
    return true;
}

} // namespace velomira
