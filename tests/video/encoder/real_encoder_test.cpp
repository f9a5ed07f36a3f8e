// Whole runs with the real encoder at a small size, checked with ffprobe.
#include "video/cover_art.h"
#include "video/encoder_pipeline.h"

#include "media_tools.h"
#include "render/image/image_layer.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using namespace velomira::testing;

constexpr int kWidth = 160;
constexpr int kHeight = 90;

class RealEncoder : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "temp");
        project.settings.videoWidth = kWidth;
        project.settings.videoHeight = kHeight;
        request.encoderPath = folder.path() / "tool" / "ffmpeg";
        request.workFolder = folder.path() / "temp";
        request.project = &project;
        request.outputPath = folder.file("视频 out.mp4");
        request.errorLog = errorLogIn(folder.path());
    }

    // Renders `frames` white frames (every other one a repeat) into a video of that length.
    EncoderRunResult encode(EncoderState& state, int frames,
                            const std::function<void()>& afterDone = nullptr) {
        request.durationText = std::to_string(frames / 25.0);
        const std::string frame = solidFrame(kWidth, kHeight, "#ffffff");
        const auto* bytes = reinterpret_cast<const unsigned char*>(frame.data());
        auto render = [&](FrameSink& sink) {
            for (int i = 0; i < frames; ++i) {
                if (!(i % 2 ? sink.repeatFrame(bytes, frame.size())
                            : sink.writeFrame(bytes, frame.size())))
                    return;
            }
        };
        return runEncoderJob(state, request, stop, render, afterDone);
    }

    TempFolder folder;
    AlbumProject project;
    EncoderRequest request;
    std::atomic<bool> stop{false};
    RecordingDialogs dialogs;
};

TEST_F(RealEncoder, EveryFrameReachesTheVideoInBothPipeModes) {
    for (int mode : {kNamedPipeMode, kAnonymousPipeMode}) {
        SCOPED_TRACE(mode);
        EncoderState state;
        state.pipeMode = mode;
        const EncoderRunResult result = encode(state, 10);
        ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
        EXPECT_EQ(result.attempts, 1);
        EXPECT_EQ(state.pipeMode, mode);
        EXPECT_EQ(countVideoFrames(request.outputPath), 10);
        EXPECT_NEAR(videoDuration(request.outputPath), 0.4, 0.05);
        const std::string streams = streamEntries(request.outputPath, "codec_type,width,height");
        EXPECT_NE(streams.find("width=160\nheight=90"), std::string::npos) << streams;
        EXPECT_EQ(streams.find("codec_type=audio"), std::string::npos);
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(RealEncoder, MusicIsMixedInAtTheChosenSampleRate) {
    ASSERT_TRUE(makeToneMp3(folder.file("a.mp3"), 48000, 0.3));
    ASSERT_TRUE(makeToneMp3(folder.file("b 2.mp3"), 48000, 0.3));
    project.settings.bgsound = true;
    project.musicItems = {{folder.file("a.mp3"), 300.0f, 48000},
                          {folder.file("b 2.mp3"), 300.0f, 48000}};
    for (int rate : {48000, -1}) {
        SCOPED_TRACE(rate);
        project.settings.audioSampleRate = rate;
        EncoderState state;
        const EncoderRunResult result = encode(state, 12);
        ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
        const std::string streams = streamEntries(request.outputPath, "codec_type,sample_rate");
        EXPECT_NE(streams.find("codec_type=audio\nsample_rate=" +
                               std::to_string(rate == -1 ? 44100 : rate)),
                  std::string::npos)
            << streams;
        EXPECT_EQ(countVideoFrames(request.outputPath), 12);
    }
}

TEST_F(RealEncoder, LogoIsDrawnInTheChosenCorner) {
    project.settings.logo = true;
    project.settings.logoPath =
        writeSolidPicture(folder.file("logo file.png"), 16, 16, "#ff0000", "png");
    const Rgb red{255, 0, 0};
    const Rgb white{255, 255, 255};
    const struct {
        int location;
        int x;
        int y;
    } corners[] = {
        {0, 4, 4}, {1, 4, kHeight - 5}, {2, kWidth - 5, 4}, {3, kWidth - 5, kHeight - 5}};
    for (const auto& corner : corners) {
        SCOPED_TRACE(corner.location);
        project.settings.logoLocation = corner.location;
        EncoderState state;
        const EncoderRunResult result = encode(state, 4);
        ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
        const std::string png = folder.file("frame.png");
        ASSERT_TRUE(extractFirstFrame(request.outputPath, png));
        Image frame = newImage();
        ASSERT_EQ(MagickReadImage(frame.get(), png.c_str()), MagickTrue);
        for (const auto& other : corners) {
            const Rgb seen = pixelAt(frame.get(), other.x, other.y);
            EXPECT_TRUE(near(seen, other.location == corner.location ? red : white, 40))
                << other.x << "," << other.y << " = " << seen.red << " " << seen.green << " "
                << seen.blue;
        }
    }
    // Only the video is left: no logo copy and no FIFO in the work folder.
    EXPECT_TRUE(std::filesystem::is_empty(request.workFolder));
}

TEST_F(RealEncoder, FinishedRunCarriesTheCover) {
    project.settings.cover = true;
    project.settings.coverPath =
        writeSolidPicture(folder.file("cover.jpg"), 1024, 768, "#00ff00", "jpg");
    CoverRequest cover{folder.path() / "tool" / "AtomicParsley", request.workFolder / "cover.jpg",
                       &project, request.outputPath, request.errorLog};
    CoverResult coverResult = CoverResult::NotWanted;
    EncoderState state;
    const EncoderRunResult result =
        encode(state, 6, [&] { coverResult = embedCover(cover).result; });
    ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    EXPECT_EQ(coverResult, CoverResult::Embedded);
    const std::string streams =
        streamEntries(request.outputPath, "codec_type:stream_disposition=attached_pic");
    EXPECT_NE(streams.find("DISPOSITION:attached_pic=1"), std::string::npos) << streams;
    EXPECT_EQ(countVideoFrames(request.outputPath), 6);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(RealEncoder, EncoderRefusalIsShownWithItsOwnText) {
    request.outputPath = folder.file("no such folder/out.mp4");
    EncoderState state;
    const EncoderRunResult result = encode(state, 4);
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_EQ(result.attempts, 2);
    EXPECT_NE(result.errorText.find("No such file or directory"), std::string::npos)
        << result.errorText;
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->text, encoderFailureMessage(result.errorText));
    EXPECT_EQ(result.failure->title, "错误");
    EXPECT_TRUE(dialogs.messages().empty());
}

} // namespace
} // namespace velomira
