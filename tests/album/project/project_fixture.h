#pragma once
// A project on disk for the project file tests: a temporary folder with `pics`, a temporary
// picture folder, real picture files and stand-in MP3 files, and an open context that adds
// pictures through the real adding routine.
#include "album/project_apply.h"
#include "services/picture_batch.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velomira::testing {

inline const std::vector<std::string>& testFontNames() {
    static const std::vector<std::string> names{"文泉驿正黑", "AR PL UKai CN", "AR PL UMing CN"};
    return names;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct ProjectFixture {
    TempFolder folder;
    RecordingDialogs dialogs;
    AlbumProject album;
    ProjectFileState file;
    TransitionRandom random{7};
    std::vector<std::string> infoLines;
    std::vector<std::string> statusTexts;
    int autoDisplayRuns = 0;

    ProjectFixture() {
        std::filesystem::create_directories(picsFolder());
        std::filesystem::create_directories(tempPictureFolder());
        resetProjectOptions(album, testFontNames().front());
    }

    std::string picsFolder() const { return folder.file("pics"); }
    std::string tempPictureFolder() const { return folder.file("temp"); }

    ProjectFolders folders() const { return {picsFolder(), tempPictureFolder()}; }

    // A small solid picture at folder/name (subfolders are made).
    std::string picture(const std::string& name, const std::string& colour = "#3366cc") {
        const std::string path = folder.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        return writeSolidPicture(path, 8, 6, colour, "png");
    }

    // Stands in for an MP3: the test reader below gives every existing file 3 s at 44100 Hz.
    std::string music(const std::string& name) { return folder.writeFile(name, "ID3 stand-in"); }

    ProjectContext context() {
        ProjectContext c{album, file, folders(), testFontNames(), {}, {}, {}, {}, {}};
        c.readMusic = [](const std::string& path) -> std::optional<MusicTrack> {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) {
                return std::nullopt;
            }
            return MusicTrack{path, 3000.0f, 44100};
        };
        c.addPicture = [this](AlbumProject& target, const std::string& path) {
            return addPicture(target, path, -1, false, random);
        };
        c.info = [this](const std::string& line) { infoLines.push_back(line); };
        c.status = [this](const std::string& text) { statusTexts.push_back(text); };
        c.computeAutoDisplayTime = [this](AlbumProject& target) {
            ++autoDisplayRuns;
            setCustomDisplayTime(target.settings, "3.00秒");
        };
        return c;
    }

    bool open(const std::string& path) {
        ProjectContext c = context();
        return openProjectFile(c, path);
    }

    bool save(const std::string& path) { return saveProjectFile(album, folders(), path, file); }

    // Appends a picture file through the real adding routine.
    void add(const std::string& path) {
        ASSERT_EQ(addPicture(album, path, -1, false, random).status, AddPictureStatus::Added)
            << path;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const RecordedMessage& m : dialogs.messages()) {
            texts.push_back(m.text);
        }
        return texts;
    }
};

} // namespace velomira::testing
