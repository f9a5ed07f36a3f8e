#pragma once
// The shop's item JSON, read in either of its two layouts: whether the call succeeded (its
// "ret" texts) and the picture addresses of the item.
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

enum class ShopJsonLayout { Current, Older };

// Picture type indexes of the dialog: 0 main pictures, 1 colour pictures, 2 both.
bool wantsMainPictures(int pictureType);
bool wantsColourPictures(int pictureType);

enum class ShopReplyKind {
    Unreadable, // not JSON
    Pictures,   // success; pictures holds what was found (may be empty)
    NoData,     // success without a "data" object
    Failure,    // no success; message is the text to show
};

struct ShopReply {
    ShopReplyKind kind = ShopReplyKind::Unreadable;
    std::vector<std::string> pictures; // main before colour, "_.webp" already cut off
    std::string message;               // for Failure and Unreadable
};

// Reads a reply (UTF-8 text) for the given picture type.
ShopReply readShopReply(std::string_view reply, ShopJsonLayout layout, int pictureType);

} // namespace velomira
