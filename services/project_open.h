#pragma once
// Opening a project file: the album is reset to a new, untitled project, then the file's music,
// pictures and options are applied the way the main window's controls would take them. The
// window and the terminal program open projects through here; messages come back as values,
// in the order they arise, and only the front ends show or print them.
#include "album/album_model.h"
#include "album/project_file.h"
#include "platform/failure.h"
#include "render/caption_fonts.h"
#include "services/picture_batch.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct ProjectOpening {
    // Names of the caption font choice, in its order; the file stores an index into it.
    std::vector<std::string> fontNames;
    PictureAddingSettings adding;
    // The window's icons, status text and information lines; the terminal's refusal lines.
    PictureBatchCallbacks reports;
    // Duration and rate of an MP3 file; empty reads its headers.
    std::function<std::optional<MusicTrack>(const std::string& path)> readMusic;
    // Reads the tracks that are not MP3 when readMusic is empty; empty: those are left out.
    std::filesystem::path musicProber;
    // Fits the display time to the music while opening; empty leaves that to the caller (the
    // window fits it once its list is rebuilt).
    std::function<void(AlbumProject& album)> fitDisplayTime;
};

struct ProjectOpenResult {
    bool opened = false;
    // The album-full warning, the dropped video size, the format or read error, in that order.
    std::vector<Failure> failures;
};

// Resets album and file, reads the file at path and applies it. On a failure the untitled
// project keeps whatever had been applied before it; on success the file state names the file.
ProjectOpenResult openProject(AlbumProject& album, ProjectFileState& file, const std::string& path,
                              TransitionRandom& random, const ProjectOpening& opening);

// Applies a file's UTF-8 text to an album already reset.
ProjectOpenResult applyProjectText(AlbumProject& album, std::string_view utf8Text,
                                   TransitionRandom& random, const ProjectOpening& opening);

// The opening of a run without a window (the terminal program, the preview benchmark): the
// fonts of the table, the display time fitted while opening, each refused picture's line to
// report.
ProjectOpening openingForRun(const CaptionFontTable& fonts,
                             const std::function<void(const std::string& line)>& report);

} // namespace velomira
