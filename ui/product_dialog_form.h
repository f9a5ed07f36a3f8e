#pragma once
// The "加载宝贝图片" dialog without a toolkit: which controls it shows for the loader mode, the
// entries of its picture type list, and the check made when "确定" is pressed.
#include "services/shop_import.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

inline constexpr int kProductAddressMaxChars = 8192;
// One address longer than this is no shop or picture address: no server takes such a request.
inline constexpr int kProductAddressPieceMaxChars = 2048;

struct ControlRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ControlRect&) const = default;
};

struct ProductDialogLayout {
    bool typeListShown = true;
    std::string addressLabel;
    ControlRect addressLabelRect;
    ControlRect addressFieldRect;
    // Mode 6 reads only picture addresses, so it asks for nothing else.
    std::vector<std::string> typeTexts;
};

inline constexpr int kProductDialogWidth = 431;
inline constexpr int kProductDialogHeight = 163;
inline constexpr ControlRect kTypeLabelRect{16, 23, 60, 19};
inline constexpr ControlRect kTypeListRect{76, 19, 136, 21};
inline constexpr ControlRect kLinkRect{16, 126, 230, 21};
inline constexpr ControlRect kOkButtonRect{250, 120, 76, 25};
inline constexpr ControlRect kCancelButtonRect{336, 120, 76, 25};
inline constexpr const char* kProductDialogTitle = "加载宝贝图片";
inline constexpr const char* kExtensionLinkText = "-> 使用浏览器扩展程序获取图片地址";

ProductDialogLayout productDialogLayout(const NetConfig& config);

// What "确定" leads to.
enum class ProductDialogOutcome {
    Accept, // close with the request
    Close,  // close without a request (nothing but spaces was entered)
    Refuse, // stay open, show the message, keep the text
};

struct ProductDialogVerdict {
    ProductDialogOutcome outcome = ProductDialogOutcome::Close;
    ProductLoadRequest request; // for Accept: trimmed address and type index
    std::string message;        // for Refuse
    std::string title;          // for Refuse
    bool focusLink = false;     // the blocked shop: the link shows the way
};

// The check on "确定" with the field's text and the chosen type index (clamped to the list).
ProductDialogVerdict checkProductDialog(const NetConfig& config, std::string_view text,
                                        int typeIndex);

// The page the link opens: the browser extension's help on the vendor's web site; nothing
// when no web site is configured (the dialog then says so with noWebSiteMessage()).
std::optional<std::string> extensionHelpAddress(const NetConfig& config);
std::string noWebSiteMessage();

// Shows the dialog and waits for it to close; the window program's is Qt's, tests script it.
class ProductDialogHost {
  public:
    virtual ~ProductDialogHost() = default;
    // The accepted request (trimmed, non-empty address); nothing after "取消", the close box or
    // an empty address.
    virtual std::optional<ProductLoadRequest> askProductRequest(const NetConfig& config) = 0;
};

// The refusal texts of input the loader cannot send.
std::string controlCharacterMessage();
std::string tooLongAddressMessage();

} // namespace velomira
