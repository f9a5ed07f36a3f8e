#include "ui/user_guide.h"

#include "platform/dialogs.h"
#include "ui/web_pages.h"

namespace velomira {

std::optional<std::filesystem::path> installedManual(const std::filesystem::path& programFolder) {
    constexpr const char* kPage = "velomira.1.gz";
    // The program lives in <prefix>/lib/velomira (or <prefix>/bin), the build in build/dist.
    const std::filesystem::path candidates[] = {
        programFolder / "man" / kPage,
        programFolder.parent_path() / "share/man/man1" / kPage,
        programFolder.parent_path().parent_path() / "share/man/man1" / kPage,
    };
    std::error_code ec;
    for (const std::filesystem::path& page : candidates)
        if (std::filesystem::is_regular_file(page, ec))
            return page;
    return std::nullopt;
}

void openUserGuide(MainWindowView& view, const std::string& vendorHost,
                   const std::filesystem::path& programFolder) {
    if (!vendorHost.empty())
        return openWebPage(view, vendorHost, "/help.html");
    const auto manual = installedManual(programFolder);
    if (!manual)
        return openWebPage(view, vendorHost, "/help.html"); // says that no site is configured
    // The desktop's manual viewer, else whatever opens the page file itself.
    if (!view.openExternal("man:" + manual->string()) && !view.openExternal(manual->string()))
        showMessage("无法打开使用指南: " + manual->string(), "提示", MessageKind::Warning);
}

} // namespace velomira
