#include "qt_test_application.h"

#include "support/temp_folder.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::whenModal;

TEST(QtDialogHost, MessageBoxesCarryTitleTextAndIcon) {
    QtDialogHost host;
    const struct {
        MessageKind kind;
        QMessageBox::Icon icon;
    } kinds[] = {{MessageKind::Information, QMessageBox::Information},
                 {MessageKind::Warning, QMessageBox::Warning},
                 {MessageKind::Error, QMessageBox::Critical}};
    for (const auto& k : kinds) {
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "错误");
            EXPECT_EQ(box->text(), "文件不存在\n\n/a.jpg");
            EXPECT_EQ(box->icon(), k.icon);
            box->button(QMessageBox::Ok)->click();
        });
        host.showMessage("文件不存在\n\n/a.jpg", "错误", k.kind);
    }
}

TEST(QtDialogHost, QuestionsAnswerTheButtonPressed) {
    QtDialogHost host;
    const struct {
        bool withCancel;
        QMessageBox::StandardButton press; // NoButton: Escape
        Answer expected;
    } cases[] = {
        {false, QMessageBox::Yes, Answer::Yes},      {false, QMessageBox::No, Answer::No},
        {false, QMessageBox::NoButton, Answer::No},  {true, QMessageBox::No, Answer::No},
        {true, QMessageBox::Cancel, Answer::Cancel}, {true, QMessageBox::NoButton, Answer::Cancel},
    };
    for (const auto& c : cases) {
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "询问");
            EXPECT_EQ(box->button(QMessageBox::Cancel) != nullptr, c.withCancel);
            EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                      box->button(QMessageBox::Yes));
            if (c.press == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(c.press)->click();
        });
        EXPECT_EQ(host.ask("是否保存？", "询问", c.withCancel, Answer::Yes), c.expected);
    }
}

TEST(QtDialogHost, SaveDialogStartsInTheFolderAndAddsTheDefaultExtension) {
    testing::TempFolder folder;
    QtDialogHost host;
    FileDialogRequest request;
    request.title = "保存视频";
    request.filters = {{"MP4 视频", {"*.mp4", "*.m4v"}}, {"所有文件", {"*.*"}}};
    request.startFolder = folder.path().string();
    request.defaultExtension = "mp4";
    request.initialName = "相册";
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "保存视频");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->directory().absolutePath(),
                  QString::fromStdString(folder.path().string()));
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"MP4 视频 (*.mp4 *.m4v)", "所有文件 (*.*)"}));
        EXPECT_EQ(dialog->defaultSuffix(), "mp4");
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept runs
    });
    EXPECT_EQ(host.askSaveFile(request), folder.file("相册.mp4"));

    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->reject();
    });
    EXPECT_TRUE(host.askOpenFiles(request).empty());
}

TEST(QtLanguage, StandardButtonsAndDatesReadChineseAndNumbersKeepThePoint) {
    QLocale::setDefault(QLocale::c()); // as under LANG=C.UTF-8, whatever the test runs under
    ASSERT_TRUE(installChineseQtTexts(*QCoreApplication::instance()))
        << "qtbase_zh_CN.qm (qt6-translations-l10n) is missing";
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);
    const QString date = QLocale().toString(QDate(2026, 12, 8), QLocale::LongFormat);
    EXPECT_TRUE(date.contains(QStringLiteral("2026年12月8日"))) << date.toStdString();
    EXPECT_EQ(QLocale().toString(1.5), QStringLiteral("1.5"));
    QMessageBox box(QMessageBox::Question, "询问", "?", QMessageBox::Yes | QMessageBox::Cancel);
    const QString yes = box.button(QMessageBox::Yes)->text();
    const QString cancel = box.button(QMessageBox::Cancel)->text();
    EXPECT_TRUE(yes.contains(QStringLiteral("是"))) << yes.toStdString();
    EXPECT_TRUE(cancel.contains(QStringLiteral("取消"))) << cancel.toStdString();
}

TEST(QtDialogHost, FileDialogsShowTheirColumnsAndDatesInTheInterfacesLanguage) {
    testing::TempFolder folder;
    folder.writeFile("picture.jpg", "bytes");
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QFileDialog dialog(nullptr, QStringLiteral("选择图片"), QString::fromStdString(folder.path()));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dressFileDialog(dialog);
    EXPECT_GT(dialog.width(), 600);
    QAbstractProxyModel* files = dialog.proxyModel();
    ASSERT_NE(files, nullptr);
    QModelIndex date;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QModelIndex name = files->index(
                0, 0,
                dialog.findChild<QAbstractItemView*>(QStringLiteral("treeView"))->rootIndex());
            if (name.data().toString() != QStringLiteral("picture.jpg"))
                return false;
            date = name.siblingAtColumn(3);
            return true;
        },
        20000));
    const QDateTime written =
        QFileInfo(QString::fromStdString(folder.file("picture.jpg"))).lastModified();
    EXPECT_EQ(date.data().toString(),
              QLocale(QLocale::Chinese, QLocale::China).toString(written, QLocale::ShortFormat));
    QLocale::setDefault(before);
}

} // namespace
} // namespace velomira
