// The project menu: New, Open, Save, Save As, and the modified test behind their questions.
#include "album/duration_text.h"
#include "album/project_apply.h"
#include "app/string_utils.h"
#include "media/mp3_info.h"
#include "platform/dialogs.h"
#include "render/image/thumbnail.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/interim_batch.h"
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

// Thumbnails of pictures that a project file turns.
void turnOpenedThumbnails(MainWindow::State& s) {
    for (int row = 0; row < s.pictureCount(); ++row) {
        const AlbumItem& item = s.album.items[row];
        if (item.turnAngle <= 0)
            continue;
        Blob icon;
        if (makeThumbnailIcon(item.path, thumbnailSize, thumbnailSize, item.turnAngle, icon) == 1)
            s.icons[row] = PngBytes(icon.bytes(), icon.bytes() + icon.length);
        s.view.setPictureRowIcon(row, s.icons[row]);
    }
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
    context.addPicture = [&s](AlbumProject& album, const std::string& picture) {
        AddPictureResult result;
        PictureBatchCallbacks callbacks;
        callbacks.added = [&](int row, PngBytes icon) {
            s.icons.insert(s.icons.begin() + row, std::move(icon));
            result.status = AddPictureStatus::Added;
            result.position = row;
        };
        callbacks.refused = [&](const std::string& line) {
            result.status = AddPictureStatus::Refused;
            result.infoLine = line;
        };
        callbacks.pump = [&s] { s.view.pumpEvents(); };
        const PictureBatchResult batch =
            addPictureBatch(album, {picture}, -1, s.random, s.services.vendorHost, callbacks);
        if (batch.albumFull)
            result.status = AddPictureStatus::AlbumFull;
        return result;
    };
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
    turnOpenedThumbnails(s);
    if (s.album.settings.text_watermark)
        applyCaptionSwitch(s.album, true);
    showAllOptions(s);
    s.view.setStatusText(1, "");
    refreshAfterAlbumChange(s, true);
    s.view.setTitle(windowTitle(s.file));
    return opened;
}

} // namespace velomira
