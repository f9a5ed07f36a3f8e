#include "ui/run_checks.h"

namespace velomira {

bool passesPreflight(AlbumProject& album, OutputMode mode, MainWindowView& view, MusicList& music,
                     const std::filesystem::path& programFolder,
                     std::unique_ptr<PreviewLogo>* logo) {
    const PreflightResult preflight = checkBeforeGeneration(
        album, mode, programFolder, mode == OutputMode::Preview ? logo : nullptr);
    if (preflight.accepted)
        return true;
    if (album.settings.videoSize == 0)
        view.focus(Command::VideoSize);
    if (preflight.musicTrackToSelect >= 0)
        music.selectLine(preflight.musicTrackToSelect);
    return false;
}

} // namespace velomira
