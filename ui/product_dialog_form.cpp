#include "ui/product_dialog_form.h"

#include "app/string_utils.h"
#include "net/product_address.h"

#include <algorithm>

namespace velomira {

namespace {

// Code points of UTF-8 text (continuation bytes do not count).
size_t characterCount(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A line break or other control byte inside an address would end up in the request line.
bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        unsigned char byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool hasOverlongPiece(std::string_view text) {
    while (true) {
        size_t end = text.find(';');
        if (characterCount(text.substr(0, end)) > kProductAddressPieceMaxChars)
            return true;
        if (end == std::string_view::npos)
            return false;
        text.remove_prefix(end + 1);
    }
}

ProductDialogVerdict refuse(std::string message) {
    ProductDialogVerdict verdict;
    verdict.outcome = ProductDialogOutcome::Refuse;
    verdict.message = std::move(message);
    verdict.title = "提示";
    return verdict;
}

} // namespace

std::string controlCharacterMessage() {
    return "地址中含有换行、制表符等控制字符，无法加载。\n\n"
           "请只输入一个宝贝地址，或用 \";\" 分隔的图片地址。";
}

std::string tooLongAddressMessage() {
    return "地址过长，无法加载。\n\n单个地址最多 " + std::to_string(kProductAddressPieceMaxChars) +
           " 个字符，全部内容最多 " + std::to_string(kProductAddressMaxChars) + " 个字符。";
}

std::optional<std::string> extensionHelpAddress(const NetConfig& config) {
    std::string site = config.webSite;
    if (site.empty())
        return std::nullopt;
    if (site.find("://") == std::string::npos)
        site = "http://" + site;
    while (site.ends_with('/'))
        site.pop_back();
    return site + "/extension.html";
}

std::string noWebSiteMessage() {
    return "没有配置网址：请在程序文件夹的 velomira.conf 中填写 web_site。";
}

ProductDialogLayout productDialogLayout(const NetConfig& config) {
    ProductDialogLayout layout;
    if (config.loaderMode == 6) {
        layout.typeListShown = false;
        layout.addressLabel = "图片地址：";
        layout.addressLabelRect = {16, 36, 396, 19};
        layout.addressFieldRect = {16, 56, 396, 22};
    } else {
        layout.addressLabel = "宝贝地址或图片地址：";
        layout.addressLabelRect = {16, 56, 396, 19};
        layout.addressFieldRect = {16, 76, 396, 22};
    }
    layout.typeTexts = pictureTypeTexts(config.typeSwitch);
    return layout;
}

ProductDialogVerdict checkProductDialog(const NetConfig& config, std::string_view text,
                                        int typeIndex) {
    if (auto warning = blockedShopWarning(text, config.blockedShopDomain)) {
        ProductDialogVerdict verdict = refuse(*warning);
        verdict.focusLink = true;
        return verdict;
    }
    std::string_view address = trimmed(text);
    if (address.empty())
        return ProductDialogVerdict{};
    if (characterCount(address) > kProductAddressMaxChars || hasOverlongPiece(address))
        return refuse(tooLongAddressMessage());
    if (hasControlCharacter(address))
        return refuse(controlCharacterMessage());

    ProductDialogVerdict verdict;
    verdict.outcome = ProductDialogOutcome::Accept;
    int types = static_cast<int>(pictureTypeTexts(config.typeSwitch).size());
    verdict.request.pictureType = std::clamp(typeIndex, 0, types - 1);
    verdict.request.address = std::string(address);
    return verdict;
}

} // namespace velomira
