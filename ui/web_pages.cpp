#include "ui/web_pages.h"

#include "platform/dialogs.h"

namespace velomira {

namespace {

constexpr const char* kNoWebSite = "没有配置网址：请在程序文件夹的 velomira.conf 中填写 web_site。";

} // namespace

void openWebPage(MainWindowView& view, const std::string& vendorHost,
                 const std::string& pathAndQuery) {
    std::string site = vendorHost;
    if (site.empty()) {
        showMessage(kNoWebSite, "提示", MessageKind::Information);
        return;
    }
    if (site.find("://") == std::string::npos)
        site = "http://" + site;
    while (!site.empty() && site.back() == '/')
        site.pop_back();
    const std::string tail =
        pathAndQuery.empty() || pathAndQuery.front() == '/' ? pathAndQuery : "/" + pathAndQuery;
    view.openExternal(site + tail);
}

} // namespace velomira
