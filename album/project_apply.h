#pragma once
// Opening a project file: rebuilds the album from the file the way the main window's controls
// would, with the outside work (reading MP3 headers, probing pictures, the automatic display
// time) done through callbacks, so this layer needs neither the media nor the render layer.
#include "album/album_model.h"
#include "album/project_file.h"

#include <cjson/cJSON.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// One picture of a project file as the reader hands it to a batch adder.
struct ProjectPicture {
    std::string path;
    int turnAngle = 0; // the quarter turn the item will get, for its icon
};

// Adds the pictures in order, the way every adding routine does (refusal reports and progress
// are its business), and calls placed(entry, position) right after each one is added, before
// the next. Returns true when the album became full while pictures were left.
using ProjectPictureAdder =
    std::function<bool(AlbumProject& album, const std::vector<ProjectPicture>& pictures,
                       const std::function<void(std::size_t entry, int position)>& placed)>;

struct ProjectContext {
    AlbumProject& album;
    ProjectFileState& file;
    ProjectFolders folders;
    // Names of the caption font choice, in its order; the file stores an index into it.
    std::vector<std::string> fontNames;

    // Duration and sample rate of an MP3 file, or nothing when it does not read.
    std::function<std::optional<MusicTrack>(const std::string& path)> readMusic;
    // Appends one picture to the album (probe, item creation); without it nothing is added.
    std::function<AddPictureResult(AlbumProject& album, const std::string& path)> addPicture;
    // A line for the information window (pictures that were left out).
    std::function<void(const std::string& line)> info;
    // Progress for the status bar ("加载图片: %d / %d"); optional.
    std::function<void(const std::string& text)> status;
    // Fits the display time to the music length; optional (needs frame counts).
    std::function<void(AlbumProject& album)> computeAutoDisplayTime;
    // Adds all the pictures in one batch; when present it is used instead of addPicture, and
    // status and info are not called for the pictures.
    ProjectPictureAdder addPictures{}; // braced: shorter positional initialisers stay valid
};

// Opens the project file at path: resets the album to a new, untitled project, then reads the
// file and applies music, pictures and options. On a failure the message is shown and the
// untitled project keeps whatever had been applied before it. On success the file state names
// the file.
bool openProjectFile(ProjectContext& context, const std::string& path);

// Applies an already reset album from the file's UTF-8 text (music, pictures, options). Shows
// "文件格式不对！" and returns false for text that is not JSON or lacks a required member.
bool applyProjectText(ProjectContext& context, std::string_view utf8Text);

// The same for a parsed tree.
bool applyProjectTree(ProjectContext& context, const cJSON* root);

} // namespace velomira
