#include "album/transition_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace velomira {
namespace {

TEST(TransitionCatalogue, HoldsNinetySevenNamedEntriesInIndexOrder) {
    const auto catalogue = transitionCatalogue();
    ASSERT_EQ(catalogue.size(), 97u);
    std::set<std::string_view> names;
    int previous = -1;
    for (const TransitionEntry& entry : catalogue) {
        EXPECT_GT(entry.index, previous);
        previous = entry.index;
        EXPECT_FALSE(entry.name.empty());
        names.insert(entry.name);
        EXPECT_EQ(transitionName(entry.index), entry.name);
    }
    EXPECT_EQ(names.size(), 97u) << "display names must be unique, the pickers search by name";
    EXPECT_EQ(catalogue.front().index, 0);
    EXPECT_EQ(catalogue.back().index, 98);
}

TEST(TransitionCatalogue, IndexesWithoutEntryHaveNoName) {
    for (int index : {93, 94, NO_TRANSITION, -1, 100, 150, -2147483647 - 1, 2147483647}) {
        EXPECT_FALSE(transitionName(index).has_value()) << index;
        EXPECT_EQ(transitionNameOrNone(index), "无动画") << index;
    }
    EXPECT_EQ(transitionNameOrNone(57), "风车");
}

TEST(TransitionCatalogue, SearchesByExactName) {
    EXPECT_EQ(transitionIndexForName("风车"), 57);
    EXPECT_EQ(transitionIndexForName("上下关门"), 98);
    EXPECT_EQ(transitionIndexForName("无动画"), NO_TRANSITION);
    EXPECT_EQ(transitionIndexForName("风车 "), NO_TRANSITION);
    EXPECT_EQ(transitionIndexForName(""), NO_TRANSITION);
}

TEST(TransitionPicker, StartsWithNoTransitionThenTwentyFourSeparatedGroups) {
    const auto texts = transitionPickerTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "无动画");
    EXPECT_EQ(texts[1], "--------------------");
    EXPECT_EQ(kPickerSeparator.size(), 20u);
    int separators = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == kPickerSeparator) {
            ++separators;
            ASSERT_LT(i + 1, texts.size()) << "a separator never ends the list";
            EXPECT_NE(texts[i + 1], kPickerSeparator) << "no empty group";
        }
    }
    EXPECT_EQ(separators, 24);
    EXPECT_EQ(texts[2], "淡入淡出");
    EXPECT_EQ(texts.back(), "上下关门");
}

TEST(TransitionPicker, HoldsEveryCatalogueNameExactlyOnce) {
    std::map<std::string_view, int> seen;
    for (std::string_view text : transitionPickerTexts()) {
        if (text != kPickerSeparator && text != kNoTransitionName) {
            ++seen[text];
        }
    }
    EXPECT_EQ(seen.size(), 97u);
    for (const TransitionEntry& entry : transitionCatalogue()) {
        EXPECT_EQ(seen[entry.name], 1) << entry.index;
    }
}

TEST(TransitionPicker, ChoicesMapToTheIndexOfTheirName) {
    for (std::string_view text : transitionPickerTexts()) {
        const std::optional<int> index = pickerChoiceToIndex(text);
        if (text == kPickerSeparator) {
            EXPECT_FALSE(index.has_value());
        } else if (text == kNoTransitionName) {
            EXPECT_EQ(index, NO_TRANSITION);
        } else {
            ASSERT_TRUE(index.has_value()) << text;
            EXPECT_EQ(transitionName(*index), text);
        }
    }
}

TEST(TransitionPicker, AnyTextHoldingThreeHyphensIsNoChoice) {
    EXPECT_FALSE(pickerChoiceToIndex("---").has_value());
    EXPECT_FALSE(pickerChoiceToIndex("风车---").has_value());
    EXPECT_EQ(pickerChoiceToIndex("--"), NO_TRANSITION);
    EXPECT_EQ(pickerChoiceToIndex("不存在的动画"), NO_TRANSITION);
}

} // namespace
} // namespace velomira
