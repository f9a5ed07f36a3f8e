#pragma once
// Small byte-text helpers for the HTTP code: ASCII case folding only, no locale.
#include "app/string_utils.h" // formatText: the failure texts are printf patterns

#include <string>
#include <string_view>

namespace velomira {

bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool equalsNoCase(std::string_view a, std::string_view b);

// Like atoi (leading white space, optional sign, decimal digits up to the first other byte,
// 0 without digits) but saturating at the int range instead of overflowing.
int parseLeadingInt(std::string_view text);

} // namespace velomira
