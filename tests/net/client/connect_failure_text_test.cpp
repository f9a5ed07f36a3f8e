#include "net/connect_failure_text.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

namespace velomira {
namespace {

TEST(ConnectFailureText, CommonCodesGetReasonsAndOthersNone) {
    const struct {
        int code;
        bool resolver;
        const char* reason;
    } cases[] = {
        {ECONNREFUSED, false, "连接被拒绝"},
        {ENETUNREACH, false, "网络不可达"},
        {EHOSTUNREACH, false, "主机不可达"},
        {ETIMEDOUT, false, "连接超时"},
        {ECONNRESET, false, "连接被重置"},
        {EACCES, false, "连接被禁止（防火墙）"},
        {EMFILE, false, "打开的文件过多"},
        {0, false, ""},
        {EISDIR, false, ""},
        {EAI_NONAME, true, "找不到服务器"},
        {EAI_AGAIN, true, "域名服务器暂时无法应答"},
        {EAI_FAIL, true, "域名服务器无法应答"},
        {0, true, ""},
        {EAI_SERVICE, true, ""},
    };
    for (const auto& c : cases) {
        const std::string reason = c.resolver ? resolverReason(c.code) : connectErrnoReason(c.code);
        EXPECT_EQ(reason, c.reason) << c.code << (c.resolver ? " (resolver)" : "");
    }
    EXPECT_EQ(withReason("错误码:111", "连接被拒绝"), "错误码:111（连接被拒绝）");
    EXPECT_EQ(withReason("错误码:21", ""), "错误码:21");
}

} // namespace
} // namespace velomira
