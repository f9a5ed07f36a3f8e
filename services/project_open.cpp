#include "services/project_open.h"

#include "album/music_shaping.h"
#include "album/project_apply.h"
#include "album/project_reading.h"
#include "render/auto_display_time.h"
#include "services/music_track.h"

namespace velomira {

namespace {

void applyMusic(AlbumProject& album, const std::vector<std::string>& paths,
                const ProjectOpening& opening) {
    for (const std::string& path : paths) {
        // Entries too long to be a path, not named as audio or without duration are left out
        // without a message.
        if (!isProjectMusicPath(path)) {
            continue;
        }
        std::optional<MusicTrack> track;
        if (opening.readMusic)
            track = opening.readMusic(path);
        else if (isMp3FileName(path))
            track = readMusicTrack(path);
        else if (!opening.musicProber.empty())
            track = readMusicFile(path, opening.musicProber).track;
        if (track && track->durationMs > 0.0f) {
            track->path = path;
            addMusicTrack(album, std::move(*track));
        }
    }
}

// One batch; each picture takes its own entry's settings as soon as it is added, before its
// row is made, so a picture left out never shifts the settings of the ones after it. True when
// the album became full while pictures were left.
bool addPictures(AlbumProject& album, const std::vector<ProjectItemEntry>& entries,
                 TransitionRandom& random, const ProjectOpening& opening) {
    std::vector<std::string> paths;
    PictureBatchOptions options;
    options.adding = opening.adding;
    for (const ProjectItemEntry& entry : entries) {
        paths.push_back(entry.path);
        options.turnAngles.push_back(projectEntryTurnAngle(entry));
    }
    PictureBatchCallbacks batch = opening.reports;
    batch.added = [&](std::size_t file, int position, const PictureIcon& icon) {
        if (AlbumItem* item = albumItemAt(album, position);
            item != nullptr && file < entries.size())
            applyProjectItemEntry(*item, entries[file]);
        if (opening.reports.added)
            opening.reports.added(file, position, icon);
    };
    return addPictureBatch(album, random, paths, options, batch).albumFull;
}

void refreshAutoDisplayTime(AlbumProject& album, const ProjectOpening& opening) {
    const VideoSettings& s = album.settings;
    if (s.bgsound && s.bgsoundAutoSetPauseTime && !album.musicItems.empty() &&
        !album.items.empty() && opening.fitDisplayTime) {
        opening.fitDisplayTime(album);
    }
}

} // namespace

ProjectOpenResult applyProjectText(AlbumProject& album, std::string_view utf8Text,
                                   TransitionRandom& random, const ProjectOpening& opening) {
    const ProjectReading reading = parseProjectDocument(utf8Text);
    const ProjectDocument& document = reading.document;
    ProjectOpenResult result;
    const auto formatError = [&] {
        result.failures.push_back(*reading.failure);
        return result;
    };
    if (reading.flaw == ProjectFlaw::NotAProject || reading.flaw == ProjectFlaw::MusicList)
        return formatError();
    if (document.bgsoundItems)
        applyMusic(album, *document.bgsoundItems, opening);
    if (document.imgs && addPictures(album, *document.imgs, random, opening))
        result.failures.push_back({albumFullMessage(), "提示", MessageKind::Warning});
    if (reading.flaw == ProjectFlaw::PictureList)
        return formatError();
    refreshAutoDisplayTime(album, opening);
    if (std::optional<Failure> dropped = applyProjectOptions(
            album, document, reading.optionsRead, opening.fontNames, opening.fitDisplayTime))
        result.failures.push_back(std::move(*dropped));
    if (reading.flaw != ProjectFlaw::None)
        return formatError();
    result.opened = true;
    return result;
}

ProjectOpenResult openProject(AlbumProject& album, ProjectFileState& file, const std::string& path,
                              TransitionRandom& random, const ProjectOpening& opening) {
    resetProjectOptions(album,
                        opening.fontNames.empty() ? std::string() : opening.fontNames.front());
    file = ProjectFileState{};
    const ProjectFileBytes text = readProjectFileText(path);
    if (!text.bytes)
        return {false, {text.failure}};
    ProjectOpenResult result = applyProjectText(album, *text.bytes, random, opening);
    if (result.opened) {
        file.path = path;
        file.name = projectFileNameOf(path);
    }
    return result;
}

ProjectOpening openingForRun(const CaptionFontTable& fonts,
                             const std::function<void(const std::string& line)>& report) {
    ProjectOpening opening;
    for (const CaptionFont& font : fonts)
        opening.fontNames.push_back(font.displayName);
    opening.reports.refused = report;
    opening.fitDisplayTime = [](AlbumProject& album) { computeAutoDisplayTime(album); };
    return opening;
}

} // namespace velomira
