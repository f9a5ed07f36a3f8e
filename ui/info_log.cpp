#include "ui/info_log.h"

#include "app/printable_text.h"

namespace velomira {

void InfoLog::append(const std::string& report) {
    // Reports name files and quote servers: their control characters are never shown as such.
    view_.appendText(shownText(report));
    view_.scrollToEnd();
    view_.appendText("\r\n\r\n");
    view_.scrollToEnd();
    if (!view_.isShown())
        view_.setShown(true);
}

void InfoLog::toggle() {
    view_.setShown(!view_.isShown());
}

} // namespace velomira
