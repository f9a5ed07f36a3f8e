#include "scripted_view.h"
#include "ui/info_log.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(InfoLog, ReportsKeepTheirLineBreaksButNotTheControlCharactersOfFileNames) {
    testing::ScriptedInfoView view;
    InfoLog log(view);
    log.append("图片读取失败:\r\n/相册/a\x1b[2J\x07\tb.png");
    log.append("无法识别的图片:\r\n/\xff.png");
    EXPECT_EQ(view.text, "图片读取失败:\r\n/相册/a?[2J?\tb.png\r\n\r\n"
                         "无法识别的图片:\r\n/?.png\r\n\r\n");
    EXPECT_EQ(view.timesShown, 1);
}

} // namespace
} // namespace velomira
