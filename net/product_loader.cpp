#include "net/product_loader.h"

#include "app/string_utils.h"
#include "app/text_conversion.h"
#include "net/product_address.h"
#include "net/server_text.h"
#include "net/url_parts.h"
#include "platform/file_writes.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr const char* kHintTitle = "提示";
constexpr const char* kErrorTitle = "错误";
constexpr const char* kFetchingListText = "获取宝贝图片列表...";
constexpr const char* kEmptyListText = "宝贝图片列表为空";
constexpr size_t kShownFailureBytes = 256;
// Random names are drawn from 900 per second; give up long before that could loop forever.
constexpr int kMaxNameDraws = 2000;

void message(ProductFetchContext& context, const std::string& text, const char* title,
             MessageKind kind) {
    if (context.failed)
        context.failed(Failure{text, title, kind});
}

void warn(ProductFetchContext& context, const std::string& text, const char* title = kHintTitle) {
    message(context, text, title, MessageKind::Warning);
}

void fail(ProductFetchContext& context, const std::string& text) {
    message(context, text, kErrorTitle, MessageKind::Error);
}

void status(ProductFetchContext& context, const std::string& text) {
    if (context.showStatus)
        context.showStatus(text);
}

void info(ProductFetchContext& context, const std::string& text) {
    if (context.appendInfo)
        context.appendInfo(text);
}

bool stopped(ProductFetchContext& context) {
    return context.stopped && context.stopped();
}

// Every request of a run goes through here, so a stop ends the run before the next one.
HttpResponse fetch(ProductFetchContext& context, const std::string& url,
                   std::string_view cookie = "", std::string_view referer = "",
                   RequestKind kind = RequestKind::Page) {
    if (stopped(context)) {
        HttpResponse none;
        none.message = "stopped";
        return none;
    }
    // A stop ends even a request that is under way, within a fraction of a second.
    return httpRequest(context.client, url, cookie, referer, 1, 0, kind,
                       [&context] { return stopped(context); });
}

bool isHttpAddress(std::string_view text) {
    return text.starts_with("http://") || text.starts_with("https://");
}

// A configured host ("host[:port]") or base address, as "scheme://host[:port]/".
std::string baseAddress(const std::string& hostOrAddress, const char* scheme) {
    std::string base = isHttpAddress(hostOrAddress) ? hostOrAddress : scheme + hostOrAddress;
    if (!base.ends_with('/'))
        base += '/';
    return base;
}

// Reply text as UTF-8, invalid sequences dropped.
std::string replyText(const std::string& body) {
    return convertText("UTF-8", "UTF-8", body).value_or(std::string());
}

std::string pictureFileStem() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stem[32];
    std::strftime(stem, sizeof stem, "%H-%M-%S", &local);
    return stem;
}

// Creates a new file named "%H-%M-%S-%d.jpg" (a random number from 100 to 999) in the folder;
// never opens an existing one.
UniqueFd createPictureFile(ProductFetchContext& context, std::string& path) {
    std::string stem = pictureFileStem();
    for (int draw = 0; draw < kMaxNameDraws; ++draw) {
        std::string name = stem + "-" + std::to_string(context.drawNumber(100, 999)) + ".jpg";
        path = (context.tempPictureFolder / name).string();
        UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (file.valid() || errno != EEXIST)
            return file;
    }
    return UniqueFd();
}

// Writes the body to a new file; a partly written file is removed, never added.
enum class SaveOutcome { Saved, NotCreated, WriteFailed };

SaveOutcome savePicture(ProductFetchContext& context, std::string_view body, std::string& path) {
    std::error_code ignored;
    std::filesystem::create_directories(context.tempPictureFolder, ignored);
    UniqueFd file = createPictureFile(context, path);
    if (!file.valid())
        return SaveOutcome::NotCreated;
    bool written = writeAll(file.get(), body);
    if (file.close() && written)
        return SaveOutcome::Saved;
    ::unlink(path.c_str());
    return SaveOutcome::WriteFailed;
}

HttpResponse fetchShopReply(ProductFetchContext& context, const std::string& url,
                            ShopJsonLayout layout, std::string_view itemId) {
    if (layout == ShopJsonLayout::Older)
        return fetch(context, url);
    std::string referer;
    if (!context.config.itemPageHost.empty())
        referer = baseAddress(context.config.itemPageHost, "https://") +
                  "item.htm?id=" + std::string(itemId);
    HttpResponse response = fetch(context, url, "", referer);
    // Some items answer only to a known visitor: try once more with the cookie.
    if (!response.ok && !context.config.cookie.empty())
        response = fetch(context, url, context.config.cookie, referer);
    return response;
}

} // namespace

LoaderConfig loaderConfigFrom(const NetConfig& config) {
    return LoaderConfig{config.loaderMode, config.requestTemplate, config.typeSwitch,
                        config.cookie};
}

bool usesDirectRoute(int mode) {
    return mode == 1 || mode == 3 || mode == 5 || mode == 6;
}

ShopJsonLayout shopLayoutFor(const NetConfig& config) {
    bool older = !config.olderApiHost.empty() &&
                 config.requestTemplate.find(config.olderApiHost) != std::string::npos;
    return older ? ShopJsonLayout::Older : ShopJsonLayout::Current;
}

std::vector<std::string> pictureTypeTexts(int typeSwitch) {
    if (typeSwitch == 3)
        return {"主图", "颜色分类图", "主图 + 颜色分类图"};
    return {"主图"};
}

std::string vendorRequestUrl(const NetConfig& config, std::string_view address, int pictureType) {
    char version[64];
    std::snprintf(version, sizeof version, "%0.1f", config.programVersion);
    std::string sid(config.installationId.rbegin(), config.installationId.rend());
    return baseAddress(config.vendorHost, "http://") + "getProductImg/API.asp?v=" + version +
           "&sid=" + urlEncode(sid) + "&baobeiURL=" + urlEncode(address) +
           "&m=" + std::to_string(pictureType) + "&";
}

std::vector<std::string> vendorPictureList(std::string_view reply) {
    std::vector<std::string> addresses;
    while (!reply.empty()) {
        size_t end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        // A line break written as "\r\n" must not leave a CR inside the address.
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!isHttpAddress(line))
            break;
        addresses.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        reply.remove_prefix(end + 1);
    }
    return addresses;
}

std::string shopRequestUrl(const std::string& requestTemplate, ShopJsonLayout layout,
                           std::string_view itemId) {
    if (layout == ShopJsonLayout::Older)
        return requestTemplate + std::string(itemId) + "&";
    // The template comes from a file: only its first "%s" and "%%" are read as directives.
    std::string url;
    bool idPlaced = false;
    for (size_t i = 0; i < requestTemplate.size(); ++i) {
        char c = requestTemplate[i];
        char next = i + 1 < requestTemplate.size() ? requestTemplate[i + 1] : '\0';
        if (c == '%' && next == 's' && !idPlaced) {
            url += itemId;
            idPlaced = true;
            ++i;
        } else if (c == '%' && next == '%') {
            url += '%';
            ++i;
        } else {
            url += c;
        }
    }
    return url;
}

std::string withProgressBar(std::string text, int done, int total) {
    long width = static_cast<long>(gbkByteLength(text));
    text += ' ';
    if (total > 0) {
        long w = (84 - width) * done / total;
        if (w > 1)
            for (long i = 0; i < w / 2; ++i)
                text += "…";
    }
    return text;
}

std::string progressText(int done, int total) {
    return withProgressBar("加载宝贝图片: " + std::to_string(done) + " / " + std::to_string(total),
                           done, total);
}

FetchOutcome downloadPictureList(ProductFetchContext& context,
                                 const std::vector<std::string>& addresses) {
    int total = static_cast<int>(addresses.size());
    FetchOutcome outcome;
    for (int i = 1; i <= total; ++i) {
        if (stopped(context))
            break;
        if (context.albumFull && context.albumFull()) {
            outcome.albumFull = true;
            break;
        }
        const std::string& address = addresses[static_cast<size_t>(i - 1)];
        HttpResponse response = fetch(context, address, "", "", RequestKind::Picture);
        if (stopped(context))
            break;
        if (!response.ok) {
            info(context, "下载宝贝图片失败:\r\n" + address + "\r\n返回的错误信息:\r\n" +
                              response.message + "\r\n");
            continue;
        }
        if (response.body.empty())
            continue;
        std::string path;
        SaveOutcome saved = savePicture(context, response.body, path);
        if (saved == SaveOutcome::NotCreated)
            continue;
        if (saved == SaveOutcome::WriteFailed) {
            info(context, "文件写入数据失败:\r\n" + path + "\r\n可能是磁盘可用空间不足。");
            continue;
        }
        status(context, progressText(i, total));
        PictureTaken taken =
            context.takePicture ? context.takePicture(path) : PictureTaken::Refused;
        if (taken == PictureTaken::Added) {
            ++outcome.added;
        } else if (taken == PictureTaken::AlbumFull) {
            outcome.albumFull = true;
            break;
        }
    }
    return outcome;
}

namespace {

FetchOutcome loadThroughVendorService(ProductFetchContext& context,
                                      const ProductLoadRequest& request) {
    const char* failure = "获取宝贝图片列表时出错，可以重试一次，或进入官网联系我们的客服。";
    if (context.config.vendorHost.empty()) {
        fail(context, failure);
        return {};
    }
    std::string url = vendorRequestUrl(context.config, request.address, request.pictureType);
    status(context, kFetchingListText);
    HttpResponse response = fetch(context, url);
    if (stopped(context))
        return {};
    if (!response.ok) {
        fail(context, failure);
        return {};
    }
    if (isHttpAddress(response.body))
        return downloadPictureList(context, vendorPictureList(response.body));
    // An empty reply is an empty list as much as a lone line break is.
    if (response.body.empty() || response.body.front() == '\n') {
        warn(context, kEmptyListText);
        return {};
    }
    warn(context, serverTextForDisplay(replyText(response.body)));
    return {};
}

FetchOutcome loadFromShop(ProductFetchContext& context, const ProductLoadRequest& request) {
    ShopJsonLayout layout = shopLayoutFor(context.config);
    if (layout == ShopJsonLayout::Current) {
        std::vector<std::string> pictures = pictureAddressesIn(request.address);
        if (!pictures.empty())
            return downloadPictureList(context, pictures);
        if (context.config.loaderMode == 6) {
            warn(context, "输入的图片地址不符合规范！");
            return {};
        }
    }

    std::optional<std::string> itemId = parseItemId(request.address);
    if (!itemId || !isItemIdNumber(*itemId)) {
        warn(context, "输入的宝贝地址不符合规范！");
        return {};
    }
    // Without a request there is no address to blame: say what is missing.
    if (trimmed(context.config.requestTemplate).empty()) {
        fail(context, kNoShopServiceText);
        return {};
    }
    std::string url = shopRequestUrl(context.config.requestTemplate, layout, *itemId);
    status(context, kFetchingListText);
    HttpResponse response = fetchShopReply(context, url, layout, *itemId);
    if (stopped(context))
        return {};
    if (!response.ok) {
        fail(context, "获取宝贝图片列表时出错:\n\n" +
                          (response.hasHeader ? serverTextForDisplay(response.header) : "") +
                          "\n\n" + clipToGbkBytes(response.message, kShownFailureBytes));
        return {};
    }

    ShopReply reply = readShopReply(replyText(response.body), layout, request.pictureType);
    switch (reply.kind) {
    case ShopReplyKind::Unreadable:
        warn(context, reply.message, kErrorTitle);
        return {};
    case ShopReplyKind::NoData:
        return {};
    case ShopReplyKind::Failure:
        warn(context, serverTextForDisplay(reply.message));
        return {};
    case ShopReplyKind::Pictures:
        break;
    }
    if (reply.pictures.empty()) {
        warn(context, kEmptyListText);
        return {};
    }
    return downloadPictureList(context, reply.pictures);
}

} // namespace

FetchOutcome fetchProductPictures(ProductFetchContext& context, const ProductLoadRequest& request) {
    ProductLoadRequest trimmedRequest{request.pictureType, std::string(trimmed(request.address))};
    if (trimmedRequest.address.empty())
        return {};
    if (usesDirectRoute(context.config.loaderMode))
        return loadFromShop(context, trimmedRequest);
    return loadThroughVendorService(context, trimmedRequest);
}

} // namespace velomira
