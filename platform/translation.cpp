#include "platform/translation.h"

namespace velomira {

const char* tr_(const char* source) {
    return source;
}

} // namespace velomira
