#pragma once
// Opening projects on disk: the project file fixture with an opening whose music reader gives
// every existing file 3 s at 44100 Hz and whose display time fitting is counted, pictures added
// through the real batch. What the front end would show is kept in `failures`, in order.
#include "album/project/project_fixture.h"
#include "services/project_open.h"

namespace velomira::testing {

struct ProjectOpenFixture : ProjectFixture {
    std::vector<std::string> infoLines;
    std::vector<std::string> statusTexts;
    int autoDisplayRuns = 0;

    ProjectOpening opening() {
        ProjectOpening o;
        o.fontNames = testFontNames();
        o.readMusic = [](const std::string& path) -> std::optional<MusicTrack> {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) {
                return std::nullopt;
            }
            return MusicTrack{path, 3000.0f, 44100};
        };
        o.reports.refused = [this](const std::string& line) { infoLines.push_back(line); };
        o.reports.status = [this](const std::string& text) { statusTexts.push_back(text); };
        o.fitDisplayTime = [this](AlbumProject& target) {
            ++autoDisplayRuns;
            setCustomDisplayTime(target.settings, "3.00秒");
        };
        return o;
    }

    bool open(const std::string& path) {
        const ProjectOpenResult result = openProject(album, file, path, random, opening());
        failures.insert(failures.end(), result.failures.begin(), result.failures.end());
        EXPECT_TRUE(dialogs.messages().empty()) << "opening shows nothing itself";
        return result.opened;
    }
};

} // namespace velomira::testing
