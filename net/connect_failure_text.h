#pragma once
// Connection failures in words: the numbers the system gives (errno values, resolver codes)
// mean nothing to a user, so the messages carry a short reason after them.
#include <string>

namespace velomira {

// "连接被拒绝" for ECONNREFUSED and so on for the common errno values; empty for the rest.
std::string connectErrnoReason(int code);

// "找不到服务器" for EAI_NONAME and so on for getaddrinfo's codes; empty for the rest.
std::string resolverReason(int code);

// text + "（reason）", or text alone when the reason is empty.
std::string withReason(std::string text, const std::string& reason);

} // namespace velomira
