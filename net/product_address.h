#pragma once
// What the user pastes into the product picture dialog: an item page address, or one or more
// picture addresses separated by ";".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// The item id of an item page address: the text after the first of "?id=", "&id=",
// "?item_num_id=", "&item_num_id=" found (tried in that order), up to the next "&", at most
// 63 bytes. Empty result: no id.
std::optional<std::string> parseItemId(std::string_view address);

// An optional "-", then digits with at most one "." among them (at least one digit).
bool isItemIdNumber(std::string_view id);

// Cuts a trailing "_.webp" (any case): the shop's WebP copy becomes the picture itself.
std::string stripWebpSuffix(std::string address);

// True for "http://..." or "https://..." ending in ".jpg", ".png" or ".gif" (any case).
bool isPictureAddress(std::string_view address);

// The picture addresses in a pasted text: the pieces between ";" when it has one, else the
// whole text, keeping only picture addresses, in order.
std::vector<std::string> pictureAddressesIn(std::string_view text);

// The dialog's OK check: the warning shown when the text names the blocked shop's domain
// (compared without regard to case); nothing when it may be loaded. An empty domain blocks
// nothing.
std::optional<std::string> blockedShopWarning(std::string_view text,
                                              std::string_view blockedDomain);

} // namespace velomira
