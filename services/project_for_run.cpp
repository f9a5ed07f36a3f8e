#include "services/project_for_run.h"

#include "album/project_apply.h"
#include "media/mp3_info.h"
#include "render/auto_display_time.h"
#include "services/picture_batch.h"

namespace velomira {

bool openProjectForRun(AlbumProject& project, const std::string& path,
                       const ProjectFolders& folders, const CaptionFontTable& fonts,
                       TransitionRandom& random,
                       const std::function<void(const std::string& line)>& report) {
    ProjectFileState state;
    ProjectContext context{project, state, folders, {}, {}, {}, {}, {}, {}};
    for (const CaptionFont& font : fonts)
        context.fontNames.push_back(font.displayName);
    context.readMusic = [](const std::string& track) { return readMusicTrack(track); };
    PictureBatchCallbacks pictureReports;
    pictureReports.refused = report;
    context.addPictures = projectPictureAdder(random, {}, pictureReports);
    context.info = report;
    context.status = [](const std::string&) {};
    context.computeAutoDisplayTime = [](AlbumProject& album) { computeAutoDisplayTime(album); };
    return openProjectFile(context, path);
}

} // namespace velomira
