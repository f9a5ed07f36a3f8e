#pragma once
// A write that either puts all bytes into the descriptor or reports failure: short writes are
// continued and interrupted ones retried.
#include <string_view>

namespace velomira {

bool writeAll(int fd, std::string_view bytes);

} // namespace velomira
