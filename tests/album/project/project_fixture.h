#pragma once
// A project on disk for the project file tests: a temporary folder with `pics`, a temporary
// picture folder, real picture files and stand-in MP3 files. Failures of saving are kept in
// `failures`, in order; nothing may pop up as a message box.
#include "album/project_file.h"
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
    std::vector<Failure> failures;

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

    // Stands in for an MP3: the opening tests' music reader gives every existing file 3 s at 44100
    // Hz.
    std::string music(const std::string& name) { return folder.writeFile(name, "ID3 stand-in"); }

    bool save(const std::string& path) {
        const ProjectSave saved = saveProjectFile(album, folders(), path, file);
        if (saved.failure) {
            failures.push_back(*saved.failure);
        }
        EXPECT_TRUE(dialogs.messages().empty());
        return static_cast<bool>(saved);
    }

    // Appends a picture file through the real adding routine.
    void add(const std::string& path) {
        ASSERT_EQ(addPicture(album, path, -1, false, random).status, AddPictureStatus::Added)
            << path;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Failure& failure : failures) {
            texts.push_back(failure.text);
        }
        return texts;
    }
};

} // namespace velomira::testing
