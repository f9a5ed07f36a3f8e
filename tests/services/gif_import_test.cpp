// "导入gif动画" end to end on real files: the animations are written by the test, the frames
// land in a temporary folder, the album and the messages are read back.
#include "services/gif_import.h"

#include "media/picture_probe.h"
#include "render/image/thumbnail.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::GifAnimationSpec;
using testing::RecordedMessage;

const std::string kWrongFormat = "选择的文件格式不对，请选择一个gif动画文件。";
const std::string kTime = "10-20-30";

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The first bytes of a file, as many as a PNG or JPEG signature takes.
std::string signatureOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char bytes[4] = {};
    in.read(bytes, 4);
    return bytes[0] == '\x89' ? std::string(bytes, 4) : std::string(bytes, 3);
}

std::vector<std::string> frameNames(int first, int count, const char* extension) {
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k)
        names.push_back(kTime + "-" + std::to_string(first + k) + extension);
    return names;
}

// One import through the command with recording callbacks.
struct ImportRun {
    testing::TempFolder folder;
    fs::path temp = folder.path() / "temp";
    AlbumProject album;
    TransitionRandom random{7};
    GifFrameCounter counter;
    std::string importFolder = "/start/here";

    std::string chosenTitle, chosenLabel, chosenPattern, startFolder;
    std::vector<std::string> statuses;
    std::vector<int> positions;
    std::vector<PictureIcon> icons;
    std::vector<std::string> refusals;
    std::vector<bool> cursor;
    // The messages for the window, in the order the window shows them.
    std::vector<Failure> failures;

    GifImportResult run(std::optional<std::string> choice) {
        GifImportContext context{album, random, counter, temp, importFolder};
        GifImportCallbacks callbacks;
        callbacks.chooseFile = [&](const std::string& title, const std::string& label,
                                   const std::string& pattern, std::string& start) {
            chosenTitle = title;
            chosenLabel = label;
            chosenPattern = pattern;
            startFolder = start;
            return choice;
        };
        callbacks.status = [&](const std::string& text) { statuses.push_back(text); };
        callbacks.pictureAdded = [&](int position, const PictureIcon& icon) {
            positions.push_back(position);
            icons.push_back(icon);
        };
        callbacks.refused = [&](const std::string& line) { refusals.push_back(line); };
        callbacks.waitCursor = [&](bool on) { cursor.push_back(on); };
        callbacks.timeText = [] { return kTime; };
        callbacks.frameUnread = [&](const Failure& failure) { failures.push_back(failure); };
        GifImportResult result = importGifAnimation(context, callbacks);
        if (result.failure)
            failures.push_back(*result.failure);
        return result;
    }
};

struct BadInput {
    const char* name;
    // Writes the file to choose into the folder and returns its path.
    std::function<std::string(const testing::TempFolder&)> make;
    int albumBefore; // pictures already in the album
    GifImportOutcome outcome;
    int added;
    std::vector<std::string> files; // in the temporary picture folder afterwards
    std::vector<RecordedMessage> messages;
};

std::string halfOf(const testing::TempFolder& folder, const std::string& whole) {
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return folder.writeFile("cut.gif", bytes.substr(0, bytes.size() / 2));
}

TEST(GifImport, BadAndBorderInputsGiveTheirMessageAndKeepTheAlbum) {
    const std::vector<BadInput> cases = {
        {"one frame",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(f.file("one.gif"), {.frames = 1});
         },
         0,
         GifImportOutcome::Done,
         1,
         frameNames(1001, 1, ".jpg"),
         {}},
        {"150 frames, upper-case name",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(f.file("MANY.GIF"),
                                               {.width = 48, .height = 27, .frames = 150});
         },
         0,
         GifImportOutcome::Done,
         150,
         frameNames(1001, 150, ".jpg"),
         {}},
        {"transparent background and partial frames",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(
                 f.file("clear.gif"), {.frames = 36, .patch = 20, .transparentBackground = true});
         },
         0,
         GifImportOutcome::Done,
         36,
         frameNames(1001, 36, ".png"),
         {}},
        {"cut off half-way",
         [](const testing::TempFolder& f) {
             return halfOf(f, testing::writeGifAnimation(f.file("whole.gif"), {.frames = 20}));
         },
         3,
         GifImportOutcome::Unreadable,
         0,
         {},
         {{kWrongFormat, "错误", MessageKind::Error}}},
        {"a PNG named .gif",
         [](const testing::TempFolder& f) {
             return testing::writeSolidPicture(f.file("png.gif"), 40, 30, "#ff0000", "png");
         },
         3,
         GifImportOutcome::Unreadable,
         0,
         {},
         {{kWrongFormat, "错误", MessageKind::Error}}},
        {"random bytes named .gif",
         [](const testing::TempFolder& f) {
             return f.writeFile("noise.gif", "GIF89a\x01\x02garbage");
         },
         0,
         GifImportOutcome::Unreadable,
         0,
         {},
         {{kWrongFormat, "错误", MessageKind::Error}}},
        {"missing file",
         [](const testing::TempFolder& f) { return f.file("absent.gif"); },
         0,
         GifImportOutcome::Unreadable,
         0,
         {},
         {{kWrongFormat, "错误", MessageKind::Error}}},
        {"a GIF named .png",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(f.file("anim.png"), {.frames = 3});
         },
         2,
         GifImportOutcome::WrongName,
         0,
         {},
         {{kWrongFormat, "提示", MessageKind::Error}}},
        {"10 frames into an album of 995",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(f.file("ten.gif"), {.frames = 10});
         },
         995,
         GifImportOutcome::AlbumFull,
         5,
         frameNames(1001, 5, ".jpg"),
         {{albumFullMessage(), "提示", MessageKind::Warning}}},
        {"an album already full",
         [](const testing::TempFolder& f) {
             return testing::writeGifAnimation(f.file("two.gif"), {.frames = 2});
         },
         1000,
         GifImportOutcome::AlbumFull,
         0,
         {},
         {{albumFullMessage(), "提示", MessageKind::Warning}}},
    };
    for (const BadInput& input : cases) {
        SCOPED_TRACE(input.name);
        testing::RecordingDialogs dialogs;
        ImportRun run;
        for (int k = 0; k < input.albumBefore; ++k)
            insertAlbumItem(run.album, "/old/" + std::to_string(k) + ".jpg", -1, false, run.random);
        const std::vector<AlbumItem> before = run.album.items;
        const std::string path = input.make(run.folder);

        GifImportResult result = run.run(path);

        EXPECT_EQ(result.outcome, input.outcome);
        EXPECT_EQ(result.added, input.added);
        EXPECT_EQ(filesIn(run.temp), input.files);
        for (const std::string& name : filesIn(run.temp))
            EXPECT_EQ(signatureOf(run.temp / name),
                      name.ends_with(".png") ? "\x89PNG" : "\xff\xd8\xff")
                << name;
        // The messages come back to the window; none is raised here.
        EXPECT_TRUE(dialogs.messages().empty());
        const std::vector<Failure>& messages = run.failures;
        ASSERT_EQ(messages.size(), input.messages.size());
        for (std::size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(messages[i].text, input.messages[i].text);
            EXPECT_EQ(messages[i].title, input.messages[i].title);
            EXPECT_EQ(messages[i].kind, input.messages[i].kind);
        }
        // What was there stays as it was; the frames follow it in order, without transitions.
        ASSERT_EQ(run.album.items.size(), before.size() + static_cast<std::size_t>(input.added));
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(run.album.items[i].path, before[i].path);
            EXPECT_EQ(run.album.items[i].animationIndex, before[i].animationIndex);
        }
        for (int k = 0; k < input.added; ++k) {
            const AlbumItem& item = run.album.items[before.size() + static_cast<std::size_t>(k)];
            EXPECT_EQ(item.path, (run.temp / input.files[static_cast<std::size_t>(k)]).string());
            EXPECT_EQ(item.animationIndex, NO_TRANSITION);
            EXPECT_EQ(item.animationName, "无动画");
            EXPECT_EQ(run.positions[static_cast<std::size_t>(k)], input.albumBefore + k);
        }
        EXPECT_EQ(run.positions.size(), static_cast<std::size_t>(input.added));
        EXPECT_TRUE(run.refusals.empty());
        if (input.outcome != GifImportOutcome::WrongName) {
            EXPECT_EQ(run.cursor, (std::vector<bool>{true, false}));
        }
    }
}

TEST(GifImport, DialogProgressIconsAndTheRememberedFolder) {
    testing::RecordingDialogs dialogs;
    ImportRun run;
    const std::string path =
        testing::writeGifAnimation(run.folder.file("twelve.gif"), {.frames = 12});
    GifImportResult result = run.run(path);
    ASSERT_EQ(result.outcome, GifImportOutcome::Done);
    EXPECT_EQ(result.frames, 12);

    EXPECT_EQ(run.chosenTitle, "选择一个gif动画");
    EXPECT_EQ(run.chosenLabel, "GIF图片 (*.GIF)");
    EXPECT_EQ(run.chosenPattern, "*.GIF");
    EXPECT_EQ(run.startFolder, "/start/here");
    EXPECT_EQ(run.importFolder, run.folder.path().string());

    ASSERT_EQ(run.statuses.size(), 12u);
    EXPECT_EQ(run.statuses.front(), gifImportProgressText(1, 12));
    EXPECT_EQ(run.statuses.back(), gifImportProgressText(12, 12));
    EXPECT_TRUE(run.statuses.back().starts_with("导入图片: 12 / 12 …"));
    ASSERT_EQ(run.icons.size(), 12u);
    for (const PictureIcon& icon : run.icons) {
        ASSERT_GT(icon.size(), 8u);
        EXPECT_EQ(std::string(icon.begin() + 1, icon.begin() + 4), "PNG");
    }

    // Cancelling asks nothing further and changes nothing.
    ImportRun cancelled;
    EXPECT_EQ(cancelled.run(std::nullopt).outcome, GifImportOutcome::Cancelled);
    EXPECT_EQ(cancelled.importFolder, "/start/here");
    EXPECT_TRUE(cancelled.cursor.empty());
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(run.failures.empty());
    EXPECT_TRUE(cancelled.failures.empty());
}

TEST(GifImport, ProgressTextPadsTheFrameNumberToTheCountsWidthAndGrowsItsBar) {
    // The bar is (84 - GBK length) * k / n, halved, in "…".
    const struct {
        int k, n;
        const char* text;
        int dots;
    } cases[] = {
        {1, 1, "导入图片: 1 / 1", 34},       {9, 9, "导入图片: 9 / 9", 34},
        {1, 10, "导入图片:  1 / 10", 3},     {10, 10, "导入图片: 10 / 10", 33},
        {7, 99, "导入图片:  7 / 99", 2},     {1, 100, "导入图片:   1 / 100", 0},
        {42, 150, "导入图片:  42 / 150", 9}, {1000, 1000, "导入图片: 1000 / 1000", 31},
    };
    for (const auto& c : cases) {
        std::string expected = std::string(c.text) + " ";
        for (int i = 0; i < c.dots; ++i)
            expected += "…";
        EXPECT_EQ(gifImportProgressText(c.k, c.n), expected) << c.k << "/" << c.n;
    }
}

TEST(GifImport, PartialFramesBecomeWholePicturesInOrder) {
    testing::RecordingDialogs dialogs;
    ImportRun run;
    // More frames than the import composes in one step, so a step boundary is crossed.
    const int width = 160, height = 100, patch = 20, frames = 40;
    const std::string path = testing::writeGifAnimation(
        run.folder.file("scene.gif"),
        {.width = width, .height = height, .frames = frames, .patch = patch});
    ASSERT_EQ(run.run(path).added, frames);

    for (int k = 0; k < frames; ++k) {
        SCOPED_TRACE(k);
        MagickWand* wand = NewMagickWand();
        ASSERT_EQ(MagickReadImage(wand, run.album.items[static_cast<std::size_t>(k)].path.c_str()),
                  MagickTrue);
        EXPECT_EQ(MagickGetImageWidth(wand), static_cast<size_t>(width));
        EXPECT_EQ(MagickGetImageHeight(wand), static_cast<size_t>(height));
        // The corner patch of frame 1 is in every later frame; the bottom-right corner is
        // never painted over, so it shows the first frame's background throughout.
        EXPECT_TRUE(testing::near(testing::pixelAt(wand, width - 2, height - 2),
                                  testing::rgbOf("#3366cc"), 12));
        for (int j = 1; j <= k; ++j) {
            testing::Point at = testing::gifPatchOrigin(j, width, height, patch);
            EXPECT_TRUE(testing::near(testing::pixelAt(wand, at.x + patch / 2, at.y + patch / 2),
                                      testing::rgbOf(testing::gifFrameColour(j)), 12))
                << "patch " << j;
        }
        DestroyMagickWand(wand);
    }
}

TEST(GifImport, TransparentFramesArePngWithTheirAlpha) {
    testing::RecordingDialogs dialogs;
    ImportRun run;
    const std::string path = testing::writeGifAnimation(
        run.folder.file("clear.gif"), {.frames = 3, .patch = 30, .transparentBackground = true});
    ASSERT_EQ(run.run(path).added, 3);
    MagickWand* wand = NewMagickWand();
    ASSERT_EQ(MagickReadImage(wand, run.album.items[2].path.c_str()), MagickTrue);
    EXPECT_EQ(testing::alphaAt(wand, 150, 80), 0);
    testing::Point at = testing::gifPatchOrigin(2, 160, 90, 30);
    EXPECT_EQ(testing::alphaAt(wand, at.x + 5, at.y + 5), 255);
    EXPECT_EQ(testing::pixelAt(wand, at.x + 5, at.y + 5),
              testing::rgbOf(testing::gifFrameColour(2)));
    DestroyMagickWand(wand);
}

// The RGB bytes of a PNG icon.
std::vector<unsigned char> iconPixels(const unsigned char* png, std::size_t length,
                                      std::size_t& width, std::size_t& height) {
    MagickWand* wand = NewMagickWand();
    std::vector<unsigned char> pixels;
    if (MagickReadImageBlob(wand, png, length) == MagickTrue) {
        width = MagickGetImageWidth(wand);
        height = MagickGetImageHeight(wand);
        pixels.resize(width * height * 3);
        MagickExportImagePixels(wand, 0, 0, width, height, "RGB", CharPixel, pixels.data());
    }
    DestroyMagickWand(wand);
    return pixels;
}

// Each frame's list icon is the one its file gives when added to the list: the same box,
// border and placement, and pixels that differ only by the file's compression and rounding.
TEST(GifImport, FrameIconsMatchTheIconsOfTheFramesFiles) {
    const struct {
        const char* name;
        GifAnimationSpec spec;
        int maxDifference;     // any channel of any pixel
        double meanDifference; // over all channels of the icon
    } cases[] = {
        // JPEG ringing along the patches' hard edges accounts for the largest differences; a
        // shifted or wrongly scaled picture would differ by far more along its white margin.
        {"wide, reduced", {.width = 480, .height = 270, .frames = 3, .patch = 40}, 32, 0.5},
        {"small, reduced a little",
         {.width = 160, .height = 90, .frames = 3, .patch = 20},
         32,
         0.5},
        {"tall", {.width = 90, .height = 300, .frames = 3, .patch = 30}, 32, 0.5},
        {"fits the box unscaled", {.width = 100, .height = 60, .frames = 3, .patch = 20}, 32, 0.5},
        // Composed over white by the library, from the file, as any picture with alpha.
        {"transparent", {.frames = 3, .patch = 30, .transparentBackground = true}, 0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::RecordingDialogs dialogs;
        ImportRun run;
        const std::string path = testing::writeGifAnimation(run.folder.file("a.gif"), c.spec);
        ASSERT_EQ(run.run(path).added, c.spec.frames);
        ASSERT_EQ(run.icons.size(), static_cast<std::size_t>(c.spec.frames));
        for (std::size_t k = 0; k < run.icons.size(); ++k) {
            SCOPED_TRACE(k);
            Blob expected;
            ASSERT_EQ(makeThumbnailIcon(probePicture(run.album.items[k].path), thumbnailSize,
                                        thumbnailSize, 0, expected)
                          .status,
                      ThumbnailStatus::Made);
            std::size_t width = 0, height = 0, wantWidth = 0, wantHeight = 0;
            const std::vector<unsigned char> got =
                iconPixels(run.icons[k].data(), run.icons[k].size(), width, height);
            const std::vector<unsigned char> want =
                iconPixels(expected.bytes(), expected.length, wantWidth, wantHeight);
            ASSERT_EQ(width, static_cast<std::size_t>(thumbnailSize));
            ASSERT_EQ(height, static_cast<std::size_t>(thumbnailSize));
            ASSERT_EQ(got.size(), want.size());
            int worst = 0;
            double total = 0;
            for (std::size_t i = 0; i < got.size(); ++i) {
                const int difference = std::abs(got[i] - want[i]);
                worst = std::max(worst, difference);
                total += difference;
            }
            const double mean = total / static_cast<double>(got.size());
            EXPECT_LE(worst, c.maxDifference);
            EXPECT_LE(mean, c.meanDifference);
        }
    }
}

TEST(GifImport, CounterRunsOnAcrossImportsAndPassesTakenNames) {
    testing::RecordingDialogs dialogs;
    ImportRun run;
    fs::create_directories(run.temp);
    std::ofstream(run.temp / (kTime + "-1002.jpg")) << "someone else's";
    const std::string path = testing::writeGifAnimation(run.folder.file("two.gif"), {.frames = 2});
    ASSERT_EQ(run.run(path).added, 2);
    ASSERT_EQ(run.run(path).added, 2);

    std::vector<std::string> expected = {kTime + "-1001.jpg", kTime + "-1002.jpg",
                                         kTime + "-1003.jpg", kTime + "-1004.jpg",
                                         kTime + "-1005.jpg"};
    EXPECT_EQ(filesIn(run.temp), expected);
    EXPECT_EQ(run.counter.next, 1006);
    std::ifstream kept(run.temp / (kTime + "-1002.jpg"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone else's");
    ASSERT_EQ(run.album.items.size(), 4u);
    EXPECT_EQ(run.album.items[2].fileName, kTime + "-1004.jpg");
}

TEST(GifImport, AFrameThatCannotBeWrittenEndsTheImportWithItsMessage) {
    testing::RecordingDialogs dialogs;
    ImportRun run;
    // The temporary picture folder's place is taken by a file: no frame can go there.
    run.folder.writeFile("temp", "x");
    const std::string path = testing::writeGifAnimation(run.folder.file("a.gif"), {.frames = 4});
    GifImportResult result = run.run(path);
    EXPECT_EQ(result.outcome, GifImportOutcome::WriteFailed);
    EXPECT_EQ(result.added, 0);
    EXPECT_TRUE(dialogs.messages().empty());
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(run.failures[0].text, "解析gif动画帧的时候发生错误！");
    EXPECT_EQ(run.failures[0].title, "错误");
    EXPECT_EQ(run.failures[0].kind, MessageKind::Error);
    EXPECT_TRUE(run.album.items.empty());
}

} // namespace
} // namespace velomira
