#include "qt_test_application.h"

#include "ui/qt/info_window.h"

#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(InfoWindowQt, ReportsAppearGreenOnBlackAndClosingOnlyHides) {
    QWidget owner;
    InfoWindow window(&owner);
    EXPECT_EQ(window.windowTitle(), "信息 - F2");
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window.size(), QSize(530, 168));
    EXPECT_TRUE(window.textField()->isReadOnly());
    EXPECT_EQ(window.textField()->palette().color(QPalette::Text), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(window.textField()->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_FALSE(window.isShown());

    InfoLog log(window);
    for (int i = 0; i < 20; ++i)
        log.append("图片 " + std::to_string(i) + ".jpg 无法读取\r\n文件已损坏");
    EXPECT_TRUE(window.isVisible());
    const QString text = window.textField()->toPlainText();
    EXPECT_TRUE(text.startsWith("图片 0.jpg 无法读取\n文件已损坏\n\n图片 1.jpg"))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u'\r'));
    QScrollBar* bar = window.textField()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    window.close();
    EXPECT_FALSE(window.isShown());
    log.toggle();
    EXPECT_TRUE(window.isShown());
    log.toggle();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.textField()->toPlainText(), text);
}

TEST(InfoWindowPlace, BesideTheMainWindowAndAlwaysOnTheScreen) {
    const QSize info(540, 200);
    const struct {
        const char* where;
        QRect owner;
        QRect screen;
        QPoint expected;
    } cases[] = {
        {"room on the right", {100, 50, 1000, 736}, {0, 0, 1920, 1050}, {1100, 50}},
        {"room on the left only", {800, 50, 1000, 736}, {0, 0, 1920, 1050}, {260, 50}},
        {"laptop: the wider side, below the toolbar",
         {200, 20, 1000, 736},
         {0, 0, 1366, 740},
         {0, 142}},
        {"owner in the right part", {20, 20, 1000, 700}, {0, 0, 1280, 690}, {740, 136}},
        {"owner lower than the screen", {100, 900, 1000, 736}, {0, 0, 1920, 1050}, {1100, 850}},
        {"second screen", {2000, 100, 1000, 700}, {1920, 0, 1920, 1080}, {3000, 100}},
    };
    for (const auto& c : cases) {
        const QPoint at = besideWindow(c.owner, info, c.screen);
        EXPECT_EQ(at, c.expected) << c.where;
        EXPECT_TRUE(c.screen.contains(QRect(at, info))) << c.where;
    }
}

} // namespace
} // namespace velomira
