#include "net/connect_failure_text.h"

#include <netdb.h>

#include <cerrno>

namespace velomira {

std::string connectErrnoReason(int code) {
    switch (code) {
    case ECONNREFUSED:
        return "连接被拒绝";
    case ENETUNREACH:
        return "网络不可达";
    case EHOSTUNREACH:
        return "主机不可达";
    case ETIMEDOUT:
        return "连接超时";
    case ECONNRESET:
        return "连接被重置";
    case ECONNABORTED:
        return "连接被中止";
    case ENETDOWN:
        return "网络已断开";
    case EHOSTDOWN:
        return "主机已关闭";
    case EADDRNOTAVAIL:
        return "本机地址不可用";
    case EACCES:
    case EPERM:
        return "连接被禁止（防火墙）";
    case EMFILE:
    case ENFILE:
        return "打开的文件过多";
    case ENOBUFS:
    case ENOMEM:
        return "系统资源不足";
    default:
        return {};
    }
}

std::string resolverReason(int code) {
    switch (code) {
    case EAI_NONAME:
        return "找不到服务器";
#ifdef EAI_NODATA
    case EAI_NODATA:
        return "找不到服务器的地址";
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return "服务器没有 IPv4 地址";
#endif
    case EAI_AGAIN:
        return "域名服务器暂时无法应答";
    case EAI_FAIL:
        return "域名服务器无法应答";
    case EAI_MEMORY:
        return "系统资源不足";
    default:
        return {};
    }
}

std::string withReason(std::string text, const std::string& reason) {
    if (!reason.empty())
        text += "（" + reason + "）";
    return text;
}

} // namespace velomira
