// The pipeline driven through real pipes and FIFOs against the fake encoder program.
#include "video/encoder_pipeline.h"

#include "media_tools.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <thread>

namespace velomira {
namespace {

using testing::readWholeFile;
using testing::RecordingDialogs;
using testing::ScopedEnvironment;
using testing::TempFolder;

const std::string kFrame = "\xFF\xD8 a small stand-in frame \xFF\xD9";

struct FakeRun {
    TempFolder folder;
    AlbumProject project;
    EncoderRequest request;
    std::string logPath;
    std::atomic<bool> stop{false};
    int renderCalls = 0;
    int coverCalls = 0;
    std::size_t bytesAccepted = 0; // by the last render call
    std::vector<Failure> shown;    // the failures of every run so far, as a front end shows them

    FakeRun() {
        project.settings.videoWidth = 160;
        project.settings.videoHeight = 90;
        std::filesystem::create_directories(folder.path() / "work");
        request.encoderPath = VELOMIRA_FAKE_ENCODER;
        request.workFolder = folder.path() / "work";
        request.project = &project;
        request.durationText = "1";
        request.outputPath = folder.file("out.mp4");
        request.errorLog = errorLogIn(folder.path());
        request.connectLimit = std::chrono::milliseconds(3000);
        request.stopGrace = std::chrono::milliseconds(300);
        logPath = folder.file("fake.log");
    }

    // Writes up to `frames` frames (every other one a repeat) or until stop or a refusal.
    EncoderRunResult run(EncoderState& state, int frames = 20, int stopAfter = -1) {
        ScopedEnvironment log("FAKE_ENCODER_LOG", logPath);
        auto render = [&](FrameSink& sink) {
            ++renderCalls;
            bytesAccepted = 0;
            for (int i = 0; i < frames && !stop; ++i) {
                const auto* bytes = reinterpret_cast<const unsigned char*>(kFrame.data());
                const bool ok = i % 2 ? sink.repeatFrame(bytes, kFrame.size())
                                      : sink.writeFrame(bytes, kFrame.size());
                if (!ok)
                    return;
                bytesAccepted += kFrame.size();
                if (i + 1 == stopAfter)
                    stop = true;
            }
        };
        EncoderRunResult result =
            runEncoderJob(state, request, stop, render, [&] { ++coverCalls; });
        if (result.failure)
            shown.push_back(*result.failure);
        return result;
    }

    std::string log() const { return readWholeFile(logPath); }
    std::string errorLog() const { return readWholeFile(request.errorLog.file.string()); }
    int leftoverFiles() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(request.workFolder)) {
            (void)entry;
            ++count;
        }
        return count;
    }
};

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(EncoderPipelineFake, NamedPipeCarriesEveryFrameAndLeavesNothingBehind) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    const EncoderRunResult result = run.run(state, 30);
    EXPECT_EQ(result.outcome, EncoderOutcome::Done);
    EXPECT_EQ(result.attempts, 1);
    EXPECT_EQ(state.pipeMode, kNamedPipeMode);
    EXPECT_EQ(run.coverCalls, 1);
    ASSERT_EQ(result.commandLines.size(), 1u);
    EXPECT_NE(result.commandLines[0].find("-f image2pipe"), std::string::npos);
    EXPECT_NE(run.log().find("mode=ok input=file bytes=" + std::to_string(30 * kFrame.size())),
              std::string::npos)
        << run.log();
    EXPECT_EQ(run.leftoverFiles(), 0); // the FIFO is gone
    EXPECT_TRUE(run.shown.empty());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(EncoderPipelineFake, NamedFailureFallsBackOnceAndStaysAnonymous) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "fail");
    ScopedEnvironment message("FAKE_ENCODER_MESSAGE", "out.mp4: 磁盘已满\n");
    const EncoderRunResult result = run.run(state);
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_EQ(result.attempts, 2);
    EXPECT_EQ(run.renderCalls, 2);
    EXPECT_EQ(run.coverCalls, 0);
    EXPECT_EQ(result.errorText, "out.mp4: 磁盘已满\n");
    EXPECT_EQ(state.pipeMode, kAnonymousPipeMode);
    EXPECT_TRUE(run.stop);
    ASSERT_EQ(result.commandLines.size(), 2u);
    EXPECT_NE(result.commandLines[1].find("-i pipe:0"), std::string::npos);
    // Only the anonymous failure is shown, and only by the front end.
    EXPECT_TRUE(dialogs.messages().empty());
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].text, encoderFailureMessage("out.mp4: 磁盘已满\n"));
    // The encoder's words, then advice that holds on this system: nothing about drive letters
    // or running as an administrator.
    EXPECT_EQ(run.shown[0].text, "生成视频时发生错误：\n\nout.mp4: 磁盘已满\n\n\n请检查：\n\n"
                                 "1. 保存视频的磁盘是否还有足够的可用空间。\n"
                                 "2. 当前用户是否有权限写入保存视频的文件夹。\n"
                                 "3. 上面编码器给出的错误信息所指出的问题。");
    EXPECT_EQ(run.shown[0].title, "错误");
    EXPECT_EQ(run.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(countOf(run.errorLog(), "thread_run_ffmpeg_by_named_pipe: out.mp4: 磁盘已满"), 1);
    EXPECT_EQ(countOf(run.errorLog(), "thread_run_ffmpeg_by_anonymous_pipe: out.mp4: 磁盘已满"), 1);

    // The next run goes straight to the anonymous pipe.
    run.stop = false;
    const EncoderRunResult again = run.run(state);
    EXPECT_EQ(again.attempts, 1);
    ASSERT_EQ(again.commandLines.size(), 1u);
    EXPECT_NE(again.commandLines[0].find("-i pipe:0"), std::string::npos);
    EXPECT_EQ(run.leftoverFiles(), 0);
}

TEST(EncoderPipelineFake, AnonymousRetryThatSucceedsIsSilentAndDone) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "fail-named");
    const EncoderRunResult result = run.run(state, 12);
    EXPECT_EQ(result.outcome, EncoderOutcome::Done);
    EXPECT_EQ(result.attempts, 2);
    EXPECT_EQ(run.coverCalls, 1);
    EXPECT_EQ(state.pipeMode, kAnonymousPipeMode);
    EXPECT_TRUE(run.shown.empty());
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_NE(run.log().find("input=stdin bytes=" + std::to_string(12 * kFrame.size())),
              std::string::npos);
    EXPECT_NE(run.errorLog().find("thread_run_ffmpeg_by_named_pipe: 未知错误"), std::string::npos);
}

TEST(EncoderPipelineFake, SilentFailureShowsTheMemoryHint) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    state.pipeMode = kAnonymousPipeMode;
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "early");
    ScopedEnvironment code("FAKE_ENCODER_EXIT", "1");
    const EncoderRunResult result = run.run(state, 5000);
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_EQ(result.errorText, "未知错误");
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].text, kEncoderUnknownFailureMessage);
    EXPECT_NE(run.errorLog().find("thread_run_ffmpeg_by_anonymous_pipe: 未知错误"),
              std::string::npos);
}

TEST(EncoderPipelineFake, ErrorOutputIsShownAsBoundedPrintableText) {
    struct Case {
        const char* mode;
        std::string message;
        std::string shown;
    } cases[] = {
        // A flood: the talkative encoder never blocks, and the text is cut.
        {"spew", "", std::string(2000, 'x') + "…"},
        // Binary garbage and terminal escapes: printable text only.
        {"fail", "bad \x1b[2J\xff\xfe frame\r\n", "bad ?[2J?? frame\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        RecordingDialogs dialogs;
        FakeRun run;
        EncoderState state;
        state.pipeMode = kAnonymousPipeMode;
        ScopedEnvironment mode("FAKE_ENCODER_MODE", c.mode);
        ScopedEnvironment amount("FAKE_ENCODER_SPEW", "3000000");
        ScopedEnvironment message("FAKE_ENCODER_MESSAGE", c.message);
        const EncoderRunResult result = run.run(state);
        EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
        EXPECT_EQ(result.errorText, c.shown);
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0].text, encoderFailureMessage(c.shown));
    }
}

TEST(EncoderPipelineFake, StopEndsWithStoppedAndNoCoverInBothModes) {
    for (int mode : {kNamedPipeMode, kAnonymousPipeMode}) {
        SCOPED_TRACE(mode);
        RecordingDialogs dialogs;
        FakeRun run;
        EncoderState state;
        state.pipeMode = mode;
        const EncoderRunResult result = run.run(state, 100, 7);
        EXPECT_EQ(result.outcome, EncoderOutcome::Stopped);
        EXPECT_EQ(result.attempts, 1);
        EXPECT_EQ(run.coverCalls, 0);
        EXPECT_EQ(state.pipeMode, mode);
        // The encoder got the end of its input and ended normally.
        EXPECT_NE(run.log().find("mode=ok"), std::string::npos);
        EXPECT_NE(run.log().find("bytes=" + std::to_string(7 * kFrame.size())), std::string::npos);
        EXPECT_TRUE(run.shown.empty());
        EXPECT_TRUE(dialogs.messages().empty());
    }
}

TEST(EncoderPipelineFake, EncoderEndingEarlyNeverHangsTheRun) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "early");
    // Exit 0 after one byte: like an encoder that reached its -t length.
    const EncoderRunResult result = run.run(state, 1000000);
    EXPECT_EQ(result.outcome, EncoderOutcome::Done);
    EXPECT_EQ(result.attempts, 1);
    EXPECT_LT(run.bytesAccepted, 1000000 * kFrame.size());
}

TEST(EncoderPipelineFake, HangingEncoderIsKilledAndTheRunFails) {
    RecordingDialogs dialogs;
    FakeRun run;
    EncoderState state;
    run.request.connectLimit = std::chrono::milliseconds(300);
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "hang");
    const auto start = std::chrono::steady_clock::now();
    // The FIFO is never opened: the attempt gives up and the anonymous pipe takes over; that
    // encoder never reads either, and the user stops the run. What a killed encoder wrote is
    // no video: the run fails, it does not count as stopped.
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        run.stop = true;
    });
    const EncoderRunResult result = run.run(state, 1 << 30);
    user.join();
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_EQ(result.attempts, 2);
    EXPECT_EQ(state.pipeMode, kAnonymousPipeMode);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_NE(run.errorLog().find("thread_make_video: ConnectNamedPipe failed with error"),
              std::string::npos);
    EXPECT_EQ(run.leftoverFiles(), 0);
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_NE(run.shown[0].text.find("已被强制结束"), std::string::npos);

    // An encoder that reads everything and then never ends: the stop after the frames, in
    // both modes (the FIFO attempt is not started again after a kill).
    ScopedEnvironment after("FAKE_ENCODER_MODE", "hang-after");
    for (int pipeMode : {kNamedPipeMode, kAnonymousPipeMode}) {
        state.pipeMode = pipeMode;
        run.stop = false;
        const EncoderRunResult second = run.run(state, 10, 10);
        EXPECT_EQ(second.outcome, EncoderOutcome::Failed);
        EXPECT_EQ(second.attempts, 1);
    }
    EXPECT_EQ(run.shown.size(), 3u);

    // Without a stop: an encoder that takes no byte for the stall limit is killed, and the run
    // ends by itself with the failure message, in either transport.
    ScopedEnvironment never("FAKE_ENCODER_MODE", "hang");
    for (int pipeMode : {kNamedPipeMode, kAnonymousPipeMode}) {
        state.pipeMode = pipeMode;
        run.stop = false;
        run.request.stallLimit = std::chrono::milliseconds(400);
        const auto began = std::chrono::steady_clock::now();
        const EncoderRunResult stalled = run.run(state, 1 << 30);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
        EXPECT_EQ(stalled.outcome, EncoderOutcome::Failed);
        EXPECT_NE(stalled.errorText.find("没有读取任何数据"), std::string::npos);
        EXPECT_EQ(run.shown.back().text, encoderFailureMessage(stalled.errorText));
    }
    EXPECT_EQ(run.leftoverFiles(), 0);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(EncoderPipelineFake, LogoCopyIsInTheEncodersFolderDuringTheRunOnly) {
    RecordingDialogs dialogs;
    FakeRun run;
    run.project.settings.logo = true;
    run.project.settings.logoPath = run.folder.writeFile("logo.png", "not really a png");
    run.project.settings.logoLocation = 2;
    for (int mode : {kNamedPipeMode, kAnonymousPipeMode}) {
        EncoderState state;
        state.pipeMode = mode;
        const EncoderRunResult result = run.run(state, 4);
        EXPECT_EQ(result.outcome, EncoderOutcome::Done);
        ASSERT_EQ(result.commandLines.size(), 1u);
        EXPECT_NE(result.commandLines[0].find("overlay=main_w-overlay_w-0:0"), std::string::npos);
    }
    const std::string log = run.log();
    EXPECT_EQ(countOf(log, "cwd=" + run.request.workFolder.string() + " logo=found"), 2) << log;
    EXPECT_EQ(run.leftoverFiles(), 0);
}

TEST(EncoderPipelineFake, FailuresBeforeAnyFrameEndAsFailedNotAsExit) {
    RecordingDialogs dialogs;
    {
        FakeRun run;
        run.project.settings.logo = true;
        run.project.settings.logoPath = run.folder.file("missing.png");
        EncoderState state;
        const EncoderRunResult result = run.run(state);
        EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
        EXPECT_EQ(run.renderCalls, 0);
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0].text, "无法创建图标文件的副本");
        EXPECT_EQ(run.shown[0].title, "错误");
    }
    {
        FakeRun run;
        run.request.encoderPath = run.folder.file("tool/ffmpeg");
        EncoderState state;
        const EncoderRunResult result = run.run(state);
        EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
        EXPECT_EQ(result.attempts, 2);
        EXPECT_EQ(result.errorText, "CreateProcess() failed with error 2");
        EXPECT_EQ(state.pipeMode, kAnonymousPipeMode);
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0].text, "CreateProcess() failed with error 2");
        const std::string errors = run.errorLog();
        EXPECT_NE(
            errors.find("thread_run_ffmpeg_by_named_pipe: CreateProcess() failed with error 2"),
            std::string::npos);
        EXPECT_NE(errors.find("thread_make_video: CreateProcess() failed with error 2"),
                  std::string::npos);
    }
    {
        // No work folder to make the FIFO in: silently anonymous.
        FakeRun run;
        run.request.workFolder = run.folder.path() / "missing";
        EncoderState state;
        const EncoderRunResult result = run.run(state, 3);
        EXPECT_EQ(result.outcome, EncoderOutcome::Done);
        EXPECT_EQ(state.pipeMode, kAnonymousPipeMode);
        EXPECT_NE(run.errorLog().find("thread_make_video: CreateNamedPipe failed with error 2"),
                  std::string::npos);
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

} // namespace
} // namespace velomira
