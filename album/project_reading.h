#pragma once
// Reading a project file's UTF-8 text into a ProjectDocument, without touching the album: what
// the file says, and where it stops being a well-formed project.
#include "album/project_document.h"
#include "platform/failure.h"

#include <optional>
#include <string_view>

namespace velomira {

// The options of the top-level object, counted in their written order.
inline constexpr int kProjectOptionCount = 14;

// Where a file stops being a well-formed project. Opening applies what comes before the flaw in
// its own order (music, then pictures, then the options) and then reports the format error.
enum class ProjectFlaw {
    None,
    NotAProject, // not JSON, or not an object: nothing applies
    MusicList,   // the music member is not a list: nothing applies
    PictureList, // the picture member is not a list, or one of its entries is malformed
    Options,     // an option is absent though required, or of the wrong type
};

struct ProjectReading {
    ProjectDocument document;
    ProjectFlaw flaw = ProjectFlaw::None;
    // The options read, in written order, before the first flawed one; all of them without a
    // flaw, none when the flaw comes before the options.
    int optionsRead = 0;
    // The format error ("文件格式不对！", "提示") whenever there is a flaw.
    std::optional<Failure> failure;
};

// Member names are matched without regard to ASCII case and the first of a name counts. Music
// entries that are not texts are left out; with a PictureList flaw document.imgs holds the
// entries before the malformed one. Numbers are truncated toward zero and held in int range.
ProjectReading parseProjectDocument(std::string_view utf8Text);

} // namespace velomira
