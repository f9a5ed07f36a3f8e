#include "ui/info_log.h"

namespace velomira {

void InfoLog::append(const std::string& report) {
    view_.appendText(report);
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
