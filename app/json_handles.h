#pragma once
// Owners for what cJSON hands out: a parsed or built tree, and printed text.
#include <cjson/cJSON.h>

#include <memory>

namespace velomira {

struct JsonTreeDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonTree = std::unique_ptr<cJSON, JsonTreeDeleter>;

struct JsonTextDeleter {
    void operator()(char* text) const { cJSON_free(text); }
};
using JsonText = std::unique_ptr<char, JsonTextDeleter>;

} // namespace velomira
