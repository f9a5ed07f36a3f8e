#include "net/product_address.h"

#include "app/string_utils.h"

#include <algorithm>
#include <cctype>

namespace velomira {

namespace {

constexpr size_t kMaxItemIdBytes = 63;

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equalsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t findNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size())
        return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (equalsNoCase(haystack.substr(i, needle.size()), needle))
            return i;
    return std::string_view::npos;
}

} // namespace

std::optional<std::string> parseItemId(std::string_view address) {
    for (std::string_view marker : {"?id=", "&id=", "?item_num_id=", "&item_num_id="}) {
        size_t at = address.find(marker);
        if (at == std::string_view::npos)
            continue;
        std::string_view rest = address.substr(at + marker.size());
        std::string_view id = rest.substr(0, std::min(rest.find('&'), kMaxItemIdBytes));
        // The first marker present decides; an empty id there is no id at all.
        if (id.empty())
            return std::nullopt;
        return std::string(id);
    }
    return std::nullopt;
}

bool isItemIdNumber(std::string_view id) {
    if (id.starts_with('-'))
        id.remove_prefix(1);
    int digits = 0;
    int points = 0;
    for (char c : id) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.' && ++points <= 1)
            continue;
        else
            return false;
    }
    return digits > 0;
}

std::string stripWebpSuffix(std::string address) {
    if (endsWithNoCase(address, "_.webp"))
        address.resize(address.size() - 6);
    return address;
}

bool isPictureAddress(std::string_view address) {
    if (!address.starts_with("http://") && !address.starts_with("https://"))
        return false;
    // The saved file is recognised by its bytes, so any picture type the probe knows will do.
    for (const char* extension :
         {".jpg", ".jpeg", ".png", ".gif", ".webp", ".avif", ".heic", ".heif", ".tif", ".tiff"})
        if (endsWithNoCase(address, extension))
            return true;
    return false;
}

std::vector<std::string> pictureAddressesIn(std::string_view text) {
    std::vector<std::string> addresses;
    while (true) {
        size_t end = text.find(';');
        std::string_view piece = text.substr(0, end);
        if (isPictureAddress(piece))
            addresses.emplace_back(piece);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return addresses;
}

std::optional<std::string> blockedShopWarning(std::string_view text,
                                              std::string_view blockedDomain) {
    if (blockedDomain.empty() || findNoCase(text, blockedDomain) == std::string_view::npos)
        return std::nullopt;
    return std::string("关于加载1688商品图片：\n\n请点击【使用浏览器扩展程序获取图片地址】\n"
                       "先获取商品图片地址，然后将图片地址添加到软件中。");
}

} // namespace velomira
