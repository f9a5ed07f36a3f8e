#include "ui/run_checks.h"

#include "platform/dialogs.h"

namespace velomira {

bool passesPreflight(AlbumProject& album, OutputMode mode, MainWindowView& view, MusicList& music,
                     const std::filesystem::path& programFolder,
                     std::unique_ptr<PreviewLogo>* logo) {
    const RunCheck check = checkVideoRun(album, mode, programFolder, logo);
    if (check.failure)
        showFailure(*check.failure);
    if (check.focusVideoSize)
        view.focus(Command::VideoSize);
    if (check.musicTrackToSelect >= 0)
        music.selectLine(check.musicTrackToSelect);
    return check.accepted;
}

} // namespace velomira
