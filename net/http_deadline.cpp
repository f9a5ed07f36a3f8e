#include "net/http_deadline.h"

#include "net/http_text.h"

#include <algorithm>

namespace velomira {

std::chrono::milliseconds RequestDeadline::remaining() const {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

std::chrono::milliseconds RequestDeadline::cap(std::chrono::milliseconds limit) const {
    return std::min(limit, remaining());
}

std::string deadlineFailureText(const RequestDeadline& deadline) {
    return formatText("HTTP 请求未能在 %g 秒内完成，已中止。",
                      static_cast<double>(deadline.allowance().count()) / 1000.0);
}

} // namespace velomira
