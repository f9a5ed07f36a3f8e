#include "ui/info_log.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

// Keeps the text and counts how often the window was shown.
class ScriptedInfoView final : public InfoView {
  public:
    void appendText(const std::string& text) override {
        this->text += text;
        scrolledToEnd = false;
    }
    void scrollToEnd() override { scrolledToEnd = true; }
    bool isShown() const override { return shown; }
    void setShown(bool value) override {
        shown = value;
        if (value)
            ++timesShown;
    }

    std::string text;
    bool scrolledToEnd = false;
    bool shown = false;
    int timesShown = 0;
};

TEST(InfoLog, ReportsCollectWithBlankLinesAndShowTheWindowOnce) {
    ScriptedInfoView view;
    InfoLog log(view);
    log.append("a.jpg 读取失败");
    log.append("b.png 不支持");
    log.append("c.gif 无法识别");
    EXPECT_EQ(view.text, "a.jpg 读取失败\r\n\r\nb.png 不支持\r\n\r\nc.gif 无法识别\r\n\r\n");
    EXPECT_TRUE(view.scrolledToEnd);
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.timesShown, 1);

    log.toggle();
    EXPECT_FALSE(view.shown);
    log.toggle();
    EXPECT_TRUE(view.shown);
    // Hidden by its close button, a new report brings the window back; the old ones stay.
    view.shown = false;
    log.append("d.jpg");
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.text.find("a.jpg"), 0u);
}

} // namespace
} // namespace velomira
