// velomira-render run as a user runs it, from the assembled program folder: what --info
// promises is what the MP4 holds, and each way a run can end gives its exit code.
#include "support/broken_pictures.h"
#include "support/http_test_server.h"
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/script_server.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cjson/cJSON.h>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

using testing::finishProgram;
using testing::privateHome;
using testing::programOutput;
using testing::ProgramRun;
using testing::readWholeFile;
using testing::startProgram;
using testing::TempFolder;
using testing::writeSolidPicture;

class RenderProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home.path() / "config");
        for (int i = 0; i < 3; ++i)
            pictures.push_back(writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"),
                                                 64 + 16 * i, 48, colours[i], "png"));
    }

    // Starts the program with its output in files; the pid lets a test interrupt it.
    pid_t start(const std::vector<std::string>& args,
                const std::string& program = VELOMIRA_RENDER_PROGRAM) {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = startProgram({argv, privateHome(home.path()), outFile, errFile});
        EXPECT_GT(pid, 0);
        return pid;
    }

    ProgramRun finish(pid_t pid) { return finishProgram(pid, outFile, errFile); }

    ProgramRun run(const std::vector<std::string>& args) { return finish(start(args)); }
    ProgramRun runWith(const std::string& program, const std::vector<std::string>& args) {
        return finish(start(args, program));
    }

    std::vector<std::string> pictureArgs() const {
        std::vector<std::string> args{"--pictures"};
        args.insert(args.end(), pictures.begin(), pictures.end());
        return args;
    }

    static std::string probe(const std::string& video, const std::string& entries,
                             const std::string& stream = "v:0") {
        std::string text =
            programOutput({"ffprobe", "-v", "error", "-count_frames", "-select_streams", stream,
                           "-show_entries", entries, "-of", "default=nw=1:nk=1", video})
                .out;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text;
    }

    static double numberIn(const std::string& json, const char* member) {
        cJSON* root = cJSON_Parse(json.c_str());
        const cJSON* item = cJSON_GetObjectItem(root, member);
        const double value = cJSON_IsNumber(item) ? item->valuedouble : -1;
        cJSON_Delete(root);
        return value;
    }

    TempFolder folder;
    TempFolder home;
    std::vector<std::string> pictures;
    const char* colours[3] = {"#ff0000", "#00ff00", "#0000ff"};
    std::string outFile = folder.file("stdout.txt");
    std::string errFile = folder.file("stderr.txt");
};

TEST_F(RenderProgramTest, InfoAgreesWithTheFramesOfTheVideo) {
    std::vector<std::string> args = pictureArgs();
    args.insert(args.end(), {"--size", "160x90", "--pause", "0.5", "--transition", "31"});
    std::vector<std::string> infoArgs = args;
    infoArgs.push_back("--info");
    const ProgramRun info = run(infoArgs);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const double frames = numberIn(info.out, "totalFrames");
    EXPECT_EQ(numberIn(info.out, "totalPictures"), 3);
    EXPECT_GT(frames, 3 * 12);
    EXPECT_NE(info.out.find("\"videoLengthText\""), std::string::npos);

    const std::string video = folder.file("out.mp4");
    args.insert(args.end(), {"-o", video});
    const ProgramRun made = run(args);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(probe(video, "stream=nb_read_frames"), std::to_string(static_cast<int>(frames)));
    EXPECT_NEAR(std::stod(probe(video, "format=duration")), frames / 25.0, 0.05);
    // JPEG frames to the encoder (raw frames are the default) give the same frame count.
    args.push_back("--jpeg-frames");
    ASSERT_EQ(run(args).exitCode, 0);
    EXPECT_EQ(probe(video, "stream=nb_read_frames"), std::to_string(static_cast<int>(frames)));

    // The same album as frame files: as many as promised.
    std::vector<std::string> frameArgs = pictureArgs();
    frameArgs.insert(frameArgs.end(), {"--size", "160x90", "--pause", "0.5", "--transition", "31",
                                       "--frames", folder.file("frames")});
    ASSERT_EQ(run(frameArgs).exitCode, 0);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "frames"))
        files += entry.path().extension() == ".jpg";
    EXPECT_EQ(files, static_cast<int>(frames));
}

// The video decoded by the real ffmpeg into 8-bit grey frames of width x height.
std::vector<std::vector<unsigned char>> greyFrames(const std::string& video, int width,
                                                   int height) {
    std::vector<std::vector<unsigned char>> frames;
    const std::string bytes = programOutput({"ffmpeg", "-v", "error", "-i", video, "-f", "rawvideo",
                                             "-pix_fmt", "gray", "-"})
                                  .out;
    const std::size_t size = static_cast<std::size_t>(width) * height;
    for (std::size_t at = 0; at + size <= bytes.size(); at += size)
        frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    return frames;
}

// A 9:16 video of a landscape picture in each fill mode: the size and square pixels the
// player sees, and bands that only fit leaves in the background colour.
TEST_F(RenderProgramTest, PhoneVideosComeOutFilledInEachMode) {
    const std::string landscape = testing::writeGradientJpeg(folder.file("land.jpg"), 320, 180);
    const struct {
        const char* fill;
        bool whiteBands;
    } cases[] = {{"fit", true}, {"crop", false}, {"blur", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fill);
        const std::string video = folder.file(std::string(c.fill) + ".mp4");
        const ProgramRun made = run({"--pictures", landscape, "--size", "180x320", "--fill", c.fill,
                                     "--pause", "0.2", "-o", video});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        EXPECT_EQ(probe(video, "stream=width,height"), "180\n320");
        // Square pixels: stated as 1:1, or not stated at all, which players take as square.
        const std::string sar = probe(video, "stream=sample_aspect_ratio");
        EXPECT_TRUE(sar == "1:1" || sar == "N/A") << sar;
        const auto frames = greyFrames(video, 180, 320);
        ASSERT_FALSE(frames.empty());
        const std::vector<unsigned char>& last = frames.back();
        // The top fifth: above the fitted picture (which is 101 rows high in the middle).
        int white = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 180; ++x)
                white += last[static_cast<std::size_t>(y) * 180 + x] > 245;
        }
        EXPECT_EQ(white > 64 * 180 * 9 / 10, c.whiteBands) << white << " white pixels";
    }
}

// Where a dark-to-bright vertical edge lies, to a fraction of a pixel: the dark share of each
// middle row summed across it (a blurred edge gives the same sum), averaged over the rows.
double edgePosition(const std::vector<unsigned char>& frame, int width, int height) {
    double sum = 0;
    int rows = 0;
    for (int y = height / 3; y < 2 * height / 3; ++y, ++rows) {
        const unsigned char* row = frame.data() + static_cast<std::size_t>(y) * width;
        const double dark = row[2];
        const double bright = row[width - 3];
        for (int x = 0; x < width; ++x)
            sum += std::clamp((bright - row[x]) / (bright - dark), 0.0, 1.0);
    }
    return sum / rows;
}

TEST_F(RenderProgramTest, APanGlidesInSubPixelStepsAlongTheEasedCurve) {
    // A picture that fits the frame exactly, dark left half and bright right half: a pan right
    // looks through a 110 % view and moves the edge left by a tenth of the frame width.
    const int width = 320;
    const int height = 180;
    testing::GifFrame half{0, 0, 640, 360, {"#101010", "#f0f0f0"}, {}, -1, 10};
    half.indices.resize(640 * 360);
    for (int y = 0; y < 360; ++y)
        std::fill_n(half.indices.begin() + y * 640 + 320, 320, 1);
    const std::string edge = testing::writeGifFrames(folder.file("edge.gif"), 640, 360, {half});
    for (bool jpeg : {false, true}) {
        SCOPED_TRACE(jpeg ? "JPEG frames" : "raw frames");
        const std::string video = folder.file(jpeg ? "jpeg.mp4" : "raw.mp4");
        std::vector<std::string> args{"--pictures", edge,       "--size",    "320x180", "--pause",
                                      "2.0",        "--motion", "pan-right", "-o",      video};
        if (jpeg)
            args.push_back("--jpeg-frames");
        const ProgramRun made = run(args);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const auto frames = greyFrames(video, width, height);
        ASSERT_EQ(frames.size(), 50u);
        std::vector<double> at;
        for (const auto& frame : frames)
            at.push_back(edgePosition(frame, width, height));
        const double travel = at.back() - at.front();
        EXPECT_NEAR(travel, -0.1 * width, 1.0);
        for (std::size_t i = 1; i < at.size(); ++i) {
            const auto eased = [&](std::size_t k) {
                const double u = static_cast<double>(k) / (at.size() - 1);
                return at.front() + travel * u * u * (3 - 2 * u);
            };
            const double step = at[i] - at[i - 1];
            EXPECT_LE(step, 0.05) << "frame " << i << ": the edge only moves one way";
            EXPECT_NEAR(step, eased(i) - eased(i - 1), 0.3) << "frame " << i;
        }
    }
}

TEST_F(RenderProgramTest, SavedProjectRendersTheSameAlbum) {
    std::vector<std::string> args = pictureArgs();
    const std::string project = folder.file("album.dat");
    args.insert(args.end(), {"--size", "160x90", "--caption", "标题", "--save", project, "--info"});
    const ProgramRun saved = run(args);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const ProgramRun reopened = run({project, "--info"});
    ASSERT_EQ(reopened.exitCode, 0) << reopened.err;
    EXPECT_EQ(reopened.out, saved.out);
}

TEST_F(RenderProgramTest, UnreadablePicturesAreRefusedBeforeTheRunAndTheOthersRendered) {
    const std::vector<std::string> broken = {
        testing::writePngAnnouncing(folder.file("huge.png"), 100000, 100000),
        testing::writeBmpAnnouncing(folder.file("huge.bmp"), 70000, 70000),
        testing::writeNoiseBehindHeader(folder.file("noise.png"), "png", 3),
        testing::writeJpegAnnouncing(folder.file("wide.jpg"), 40000, 8),
        testing::writeNoiseBehindHeader(folder.file("noise.jpg"), "jpg", 4)};
    std::vector<std::string> args{"--pictures", pictures[0], broken[0], pictures[1], broken[1],
                                  broken[2],    broken[3],   broken[4], pictures[2]};
    args.insert(args.end(), {"--size", "160x90", "--pause", "0.2", "--transition", "31"});
    std::vector<std::string> infoArgs = args;
    infoArgs.push_back("--info");
    const ProgramRun info = run(infoArgs);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const double kept = numberIn(info.out, "totalPictures");
    EXPECT_GE(kept, 3) << "the good pictures stay";
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NE(info.err.find("@生成缩略图:\r\n" + broken[i] + "\r\n"), std::string::npos)
            << info.err;
    EXPECT_EQ(kept, 3 + (info.err.find(broken[4]) == std::string::npos ? 1 : 0))
        << "every picture is either kept or reported";

    // Whatever was accepted renders to the end.
    const std::string video = folder.file("kept.mp4");
    args.insert(args.end(), {"-o", video});
    const ProgramRun made = run(args);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(probe(video, "stream=nb_read_frames"),
              std::to_string(static_cast<int>(numberIn(info.out, "totalFrames"))));
}

// No output of a run lands on what the run reads or on files beside its frames: a clash is
// refused before any work (exit 1), found by device and inode whatever the spelling.
TEST_F(RenderProgramTest, OutputsNeverReplaceInputsOrOtherFiles) {
    const std::string outside = folder.writeFile("outside.txt", "not a frame");
    std::filesystem::create_hard_link(pictures[2], folder.file("clip.mp4"));
    std::filesystem::create_symlink(pictures[1], folder.file("link.mp4"));
    std::filesystem::create_directories(folder.path() / "busy");
    folder.writeFile("busy/notes.txt", "mine");
    std::filesystem::create_directories(folder.path() / "forced");
    folder.writeFile("forced/notes.txt", "mine");
    std::filesystem::create_symlink(outside, folder.file("forced/000001.jpg"));
    std::filesystem::create_directories(folder.path() / "holds");
    std::filesystem::create_hard_link(pictures[0], folder.file("holds/000002.jpg"));
    const std::string batch =
        folder.writeFile("jobs.csv", "output,pictures\nout/v," + pictures[0] + "\n");
    struct Case {
        std::vector<std::string> args; // after the pictures and a small size
        int exitCode;
        std::string named; // in the message
    };
    const std::vector<Case> cases{
        {{"--save", pictures[0], "--info"}, 1, "--save " + pictures[0]},
        {{"-o", folder.file("clip.mp4")}, 1, pictures[2]},
        {{"-o", folder.file("link")}, 1, pictures[1]},
        {{"--frames", folder.file("busy")}, 1, "busy already holds files (notes.txt)"},
        {{"--frames", folder.file("holds"), "--force"}, 1, pictures[0]},
        {{"--frames", folder.file("forced"), "--force"}, 0, "frames in"},
        {{"--batch", batch, "--report", batch}, 1, "--report " + batch},
    };
    std::map<std::string, std::string> before;
    for (const std::string& file : {pictures[0], pictures[1], pictures[2], outside, batch,
                                    folder.file("busy/notes.txt"), folder.file("forced/notes.txt")})
        before[file] = readWholeFile(file);
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (c.args[0] != "--batch")
            args.insert(args.begin(), pictures.begin(), pictures.end());
        args.insert(args.begin(), c.args[0] == "--batch" ? "--quiet" : "--pictures");
        args.insert(args.end(), {"--size", "64x36", "--pause", "0.2"});
        const ProgramRun result = run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0] << " " << c.args[1] << result.err;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        for (const auto& [file, bytes] : before)
            EXPECT_EQ(readWholeFile(file), bytes) << file << " after " << c.args[1];
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("busy/000001.jpg")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("holds/000001.jpg")));
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::symlink_status(folder.file("forced/000001.jpg"))))
        << "a forced run writes its own frame in place of the link";
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/v.mp4"))) << "the batch made nothing";
}

// A JPEG cut off part-way decodes with its lower part grey: it is used, but named, and --strict
// makes nothing of an album holding one.
TEST_F(RenderProgramTest, APictureWhoseDataEndsEarlyIsNamedAndRefusedWhenStrict) {
    const std::string whole =
        readWholeFile(writeSolidPicture(folder.file("whole.jpg"), 320, 240, "#00ff00", "jpg"));
    const std::string cut = folder.writeFile("cut.jpg", whole.substr(0, whole.size() * 6 / 10));
    const std::string named = "图片数据不完整: " + cut;
    struct Case {
        std::vector<std::string> args; // after the pictures and a small size
        int exitCode;
        bool cutPicture;  // the album holds the cut picture
        std::string made; // the video or frame folder, empty when nothing is made
    };
    const std::vector<Case> cases{
        {{"-o", folder.file("used.mp4")}, 0, true, folder.file("used.mp4")},
        {{"--frames", folder.file("frames")}, 0, true, folder.file("frames/000001.jpg")},
        {{"-o", folder.file("strict.mp4"), "--strict"}, 3, true, ""},
        {{"-o", folder.file("whole.mp4"), "--strict"}, 0, false, folder.file("whole.mp4")},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--pictures", pictures[0],
                                      c.cutPicture ? cut : folder.file("whole.jpg")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--size", "64x48", "--pause", "0.2"});
        const ProgramRun result = run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[1] << result.err;
        EXPECT_EQ(result.err.find(named) != std::string::npos, c.cutPicture) << result.err;
        if (!c.made.empty()) {
            EXPECT_TRUE(std::filesystem::exists(c.made)) << c.made;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("strict.mp4")));
}

TEST_F(RenderProgramTest, ExitCodesTellHowTheRunEnded) {
    EXPECT_EQ(run({"--size", "10x10"}).exitCode, 3) << "no album given";
    const ProgramRun garbage = run({folder.writeFile("bad.dat", "not json at all")});
    EXPECT_EQ(garbage.exitCode, 3);
    EXPECT_NE(garbage.err.find("文件格式不对！"), std::string::npos) << garbage.err;

    std::vector<std::string> tooBig = pictureArgs();
    tooBig.insert(tooBig.end(),
                  {"--size", "160x90", "--logo",
                   writeSolidPicture(folder.file("logo.png"), 200, 20, "#ffffff", "png"), "-o",
                   folder.file("never.mp4")});
    const ProgramRun refused = run(tooBig);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("选择的图标尺寸过大(200 x 20)，请选择一个不大于 160 x 90 的图标。"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("never.mp4")));

    std::vector<std::string> unwritable = pictureArgs();
    unwritable.insert(unwritable.end(), {"--size", "160x90", "--pause", "0.2", "-o",
                                         folder.file("no/such/dir/x.mp4")});
    // Paths no video can be written to are refused before the album is rendered, named.
    std::filesystem::create_directories(folder.path() / "clips");
    for (const std::string& output :
         {folder.file("no/such/dir/x.mp4"), folder.file("clips"), folder.file("clips") + "/"}) {
        unwritable.back() = output;
        const ProgramRun failed = run(unwritable);
        EXPECT_EQ(failed.exitCode, 1) << failed.err;
        EXPECT_NE(failed.err.find("视频保存路径 " + output), std::string::npos) << failed.err;
        EXPECT_EQ(failed.err.find("frames"), std::string::npos) << "refused before the run";
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "clips"));

    // A size the encoder cannot take is refused before the run, for a video and frames alike.
    for (const char* output : {"-o", "--frames"}) {
        std::vector<std::string> odd = pictureArgs();
        odd.insert(odd.end(), {"--size", "1081x1921", output, folder.file("odd")});
        const ProgramRun oddRun = run(odd);
        EXPECT_EQ(oddRun.exitCode, 1) << oddRun.err;
        EXPECT_NE(oddRun.err.find("--size 1081x1921 is outside the sizes a video can have"),
                  std::string::npos)
            << oddRun.err;
        EXPECT_FALSE(std::filesystem::exists(folder.file("odd"))) << output;
        EXPECT_FALSE(std::filesystem::exists(folder.file("odd.mp4"))) << output;
    }
}

// A size cap the album cannot keep is refused before anything is rendered, with the figures.
TEST_F(RenderProgramTest, ASizeCapThatCannotBeKeptIsRefusedBeforeTheRun) {
    const struct {
        const char* cap;
        const char* says;
    } cases[] = {
        {"2K", "更小的视频尺寸"},
        {"0.001", "0.00 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cap);
        std::vector<std::string> args = pictureArgs();
        args.insert(args.end(),
                    {"--size", "640x360", "--max-size", c.cap, "-o", folder.file("capped.mp4")});
        const ProgramRun refused = run(args);
        EXPECT_EQ(refused.exitCode, 1) << refused.err;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_EQ(refused.err.find("frames"), std::string::npos) << "refused before the run";
        EXPECT_FALSE(std::filesystem::exists(folder.file("capped.mp4")));
    }
}

// A preset whose longest length the album exceeds is refused before the run, naming both; an
// unknown preset lists the ones there are.
TEST_F(RenderProgramTest, PresetsRefuseTooLongAlbumsAndUnknownNames) {
    const struct {
        std::vector<std::string> extra;
        int exitCode;
        std::vector<std::string> says;
    } cases[] = {
        {{"--preset", "shop", "--pause", "30"}, 1, {"主图视频 3:4", "60.0 秒", "秒，超过了"}},
        {{"--preset", "nope"}, 3, {"no preset nope", "reels", "message"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra[1]);
        std::vector<std::string> args = pictureArgs();
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.insert(args.end(), {"-o", folder.file("preset.mp4")});
        const ProgramRun refused = run(args);
        EXPECT_EQ(refused.exitCode, c.exitCode) << refused.err;
        for (const std::string& part : c.says)
            EXPECT_NE(refused.err.find(part), std::string::npos) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(folder.file("preset.mp4")));
    }
}

TEST_F(RenderProgramTest, ADiskThatFillsUpWhileTheVideoIsWrittenIsAFailure) {
    // The file size limit stands in for a full disk: the encoder's writes fail part-way.
    std::vector<std::string> args{"-c", "ulimit -f 8 && exec \"$0\" \"$@\"",
                                  VELOMIRA_RENDER_PROGRAM, "--pictures"};
    for (int i = 0; i < 30; ++i)
        args.push_back(pictures[i % 3]);
    args.insert(args.end(), {"--size", "320x180", "--pause", "1", "-o", folder.file("full.mp4")});
    const ProgramRun full = runWith("/bin/bash", args);
    EXPECT_EQ(full.exitCode, 2) << full.err;
    EXPECT_NE(full.err.find("生成视频时发生错误"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("视频文件超过了系统允许的文件大小上限"), std::string::npos)
        << "the true cause, not memory: " << full.err;
}

// Each message says which file it is about and what is wrong with it, under its own sentence.
TEST_F(RenderProgramTest, MessagesNameTheFileAndTheCause) {
    const std::string missingProject = folder.file("missing.dat");
    const std::string missingPicture = folder.file("gone.jpg");
    const std::string fifo = folder.file("logo.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string batch =
        folder.writeFile("jobs.csv", "output,pictures\nout/v," + missingPicture + "\n");
    // Root writes into read-only folders; /sys refuses new files to everyone.
    const std::string locked = "/sys/velomira-test.dat";
    const std::vector<std::string> album = {"--pictures", pictures[0], "--size", "64x36"};
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> said; // in this order
    };
    const std::vector<Case> cases{
        {{missingProject},
         3,
         {"读取文件时出错, 无法打开文件句柄", "文件不存在: " + missingProject}},
        {{"--save", locked, "--info"},
         2,
         {"写入文件时出错，文件句柄打开出错", "没有访问权限: " + locked}},
        {{"--logo", folder.file("nothere.png")},
         1,
         {"选择的图标文件不存在，请重新选择", "文件不存在: " + folder.file("nothere.png")}},
        {{"--logo", fifo}, 1, {"选择的图标文件无法读取，请重新选择", "不是普通文件: " + fifo}},
        {{"--batch", batch, "--quiet"},
         2,
         {"no picture to render; none could be read: " + missingPicture}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (c.args[0].rfind("--", 0) == 0 && c.args[0] != "--batch")
            args.insert(args.begin(), album.begin(), album.end());
        const ProgramRun result = run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0] << result.err;
        std::size_t at = 0;
        for (const std::string& text : c.said) {
            at = result.err.find(text, at);
            ASSERT_NE(at, std::string::npos) << text << " in " << result.err;
        }
        EXPECT_EQ(result.err.find("图标文件不存在", 0) != std::string::npos,
                  c.said[0].find("图标文件不存在") != std::string::npos)
            << "a FIFO is there, not missing: " << result.err;
    }
}

// A folder removed while its video is made takes the video with it, and the run says so.
TEST_F(RenderProgramTest, AnOutputFolderRemovedDuringTheRunIsNamedAsTheCause) {
    std::filesystem::create_directories(folder.path() / "gone");
    std::vector<std::string> args{"--pictures"};
    for (int i = 0; i < 40; ++i)
        args.push_back(pictures[i % 3]);
    args.insert(args.end(), {"--size", "160x90", "--pause", "1", "-o", folder.file("gone/v.mp4")});
    const pid_t pid = start(args);
    bool writing = false;
    for (int i = 0; i < 1200 && !writing; ++i) {
        writing = !std::filesystem::is_empty(folder.path() / "gone");
        if (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(writing) << "the encoder never started";
    std::filesystem::remove_all(folder.path() / "gone");
    const ProgramRun result = finish(pid);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("保存视频的文件夹在生成视频时被删除了，视频没有保存：" +
                              folder.file("gone")),
              std::string::npos)
        << result.err;
}

// A long album rendered into folder/NAME, started, and past the encoder's start: the video is
// written under a temporary name beside the chosen one until the run ends.
class StoppedRenderTest : public RenderProgramTest {
  protected:
    pid_t startLongVideo(const std::string& name) {
        std::vector<std::string> args{"--pictures"};
        for (int i = 0; i < 40; ++i)
            args.push_back(pictures[i % 3]);
        args.insert(args.end(), {"--size", "320x180", "--pause", "3", "--transition", "60",
                                 "--cover", pictures[0], "-o", folder.file(name)});
        const pid_t pid = start(args);
        for (int i = 0; i < 200 && temporaryFiles(name) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return pid;
    }

    int temporaryFiles(const std::string& name) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            count += entry.path().filename().string().rfind("." + name + ".", 0) == 0 ? 1 : 0;
        return count;
    }
};

// Ctrl+C and a closed terminal stop after the current picture and leave a playable video.
TEST_F(StoppedRenderTest, InterruptAndHangUpStopTheRunAndKeepThePlayableVideoSoFar) {
    if (const char* sanitized = std::getenv("VELOMIRA_SANITIZED"); sanitized && *sanitized == '1')
        GTEST_SKIP() << "the first picture takes longer than a stop's delivery window here";
    const struct {
        int signal;
        int exitCode;
        const char* name;
    } cases[] = {{SIGINT, 130, "stopped.mp4"}, {SIGHUP, 129, "hungup.mp4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string video = folder.file(c.name);
        const pid_t pid = startLongVideo(c.name);
        kill(pid, c.signal);
        const ProgramRun stopped = finish(pid);
        ASSERT_EQ(stopped.exitCode, c.exitCode) << stopped.err;
        EXPECT_NE(stopped.err.find("stopped; the video so far: " + video), std::string::npos)
            << "ended by the program, not by the signal: " << stopped.err;
        const std::string frames = probe(video, "stream=nb_read_frames");
        ASSERT_FALSE(frames.empty()) << "the video must be finished and readable";
        EXPECT_GT(std::stoi(frames), 0);
        EXPECT_LT(std::stoi(frames), 40 * 75);
        EXPECT_EQ(probe(video, "stream=index", "v:1"), "") << "a stopped run embeds no cover";
        EXPECT_EQ(temporaryFiles(c.name), 0) << "no temporary file is left behind";
    }
}

TEST_F(StoppedRenderTest, AStopKeepsAnEarlierVideoAndPutsTheStoppedOneBesideIt) {
    if (const char* sanitized = std::getenv("VELOMIRA_SANITIZED"); sanitized && *sanitized == '1')
        GTEST_SKIP() << "the first picture takes longer than a stop's delivery window here";
    const std::string earlier = folder.writeFile("kept.mp4", "a complete earlier video");
    const std::string beside = folder.file("kept (已停止).mp4");
    const pid_t pid = startLongVideo("kept.mp4");
    kill(pid, SIGINT);
    const ProgramRun stopped = finish(pid);
    ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_EQ(readWholeFile(earlier), "a complete earlier video");
    EXPECT_NE(stopped.err.find("stopped; the video so far: " + beside), std::string::npos)
        << stopped.err;
    const std::string frames = probe(beside, "stream=nb_read_frames");
    ASSERT_FALSE(frames.empty()) << "the stopped video is finished and readable";
    EXPECT_GT(std::stoi(frames), 0);
    EXPECT_EQ(temporaryFiles("kept.mp4"), 0) << "no temporary file is left behind";
}

TEST_F(RenderProgramTest, ProductPictureAddressesLoadIntoTheAlbumAndFailuresAreReported) {
    const std::string jpeg =
        readWholeFile(writeSolidPicture(folder.file("shop.jpg"), 80, 60, "#336699", "jpg"));
    test::HttpTestServer server([&](const test::ReceivedRequest& request) {
        if (request.target == "/gone.jpg")
            return test::statusReply("HTTP/1.1 404 Not Found");
        return test::okReply(jpeg, "Content-Type: image/jpeg\r\n");
    });
    const std::string addresses = server.url("/a.jpg") + ";" + server.url("/gone.jpg") + ";" +
                                  server.url("/b.JPG") + ";" + server.url("/c.bmp");
    const ProgramRun loaded = run({"--product", addresses, "--size", "160x90", "--info"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(numberIn(loaded.out, "totalPictures"), 2) << loaded.out;
    EXPECT_NE(loaded.err.find("下载宝贝图片失败:\r\n" + server.url("/gone.jpg")), std::string::npos)
        << loaded.err;
    for (const auto& request : server.requests())
        EXPECT_NE(request.target, "/c.bmp") << "only .jpg, .png and .gif addresses are fetched";

    // An item page needs the shop's request template, which the default settings leave empty:
    // the message names the missing setting, not the address.
    const ProgramRun item = run({"--product", "https://item.example/item.htm?id=123", "--info"});
    EXPECT_EQ(item.exitCode, 2);
    EXPECT_NE(item.err.find("没有配置宝贝图片服务"), std::string::npos) << item.err;
}

// Shop pictures over https: fetched when the certificate chains to the trust store the
// environment names, refused with the reason when it does not.
TEST_F(RenderProgramTest, ShopPicturesOverHttpsNeedATrustedCertificate) {
    ASSERT_FALSE(test::testCertificates().empty());
    writeSolidPicture(folder.file("shop.jpg"), 80, 60, "#336699", "jpg");
    test::ScriptServer trusted({test::serverScript("tls_server.py"), "https",
                                test::testCertificates(), "good", folder.path().string()});
    test::ScriptServer untrusted({test::serverScript("tls_server.py"), "https",
                                  test::testCertificates(), "selfsigned", folder.path().string()});
    ASSERT_GT(trusted.port(), 0);
    ASSERT_GT(untrusted.port(), 0);
    const std::string addresses = trusted.url("https", "localhost", "/files/shop.jpg") + ";" +
                                  untrusted.url("https", "localhost", "/files/shop.jpg");
    const ProgramRun loaded = run({"--product", addresses, "--size", "160x90", "--info"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(numberIn(loaded.out, "totalPictures"), 1) << loaded.out;
    EXPECT_NE(loaded.err.find("无法建立安全连接: localhost（证书不受信任）"), std::string::npos)
        << loaded.err;
}

// Ctrl+C while a shop picture trickles in ends the download at once: not after the picture
// deadline of each address in turn, and with the stop's exit code.
TEST_F(RenderProgramTest, CtrlCEndsAShopPictureThatTricklesIn) {
    test::HttpTestServer server([](const test::ReceivedRequest&) {
        test::ScriptedReply reply;
        reply.pieces.push_back({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", {}});
        for (int i = 0; i < 3000; ++i)
            reply.pieces.push_back({"x", std::chrono::milliseconds(100)});
        return reply;
    });
    const std::string addresses =
        server.url("/a.jpg") + ";" + server.url("/b.jpg") + ";" + server.url("/c.jpg");
    const std::string video = folder.file("shop.mp4");
    const pid_t pid = start({"--product", addresses, "--size", "160x90", "-o", video});
    for (int i = 0; i < 3000 && server.requests().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(server.requests().empty()) << "the first picture was asked for";
    const auto stoppedAt = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    const ProgramRun stopped = finish(pid);
    // The picture deadline alone is two minutes; a stop that waited for it would take that.
    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, std::chrono::seconds(60));
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped while loading the pictures"), std::string::npos)
        << stopped.err;
    EXPECT_EQ(server.requests().size(), 1u) << "no further address is asked for";
    EXPECT_FALSE(std::filesystem::exists(video));
}

// Pictures of today from scripts/make_format_pictures.sh, through the program as a user runs it.
class PictureFormatsProgramTest : public RenderProgramTest {
  protected:
    void SetUp() override {
        RenderProgramTest::SetUp();
        const std::string command = std::string(VELOMIRA_FORMAT_PICTURES_SCRIPT) + " '" +
                                    (folder.path() / "today").string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string today(const char* name) const { return (folder.path() / "today" / name).string(); }

    // The first frame of a video or a picture file, decoded by ffmpeg as RGB bytes.
    static std::string firstFrame(const std::string& file) {
        return programOutput({"ffmpeg", "-v", "error", "-i", file, "-frames:v", "1", "-f",
                              "rawvideo", "-pix_fmt", "rgb24", "-"})
            .out;
    }
    static double meanDifference(const std::string& a, const std::string& b) {
        if (a.size() != b.size() || a.empty())
            return 255;
        double sum = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
        return sum / static_cast<double>(a.size());
    }
    std::string video(const std::string& picture, const std::string& name,
                      std::vector<std::string> extra = {}) {
        const std::string out = folder.file(name);
        std::vector<std::string> args{"--pictures", picture, "--size", "96x64",
                                      "--pause",    "0.2",   "-o",     out};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProgramRun made = run(args);
        EXPECT_EQ(made.exitCode, 0) << made.err;
        return firstFrame(out);
    }
};

TEST_F(PictureFormatsProgramTest, PhonePortraitComesOutUprightAndWideColoursAsSrgb) {
    const std::string upright = video(today("upright.png"), "upright.mp4");
    ASSERT_EQ(upright.size(), 96u * 64u * 3u);
    EXPECT_LT(meanDifference(video(today("o6.jpg"), "o6.mp4"), upright), 3.0);
    EXPECT_GT(meanDifference(video(today("o6.jpg"), "o6_off.mp4", {"--no-auto-orient"}), upright),
              20.0)
        << "without auto-orientation the portrait stays sideways";
    EXPECT_LT(meanDifference(video(today("s.heic"), "heic.mp4"), upright), 3.0);
    EXPECT_LT(meanDifference(video(today("o6.heic"), "o6_heic.mp4"), upright), 3.0)
        << "HEIF is turned by its decoder only";
    // Stored in a wide-gamut space with its profile: converted, it matches the sRGB original.
    EXPECT_LT(meanDifference(video(today("wide.jpg"), "wide.mp4"), upright), 3.0);
    EXPECT_LT(meanDifference(video(today("wide.heic"), "wide_heic.mp4"), upright), 3.0);
    EXPECT_LT(meanDifference(video(today("big.heic"), "big_heic.mp4"),
                             video(today("big.png"), "big.mp4")),
              3.0)
        << "a large HEIC is shrunk before the fit, as a large PNG is by the fit alone";
}

TEST_F(PictureFormatsProgramTest, NewFormatsAreAcceptedAndBadOnesReportedByName) {
    const char* good[] = {"s.webp",    "s.heic",   "s.avif", "s.tif",
                          "pages.tif", "cmyk.tif", "o9.jpg", "broken_profile.jpg",
                          "o6.webp"};
    const char* bad[] = {"anim.webp", "lying.webp", "truncated.heic", "ispe.heic"};
    std::vector<std::string> args{"--pictures"};
    for (const char* name : good)
        args.push_back(today(name));
    for (const char* name : bad)
        args.push_back(today(name));
    args.insert(args.end(), {"--size", "96x64", "--pause", "0.2", "--transition", "31"});
    std::vector<std::string> infoArgs = args;
    infoArgs.push_back("--info");
    const ProgramRun info = run(infoArgs);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(numberIn(info.out, "totalPictures"), std::size(good)) << info.err;
    EXPECT_NE(info.err.find("不支持动画图片:\r\n" + today("anim.webp")), std::string::npos);
    EXPECT_NE(info.err.find("无法识别的图片:\r\n" + today("lying.webp")), std::string::npos);
    for (const char* name : {"truncated.heic", "ispe.heic"})
        EXPECT_NE(info.err.find("图片读取失败@生成缩略图:\r\n" + today(name)), std::string::npos)
            << info.err;

    const std::string out = folder.file("today.mp4");
    args.insert(args.end(), {"-o", out});
    const ProgramRun made = run(args);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(probe(out, "stream=nb_read_frames"),
              std::to_string(static_cast<int>(numberIn(info.out, "totalFrames"))));
}

TEST_F(RenderProgramTest, AFileNameNeverReachesTheTerminalAsAControlSequence) {
    // A file name may hold any byte but "/": this one retitles the terminal and colours it.
    const std::string name = folder.file("title\x1b]0;owned\x07\x1b[31m\x9b.png");
    testing::writePngAnnouncing(name, 100000, 100000);
    const ProgramRun info = run({"--pictures", pictures[0], name, "--size", "96x64", "--info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(numberIn(info.out, "totalPictures"), 1) << info.err;
    // The lone C1 byte is checked by the name below: 0x9B is also part of valid characters.
    for (char control : {'\x1b', '\x07'})
        EXPECT_EQ(info.err.find(control), std::string::npos) << info.err;
    EXPECT_NE(info.err.find(":\r\n" + folder.file("title?]0;owned??[31m?.png") + "\r\n"),
              std::string::npos)
        << info.err;
}

// A range is the whole video's pictures N..M: as many frames as --info promises for it, the same
// frames from its start frame on, and the music from the time the whole video has it there.
TEST_F(RenderProgramTest, ARangeIsTheWholeVideosPartWithItsMusicTime) {
    const std::string music = folder.file("music.mp3");
    ASSERT_EQ(programOutput({"ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=duration=2",
                             "-ac", "2", music})
                  .exitCode,
              0);
    std::vector<std::string> album = pictureArgs();
    album.insert(album.end(),
                 {"--size", "160x90", "--pause", "0.5", "--transition", "31", "--music", music});
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = album;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const ProgramRun whole = run(with({"--info"}));
    const ProgramRun range = run(with({"--info", "--from", "2", "--to", "3"}));
    ASSERT_EQ(range.exitCode, 0) << range.err;
    const double start = numberIn(range.out, "startFrame");
    const double frames = numberIn(range.out, "totalFrames");
    EXPECT_EQ(numberIn(range.out, "totalPictures"), 2);
    EXPECT_GT(start, 0);
    EXPECT_EQ(start + frames, numberIn(whole.out, "totalFrames"));

    const std::string video = folder.file("range.mp4");
    ASSERT_EQ(run(with({"--from", "2", "--to", "3", "-o", video})).exitCode, 0);
    EXPECT_EQ(probe(video, "stream=nb_read_frames"), std::to_string(static_cast<int>(frames)));
    // The music ends before the range does: what is left of it from the range's start time.
    ASSERT_LT(2.0 - start / 25.0, frames / 25.0);
    EXPECT_NEAR(std::stod(probe(video, "stream=duration", "a:0")), 2.0 - start / 25.0, 0.06);

    ASSERT_EQ(run(with({"--frames", folder.file("all")})).exitCode, 0);
    ASSERT_EQ(run(with({"--from", "2", "--frames", folder.file("part")})).exitCode, 0);
    const auto frameFile = [&](const char* dir, int number) {
        char name[32];
        std::snprintf(name, sizeof name, "/%06d.jpg", number);
        return readWholeFile(folder.file(dir) + name);
    };
    ASSERT_FALSE(frameFile("part", 1).empty());
    EXPECT_EQ(frameFile("part", 1), frameFile("all", static_cast<int>(start) + 1));
    EXPECT_EQ(frameFile("part", static_cast<int>(frames)),
              frameFile("all", static_cast<int>(start + frames)));
    EXPECT_TRUE(frameFile("part", static_cast<int>(frames) + 1).empty());
}

TEST_F(RenderProgramTest, RangesOutsideTheAlbumAreRefusedWithItsPictureCount) {
    const std::vector<std::vector<std::string>> refused = {{"--from", "3", "--to", "2"},
                                                           {"--from", "0"},
                                                           {"--from", "4"},
                                                           {"--to", "4"},
                                                           {"--to", "0"},
                                                           {"--from", "-1", "--to", "2"}};
    for (const auto& range : refused) {
        std::vector<std::string> args = pictureArgs();
        args.insert(args.end(), range.begin(), range.end());
        args.push_back("--info");
        const ProgramRun refusal = run(args);
        SCOPED_TRACE(range[0] + " " + range[1]);
        EXPECT_EQ(refusal.exitCode, 3);
        EXPECT_NE(refusal.err.find("has 3 picture(s)"), std::string::npos) << refusal.err;
        EXPECT_TRUE(refusal.out.empty());
    }
    std::vector<std::string> args = pictureArgs();
    args.insert(args.end(), {"--from", "3", "--to", "3", "--info"});
    EXPECT_EQ(run(args).exitCode, 0);
}

} // namespace
} // namespace velomira
