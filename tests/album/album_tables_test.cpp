#include "album/album_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velomira {
namespace {

TEST(CaptionColourTable, PacksColoursAsBlueGreenRed) {
    const auto& table = captionColourTable();
    ASSERT_EQ(table.size(), 14u);
    EXPECT_EQ(table[2].label, "黑底蓝字");
    EXPECT_EQ(table[2].textColor, 0x00FF8000u); // #0080ff
    EXPECT_EQ(colorRefToHex(table[2].textColor), "#0080ff");
    EXPECT_EQ(colorRefToHex(table[7].boxColor), "#ff619d");
    EXPECT_EQ(colorRefToHex(table[12].boxColor), "#ff8000");
    EXPECT_EQ(colorRefToHex(table[6].textColor), "#004000");
    EXPECT_EQ(table[8].label, "白色");
}

TEST(CaptionColourTable, OnlyTheLastSixAreOutlinedPairs) {
    const auto& table = captionColourTable();
    for (int i = 0; i < kCaptionColourCount; ++i) {
        EXPECT_EQ(table[i].boxColor == table[i].textColor, i >= 8) << i;
    }
    EXPECT_FALSE(captionColourAt(14).has_value());
    EXPECT_FALSE(captionColourAt(-1).has_value());
}

TEST(StillFrames, SinglePrecisionProductTruncated) {
    EXPECT_EQ(stillFramesForSeconds(0.1f), 2);
    EXPECT_EQ(stillFramesForSeconds(0.13f), 3);
    EXPECT_EQ(stillFramesForSeconds(0.18f), 4);
    EXPECT_EQ(stillFramesForSeconds(0.2f), 5);
    EXPECT_EQ(stillFramesForSeconds(0.3f), 7);
    EXPECT_EQ(stillFramesForSeconds(1.0f), 25);
    EXPECT_EQ(stillFramesForSeconds(1.4f), 35);
    EXPECT_EQ(stillFramesForSeconds(-0.5f), -12);
}

TEST(StillFrames, ExtremeInputsStayDefined) {
    EXPECT_EQ(stillFramesForSeconds(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(stillFramesForSeconds(std::numeric_limits<float>::infinity()),
              std::numeric_limits<int>::max());
    EXPECT_EQ(stillFramesForSeconds(-1e30f), std::numeric_limits<int>::min());
}

TEST(PauseTimeTable, LabelsAndFrameCounts) {
    const auto& table = pauseTimeTable();
    ASSERT_EQ(table.size(), 38u);
    EXPECT_EQ(table[1].label, "0.12秒");
    EXPECT_EQ(stillFramesForPauseTime(1), 3);
    EXPECT_EQ(stillFramesForPauseTime(2), 4);
    EXPECT_EQ(table[kDefaultPauseTime].label, "2.0秒");
    EXPECT_EQ(stillFramesForPauseTime(kDefaultPauseTime), 50);
    EXPECT_EQ(table[37].label, "8.0秒");
    EXPECT_EQ(stillFramesForPauseTime(37), 200);
    EXPECT_FALSE(stillFramesForPauseTime(38).has_value());
    EXPECT_FALSE(stillFramesForPauseTime(-1).has_value());
    int previous = 0;
    for (int i = 0; i < kPauseTimeCount; ++i) {
        EXPECT_TRUE(table[i].label.ends_with("秒")) << i;
        const int frames = *stillFramesForPauseTime(i);
        EXPECT_GT(frames, previous) << "display times grow along the list: " << i;
        previous = frames;
    }
}

TEST(DisplayTimeText, ReadsTheFieldFormat) {
    EXPECT_EQ(stillFramesForDisplayTimeText("5.20秒"), 130);
    EXPECT_EQ(stillFramesForDisplayTimeText("0.10秒"), 2);
    EXPECT_EQ(stillFramesForDisplayTimeText(" 2.00秒 "), 50);
    EXPECT_EQ(stillFramesForDisplayTimeText("2"), 50);
    EXPECT_EQ(stillFramesForDisplayTimeText("5."), 125);
    EXPECT_EQ(stillFramesForDisplayTimeText("-0.50秒"), -12);
    EXPECT_EQ(stillFramesForDisplayTimeText("+1.00秒"), 25);
}

TEST(DisplayTimeText, RefusesMalformedText) {
    for (const char* text : {"", "秒", "abc", "1.2.3秒", "1e3", "inf", "nan", "-", ".", "2秒秒",
                             "2 5", "１.0秒", "1e99999"}) {
        EXPECT_FALSE(stillFramesForDisplayTimeText(text).has_value()) << text;
    }
    EXPECT_FALSE(stillFramesForDisplayTimeText(std::string(60, '9')).has_value());
    EXPECT_EQ(stillFramesForDisplayTimeText("9999999999"), std::numeric_limits<int>::max());
}

TEST(VideoSizeList, PlaceholderThenTwentyTwoPresets) {
    const auto texts = defaultVideoSizeTexts();
    ASSERT_EQ(texts.size(), 23u);
    EXPECT_EQ(texts[0], "");
    EXPECT_EQ(texts[1], "400x400");
    EXPECT_EQ(texts[9], "720x960");
    EXPECT_EQ(texts[17], "1920x1080");
    EXPECT_EQ(videoSizePresets()[16].label, "1080p (1920 x 1080)");
    EXPECT_EQ(kCustomVideoSizeLabel, "自定义...");
    // The phone and 4K sizes follow 1080p, labelled with their aspect like the others.
    const struct {
        const char* text;
        const char* label;
    } added[] = {{"1080x1920", " 9:16 (1080 x 1920)"}, {"720x1280", " 9:16 ( 720 x 1280)"},
                 {"1080x1350", "  4:5 (1080 x 1350)"}, {"1080x1080", "  1:1 (1080 x 1080)"},
                 {"3840x2160", "   4K (3840 x 2160)"}};
    for (std::size_t i = 0; i < std::size(added); ++i) {
        SCOPED_TRACE(added[i].text);
        EXPECT_EQ(texts[18 + i], added[i].text);
        EXPECT_EQ(videoSizePresets()[17 + i].label, added[i].label);
        EXPECT_EQ(videoSizePresets()[17 + i].label.size(),
                  videoSizePresets()[16].label.size());
    }
}

TEST(VideoSizeList, ParsesOnlyWellFormedSizesWithinBounds) {
    const auto size = parseVideoSizeText("500x500");
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 500);
    EXPECT_EQ(size->height, 500);
    EXPECT_TRUE(parseVideoSizeText("3840x2160").has_value());
    for (const char* text : {"", "x", "500", "500x", "x500", "500 x500", "-2x4", "0x0", "1x1",
                             "3842x2160", "2160x2162", "99999999999x2", "500X500", "5a0x500"}) {
        EXPECT_FALSE(parseVideoSizeText(text).has_value()) << text;
    }
}

TEST(StoredValues, LogoLocationAndLoopPlayAreRangeChecked) {
    EXPECT_EQ(logoLocationLabels()[kDefaultLogoLocation], "右侧上方");
    for (int stored : {0, 1, 2, 3}) {
        EXPECT_EQ(logoLocationFromStored(stored), stored);
    }
    for (int stored : {4, 7, -1}) {
        EXPECT_EQ(logoLocationFromStored(stored), 2) << stored;
    }
    EXPECT_EQ(loopPlayAnimationFromStored(31), 31);
    EXPECT_EQ(loopPlayAnimationFromStored(99), 99);
    EXPECT_EQ(loopPlayAnimationFromStored(100), 33);
    EXPECT_EQ(loopPlayAnimationFromStored(150), 33);
    EXPECT_EQ(loopPlayAnimationFromStored(-1), 33);
}

} // namespace
} // namespace velomira
