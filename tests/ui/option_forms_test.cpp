#include "ui/option_forms.h"

#include "album/transition_catalogue.h"
#include "app/caption_margins.h"

#include <gtest/gtest.h>

#include <set>

namespace velomira {
namespace {

struct SizeCase {
    const char* width;
    const char* height;
    const char* message; // nullptr: accepted
    CustomSizeField focus;
    VideoSize accepted;
};

TEST(CustomSizeForm, ChecksInOrderAndAcceptsTheLimits) {
    using F = CustomSizeField;
    const SizeCase cases[] = {
        {"", "", "请输入视频的宽度", F::Width, {}},
        {"", "480", "请输入视频的宽度", F::Width, {}},
        {"641", "", "请输入视频的高度", F::Height, {}},
        {"641", "479", "视频的宽度必须是偶数(能被2整除)", F::Width, {}},
        // The odd height is named before any range.
        {"130", "129", "视频的高度必须是偶数(能被2整除)", F::Height, {}},
        {"3842", "2160", "视频的宽度必须在 128 - 3840 之间", F::Width, {}},
        {"126", "4000", "视频的宽度必须在 128 - 3840 之间", F::Width, {}},
        {"3840", "2162", "视频的高度必须在 128 - 2160 之间", F::Height, {}},
        {"640", "0", "视频的高度必须在 128 - 2160 之间", F::Height, {}},
        // Texts that are no number fail at their range check, after the parity checks.
        {"abc", "480", "视频的宽度必须在 128 - 3840 之间", F::Width, {}},
        {"abc", "129", "视频的高度必须是偶数(能被2整除)", F::Height, {}},
        {"-640", "480", "视频的宽度必须在 128 - 3840 之间", F::Width, {}},
        {"640", "99999999999999999999", "视频的高度必须在 128 - 2160 之间", F::Height, {}},
        {"3840", "2160", nullptr, F::Width, {3840, 2160}},
        {"128", "128", nullptr, F::Width, {128, 128}},
        {"0640", "0480", nullptr, F::Width, {640, 480}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        const auto checked = checkCustomVideoSize(c.width, c.height);
        if (c.message) {
            const auto* refusal = std::get_if<CustomSizeRefusal>(&checked);
            ASSERT_NE(refusal, nullptr);
            EXPECT_EQ(refusal->message, c.message);
            EXPECT_EQ(refusal->title, "提示");
            EXPECT_EQ(refusal->focus, c.focus);
        } else {
            const auto* size = std::get_if<VideoSize>(&checked);
            ASSERT_NE(size, nullptr);
            EXPECT_EQ(size->width, c.accepted.width);
            EXPECT_EQ(size->height, c.accepted.height);
        }
    }
}

TEST(LoopPlayForm, ListHoldsEveryTransitionOnceAfterNoneAndRoundTrips) {
    const std::vector<std::string> entries = loopPlayListEntries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], "无动画");
    EXPECT_EQ(entries[1], "--------------------");
    std::set<std::string> names;
    int separators = 0;
    for (const std::string& entry : entries) {
        if (entry == "--------------------") {
            ++separators;
        } else if (entry != "无动画") {
            EXPECT_TRUE(names.insert(entry).second) << entry;
        }
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(kTransitionCount));
    EXPECT_EQ(separators, 24);
    // Opening on a transition selects its row, and confirming that row gives it back.
    for (const TransitionEntry& entry : transitionCatalogue()) {
        const int row = loopPlaySelectionFor(entry.index);
        EXPECT_EQ(entries[static_cast<size_t>(row)], entry.name);
        EXPECT_EQ(loopPlayChoiceFromText(entries[static_cast<size_t>(row)]), entry.index);
    }
}

TEST(LoopPlayForm, SeparatorsAndUnnamedIndexesMeanNoTransition) {
    const std::vector<std::string> entries = loopPlayListEntries();
    for (int index : {99, 93, 94, -1, 150})
        EXPECT_EQ(loopPlaySelectionFor(index), 0) << index;
    EXPECT_EQ(loopPlayChoiceFromText("--------------------"), NO_TRANSITION);
    EXPECT_EQ(loopPlayChoiceFromText("无动画"), NO_TRANSITION);
    EXPECT_EQ(loopPlayChoiceFromText("不存在的动画"), NO_TRANSITION);
    // Closing the list on a separator goes back to the first row; a name stays.
    EXPECT_EQ(loopPlaySelectionAfterCloseUp(1), 0);
    EXPECT_EQ(loopPlaySelectionAfterCloseUp(2), 2);
    EXPECT_EQ(loopPlaySelectionAfterCloseUp(-1), 0);
    EXPECT_EQ(loopPlaySelectionAfterCloseUp(static_cast<int>(entries.size())), 0);
}

struct MarginCase {
    MarginTexts texts;
    const char* message; // nullptr: accepted
    MarginField focus;
};

MarginTexts with(std::initializer_list<std::pair<MarginField, const char*>> changes) {
    MarginTexts texts{"15.00", "6.00", "6.00", "6.00", "6.00"};
    for (const auto& [field, text] : changes)
        texts[static_cast<size_t>(field)] = text;
    return texts;
}

TEST(MarginForm, EmptyAndNumberChecksComeBeforeRangesFieldByField) {
    using F = MarginField;
    const char* rangeCentre =
        "输入的【加文字】 位置：【中间下方】的下边距有误！\n\n请输入一个 0.01 ～ "
        "49.99 范围内的值, 支持小数。";
    const MarginCase cases[] = {
        {with({}), nullptr, F::CenterBottom},
        {with({{F::CenterBottom, "49.99"}, {F::Bottom, "0.01"}}), nullptr, F::CenterBottom},
        {with({{F::Top, "5."}}), nullptr, F::CenterBottom},
        {with({{F::Left, " \t7\r\n"}}), nullptr, F::CenterBottom},
        {with({{F::CenterBottom, "50"}}), rangeCentre, F::CenterBottom},
        {with({{F::CenterBottom, "-3"}}), rangeCentre, F::CenterBottom},
        {with({{F::Left, "0"}}),
         "输入的【左边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。", F::Left},
        {with({{F::Right, ".5"}}), "输入的【右边距】有误！\n\n请输入一个数值, 支持小数。",
         F::Right},
        {with({{F::Left, "1e3"}}), "输入的【左边距】有误！\n\n 请输入一个数值, 支持小数。",
         F::Left},
        {with({{F::Top, "1.2.3"}}), "输入的【上边距】有误！\n\n请输入一个数值, 支持小数。", F::Top},
        {with({{F::Top, "-"}}), "输入的【上边距】有误！\n\n请输入一个数值, 支持小数。", F::Top},
        {with({{F::Bottom, ""}}), "请输入【下边距】", F::Bottom},
        {with({{F::Bottom, " \t "}}), "请输入【下边距】", F::Bottom},
        {with({{F::CenterBottom, ".5"}, {F::Left, ""}}),
         "输入的【加文字】 位置：【中间下方】的【下边距】有误！\n\n请输入一个数值, 支持小数。",
         F::CenterBottom},
        {with({{F::CenterBottom, ""}}), "请输入【加文字】 位置：【中间下方】的【下边距】",
         F::CenterBottom},
        // A range failure waits until every field is known to be a number.
        {with({{F::CenterBottom, "60"}, {F::Right, ""}}), "请输入【右边距】", F::Right},
        {with({{F::Left, "70"}, {F::Top, "abc"}}),
         "输入的【上边距】有误！\n\n请输入一个数值, 支持小数。", F::Top},
        {with({{F::Right, "0"}, {F::Left, "50"}}),
         "输入的【左边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。", F::Left},
    };
    for (const MarginCase& c : cases) {
        SCOPED_TRACE(c.texts[0] + "|" + c.texts[1] + "|" + c.texts[2] + "|" + c.texts[3] + "|" +
                     c.texts[4]);
        const auto checked = checkCaptionMargins(c.texts);
        if (c.message) {
            const auto* refusal = std::get_if<MarginRefusal>(&checked);
            ASSERT_NE(refusal, nullptr);
            EXPECT_EQ(refusal->message, c.message);
            EXPECT_EQ(refusal->title, "提示");
            EXPECT_EQ(refusal->focus, c.focus);
        } else {
            EXPECT_TRUE(std::holds_alternative<CaptionMargins>(checked));
        }
    }
}

TEST(MarginForm, PercentagesBecomeFractionsThatStoreWithoutLoss) {
    const auto checked = checkCaptionMargins({"15", "6", "5.", "49.99", " 0.01 "});
    const auto* margins = std::get_if<CaptionMargins>(&checked);
    ASSERT_NE(margins, nullptr);
    EXPECT_FLOAT_EQ(margins->centerBottom, 0.150001f);
    EXPECT_FLOAT_EQ(margins->left, 0.060001f);
    EXPECT_FLOAT_EQ(margins->right, 0.050001f);
    EXPECT_FLOAT_EQ(margins->top, 0.499901f);
    EXPECT_FLOAT_EQ(margins->bottom, 0.000101f);
    EXPECT_EQ(marginToStored(margins->left), 600u);
    EXPECT_EQ(marginToStored(margins->bottom), 1u);
    // What the dialog shows again reads back as the same margins.
    EXPECT_EQ(marginTexts(*margins), (MarginTexts{"15.00", "6.00", "5.00", "49.99", "0.01"}));
    EXPECT_EQ(defaultMarginTexts(), (MarginTexts{"15.00", "6.00", "6.00", "6.00", "6.00"}));
    CaptionMargins odd;
    odd.left = 0.123456f;
    EXPECT_EQ(marginTexts(odd)[1], "12.35");
}

TEST(CaptionTextForm, AtMostNinetySevenGbkBytesWithEveryHanziCountingTwo) {
    auto repeat = [](std::string_view unit, int times) {
        std::string text;
        for (int i = 0; i < times; ++i)
            text += unit;
        return text;
    };
    const struct {
        std::string text;
        bool fits;
    } cases[] = {
        {"", true},
        {repeat("a", 97), true},
        {repeat("a", 98), false},
        {repeat("汉", 48) + "a", true}, // 96 + 1 bytes
        {repeat("汉", 49), false},      // 98 bytes, although only 49 characters
        {repeat("😀", 48) + "a", true},  // outside GBK: counted as 2 bytes each
        {repeat("😀", 49), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(captionTextFits(c.text), c.fits) << c.text;
}

} // namespace
} // namespace velomira
