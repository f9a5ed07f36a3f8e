// The command line: what each option sets, and the mistakes that are refused before anything
// is read.
#include "cli/render_options.h"

#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

ParsedOptions parse(std::vector<std::string> args) {
    return parseRenderOptions(args);
}

TEST(RenderOptions, PicturesAndEveryOptionAreTaken) {
    const ParsedOptions p = parse({"--pictures",
                                   "a.jpg",
                                   "b.png",
                                   "--size",
                                   "640x360",
                                   "--pause",
                                   "2.5",
                                   "--transition",
                                   "17",
                                   "--bg",
                                   "black",
                                   "--music",
                                   "x.mp3",
                                   "--music",
                                   "y.mp3",
                                   "--loop-music",
                                   "--logo",
                                   "l.png",
                                   "--logo-position",
                                   "3",
                                   "--cover",
                                   "c.jpg",
                                   "--caption",
                                   "你好",
                                   "-o",
                                   "out",
                                   "--save",
                                   "p.dat",
                                   "--max-size",
                                   "16M"});
    ASSERT_EQ(p.error, "");
    const RenderOptions& o = p.options;
    EXPECT_EQ(o.pictures, (std::vector<std::string>{"a.jpg", "b.png"}));
    EXPECT_EQ(o.size, std::make_pair(640, 360));
    EXPECT_FLOAT_EQ(*o.pauseSeconds, 2.5f);
    EXPECT_EQ(o.transition, 17);
    EXPECT_FALSE(o.randomTransitions);
    EXPECT_EQ(o.blackBackground, true);
    EXPECT_EQ(o.music, (std::vector<std::string>{"x.mp3", "y.mp3"}));
    EXPECT_TRUE(o.loopMusic);
    EXPECT_EQ(o.logo, "l.png");
    EXPECT_EQ(o.logoPosition, 3);
    EXPECT_EQ(o.cover, "c.jpg");
    EXPECT_EQ(o.caption, "你好");
    EXPECT_EQ(o.outputPath, "out");
    EXPECT_EQ(o.saveProject, "p.dat");
    EXPECT_EQ(o.maxBytes, 16000000u);
}

TEST(RenderOptions, ProjectFileAndProductAreSources) {
    EXPECT_EQ(parse({"album.dat", "-o", "x.mp4", "--info"}).options.projectFile, "album.dat");
    const ParsedOptions product =
        parse({"--product", "http://h/a.jpg;http://h/b.jpg", "--picture-type", "2"});
    ASSERT_EQ(product.error, "");
    EXPECT_EQ(product.options.pictureType, 2);
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_EQ(parse({"--transition", "random", "--pictures", "a.jpg"}).error, "");
    EXPECT_EQ(parse({"--pictures", "a.jpg", "--transition", "99"}).options.transition, 99);
    EXPECT_FALSE(parse({"album.dat"}).options.motion) << "a project keeps its own motions";
    const auto pan = parse({"album.dat", "--motion", "pan-up"}).options.motion;
    ASSERT_TRUE(pan);
    EXPECT_EQ(pan->motion, CameraMotion::PanUp);
    EXPECT_TRUE(parse({"album.dat", "--motion", "random"}).options.motion->random);
    // Raw frames are the default; --raw-frames stays accepted.
    EXPECT_EQ(parse({"album.dat"}).options.frameTransport, FrameTransport::RawPixels);
    EXPECT_EQ(parse({"album.dat", "--raw-frames"}).options.frameTransport,
              FrameTransport::RawPixels);
    EXPECT_EQ(parse({"album.dat", "--jpeg-frames"}).options.frameTransport,
              FrameTransport::JpegFiles);
}

TEST(RenderOptions, BatchOptionsTakeTheirValues) {
    const ParsedOptions batch =
        parse({"--batch", "jobs.csv", "--jobs", "3", "--shard", "1/4", "--report", "r.json",
               "--force", "--quiet", "--size", "640x360"});
    ASSERT_EQ(batch.error, "");
    const RenderOptions& o = batch.options;
    EXPECT_EQ(o.batchFile, "jobs.csv");
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.shardIndex, 1);
    EXPECT_EQ(o.shardCount, 4);
    EXPECT_EQ(o.reportFile, "r.json");
    EXPECT_TRUE(o.force && o.quiet);
}

TEST(RenderOptions, MusicFadeAndLoudnessTakeTheirValues) {
    struct Case {
        std::vector<std::string> args;
        std::optional<double> fade, loudness;
    } const cases[] = {
        {{}, std::nullopt, std::nullopt},
        {{"--music-fade", "3.5"}, 3.5, std::nullopt},
        {{"--music-fade", "3", "--no-music-fade"}, 0.0, std::nullopt},
        {{"--loudness", "-16"}, std::nullopt, -16.0},
        {{"--loudness", "off"}, std::nullopt, 0.0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--pictures", "a.jpg"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ParsedOptions p = parse(args);
        ASSERT_EQ(p.error, "");
        EXPECT_EQ(p.options.musicFadeSeconds, c.fade);
        EXPECT_EQ(p.options.loudnessLufs, c.loudness);
    }
}

TEST(RenderOptions, MistakesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.dat", "b.dat"},
        {"a.dat", "--pictures", "x.jpg"},
        {"--pictures"},
        {"--pictures", "a.jpg", "--size", "big"},
        {"--pictures", "a.jpg", "--size", "640x360x2"},
        {"--pictures", "a.jpg", "--pause", "0"},
        {"--pictures", "a.jpg", "--pause", "nan"},
        {"--pictures", "a.jpg", "--pause", "1e9"},
        {"--pictures", "a.jpg", "--transition", "93"},
        {"--pictures", "a.jpg", "--transition", "-1"},
        {"--pictures", "a.jpg", "--bg", "grey"},
        {"--pictures", "a.jpg", "--motion", "zoom"},
        {"--pictures", "a.jpg", "--motion"},
        {"--pictures", "a.jpg", "--logo-position", "4"},
        {"--pictures", "a.jpg", "--picture-type", "3"},
        {"--pictures", "a.jpg", "--loop-music", "--fit-music"},
        {"--pictures", "a.jpg", "--frames", "f", "--info"},
        {"--pictures", "a.jpg", "--music"},
        {"--pictures", "a.jpg", "--wobble"},
        {"--pictures", "a.jpg", "--max-size", "lots"},
        {"--pictures", "a.jpg", "--max-size", "0"},
        {"--pictures", "a.jpg", "--max-size"},
        {"--pictures", "a.jpg", "--jobs", "2"},
        {"--batch", "b.csv", "--pictures", "a.jpg"},
        {"--batch", "b.csv", "-o", "x.mp4"},
        {"--batch", "b.csv", "--info"},
        {"--batch", "b.csv", "--jobs", "0"},
        {"--batch", "b.csv", "--shard", "2/2"},
        {"--batch", "b.csv", "--shard", "1"},
        {"--batch", "b.csv", "--shard", "-1/3"},
        {"--pictures", "a.jpg", "--music-fade", "0"},
        {"--pictures", "a.jpg", "--music-fade", "31"},
        {"--pictures", "a.jpg", "--music-fade", "2s"},
        {"--pictures", "a.jpg", "--music-fade"},
        {"--pictures", "a.jpg", "--loudness", "-3"},
        {"--pictures", "a.jpg", "--loudness", "loud"},
        {"--pictures", "a.jpg", "--loudness"},
    };
    for (const auto& args : bad) {
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_NE(parse(args).error, "") << line;
    }
}

TEST(RenderOptions, SizesAVideoCannotHaveAreRefusedBeforeTheRun) {
    const struct {
        const char* size;
        bool refused;
    } cases[] = {
        {"1280x720", false}, {"2x2", false},      {"3840x2160", false}, {"160x90", false},
        {"1081x1921", true}, {"1281x720", true},  {"1280x721", true},   {"3842x2160", true},
        {"3840x2162", true}, {"0x720", true},     {"1280x0", true},     {"-2x720", true},
        {"7680x4320", true}, {"2160x3840", true},
    };
    for (const auto& c : cases) {
        const ParsedOptions p = parse({"--pictures", "a.png", "--size", c.size});
        ASSERT_EQ(p.error, "") << c.size;
        const std::string refusal = videoSizeRefusal(p.options);
        EXPECT_EQ(!refusal.empty(), c.refused) << c.size << ": " << refusal;
        if (c.refused) {
            EXPECT_EQ(refusal, "--size " + std::string(c.size) +
                                   " is outside the sizes a video can have (width 2~3840, "
                                   "height 2~2160, both even)");
        }
    }
    EXPECT_EQ(videoSizeRefusal(parse({"--pictures", "a.png"}).options), "")
        << "no --size: the album's own size";
}

TEST(RenderOptions, PhoneSizeShorthandsAndFillModes) {
    const struct {
        std::vector<std::string> args;
        std::optional<std::pair<int, int>> size;
        std::optional<FillMode> fill;
    } cases[] = {
        {{"--size", "9:16"}, std::pair{1080, 1920}, std::nullopt},
        {{"--size", "4:5"}, std::pair{1080, 1350}, std::nullopt},
        {{"--size", "1:1"}, std::pair{1080, 1080}, std::nullopt},
        {{"--size", "4k"}, std::pair{3840, 2160}, std::nullopt},
        {{"--size", "720x1280", "--fill", "crop"}, std::pair{720, 1280}, FillMode::Crop},
        {{"--fill", "blur"}, std::nullopt, FillMode::Blur},
        {{"--fill", "fit"}, std::nullopt, FillMode::Fit},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--pictures", "a.jpg"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ParsedOptions p = parse(args);
        ASSERT_EQ(p.error, "") << c.args.front();
        EXPECT_EQ(p.options.size, c.size) << c.args.front();
        EXPECT_EQ(p.options.fill, c.fill) << c.args.front();
        EXPECT_EQ(videoSizeRefusal(p.options), "") << c.args.front();
    }
    for (const char* bad : {"16:9", "9:16x", "4k2"})
        EXPECT_NE(parse({"--pictures", "a.jpg", "--size", bad}).error, "") << bad;
    for (const char* bad : {"Blur", "cover", ""})
        EXPECT_EQ(parse({"--pictures", "a.jpg", "--fill", bad}).error,
                  "--fill needs fit, crop or blur")
            << bad;
    EXPECT_NE(parse({"--pictures", "a.jpg", "--fill"}).error, "");
    EXPECT_EQ(parse({"--pictures", "a.jpg", "--safe-areas", "off"}).options.safeAreas, false);
    EXPECT_EQ(parse({"--pictures", "a.jpg", "--safe-areas", "on"}).options.safeAreas, true);
    EXPECT_EQ(parse({"--pictures", "a.jpg"}).options.safeAreas, std::nullopt);
    EXPECT_NE(parse({"--pictures", "a.jpg", "--safe-areas", "yes"}).error, "");
}

TEST(RenderOptions, EncoderSpeedTakesItsThreeNamesOnly) {
    const struct {
        std::vector<std::string> args;
        std::optional<EncoderSpeed> speed;
        bool refused;
    } cases[] = {
        {{}, std::nullopt, false},
        {{"--encoder-speed", "fast"}, EncoderSpeed::Fast, false},
        {{"--encoder-speed", "standard"}, EncoderSpeed::Standard, false},
        {{"--encoder-speed", "fine"}, EncoderSpeed::Fine, false},
        {{"--encoder-speed", "veryfast"}, std::nullopt, true},
        {{"--encoder-speed", "Fast"}, std::nullopt, true},
        {{"--encoder-speed"}, std::nullopt, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"album.dat"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ParsedOptions p = parse(args);
        const std::string name = c.args.empty() ? "none" : c.args.back();
        EXPECT_EQ(p.error.empty(), !c.refused) << name;
        if (c.refused) {
            EXPECT_EQ(p.error, "--encoder-speed needs fast, standard or fine") << name;
        } else {
            EXPECT_EQ(p.options.encoderSpeed, c.speed) << name;
        }
    }
}

TEST(TerminalProgress, LineFollowsTheEncodersShareAndTimeLeft) {
    const struct {
        RunProgress progress;
        const char* line;
    } cases[] = {
        {{1, 4, 0, 100, 0.0}, "[..............................] picture 1 of 4, 0%"},
        {{1, 4, 4, 100, 2.0}, "[#.............................] picture 1 of 4, 4%"},
        {{3, 4, 50, 100, 75.2}, "[###############...............] picture 3 of 4, 50%, 1:15 left"},
        {{4, 4, 100, 100, 80.0},
         "[##############################] picture 4 of 4, 100%, 0:00 left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalProgress::lineFor(c.progress), c.line);
}

TEST(RenderOptions, FocusFollowsTheSubjectOrTheMiddle) {
    const struct {
        std::vector<std::string> args;
        std::optional<FocusMode> focus;
        std::string error;
    } cases[] = {
        {{}, std::nullopt, ""},
        {{"--focus", "auto"}, FocusMode::Auto, ""},
        {{"--focus", "center"}, FocusMode::Center, ""},
        {{"--focus", "Auto"}, std::nullopt, "--focus needs auto or center"},
        {{"--focus", "centre"}, std::nullopt, "--focus needs auto or center"},
        {{"--focus", ""}, std::nullopt, "--focus needs auto or center"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--pictures", "a.jpg"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ParsedOptions p = parse(args);
        EXPECT_EQ(p.error, c.error) << args.back();
        if (c.error.empty()) {
            EXPECT_EQ(p.options.focus, c.focus) << args.back();
        }
    }
    EXPECT_NE(parse({"--pictures", "a.jpg", "--focus"}).error, "");
}

TEST(TerminalProgress, LineShowsPictureOfTotalAndTimeLeft) {
    EXPECT_EQ(TerminalProgress::lineFor(1, 4, -1),
              "[..............................] picture 1 of 4");
    EXPECT_EQ(TerminalProgress::lineFor(3, 4, 75.2),
              "[###############...............] picture 3 of 4, 1:15 left");
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

TEST(RenderOptions, PictureTimesAndBeatSync) {
    const auto parsed = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"--pictures", "a.jpg"});
        return parseRenderOptions(args);
    };
    using Times = std::vector<std::optional<float>>;
    const struct {
        const char* value;
        Times times;
    } good[] = {{"1.5", {1.5f}},
                {"1.5||0.25", {1.5f, std::nullopt, 0.25f}},
                {"|2|", {std::nullopt, 2.f, std::nullopt}},
                {" 0 | 0.0 ", {0.f, 0.f}}};
    for (const auto& g : good) {
        SCOPED_TRACE(g.value);
        const ParsedOptions p = parsed({"--pauses", g.value});
        EXPECT_EQ(p.error, "");
        EXPECT_EQ(p.options.pictureSeconds, g.times);
    }
    for (const char* bad : {"x", "1|-2", "1|3601", "1..2", "."})
        EXPECT_NE(parsed({"--pauses", bad}).error, "") << bad;
    EXPECT_NE(parsed({"--pauses"}).error, "");
    EXPECT_EQ(parsed({}).options.beatSync, std::nullopt);
    EXPECT_EQ(parsed({"--beat-sync"}).options.beatSync, true);
    EXPECT_EQ(parsed({"--beat-sync", "--no-beat-sync"}).options.beatSync, false);
}

} // namespace
} // namespace velomira
