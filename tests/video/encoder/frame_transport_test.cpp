// Whole generation runs with the real encoder in both frame transports: every counted frame
// reaches the video, both transports show the same pictures, and the chosen file is replaced
// only by a video worth keeping.
#include "video/generation_job.h"

#include "media_tools.h"
#include "render/image/magick_handles.h"
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/recording_dialogs.h"
#include "video/pending_output.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

namespace velomira {
namespace {

using namespace velomira::testing;
namespace fs = std::filesystem;

// Kills this process's encoder children; true when there was one.
bool killEncoderChildren() {
    bool killed = false;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        long parent = 0;
        if (!(stat >> pid >> name >> state >> parent) || parent != ::getpid() || name != "(ffmpeg)")
            continue;
        killed |= ::kill(std::atoi(pid.c_str()), SIGKILL) == 0;
    }
    return killed;
}

class FrameTransport : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        fs::create_directories(folder.path() / "temp");
        setCustomVideoSize(project.settings, 160, 90);
        choosePauseTime(project.settings, 0);
        TransitionRandom random(5);
        for (int i = 0; i < 6; ++i) {
            const std::string name = folder.file("p" + std::to_string(i) + ".jpg");
            insertAlbumItem(
                project,
                i % 2 ? writeGradientJpeg(name, 640, 480)
                      : writeSolidPicture(name, 90, 160, i ? "#2060c0" : "#e0a030", "jpg"),
                -1, false, random);
            if (i > 0)
                setItemTransition(project.items.back(), 31); // cross-fade
        }
        request.encoder.project = &project;
        useProgramFolder(request, folder.path());
        request.encoder.workFolder = folder.path() / "temp";
        request.outputPath = folder.file("out.mp4");
        request.encoder.errorLog = errorLogIn(folder.path());
    }

    GenerationResult run(FrameFormat format, std::function<void(int)> onPicture = nullptr) {
        request.encoder.frameFormat = format;
        request.progress = [&](int picture, int) {
            if (onPicture)
                onPicture(picture);
        };
        stop = false;
        GenerationResult result = runGenerationJob(state, request, planRun(project), stop);
        shown.insert(shown.end(), result.failures.begin(), result.failures.end());
        return result;
    }

    // Temporary videos left beside the chosen file.
    int leftovers() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            count += entry.path().filename().string().rfind(".out.mp4.", 0) == 0;
        return count;
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    std::vector<Failure> shown; // the runs' failures, as the front end shows them
    AlbumProject project;
    GenerationRequest request;
    EncoderState state;
    std::atomic<bool> stop{false};
};

TEST_F(FrameTransport, BothTransportsDeliverEveryCountedFrameAndTheSamePictures) {
    const int total = planRun(project).totalFrames;
    std::string reference;
    for (FrameFormat format : {FrameFormat::Jpeg, FrameFormat::Yuv420p, FrameFormat::Rgb24}) {
        SCOPED_TRACE(static_cast<int>(format));
        for (int mode : {kNamedPipeMode, kAnonymousPipeMode}) {
            state.pipeMode = mode;
            const GenerationResult result = run(format);
            ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
            EXPECT_EQ(result.attempts, 1);
            EXPECT_EQ(countVideoFrames(request.outputPath), total);
        }
        const std::string frames =
            runForOutput({"/usr/bin/ffmpeg", "-v", "error", "-i", request.outputPath, "-f",
                          "rawvideo", "-pix_fmt", "rgb24", "-"});
        ASSERT_EQ(frames.size(), static_cast<std::size_t>(total) * 160 * 90 * 3);
        if (reference.empty()) {
            reference = frames;
            continue;
        }
        // JPEG coding and a second lossy pass of the encoder apart, the pictures agree.
        double difference = 0;
        for (std::size_t i = 0; i < frames.size(); ++i)
            difference += std::abs(static_cast<unsigned char>(frames[i]) -
                                   static_cast<unsigned char>(reference[i]));
        EXPECT_LT(difference / static_cast<double>(frames.size()), 2.5);
    }
    EXPECT_EQ(leftovers(), 0);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FrameTransport, RawFramesKeepAChosenSizeWithAnOddHalf) {
    setCustomVideoSize(project.settings, 162, 90); // chroma planes 81 wide, 45 high
    state.pipeMode = kAnonymousPipeMode;
    const GenerationResult result = run(kRawFrameFormat);
    ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    EXPECT_EQ(countVideoFrames(request.outputPath), planRun(project).totalFrames);
    EXPECT_NE(streamEntries(request.outputPath, "width,height").find("width=162\nheight=90"),
              std::string::npos);
}

TEST_F(FrameTransport, AKilledEncoderLeavesTheEarlierVideoUntouched) {
    const std::string earlier = "an earlier video of the same name";
    for (FrameFormat format : {FrameFormat::Jpeg, kRawFrameFormat}) {
        SCOPED_TRACE(static_cast<int>(format));
        std::ofstream(request.outputPath, std::ios::binary) << earlier;
        bool killed = false;
        // Both the FIFO attempt and the anonymous one lose their encoder half-way.
        const GenerationResult result = run(format, [&](int picture) {
            if (picture == 3)
                killed |= killEncoderChildren();
        });
        EXPECT_TRUE(killed);
        EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
        EXPECT_EQ(readWholeFile(request.outputPath), earlier);
        EXPECT_EQ(leftovers(), 0);
    }
    EXPECT_FALSE(shown.empty()); // the failure is there to show
}

TEST_F(FrameTransport, AStoppedRunKeepsTheEarlierVideoAndPutsTheShortOneBesideIt) {
    std::ofstream(request.outputPath, std::ios::binary) << "earlier";
    state.pipeMode = kAnonymousPipeMode;
    const GenerationResult result = run(kRawFrameFormat, [&](int picture) {
        if (picture == 2)
            stop = true;
    });
    EXPECT_EQ(result.outcome, EncoderOutcome::Stopped);
    EXPECT_EQ(readWholeFile(request.outputPath), "earlier");
    EXPECT_TRUE(result.videoKept);
    EXPECT_EQ(result.keptPath, stoppedVideoName(request.outputPath, 1));
    const int frames = countVideoFrames(result.keptPath);
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, planRun(project).totalFrames);
    EXPECT_EQ(leftovers(), 0);
}

} // namespace
} // namespace velomira
