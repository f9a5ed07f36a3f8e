#pragma once
// Pages of the vendor's site opened with the desktop's browser.
#include "ui/main_window_view.h"

#include <string>

namespace velomira {

// Opens pathAndQuery ("/", "/help.html", "/preview.asp?id=3&") on vendorHost; with no host
// configured it says so instead.
void openWebPage(MainWindowView& view, const std::string& vendorHost,
                 const std::string& pathAndQuery);

} // namespace velomira
