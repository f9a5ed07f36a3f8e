// The job on its own thread with the real encoder: the outcome arrives once through the
// callback, and the stop button gives a finished, shorter video and no cover.
#include "video/generation_worker.h"

#include "render/image/magick_handles.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace velomira {
namespace {

using testing::TempFolder;

class GenerationWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "tool");
        std::filesystem::create_directories(folder.path() / "temp");
        std::filesystem::create_symlink("/usr/bin/ffmpeg", folder.path() / "tool" / "ffmpeg");
        std::filesystem::create_symlink("/usr/bin/AtomicParsley",
                                        folder.path() / "tool" / "AtomicParsley");
        setCustomVideoSize(project.settings, 96, 64);
        choosePauseTime(project.settings, 0); // 0.1 s
        TransitionRandom random(9);
        const char* colours[] = {"#ff0000", "#00ff00", "#0000ff"};
        for (int i = 0; i < 12; ++i) {
            insertAlbumItem(
                project,
                testing::writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"), 48, 32,
                                           colours[i % 3], "png"),
                -1, false, random);
        }
        request.encoder.project = &project;
        useProgramFolder(request, folder.path());
        request.encoder.workFolder = folder.path() / "temp";
        request.outputPath = folder.file("out.mp4");
    }

    GenerationResult runAndWait(GenerationWorker& worker, const RunPlan& plan,
                                std::function<void(int)> onPicture = nullptr) {
        request.progress = [&](int picture, int) {
            if (onPicture)
                onPicture(picture);
        };
        std::mutex lock;
        std::condition_variable arrived;
        std::vector<GenerationResult> outcomes;
        const std::optional<Failure> refusal =
            worker.start(state, request, plan, [&](const GenerationResult& result) {
                std::lock_guard<std::mutex> guard(lock);
                outcomes.push_back(result);
                arrived.notify_all();
            });
        EXPECT_FALSE(refusal.has_value()) << refusal->text;
        worker.wait();
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(outcomes.size(), 1u);
        return outcomes.empty() ? GenerationResult{} : outcomes.front();
    }

    TempFolder folder;
    testing::RecordingDialogs dialogs;
    AlbumProject project;
    GenerationRequest request;
    EncoderState state;
};

TEST_F(GenerationWorkerTest, OutcomeArrivesOnceWithTheCoverEmbedded) {
    project.settings.cover = true;
    project.settings.coverPath = project.items[1].path;
    GenerationWorker worker;
    const GenerationResult result = runAndWait(worker, planRun(project));
    EXPECT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    EXPECT_TRUE(result.coverEmbedded);
    EXPECT_TRUE(std::filesystem::exists(request.outputPath));
    EXPECT_FALSE(worker.running());
}

TEST_F(GenerationWorkerTest, StopButtonEndsAfterThePictureAndSkipsTheCover) {
    project.settings.cover = true;
    project.settings.coverPath = project.items[0].path;
    GenerationWorker worker;
    const GenerationResult result = runAndWait(worker, planRun(project), [&](int picture) {
        if (picture == 3)
            worker.requestStop();
    });
    EXPECT_EQ(result.outcome, EncoderOutcome::Stopped);
    EXPECT_FALSE(result.coverEmbedded);
    EXPECT_GT(std::filesystem::file_size(request.outputPath), 0u);
}

TEST_F(GenerationWorkerTest, APictureThatStoppedReadingIsNotReportedAsMade) {
    std::filesystem::remove(project.items[5].path);
    GenerationWorker worker;
    const GenerationResult result = runAndWait(worker, planRun(project));
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_FALSE(result.errorText.empty());
    // The reader's own message comes back first, for the front end to show.
    ASSERT_FALSE(result.failures.empty());
    EXPECT_EQ(result.failures[0].text.rfind("MagickReadImage() 发生错误：", 0), 0u)
        << result.failures[0].text;
}

} // namespace
} // namespace velomira
