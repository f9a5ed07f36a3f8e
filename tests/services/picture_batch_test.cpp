// The adding routine shared by every front end: what a batch adds, refuses and reports must be
// exactly what adding the files one by one gives, whatever the worker count; nothing it does
// may reach a message box.
#include "services/picture_batch.h"
#include "services/project_open.h"

#include "media/picture_probe.h"
#include "render/image/thumbnail.h"
#include "support/broken_pictures.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

using namespace velomira::testing;

struct Outcome {
    std::vector<std::string> items; // path and transition
    std::vector<std::string> refusals;
    std::vector<PictureIcon> icons;
    bool albumFull = false;
    bool operator==(const Outcome&) const = default;
};

void takeItems(Outcome& outcome, const AlbumProject& album) {
    for (const AlbumItem& item : album.items)
        outcome.items.push_back(item.path + " " + item.animationName);
}

AlbumProject albumOf(int pictures) {
    AlbumProject album;
    TransitionRandom random(3);
    for (int i = 0; i < pictures; ++i)
        insertAlbumItem(album, "/old/" + std::to_string(i) + ".jpg", -1, false, random);
    return album;
}

class PictureBatchTest : public ::testing::Test {
  protected:
    std::string thumbnailReport(const std::string& path) const {
        // The text itself (too large or unreadable) is the thumbnail maker's, tested there.
        return thumbnailRefusalText(probePicture(path), host);
    }

    Outcome oneByOne(AlbumProject album, const std::vector<std::string>& paths, int position) {
        TransitionRandom random(7);
        Outcome outcome;
        for (const std::string& path : paths) {
            ListPicture added = addListPicture(album, random, path, position, {host, false});
            outcome.albumFull = added.result.status == AddPictureStatus::AlbumFull;
            if (outcome.albumFull)
                break;
            if (added.result.status == AddPictureStatus::Refused) {
                outcome.refusals.push_back(added.result.infoLine);
                continue;
            }
            outcome.icons.push_back(added.icon);
            position += position >= 0 ? 1 : 0;
        }
        takeItems(outcome, album);
        return outcome;
    }

    Outcome inBatch(AlbumProject album, const std::vector<std::string>& paths, int position,
                    int workers) {
        TransitionRandom random(7);
        Outcome outcome;
        PictureBatchOptions options{{host, false}, position, {}, workers};
        PictureBatchCallbacks callbacks;
        callbacks.added = [&](std::size_t, int, const PictureIcon& icon) {
            outcome.icons.push_back(icon);
        };
        callbacks.refused = [&](const std::string& line) { outcome.refusals.push_back(line); };
        const PictureBatchResult result = addPictureBatch(album, random, paths, options, callbacks);
        EXPECT_EQ(result.added + result.refused,
                  static_cast<int>(outcome.icons.size() + outcome.refusals.size()));
        outcome.albumFull = result.albumFull;
        takeItems(outcome, album);
        return outcome;
    }

    std::string good(const std::string& name, const std::string& format = "jpg") {
        return writeSolidPicture(folder.file(name), 40 + static_cast<int>(name.size()), 30,
                                 "#30a050", format);
    }

    RecordingDialogs dialogs;
    TempFolder folder;
    std::string host = "www.example.test";
};

TEST_F(PictureBatchTest, BatchGivesTheItemsOrderAndReportsOfAddingOneByOne) {
    const std::string missing = folder.file("gone.jpg");
    const std::string gif = writeAnimatedGif(folder.file("anim.gif"), 20, 20, "#ff0000", "#0000ff");
    const std::string empty = folder.writeFile("empty.jpg", "");
    const std::string text = folder.writeFile("notes.jpg", "just some words");
    const std::string hugePng = writePngAnnouncing(folder.file("huge.png"), 100000, 100000);
    const std::string hugeBmp = writeBmpAnnouncing(folder.file("huge.bmp"), 70000, 70000);
    const std::string noise = writeNoiseBehindHeader(folder.file("noise.png"), "png", 1);
    // The reduced JPEG decode must not accept what the full decode of the video refuses.
    const std::string wide = writeJpegAnnouncing(folder.file("wide.jpg"), 40000, 8);
    const std::string longPath = "/" + std::string(300, 'x') + ".jpg";
    const std::vector<std::pair<std::string, std::string>> cases = {
        // path, report ("": added)
        {good("a.jpg"), ""},
        {gif, "不支持gif动画图片:\r\n" + gif},
        {good("b.png", "png"), ""},
        {empty, "无法识别的图片:\r\n" + empty},
        {missing, "图片读取失败:\r\n" + missing},
        {good("c.bmp", "bmp"), ""},
        {text, "无法识别的图片:\r\n" + text},
        {hugePng, thumbnailReport(hugePng)},
        {good("still.gif", "gif"), ""},
        {hugeBmp, thumbnailReport(hugeBmp)},
        {noise, thumbnailReport(noise)},
        {wide, thumbnailReport(wide)},
        {longPath, "图片读取失败:\r\n" + longPath},
        {good("d.jpg"), ""}};
    std::vector<std::string> paths, reports, added;
    for (const auto& [path, report] : cases) {
        paths.push_back(path);
        (report.empty() ? added : reports).push_back(report.empty() ? path : report);
    }
    const Outcome single = oneByOne(AlbumProject{}, paths, -1);
    EXPECT_EQ(single.refusals, reports);
    ASSERT_EQ(single.items.size(), added.size());
    for (std::size_t i = 0; i < added.size(); ++i)
        EXPECT_EQ(single.items[i].substr(0, added[i].size()), added[i]);
    for (int workers : {0, 1, 2, 3, -1})
        EXPECT_TRUE(inBatch(AlbumProject{}, paths, -1, workers) == single) << workers << " workers";
    EXPECT_TRUE(dialogs.messages().empty()) << "reports go to the information window only";
}

TEST_F(PictureBatchTest, InsertingAdvancesPastAddedPicturesWithStatusAndPumpInOrder) {
    const std::string x = good("x.jpg"), y = good("y.png", "png");
    const std::string bad = folder.writeFile("bad.jpg", "");
    const std::vector<std::string> paths = {x, bad, y};
    AlbumProject album = albumOf(3);
    TransitionRandom random(11);
    std::vector<std::string> events;
    PictureBatchCallbacks callbacks;
    callbacks.status = [&](const std::string& text) { events.push_back(text); };
    callbacks.added = [&](std::size_t file, int position, const PictureIcon&) {
        events.push_back("added " + std::to_string(file) + " at " + std::to_string(position));
    };
    callbacks.refused = [&](const std::string& line) { events.push_back(line); };
    callbacks.pump = [&] { events.push_back("pump"); };
    addPictureBatch(album, random, paths, {{}, 1, {}, 2}, callbacks);
    // A pump follows every file; more may come while a thumbnail is awaited.
    std::vector<std::string> withoutPumps;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] == "pump")
            continue;
        withoutPumps.push_back(events[i]);
        if (events[i].rfind("加载图片", 0) != 0) {
            EXPECT_TRUE(i + 1 < events.size() && events[i + 1] == "pump") << events[i];
        }
    }
    EXPECT_EQ(withoutPumps, (std::vector<std::string>{
                                "加载图片: 1 / 3", "added 0 at 1", "加载图片: 2 / 3",
                                "无法识别的图片:\r\n" + bad, "加载图片: 3 / 3", "added 2 at 2"}));
    std::vector<std::string> order;
    for (const AlbumItem& item : album.items)
        order.push_back(item.path);
    EXPECT_EQ(order, (std::vector<std::string>{"/old/0.jpg", x, y, "/old/1.jpg", "/old/2.jpg"}));

    for (int position : {0, 2, 99}) // the front, the middle, past the end (appends)
        EXPECT_TRUE(inBatch(albumOf(3), paths, position, 2) ==
                    oneByOne(albumOf(3), paths, position))
            << "position " << position;
}

TEST_F(PictureBatchTest, StopsAtTheAlbumLimitOnlyWhileFilesAreLeft) {
    const std::string picture = good("p.jpg");
    struct Case {
        int before, files, added;
        bool full;
    };
    for (const Case& c : {Case{maxPictures - 2, 4, 2, true}, Case{maxPictures - 2, 2, 2, false},
                          Case{maxPictures, 1, 0, true}, Case{maxPictures, 0, 0, false}}) {
        AlbumProject album = albumOf(c.before);
        TransitionRandom random(5);
        int statuses = 0;
        PictureBatchCallbacks callbacks;
        callbacks.status = [&](const std::string&) { ++statuses; };
        const auto result = addPictureBatch(
            album, random, std::vector<std::string>(static_cast<std::size_t>(c.files), picture), {},
            callbacks);
        const std::string label = std::to_string(c.before) + "+" + std::to_string(c.files);
        EXPECT_EQ(result.added, c.added) << label;
        EXPECT_EQ(result.albumFull, c.full) << label;
        EXPECT_EQ(statuses, c.added) << label << ": no status for a file that is never read";
    }
}

// Files vanish and come back while the workers read them: whichever step a file is lost at
// (probe or thumbnail) it is refused with that step's report, and nothing crashes.
TEST_F(PictureBatchTest, FilesDeletedDuringTheBatchAreRefusedWithTheirReport) {
    const std::string source = writeGradientJpeg(folder.file("source.jpg"), 320, 240);
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(folder.file("f" + std::to_string(i) + ".jpg"));
        std::filesystem::copy_file(source, paths.back());
    }
    const std::string flicker = paths[7], gone = paths[30]; // gone: beyond the look-ahead
    paths.insert(paths.end(), 40, flicker);
    std::atomic<bool> done{false};
    std::thread toggler([&] {
        while (!done) {
            unlink(flicker.c_str());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            link(source.c_str(), flicker.c_str());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    AlbumProject album;
    TransitionRandom random(9);
    std::vector<std::string> refusals;
    PictureBatchCallbacks callbacks;
    callbacks.status = [&](const std::string& text) {
        if (text == "加载图片: 1 / 80")
            std::filesystem::remove(gone);
    };
    callbacks.refused = [&](const std::string& line) { refusals.push_back(line); };
    const PictureBatchResult result =
        addPictureBatch(album, random, paths, {{host, false}, -1, {}, 2}, callbacks);
    done = true;
    toggler.join();

    EXPECT_EQ(result.added + result.refused, 80);
    EXPECT_EQ(std::count(refusals.begin(), refusals.end(), "图片读取失败:\r\n" + gone), 1);
    for (const std::string& line : refusals)
        EXPECT_TRUE(line == "图片读取失败:\r\n" + flicker || line == "图片读取失败:\r\n" + gone ||
                    line == thumbnailReport(flicker))
            << line;
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(PictureBatchTest, ProjectPicturesTakeTheirEntrysSettingsAndTurnedIcons) {
    const std::string a = good("a.jpg"), b = good("bb.png", "png");
    const std::string gif = writeAnimatedGif(folder.file("anim.gif"), 20, 20, "#ff0000", "#0000ff");
    auto entry = [](const std::string& path, int index, const char* text, int angle) {
        return "{\"path\":\"" + path + "\",\"animationIndex\":" + std::to_string(index) +
               ",\"animationName\":\"\",\"fileName\":\"shown\",\"watermark_location\":7,"
               "\"watermark_text\":\"" +
               text + "\",\"turnAngle\":" + std::to_string(angle) + "}";
    };
    const std::string text =
        "{\"text_watermark\":0,\"text_watermark_font\":0,\"text_watermark_color\":8,\"logo\":0,"
        "\"logo_location\":2,\"bgsound\":0,\"bgsound_auto_set_pause_time\":0,\"video_size\":\"\","
        "\"pause_time\":21,\"imgs\":[" +
        entry(a, 99, "one", 0) + "," + entry(gif, 12, "lost", 0) + "," + entry(b, 40, "two", 450) +
        "," + entry(a, 41, "three", 180) + "]}";
    AlbumProject album;
    TransitionRandom random(21);
    std::vector<std::string> info;
    std::vector<PictureIcon> icons;
    ProjectOpening opening;
    opening.fontNames = {"Font"};
    opening.reports.refused = [&](const std::string& line) { info.push_back(line); };
    opening.reports.added = [&](std::size_t, int position, const PictureIcon& icon) {
        EXPECT_EQ(album.items[static_cast<std::size_t>(position)].fileName, "shown")
            << "the entry's settings are on the item before its row is made";
        icons.push_back(icon);
    };
    ASSERT_TRUE(applyProjectText(album, text, random, opening).opened);

    EXPECT_EQ(info, (std::vector<std::string>{"不支持gif动画图片:\r\n" + gif}));
    ASSERT_EQ(album.items.size(), 3u);
    const int angles[] = {0, 90, 180}, transitions[] = {99, 40, 41};
    const char* texts[] = {"one", "two", "three"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(album.items[i].caption.text, texts[i]);
        EXPECT_EQ(album.items[i].turnAngle, angles[i]);
        EXPECT_EQ(album.items[i].animationIndex, transitions[i]);
    }
    AlbumProject scratch;
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_EQ(icons[1], addListPicture(scratch, random, b, -1, {}, 90).icon) << "turned at once";
    EXPECT_NE(icons[1], addListPicture(scratch, random, b, -1, {}, 0).icon);
}

} // namespace
} // namespace velomira
