// The preview window with the real controller and real rendered frames on the offscreen
// platform: the placement rule, the frame around frames and not around the end picture, the
// restart by a click and closing with Escape.
#include "qt_window_application.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/preview_window.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace velomira::qt {
namespace {

TEST(PreviewPictureRect, ShrinksToTheAreaInsideTheMarginNeverEnlargesAndCentres) {
    struct Case {
        QSize client, picture;
        QRect expected;
    };
    for (const Case& c : std::vector<Case>{
             {{816, 466}, {400, 200}, {208, 133, 400, 200}}, // fits: centred, not enlarged
             {{656, 376}, {1280, 720}, {8, 8, 640, 360}},    // shrunk by the width
             {{416, 616}, {1280, 720}, {8, 195, 400, 225}},  // portrait window
             {{100, 100}, {3, 2}, {48, 49, 3, 2}},           // odd leftovers round down
             {{16, 16}, {10, 10}, {}},                       // no room inside the margin
         })
        EXPECT_EQ(previewPictureRect(c.client, c.picture), c.expected)
            << c.client.width() << "x" << c.client.height();
}

class QtPreviewTest : public ::testing::Test {
  protected:
    QtPreviewTest() {
        windowTestApplication();
        folders.programFolder = folder.path() / "program";
        folders.workFolder = folders.programFolder;
        folders.workTempFolder = folders.programFolder / "temp";
        folders.tempPictureFolder = folders.programFolder / "temp-pictures";
        std::filesystem::create_directories(folders.workTempFolder);
        std::filesystem::create_directories(folders.tempPictureFolder);
        window = std::make_unique<QtMainWindow>();
        preview = std::make_unique<QtPreviewWindow>(window.get());
        MainWindowServices services;
        services.folders = folders;
        services.preferences = &preferences;
        services.previewWindow = preview.get();
        services.processors = 8; // one second of buffering
        controller = std::make_unique<MainWindow>(*window, services);
        window->attach(*controller);
        preview->attach(*controller);
        controller->start();
        window->show();
    }
    ~QtPreviewTest() override {
        controller.reset();
        preview.reset();
        window.reset();
    }

    // Processes events until done() or the time runs out.
    bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QTest::qWait(5);
        return done();
    }

    velomira::testing::TempFolder folder;
    StartupFolders folders;
    Preferences preferences;
    velomira::testing::RecordingDialogs dialogs;
    std::unique_ptr<QtMainWindow> window;
    std::unique_ptr<QtPreviewWindow> preview;
    std::unique_ptr<MainWindow> controller;
};

TEST_F(QtPreviewTest, PlaysRealFramesFramedEndsUnframedRestartsOnAClickAndEscapeCloses) {
    std::vector<std::string> paths;
    for (const char* colour : {"#cc3333", "#3333cc"})
        paths.push_back(velomira::testing::writeSolidPicture(
            folder.file(std::string("p") + colour + ".png"), 64, 48, colour, "png"));
    controller->filesDropped(paths);
    controller->choiceChanged(Command::VideoSize, 2); // 480 x 270
    controller->choiceChanged(Command::DisplayTime, 0);

    controller->dispatch(Command::Preview);
    ASSERT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle().toStdString(), kPreviewTitle);
    EXPECT_TRUE(preview->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(preview->currentPicture().size(), QSize(264, 150)) << "the waiting picture";

    ASSERT_TRUE(waitFor([&] { return preview->currentPicture().size() == QSize(480, 270); }));
    preview->resize(816, 466);
    QTest::qWait(20);
    QImage shot = preview->grab().toImage();
    const QRect at = previewPictureRect(preview->size(), {480, 270});
    EXPECT_EQ(shot.pixelColor(at.left() - 1, at.top() - 1), QColor(Qt::black)) << "the frame";
    EXPECT_EQ(shot.pixelColor(at.left() - 2, at.top() - 2), QColor(Qt::white));

    ASSERT_TRUE(waitFor([&] { return controller->previewState() == PreviewState::Finished; }));
    QTest::qWait(20);
    EXPECT_TRUE(preview->endShown());
    shot = preview->grab().toImage();
    const QRect end = previewPictureRect(preview->size(), {264, 118});
    EXPECT_EQ(shot.pixelColor(end.left() - 1, end.top() - 1), QColor(Qt::white)) << "no frame";

    QTest::mouseClick(preview.get(), Qt::LeftButton);
    EXPECT_EQ(controller->previewState(), PreviewState::Running);
    QTest::keyClick(preview.get(), Qt::Key_Escape);
    EXPECT_FALSE(preview->isVisible());
    EXPECT_EQ(controller->previewState(), PreviewState::Stopped);
    ASSERT_TRUE(waitFor([&] { return window->toolbarAction(Command::Preview)->isEnabled(); }))
        << "the button comes back when the closed run has ended";
}

} // namespace
} // namespace velomira::qt
