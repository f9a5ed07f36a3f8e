// The progress a user is shown: counted in the frames the encoder has taken, with the share
// done and the time left, never running ahead of a slow encoder.
#include "video/generation_job.h"
#include "video/run_progress.h"

#include "media_tools.h"
#include "render/frame_sequencer.h"
#include "render/image/magick_handles.h"
#include "support/picture_files.h"

#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace velomira {
namespace {

using namespace velomira::testing;

TEST(RunProgressText, TimeLeftAppearsFromFivePercentAndStaysWithinZeroAndADay) {
    const struct {
        std::uint64_t done, total;
        double elapsed;
        int percent;
        const char* line;
    } cases[] = {
        {0, 100, 3.0, 0, ""},               // nothing taken yet
        {4, 100, 3.0, 4, ""},               // under 5 %
        {5, 100, 5.0, 5, "剩余约 1分35秒"}, // 5 %: the first estimate
        {50, 100, 90.0, 50, "剩余约 1分30秒"},
        {10, 100, 500.0, 10, "剩余约 1小时15分"},
        {99, 100, 99.0, 99, "剩余约 1秒"},
        {100, 100, 80.0, 100, "剩余约 0秒"},
        {130, 100, 80.0, 100, "剩余约 0秒"},      // counted past the plan: never negative
        {50, 100, -20.0, 50, "剩余约 0秒"},       // a clock that went back
        {5, 100, 5000.0, 5, ""},                  // over a day: no estimate
        {5, 100, 4547.0, 5, "剩余约 23小时59分"}, // just under a day
        {7, 0, 1.0, 0, ""},                       // no frames planned
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + "/" + std::to_string(c.total) + " after " +
                     std::to_string(c.elapsed));
        const RunProgress progress{1, 3, c.done, c.total, c.elapsed};
        EXPECT_EQ(progressPercent(progress), c.percent);
        EXPECT_EQ(timeLeftLine(progress), c.line);
        if (const std::optional<long> left = secondsLeft(progress)) {
            EXPECT_GE(*left, 0);
            EXPECT_LE(*left, 24L * 60 * 60);
        }
    }
}

// Pictures of solid colours at 320 x 180: a raw frame is bigger than the pipe's buffer, so a
// frame counts as taken only once the encoder has read most of it.
class ProgressFollowsEncoder : public ::testing::Test {
  protected:
    void SetUp() override {
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "temp");
        setCustomVideoSize(project.settings, 320, 180);
        choosePauseTime(project.settings, 0);
        TransitionRandom random(7);
        const char* colours[] = {"#c02020", "#20c020", "#2020c0"};
        for (int i = 0; i < 5; ++i) {
            insertAlbumItem(project,
                            writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"), 64, 36,
                                              colours[i % 3], "png"),
                            -1, false, random);
            setItemTransition(project.items.back(), i == 0 ? NO_TRANSITION : 31);
        }
        request.encoder.project = &project;
        request.encoder.encoderPath = VELOMIRA_FAKE_ENCODER;
        request.encoder.workFolder = folder.path() / "temp";
        request.encoder.errorLog = errorLogIn(folder.path());
        request.encoder.frameFormat = FrameFormat::Yuv420p;
        request.outputPath = folder.file("out.mp4");
    }

    TempFolder folder;
    AlbumProject project;
    GenerationRequest request;
};

TEST_F(ProgressFollowsEncoder, PicturesFollowPictureEndsAcrossTheRun) {
    const int total = albumItemCount(project);
    const PictureFrames pictures(project, total);
    std::uint64_t before = 0;
    for (int n = 1; n <= total; ++n) {
        const auto end = static_cast<std::uint64_t>(countRunFrames(project, n));
        SCOPED_TRACE("picture " + std::to_string(n));
        EXPECT_EQ(pictures.pictureAt(before), n);
        EXPECT_EQ(pictures.pictureAt(end - 1), n);
        EXPECT_EQ(pictures.pictureEndAt(before + 1), end);
        EXPECT_EQ(pictures.pictureEndAt(end), end);
        before = end;
    }
    EXPECT_EQ(pictures.pictureAt(before + 40), total);
    EXPECT_EQ(pictures.pictureEndAt(0), static_cast<std::uint64_t>(countRunFrames(project, 1)));
}

TEST_F(ProgressFollowsEncoder, ReportedPictureNeverRunsAheadOfASlowEncoder) {
    const std::string count = folder.file("read.count");
    ScopedEnvironment pause("FAKE_ENCODER_PAUSE_MS", "1");
    ScopedEnvironment chunk("FAKE_ENCODER_CHUNK", "8192");
    ScopedEnvironment counting("FAKE_ENCODER_COUNT", count);
    const RunPlan plan = planRun(project);
    const PictureFrames pictures(project, plan.totalPictures);
    const std::uint64_t frameBytes = 320 * 180 * 3 / 2;
    std::mutex lock;
    std::vector<std::string> ahead;
    int reports = 0, lastPicture = 0, lastPercent = 0;
    request.encoderProgress = [&](const RunProgress& now) {
        std::uint64_t bytesRead = 0;
        std::ifstream(count) >> bytesRead;
        const int reading = pictures.pictureAt(bytesRead / frameBytes);
        const std::lock_guard<std::mutex> guard(lock);
        ++reports;
        if (now.picture > reading + 1)
            ahead.push_back(std::to_string(now.picture) + " while reading " +
                            std::to_string(reading));
        EXPECT_EQ(now.totalPictures, plan.totalPictures);
        EXPECT_EQ(now.totalFrames, static_cast<std::uint64_t>(plan.totalFrames));
        EXPECT_GE(progressPercent(now), lastPercent);
        lastPercent = progressPercent(now);
        lastPicture = now.picture;
    };
    EncoderState state;
    state.pipeMode = kAnonymousPipeMode;
    std::atomic<bool> stop{false};
    runGenerationJob(state, request, plan, stop);
    EXPECT_TRUE(ahead.empty()) << ahead.front();
    EXPECT_GT(reports, plan.totalPictures) << "the count grows as the encoder reads";
    EXPECT_GE(lastPicture, plan.totalPictures - 1);
}

} // namespace
} // namespace velomira
