#include "qt_test_application.h"

#include "album/transition_catalogue.h"
#include "support/recording_dialogs.h"
#include "ui/qt/custom_size_dialog.h"
#include "ui/qt/loop_play_dialog.h"
#include "ui/qt/margins_dialog.h"
#include "ui/qt/qt_option_dialogs.h"

#include <QTest>
#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::whenModal;

void type(QLineEdit* box, const char* text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, QString::fromUtf8(text));
}

TEST(CustomSizeDialogQt, AskingRunsTheModalDialogUntilAValidOkOrACancel) {
    QWidget owner;
    QtOptionDialogs dialogs(&owner);
    RecordingDialogs boxes;
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CustomSizeDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "自定义视频尺寸");
        EXPECT_EQ(dialog->focusWidget(), dialog->widthEdit());
        QTest::keyClicks(dialog->widthEdit(), "3842");
        QTest::keyClicks(dialog->heightEdit(), "721");
        QTest::keyClick(dialog->heightEdit(), Qt::Key_Return); // the default button
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), dialog->heightEdit());
        type(dialog->heightEdit(), "720");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->focusWidget(), dialog->widthEdit());
        // Letters cannot be typed and a fifth digit does not fit: "38a40" reads 3840.
        type(dialog->widthEdit(), "38a405");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    const auto size = dialogs.askCustomVideoSize();
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 3840);
    EXPECT_EQ(size->height, 720);
    const auto warnings = boxes.messages();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].text, "视频的高度必须是偶数(能被2整除)");
    EXPECT_EQ(warnings[0].title, "提示");
    EXPECT_EQ(warnings[0].kind, MessageKind::Warning);
    EXPECT_EQ(warnings[1].text, "视频的宽度必须在 128 - 3840 之间");

    // The same dialog comes back empty; cancelling answers nothing even after typing.
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CustomSizeDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->widthEdit()->text().isEmpty());
        EXPECT_TRUE(dialog->heightEdit()->text().isEmpty());
        QTest::keyClicks(dialog->widthEdit(), "640");
        QTest::keyClicks(dialog->heightEdit(), "480");
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(dialogs.askCustomVideoSize());
}

int rowOf(const QComboBox* list, std::string_view text) {
    return list->findText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

TEST(LoopPlayDialogQt, OpensOnTheCurrentTransitionAndSeparatorsMeanNone) {
    QWidget owner;
    QtOptionDialogs dialogs(&owner);
    EXPECT_EQ(dialogs.loopPlayDialog().windowTitle(), "图片循环播放设置");
    const std::string_view current = *transitionName(31);
    const std::string_view other = *transitionName(5);
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<LoopPlayDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->list()->currentIndex(), rowOf(dialog->list(), current));
        dialog->list()->setCurrentIndex(rowOf(dialog->list(), other));
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dialogs.askLoopPlayTransition(31), 5);

    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<LoopPlayDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->list()->currentIndex(), 0) << "99 opens on 无动画";
        dialog->list()->setCurrentIndex(1);
        EXPECT_EQ(dialog->list()->currentText(), "--------------------");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dialogs.askLoopPlayTransition(NO_TRANSITION), NO_TRANSITION);

    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<LoopPlayDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(dialogs.askLoopPlayTransition(31));
}

TEST(LoopPlayDialogQt, ClosingTheListOnASeparatorGoesBackToTheFirstEntry) {
    LoopPlayDialog dialog(nullptr);
    dialog.prepare(31);
    dialog.show();
    const int named = dialog.list()->currentIndex();
    dialog.list()->showPopup();
    dialog.list()->hidePopup();
    EXPECT_EQ(dialog.list()->currentIndex(), named);
    dialog.list()->showPopup();
    dialog.list()->setCurrentIndex(1);
    dialog.list()->hidePopup();
    EXPECT_EQ(dialog.list()->currentIndex(), 0);
}

TEST(MarginsDialogQt, ShowsCurrentValuesChecksThemAndRestoresDefaults) {
    QWidget owner;
    QtOptionDialogs dialogs(&owner);
    EXPECT_EQ(dialogs.marginsDialog().windowTitle(), "【加文字】边距设置");
    RecordingDialogs boxes;
    CaptionMargins current;
    current.centerBottom = 0.2f;
    current.top = 0.123456f;
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<MarginsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->edit(MarginField::CenterBottom)->text(), "20.00");
        EXPECT_EQ(dialog->edit(MarginField::Top)->text(), "12.35");
        EXPECT_EQ(dialog->edit(MarginField::Left)->text(), "6.00");
        // ".5" is no number; the focus goes to its box.
        type(dialog->edit(MarginField::Right), ".5");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->focusWidget(), dialog->edit(MarginField::Right));
        // At most five characters: "49.999" stays "49.99", which is accepted.
        type(dialog->edit(MarginField::Right), "49.999");
        EXPECT_EQ(dialog->edit(MarginField::Right)->text(), "49.99");
        type(dialog->edit(MarginField::Bottom), "50");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->focusWidget(), dialog->edit(MarginField::Bottom));
        QTest::mouseClick(dialog->defaultsButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->edit(MarginField::CenterBottom)->text(), "15.00");
        EXPECT_EQ(dialog->edit(MarginField::Right)->text(), "6.00");
        type(dialog->edit(MarginField::Left), "5.");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    const auto margins = dialogs.askCaptionMargins(current);
    ASSERT_TRUE(margins);
    EXPECT_FLOAT_EQ(margins->centerBottom, 0.150001f);
    EXPECT_FLOAT_EQ(margins->left, 0.050001f);
    EXPECT_FLOAT_EQ(margins->bottom, 0.060001f);
    const auto warnings = boxes.messages();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].text, "输入的【右边距】有误！\n\n请输入一个数值, 支持小数。");
    EXPECT_EQ(warnings[1].text,
              "输入的【下边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。");

    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<MarginsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(dialogs.askCaptionMargins(current));
}

} // namespace
} // namespace velomira
