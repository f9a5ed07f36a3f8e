// The project menu: New, Open, Save, Save As, and the modified test behind their questions.
#include "album/duration_text.h"
#include "album/project_apply.h"
#include "app/string_utils.h"
#include "media/mp3_info.h"
#include "platform/dialogs.h"
#include "services/picture_batch.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/main_window_state.h"

namespace velomira {

namespace {

const std::vector<FileFilter> kProjectFilters = {{"项目文件 (*.dat)", {"*.dat"}}};
constexpr const char* kSaveQuestion = "项目已更改，是否保存更改？";

ProjectFolders projectFolders(const MainWindow::State& s) {
    return {s.services.folders.picsFolder.string(), s.services.folders.tempPictureFolder.string()};
}

std::string firstFontName(const MainWindow::State& s) {
    return s.fontNames.empty() ? std::string() : s.fontNames.front();
}

void resetToNewProject(MainWindow::State& s) {
    s.view.clearPictureRows();
    s.icons.clear();
    s.selection.clear();
    s.focusedRow = -1;
    resetProjectOptions(s.album, firstFontName(s));
    s.file = ProjectFileState{};
    s.view.setTitle(windowTitle(s.file));
    showAllOptions(s);
    refreshPictureCount(s);
    refreshAfterAlbumChange(s, true);
}

} // namespace

bool projectModified(const MainWindow::State& s) {
    return isProjectModified(s.album, s.file);
}

bool saveProjectCommand(MainWindow::State& s, bool saveAs) {
    std::string path = s.file.path;
    if (saveAs || path.empty()) {
        const auto chosen = chooseFileToSave("项目保存到", kProjectFilters, "dat",
                                             s.preferences().folders.project, "");
        if (!chosen)
            return false;
        path = *chosen;
        if (!endsWithNoCase(path.c_str(), ".dat"))
            path += ".dat";
    }
    if (!saveProjectFile(s.album, projectFolders(s), path, s.file))
        return false;
    s.view.setTitle(windowTitle(s.file));
    // Pictures copied out of the temporary folder now live elsewhere; the rows keep their icons.
    refreshSelectionStatus(s);
    return true;
}

void newProjectCommand(MainWindow::State& s) {
    if (projectModified(s)) {
        const Answer answer = ask(kSaveQuestion, "询问", true, Answer::Cancel);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Yes)
            saveProjectCommand(s, false);
    }
    resetToNewProject(s);
}

void openProjectCommand(MainWindow::State& s) {
    if (projectModified(s) && ask(kSaveQuestion, "询问", false, Answer::No) == Answer::Yes)
        saveProjectCommand(s, false);
    const auto path =
        chooseFileToOpen("打开项目", kProjectFilters, s.preferences().folders.project);
    if (!path)
        return;
    openProjectPath(s, *path);
}

bool openProjectPath(MainWindow::State& s, const std::string& path) {
    resetToNewProject(s);
    ProjectContext context{s.album, s.file, projectFolders(s), s.fontNames, {}, {}, {}, {}, {}};
    context.readMusic = [](const std::string& music) { return readMusicTrack(music); };
    PictureBatchCallbacks callbacks;
    callbacks.added = [&s](std::size_t, int row, const PictureIcon& icon) {
        s.icons.insert(s.icons.begin() + row, icon);
    };
    callbacks.refused = [&s](const std::string& line) {
        if (s.services.info != nullptr)
            s.services.info->append(line);
    };
    callbacks.status = [&s](const std::string& text) { s.view.setStatusText(1, text); };
    callbacks.pump = [&s] { s.view.pumpEvents(); };
    context.addPictures = projectPictureAdder(
        s.random, PictureAddingSettings{s.services.vendorHost, false}, callbacks);
    context.info = [&s](const std::string& line) {
        if (s.services.info != nullptr)
            s.services.info->append(line);
    };
    context.status = [&s](const std::string& text) { s.view.setStatusText(1, text); };
    s.view.setWaitCursor(true);
    const bool opened = openProjectFile(context, path);
    s.view.setWaitCursor(false);
    s.icons.resize(s.album.items.size());
    rebuildPictureRows(s);
    if (s.album.settings.text_watermark)
        applyCaptionSwitch(s.album, true);
    showAllOptions(s);
    s.view.setStatusText(1, "");
    refreshAfterAlbumChange(s, true);
    s.view.setTitle(windowTitle(s.file));
    return opened;
}

} // namespace velomira
