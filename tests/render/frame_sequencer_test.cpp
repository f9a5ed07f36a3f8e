// The album walk: counting without reading, loop play, runs into a folder of frames, stop,
// failures, and the status texts.
#include "album/album_tables.h"
#include "effect_harness.h"
#include "render/caption_fonts.h"
#include "render/folder_sink.h"
#include "render/frame_sequencer.h"
#include "render_fixture.h"
#include "support/picture_files.h"
#include "support/recording_sink.h"

#include <filesystem>
#include <numeric>
#include <vector>

namespace velomira::testing {
namespace {

class Sequencer : public RenderTest {
  protected:
    // An album of solid pictures in a small video; every picture enters without transition.
    void addPictures(const std::vector<std::string>& colours, int pictureW = 40,
                     int pictureH = 30) {
        for (const std::string& colour : colours) {
            std::string path =
                writeSolidPicture(folder.file("p" + std::to_string(project.items.size()) + ".png"),
                                  pictureW, pictureH, colour, "png");
            AlbumItem item;
            item.path = path;
            project.items.push_back(item);
        }
    }
    SequencerContext contextFor(FrameSink& sink) {
        SequencerContext context;
        context.project = &project;
        context.sink = &sink;
        return context;
    }

    AlbumProject project = [] {
        AlbumProject p;
        p.settings.videoWidth = 40;
        p.settings.videoHeight = 30;
        p.settings.stillFrames = 2;
        return p;
    }();
    std::atomic<bool> stop{false};
};

AlbumProject albumOfFrames(int pictures, int stillFrames, float musicSeconds) {
    AlbumProject project;
    project.settings.stillFrames = stillFrames;
    for (int i = 0; i < pictures; ++i) {
        AlbumItem item;
        item.path = "/nowhere/" + std::to_string(i) + ".jpg";
        project.items.push_back(item);
    }
    if (musicSeconds > 0)
        project.musicItems.push_back(MusicTrack{"/nowhere/a.mp3", musicSeconds * 1000, 44100});
    project.settings.bgsound = true;
    project.settings.bgsoundAutoSetImageLoopPlay = true;
    project.settings.loopPlayAnimation = NO_TRANSITION;
    return project;
}

TEST_F(Sequencer, CountingReadsNoPicture) {
    AlbumProject album = albumOfFrames(3, 50, 0);
    album.items[1].animationIndex = 93;
    EXPECT_EQ(countAlbumFrames(album), 150);
    EXPECT_EQ(countPictureFrames(album, album.items[0]), 50);
    EXPECT_FLOAT_EQ(videoLengthSeconds(album), 6.0f);
    EXPECT_TRUE(dialogs.messages().empty());

    album.settings.stillFrames = -4; // counting never goes below what rendering delivers
    EXPECT_EQ(countAlbumFrames(album), 0);
}

TEST_F(Sequencer, LoopPlayCoversTheMusicWithinTheSameWholeSecond) {
    float length = 0;
    // 2.0 s pictures over 10.0 s and 10.5 s of music: 250 frames reach the music, 300 would
    // overshoot by a whole second.
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(1, 50, 10.0f), &length), 5);
    EXPECT_FLOAT_EQ(length, 10.0f);
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(1, 50, 10.5f), &length), 5);
    EXPECT_FLOAT_EQ(length, 10.0f);
    // 0.5 s pictures over 1.2 s: the third picture ends at 1.44 s, inside the same second.
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(1, 12, 1.2f), &length), 3);
    EXPECT_FLOAT_EQ(length, 1.44f);
    EXPECT_FLOAT_EQ(videoLengthSeconds(albumOfFrames(1, 12, 1.2f)), 1.44f);

    // Pictures that already cover the music play once.
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(4, 50, 3.0f), &length), 4);
    EXPECT_FLOAT_EQ(length, 8.0f);
    // No music: the album as it is.
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(2, 50, 0), &length), 2);
    EXPECT_FLOAT_EQ(length, 4.0f);
    // Loop play switched off: the music does not decide the length.
    AlbumProject off = albumOfFrames(1, 50, 10.0f);
    off.settings.bgsoundAutoSetImageLoopPlay = false;
    EXPECT_FLOAT_EQ(videoLengthSeconds(off), 2.0f);
}

TEST_F(Sequencer, LoopPlayOverPicturesWithoutFramesEndsAtOnce) {
    float length = -1;
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(3, 0, 600.0f), &length), 3);
    EXPECT_FLOAT_EQ(length, 0.0f);
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(0, 50, 600.0f), &length), 0);
}

TEST_F(Sequencer, LoopPlayOverLongMusicWalksManyPasses) {
    float length = 0;
    // One 1-frame picture under an hour of music: 90000 pictures reach it, and the next one
    // still ends inside the same whole second.
    EXPECT_EQ(loopPlayPictureCount(albumOfFrames(1, 1, 3600.0f), &length), 90001);
    EXPECT_FLOAT_EQ(length, 3600.04f);
    // Absurd music lengths end the walk instead of overflowing the counters.
    EXPECT_GT(loopPlayPictureCount(albumOfFrames(2, 1, 1e9f), &length), 0);
}

TEST_F(Sequencer, RendersAMixedAlbumIntoAsManyFilesAsCounted) {
    project.settings.videoWidth = 96;
    project.settings.videoHeight = 54;
    project.settings.stillFrames = 5;
    const char* formats[] = {"png", "jpg", "bmp", "gif", "jpg"};
    const char* colours[] = {"#ff0000", "#00ff00", "#0000ff", "#ffff00", "#c0c0c0"};
    const int transitions[] = {NO_TRANSITION, 21, 31, 57, 96};
    for (int i = 0; i < 5; ++i) {
        AlbumItem item;
        item.path = writeSolidPicture(folder.file("m" + std::to_string(i) + "." + formats[i]),
                                      120 - 10 * i, 60 + 10 * i, colours[i], formats[i]);
        setItemTransition(item, transitions[i]);
        project.items.push_back(item);
    }
    project.items[2].turnAngle = 90;
    const CaptionFontTable fonts = buildCaptionFontTable(defaultFontFolders(""));
    ASSERT_FALSE(fonts.empty());
    for (int i : {1, 4}) {
        project.items[i].caption.enabled = 1;
        project.items[i].caption.text = i == 1 ? "盒子 box" : "描边";
        project.items[i].caption.fontName = fonts.front().displayName;
        const CaptionColour colour = *captionColourAt(i == 1 ? 0 : 8);
        project.items[i].caption.boxColor = colour.boxColor;
        project.items[i].caption.textColor = colour.textColor;
    }

    std::filesystem::create_directory(folder.path() / "frames");
    FolderSink sink(folder.path() / "frames");
    SequencerContext context = contextFor(sink);
    context.fonts = &fonts;
    std::vector<int> progress;
    EXPECT_EQ(renderAlbum(context, 5, stop, [&](int n) { progress.push_back(n); }),
              RunOutcome::Completed);
    const int counted = countAlbumFrames(project);
    EXPECT_GT(counted, 5 * 5);
    EXPECT_EQ(sink.framesWritten(), counted);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "frames"))
        files += entry.path().extension() == ".jpg" ? 1 : 0;
    EXPECT_EQ(files, static_cast<std::size_t>(counted));
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(dialogs.messages().empty());
    velomira::Image last = newImage();
    ASSERT_EQ(MagickReadImage(last.get(), sink.framePath(counted).c_str()), MagickTrue);
    EXPECT_TRUE(near(pixelAt(last.get(), 48, 10), {192, 192, 192}, 10)) << "the last picture";
}

TEST_F(Sequencer, LoopPassesRepeatTheListWithNumbersContinuing) {
    addPictures({"#ff0000", "#00ff00"});
    project.settings.loopPlayAnimation = NO_TRANSITION;
    RecordingSink sink;
    std::vector<int> progress;
    EXPECT_EQ(renderAlbum(contextFor(sink), 5, stop, [&](int n) { progress.push_back(n); }),
              RunOutcome::Completed);
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(sink.count(), 10);
    // Picture 5 is the first picture again.
    velomira::Image fifth = decodeDelivery(sink, 8);
    EXPECT_TRUE(near(pixelAt(fifth.get(), 20, 15), {255, 0, 0}, 8));
}

TEST_F(Sequencer, StopTakesEffectAfterThePictureInProgress) {
    addPictures({"#ff0000", "#00ff00", "#0000ff"});
    RecordingSink sink;
    auto stopAtThree = [&](int n) {
        if (n == 3)
            stop = true;
    };
    EXPECT_EQ(renderAlbum(contextFor(sink), 10, stop, stopAtThree), RunOutcome::Stopped);
    EXPECT_EQ(sink.count(), 6);
}

TEST_F(Sequencer, APictureThatNoLongerReadsEndsTheRun) {
    addPictures({"#ff0000", "#00ff00", "#0000ff"});
    std::filesystem::remove(project.items[1].path);
    // Stopped before its turn, the picture read ahead says nothing of its failure.
    RecordingSink stopped;
    EXPECT_EQ(renderAlbum(contextFor(stopped), 3, stop, [&](int) { stop = true; }),
              RunOutcome::Stopped);
    EXPECT_EQ(stopped.count(), 2);
    EXPECT_TRUE(dialogs.messages().empty());
    stop = false;

    RecordingSink sink;
    SequencerContext context = contextFor(sink);
    std::vector<Failure> failures;
    context.readFailed = [&](const Failure& failure) { failures.push_back(failure); };
    EXPECT_EQ(renderAlbum(context, 3, stop), RunOutcome::ReadFailed);
    EXPECT_EQ(sink.count(), 2) << "no frame after the unreadable picture";
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].text.rfind("MagickReadImage() 发生错误：", 0), 0u);
    EXPECT_EQ(failures[0].title, "错误");
    EXPECT_TRUE(dialogs.messages().empty()) << "the caller shows the message, not the renderer";
}

TEST_F(Sequencer, AFailedDeliveryEndsTheRun) {
    addPictures({"#ff0000", "#00ff00"});
    RecordingSink sink(3);
    EXPECT_EQ(renderAlbum(contextFor(sink), 2, stop), RunOutcome::DeliveryFailed);
    EXPECT_EQ(sink.count(), 3);
}

TEST_F(Sequencer, LaterPassesEnterTheFirstPictureThroughTheLoopTransition) {
    addPictures({"#ff0000", "#00ff00"});
    project.settings.loopPlayAnimation = 31; // the cross-fade: 17 frames
    project.settings.stillFrames = 10;
    AlbumProject counted = project;
    counted.musicItems.push_back(MusicTrack{"/nowhere/a.mp3", 2500.0f, 44100});
    float length = 0;
    // 10 + 10 frames, then 27 for the faded-in first picture, then 10: 57 frames reach 2.28 s,
    // under 2.5 s; the next 27 would end at 3.36 s, a whole second later.
    EXPECT_EQ(loopPlayPictureCount(counted, &length), 4);
    EXPECT_FLOAT_EQ(length, 57 / 25.0f);
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION) << "the album is not changed";

    RecordingSink sink;
    ASSERT_EQ(renderAlbum(contextFor(sink), 4, stop), RunOutcome::Completed);
    EXPECT_EQ(sink.count(), 57);
    // Halfway through the fade the frame mixes green into red.
    velomira::Image mid = decodeDelivery(sink, 20 + 8);
    const Rgb mixed = pixelAt(mid.get(), 20, 15);
    EXPECT_GT(mixed.red, 40);
    EXPECT_GT(mixed.green, 40);
}

TEST_F(Sequencer, ARotatedLandscapePictureIsFittedByHeight) {
    project.settings.videoWidth = 64;
    project.settings.videoHeight = 36;
    project.settings.stillFrames = 1;
    addPictures({"#ff0000"}, 80, 40);
    project.items[0].turnAngle = 90; // now 40 x 80, fitted to 18 x 36 at x = 23
    RecordingSink sink;
    ASSERT_EQ(renderAlbum(contextFor(sink), 1, stop), RunOutcome::Completed);
    velomira::Image frame = decodeDelivery(sink, 0);
    EXPECT_TRUE(near(pixelAt(frame.get(), 32, 18), {255, 0, 0}, 8));
    EXPECT_TRUE(near(pixelAt(frame.get(), 10, 18), {255, 255, 255}, 8));
    EXPECT_TRUE(near(pixelAt(frame.get(), 54, 18), {255, 255, 255}, 8));

    project.settings.videoBgFillColor = BackgroundFill::Black;
    RecordingSink black;
    ASSERT_EQ(renderAlbum(contextFor(black), 1, stop), RunOutcome::Completed);
    frame = decodeDelivery(black, 0);
    EXPECT_TRUE(near(pixelAt(frame.get(), 10, 18), {0, 0, 0}, 8));
}

TEST_F(Sequencer, StatusTexts) {
    EXPECT_EQ(videoLengthText(0.0f), "视频长度: 00:00:00");
    EXPECT_EQ(videoLengthText(2.0f), "视频长度: 00:00:02");
    EXPECT_EQ(videoLengthText(59.96f), "视频长度: 00:00:59");
    EXPECT_EQ(videoLengthText(65.0f), "视频长度: 00:01:05");
    EXPECT_EQ(videoLengthText(3725.5f), "视频长度: 01:02:05");
    EXPECT_EQ(pictureLengthText(60), ", 动画长度: 2.40秒");
    EXPECT_EQ(pictureLengthText(0), ", 动画长度: 0.00秒");
    AlbumProject one = albumOfFrames(1, 50, 0);
    EXPECT_EQ(videoLengthText(videoLengthSeconds(one)), "视频长度: 00:00:02");
}

} // namespace
} // namespace velomira::testing

namespace velomira::testing {
namespace {

// A range of the run delivers exactly the whole run's frames from its first picture's start
// frame on: its first transition enters from the previous picture's final frame (moved by its
// camera), and later passes enter through the loop-play transition as in the whole run.
TEST_F(Sequencer, RangesDeliverTheWholeRunsFramesFromTheirStartFrame) {
    addPictures({"#ff0000", "#00ff00", "#0000ff"});
    project.settings.stillFrames = 4;
    project.settings.loopPlayAnimation = 31;
    setItemTransition(project.items[1], 31);
    setItemTransition(project.items[2], 31);
    project.items[1].motion = CameraMotion::ZoomIn;
    constexpr int kRun = 5; // the list and two pictures of its next pass
    RecordingSink whole;
    ASSERT_EQ(renderAlbum(contextFor(whole), kRun, stop), RunOutcome::Completed);
    ASSERT_EQ(whole.count(), pictureStartFrame(project, kRun + 1));

    const struct { int first, last; } ranges[] = {{1, 5}, {2, 3}, {3, 3}, {3, 4}, {4, 5}, {5, 5}};
    for (const auto& range : ranges) {
        SCOPED_TRACE(std::to_string(range.first) + ".." + std::to_string(range.last));
        RecordingSink part;
        std::vector<int> progress;
        ASSERT_EQ(renderPictures(contextFor(part), range.first, range.last, stop,
                                 [&](int n) { progress.push_back(n); }),
                  RunOutcome::Completed);
        const long long start = pictureStartFrame(project, range.first);
        ASSERT_EQ(part.count(), pictureStartFrame(project, range.last + 1) - start);
        for (int i = 0; i < part.count(); ++i)
            ASSERT_EQ(part.deliveries()[i].bytes, whole.deliveries()[start + i].bytes)
                << "frame " << i;
        std::vector<int> expected(range.last - range.first + 1);
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(progress, expected);
    }
}

} // namespace
} // namespace velomira::testing
