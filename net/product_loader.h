#pragma once
// The fetching half of loading an online shop item's pictures: finds the picture addresses
// (through the vendor's picture service or the shop's own item JSON) and downloads each into the
// temporary picture folder. It knows no album: every saved file goes to a callback, so a worker
// thread can download while the window thread adds the pictures. Runs on the caller's thread;
// warnings and errors are Failure values handed to the context, in the order they arise.
#include "net/http_client.h"
#include "net/net_config.h"
#include "net/product_item_json.h"
#include "platform/failure.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// The values that steer the loader.
struct LoaderConfig {
    int mode = 0;                // 1, 3, 5, 6: direct shop route; else the vendor service
    std::string requestTemplate; // the shop's JSON request, one "%s" for the item id
    int typeSwitch = 0;          // 3 offers all picture types, else the main pictures alone
    std::string cookie;          // sent on the retry of a failed shop request
};

LoaderConfig loaderConfigFrom(const NetConfig& config);
bool usesDirectRoute(int mode);
// Older layout when the request template names the older API host.
ShopJsonLayout shopLayoutFor(const NetConfig& config);
// The texts of the dialog's picture type list.
std::vector<std::string> pictureTypeTexts(int typeSwitch);

struct ProductLoadRequest {
    int pictureType = 0; // 0 main, 1 colour, 2 both
    std::string address; // what the user pasted
};

// What became of a saved picture file.
enum class PictureTaken { Added, Refused, AlbumFull };

// The loader without the album: every picture file it saves goes to takePicture, in order.
struct ProductFetchContext {
    HttpClient& client;
    const NetConfig& config;
    std::function<int(int low, int high)> drawNumber; // the number in each file name; required
    std::filesystem::path tempPictureFolder;
    std::function<void(const std::string&)> showStatus; // message part of the status bar
    std::function<void(const std::string&)> appendInfo; // information window (append + show)
    std::function<void(const Failure&)> failed;         // warnings and errors
    // Asked before each download: true ends the batch as full.
    std::function<bool()> albumFull;
    // A picture file was saved. AlbumFull ends the batch as full; Refused does not count as
    // added (the callback reports why).
    std::function<PictureTaken(const std::string& path)> takePicture;
    // Asked before every request and while one waits: true ends the run quietly (the user
    // stopped it, or the program is closing).
    std::function<bool()> stopped;
};

// How a run ended: the pictures added, and whether it stopped at a full album (which the caller
// reports, after everything else the run reported).
struct FetchOutcome {
    int added = 0;
    bool albumFull = false;
};

// The route the loader mode chooses, for a pasted address.
FetchOutcome fetchProductPictures(ProductFetchContext& context, const ProductLoadRequest& request);
// Downloads the pictures in order and hands each to takePicture.
FetchOutcome downloadPictureList(ProductFetchContext& context,
                                 const std::vector<std::string>& addresses);

// The vendor service request for a pasted address.
std::string vendorRequestUrl(const NetConfig& config, std::string_view address, int pictureType);
// The picture lines at the start of a vendor reply.
std::vector<std::string> vendorPictureList(std::string_view reply);
// The shop JSON request for an item id.
std::string shopRequestUrl(const std::string& requestTemplate, ShopJsonLayout layout,
                           std::string_view itemId);

// The shop route without a request template in velomira.conf.
inline constexpr const char* kNoShopServiceText =
    "没有配置宝贝图片服务：请在程序文件夹的 velomira.conf 中填写 request_template。";

// "加载宝贝图片: done / total", a space, and a bar of "…" that grows with done.
std::string progressText(int done, int total);
// The same bar after any text.
std::string withProgressBar(std::string text, int done, int total);

} // namespace velomira
