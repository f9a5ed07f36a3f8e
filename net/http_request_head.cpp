#include "net/http_request_head.h"

namespace velomira {

const char kHttpUserAgent[] = "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) "
                              "Chrome/92.0.4515.131 Safari/537.36";

std::string buildRequestHead(const UrlParts& parts, std::string_view cookie,
                             std::string_view referer, bool keepAlive) {
    std::string head = "GET " + parts.path + (keepAlive ? " HTTP/1.1" : " HTTP/1.0");
    head += "\r\nAccept: */*";
    head += "\r\nAccept-Language: zh-cn";
    head += "\r\nUser-Agent: ";
    head += kHttpUserAgent;
    head += "\r\nHost: " + parts.host;
    if (parts.port != 80 && parts.port != 443)
        head += ":" + std::to_string(parts.port);
    if (!referer.empty())
        head += "\r\nReferer: " + std::string(referer);
    head += keepAlive ? "\r\nConnection: keep-alive" : "\r\nConnection: close";
    if (!cookie.empty())
        head += "\r\nCookie: " + std::string(cookie);
    head += "\r\n\r\n";
    if (head.size() > kRequestHeadLimit)
        return {};
    return head;
}

std::string proxiedRequestHead(const std::string& head, const UrlParts& parts,
                               const std::string& authorization) {
    std::string absolute = "http://" + parts.host;
    if (parts.port != 80)
        absolute += ":" + std::to_string(parts.port);
    std::string proxied = head;
    proxied.replace(4, parts.path.size(), absolute + parts.path);
    if (!authorization.empty())
        proxied.insert(proxied.size() - 2, "Proxy-Authorization: " + authorization + "\r\n");
    if (proxied.size() > kRequestHeadLimit)
        return {};
    return proxied;
}

} // namespace velomira
