#include "video/host_name.h"

#include <cstdlib>
#include <unistd.h>

namespace velomira {

namespace {

constexpr std::size_t kMaxHostBytes = 63;

bool keptAsIs(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

} // namespace

std::string leftoverHostName() {
    std::string name;
    if (const char* given = std::getenv("VELOMIRA_HOSTNAME"); given != nullptr && *given != '\0') {
        name = given;
    } else {
        char buffer[256] = {};
        if (::gethostname(buffer, sizeof buffer - 1) == 0)
            name = buffer;
    }
    if (name.empty())
        return "localhost";
    if (name.size() > kMaxHostBytes)
        name.resize(kMaxHostBytes);
    for (char& c : name) {
        if (!keptAsIs(c))
            c = '_';
    }
    return name;
}

} // namespace velomira
