#include "services/new_album.h"

namespace velomira {

AlbumProject newAlbumFromPreferences(const std::vector<std::string>& fontNames,
                                     const Preferences& preferences) {
    AlbumProject album;
    album.settings.newAlbumFill = static_cast<NewAlbumFill>(preferences.newAlbumFillMode);
    album.settings.newAlbumSafeAreas = preferences.newAlbumSafeAreas != 0;
    album.settings.newAlbumMusicFade = preferences.newAlbumMusicFade != 0;
    album.settings.newAlbumLoudness = preferences.newAlbumLoudness != 0;
    resetProjectOptions(album, fontNames.empty() ? std::string() : fontNames.front());
    choosePauseTime(album.settings, kDefaultPauseTime);
    album.settings.videoBgFillColor = preferences.videoBgFillColor;
    album.settings.outputNaming = preferences.mp4DefaultFileName;
    album.settings.loopPlayAnimation = static_cast<int>(preferences.imageLoopPlayAnimation);
    return album;
}

} // namespace velomira
