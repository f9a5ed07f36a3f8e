#include "net/proxy_reply.h"

#include "net/http_head.h"
#include "net/http_text.h"

namespace velomira {

namespace {

// "HTTP/1.x NNN" at the start of the head; 0 when it is not there.
int statusOf(std::string_view head) {
    if (!startsWithNoCase(head, "HTTP/1.") || head.size() < 12 || head[8] != ' ')
        return 0;
    for (std::size_t i = 9; i < 12; ++i)
        if (head[i] < '0' || head[i] > '9')
            return 0;
    if (head.size() > 12 && head[12] != ' ' && head[12] != '\r')
        return 0;
    return (head[9] - '0') * 100 + (head[10] - '0') * 10 + (head[11] - '0');
}

} // namespace

ProxyReply readProxyReply(ByteSource& source) {
    ReceiveBuffer buffer;
    HeadRead read = readHttpHead(source, buffer);
    ProxyReply reply;
    if (read.status == HeadStatus::Closed) {
        reply.verdict = buffer.size == 0 ? ProxyVerdict::Closed : ProxyVerdict::Garbage;
        return reply;
    }
    if (read.status == HeadStatus::TooLarge) {
        reply.verdict = ProxyVerdict::Garbage;
        return reply;
    }
    reply.status = statusOf(buffer.view().substr(0, read.headLength));
    if (reply.status == 0 || buffer.size != read.headLength + 4)
        reply.verdict = ProxyVerdict::Garbage;
    else if (reply.status >= 200 && reply.status < 300)
        reply.verdict = ProxyVerdict::Open;
    else if (reply.status == 407)
        reply.verdict = ProxyVerdict::AuthenticationRequired;
    else
        reply.verdict = ProxyVerdict::Refused;
    return reply;
}

std::string connectRequest(const std::string& host, int port, const ProxyAddress& proxy) {
    std::string target = host + ":" + std::to_string(port);
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target;
    if (!proxy.authorization.empty())
        request += "\r\nProxy-Authorization: " + proxy.authorization;
    return request + "\r\n\r\n";
}

std::string proxyFailureText(const ProxyAddress& proxy, const ProxyReply& reply) {
    const std::string name = proxy.shownName();
    switch (reply.verdict) {
    case ProxyVerdict::AuthenticationRequired:
        return proxy.authorization.empty()
                   ? "代理服务器 " + name + " 要求身份验证（请在代理地址中写上用户名和密码）"
                   : "代理服务器 " + name + " 不接受所给的用户名和密码";
    case ProxyVerdict::Refused:
        return formatText("代理服务器 %s 拒绝了连接请求（HTTP %d）", name.c_str(), reply.status);
    case ProxyVerdict::Garbage:
        return "代理服务器 " + name + " 的应答无法识别";
    case ProxyVerdict::Closed:
        return "代理服务器 " + name + " 关闭了连接";
    case ProxyVerdict::Open:
        break;
    }
    return {};
}

} // namespace velomira
