#include "net/product_item_json.h"

#include "app/text_conversion.h"
#include "net/product_address.h"

#include <cjson/cJSON.h>

#include <memory>

namespace velomira {

namespace {

// The shop's property id of the colour choice.
constexpr const char* kColourPropertyId = "1627207";
constexpr size_t kMessageBytes = 1023;

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

// Member look-up that tolerates a missing parent or a parent of the wrong type.
const cJSON* member(const cJSON* object, const char* name) {
    return cJSON_IsObject(object) ? cJSON_GetObjectItem(object, name) : nullptr;
}

const cJSON* memberPath(const cJSON* object, std::initializer_list<const char*> names) {
    for (const char* name : names)
        object = member(object, name);
    return object;
}

bool isColourProperty(const cJSON* property, const char* idKey) {
    const cJSON* id = member(property, idKey);
    if (cJSON_IsString(id))
        return std::string_view(id->valuestring) == kColourPropertyId;
    return cJSON_IsNumber(id) && id->valuedouble == 1627207.0;
}

void collectStrings(const cJSON* array, std::vector<std::string>& out) {
    if (!cJSON_IsArray(array))
        return;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, array) {
        if (cJSON_IsString(element))
            out.push_back(stripWebpSuffix(element->valuestring));
    }
}

void collectColourPictures(const cJSON* properties, const char* idKey, const char* imageKey,
                           std::vector<std::string>& out) {
    if (!cJSON_IsArray(properties))
        return;
    const cJSON* property = nullptr;
    cJSON_ArrayForEach(property, properties) {
        if (!isColourProperty(property, idKey))
            continue;
        const cJSON* values = member(property, "values");
        if (cJSON_IsArray(values)) {
            const cJSON* value = nullptr;
            cJSON_ArrayForEach(value, values) {
                const cJSON* image = member(value, imageKey);
                if (cJSON_IsString(image))
                    out.push_back(stripWebpSuffix(image->valuestring));
            }
        }
        return; // only the first colour property counts
    }
}

std::vector<std::string> collectPictures(const cJSON* data, ShopJsonLayout layout,
                                         int pictureType) {
    std::vector<std::string> pictures;
    bool older = layout == ShopJsonLayout::Older;
    if (wantsMainPictures(pictureType))
        collectStrings(older ? memberPath(data, {"itemInfoModel", "picsPath"})
                             : memberPath(data, {"item", "images"}),
                       pictures);
    if (wantsColourPictures(pictureType)) {
        if (older)
            collectColourPictures(memberPath(data, {"skuModel", "skuProps"}), "propId", "imgUrl",
                                  pictures);
        else
            collectColourPictures(memberPath(data, {"skuBase", "props"}), "pid", "image", pictures);
    }
    return pictures;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

bool wantsMainPictures(int pictureType) {
    return (pictureType & ~2) == 0;
}

bool wantsColourPictures(int pictureType) {
    return static_cast<unsigned>(pictureType) - 1u < 2u;
}

ShopReply readShopReply(std::string_view reply, ShopJsonLayout layout, int pictureType) {
    ShopReply result;
    JsonPtr root(cJSON_ParseWithLength(reply.data(), reply.size()));
    if (!root) {
        result.message = "无法解析宝贝的JSON数据，请检查宝贝地址输入是否正确。";
        return result;
    }

    std::string message;
    bool success = false;
    const cJSON* ret = member(root.get(), "ret");
    if (cJSON_IsArray(ret)) {
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, ret) {
            if (!cJSON_IsString(element))
                continue;
            message = clipToGbkBytes(element->valuestring, kMessageBytes);
            if (contains(message, "SUCCESS") || contains(message, "调用成功")) {
                success = true;
                break;
            }
        }
    }

    if (success) {
        const cJSON* data = member(root.get(), "data");
        if (!cJSON_IsObject(data)) {
            result.kind = ShopReplyKind::NoData;
            return result;
        }
        result.kind = ShopReplyKind::Pictures;
        result.pictures = collectPictures(data, layout, pictureType);
        return result;
    }

    result.kind = ShopReplyKind::Failure;
    if (contains(message, "宝贝不存在") || contains(message, "已被删除") ||
        contains(message, "没有找到宝贝"))
        result.message = "宝贝不存在或已被删除！";
    else if (message.empty())
        result.message = std::string(reply);
    else
        result.message = message;
    return result;
}

} // namespace velomira
