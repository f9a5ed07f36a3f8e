#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace velomira {

// Index given to a picture that enters without a transition; it has no catalogue entry.
constexpr int NO_TRANSITION = 99;

// Shown wherever a picture has no transition or its index has no name.
inline constexpr std::string_view kNoTransitionName = "无动画";

// Line between the groups of the transition pickers; it is never a choice.
inline constexpr std::string_view kPickerSeparator = "--------------------";

// Random assignment draws only from 0..kLastRandomTransition.
constexpr int kLastRandomTransition = 92;

struct TransitionEntry {
    int index;
    std::string_view name;
};

constexpr int kTransitionCount = 97;

// All named transitions in index order (0..92 and 95..98).
std::span<const TransitionEntry, kTransitionCount> transitionCatalogue();

// Display name of a transition, or nothing for 93, 94, 99 and every value outside 0..98.
std::optional<std::string_view> transitionName(int index);

// Display name, or "无动画" when the catalogue has none.
std::string_view transitionNameOrNone(int index);

// Index of the entry whose name equals the text exactly; NO_TRANSITION when none does.
int transitionIndexForName(std::string_view name);

// Texts of the transition pickers in display order: "无动画", then the 24 groups, each
// preceded by kPickerSeparator.
std::span<const std::string_view> transitionPickerTexts();

// The transition a picker text stands for: nothing for a separator (any text holding "---"),
// otherwise the catalogue search (so "无动画" and unknown texts give NO_TRANSITION).
std::optional<int> pickerChoiceToIndex(std::string_view text);

} // namespace velomira
