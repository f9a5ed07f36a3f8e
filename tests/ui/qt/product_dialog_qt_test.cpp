#include "qt_test_application.h"

#include "net/product_address.h"
#include "support/recording_dialogs.h"
#include "ui/qt/product_dialog.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::whenModal;

ProductDialog* productDialog(QWidget* modal) {
    return qobject_cast<ProductDialog*>(modal);
}

QRect rectOf(const ControlRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

TEST(ProductDialogQt, RefusalsKeepTheDialogOpenAndOkGivesTheTrimmedRequest) {
    QWidget owner;
    QtProductDialogHost host(&owner);
    RecordingDialogs boxes;
    NetConfig config; // mode 1, all three picture types, the 1688 warning
    whenModal([](QWidget* modal) {
        ProductDialog* dialog = productDialog(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "加载宝贝图片");
        EXPECT_EQ(dialog->size(), QSize(431, 163));
        EXPECT_EQ(dialog->typeList()->count(), 3);
        EXPECT_EQ(dialog->typeList()->itemText(2), "主图 + 颜色分类图");
        EXPECT_EQ(dialog->typeList()->currentIndex(), 0);
        EXPECT_TRUE(dialog->typeList()->isVisible());
        EXPECT_EQ(dialog->addressLabel()->text(), "宝贝地址或图片地址：");
        EXPECT_EQ(dialog->addressEdit()->geometry(), QRect(16, 76, 396, 22));
        EXPECT_EQ(dialog->addressEdit()->maxLength(), 8192);
        EXPECT_EQ(dialog->focusWidget(), dialog->addressEdit());

        QTest::keyClicks(dialog->addressEdit(), "https://detail.1688.com/offer/9.html");
        QTest::keyClick(dialog->addressEdit(), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), dialog->link());

        // A click in the field takes the whole text, so typing replaces it.
        QTest::mouseClick(dialog->addressEdit(), Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_EQ(dialog->addressEdit()->selectedText(), dialog->addressEdit()->text());
        dialog->addressEdit()->setText("  http://img.example.com/a.jpg\tb.jpg ");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->addressEdit()->text(), "  http://img.example.com/a.jpg\tb.jpg ");

        dialog->addressEdit()->setText("  http://img.example.com/a.jpg ");
        dialog->typeList()->setCurrentIndex(2);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    auto request = host.askProductRequest(config);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->address, "http://img.example.com/a.jpg");
    EXPECT_EQ(request->pictureType, 2);
    auto messages = boxes.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, *blockedShopWarning("1688.com", "1688.com"));
    EXPECT_EQ(messages[0].title, "提示");
    EXPECT_EQ(messages[1].text, controlCharacterMessage());

    // The same dialog comes back empty, keeps its type; cancel and an empty OK give nothing.
    whenModal([](QWidget* modal) {
        ProductDialog* dialog = productDialog(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->addressEdit()->text().isEmpty());
        QTest::keyClicks(dialog->addressEdit(), "http://img.example.com/b.jpg");
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(host.askProductRequest(config));
    whenModal([](QWidget* modal) {
        ProductDialog* dialog = productDialog(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->addressEdit(), "   ");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(host.askProductRequest(config));
    EXPECT_EQ(boxes.messages().size(), 2u);
}

TEST(ProductDialogQt, PictureAddressModeAndTheExtensionLink) {
    NetConfig config;
    config.loaderMode = 6;
    config.typeSwitch = 0;
    RecordingDialogs boxes;
    {
        ProductDialog dialog(nullptr, config);
        dialog.prepare();
        dialog.show();
        EXPECT_FALSE(dialog.typeList()->isVisible());
        EXPECT_FALSE(dialog.typeLabel()->isVisible());
        EXPECT_EQ(dialog.typeList()->count(), 1);
        EXPECT_EQ(dialog.addressLabel()->text(), "图片地址：");
        EXPECT_EQ(dialog.addressLabel()->geometry(), rectOf({16, 36, 396, 19}));
        EXPECT_EQ(dialog.addressEdit()->geometry(), rectOf({16, 56, 396, 22}));
        EXPECT_EQ(dialog.okButton()->geometry(), rectOf(kOkButtonRect));
        EXPECT_TRUE(dialog.okButton()->isDefault());

        // No web site configured: the link says so instead of opening anything.
        std::vector<std::string> opened;
        dialog.openUrl = [&](const std::string& url) { opened.push_back(url); };
        emit dialog.link()->linkActivated(QStringLiteral("#"));
        EXPECT_TRUE(opened.empty());
        ASSERT_EQ(boxes.messages().size(), 1u);
        EXPECT_EQ(boxes.messages()[0].text, noWebSiteMessage());
    }
    config.webSite = "www.example.com";
    ProductDialog dialog(nullptr, config);
    std::vector<std::string> opened;
    dialog.openUrl = [&](const std::string& url) { opened.push_back(url); };
    emit dialog.link()->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(opened, std::vector<std::string>{"http://www.example.com/extension.html"});
}

} // namespace
} // namespace velomira
