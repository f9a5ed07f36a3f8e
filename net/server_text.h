#pragma once
// A message a server sends for the user to read. It is shown as plain text only: markup is
// taken out (a reply may carry a whole HTML page with links and pictures from the user's own
// disk), invalid bytes and control characters become "?", and the text is cut to a length a
// message box can show.
#include <string>
#include <string_view>

namespace velomira {

std::string serverTextForDisplay(std::string_view text);

} // namespace velomira
