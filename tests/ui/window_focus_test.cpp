// The framing that follows the subject in the window: a region dragged in "设置焦点…" is kept
// as chosen by hand through saving, opening and a render; "自动" and the album's switch have
// the region found behind the list.
#include "media/focal/focal_detection.h"
#include "render/image/magick_handles.h"
#include "services/video_run.h"
#include "support/focal_pictures.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"
#include "ui/scripted_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace velomira {
namespace {

using testing::ScriptedView;
using testing::TempFolder;

class WindowFocusTest : public ::testing::Test {
  protected:
    WindowFocusTest() : info(infoView) {
        initImageLibrary();
        folders.programFolder = folder.path() / "program";
        folders.workFolder = folders.programFolder;
        folders.picsFolder = folders.programFolder / "pics";
        folders.workTempFolder = folders.programFolder / "temp";
        std::filesystem::create_directories(folders.picsFolder);
        std::filesystem::create_directories(folders.workTempFolder);
        window = open(view);
        // A blue block at the right edge of a grey, noisy landscape picture.
        const std::string block =
            testing::writeSolidPicture(folder.file("block.png"), 40, 90, "#1040e0", "png");
        picture = folder.file("landscape.png");
        testing::writePastedPhoto(picture, block, {0, 0, 40, 90}, 160, 90, 120, 0, 1.0, 5);
    }

    std::unique_ptr<MainWindow> open(ScriptedView& on) {
        MainWindowServices services;
        services.folders = folders;
        services.fonts = &fonts;
        services.preferences = &preferences;
        services.optionDialogs = &options;
        services.info = &info;
        auto made = std::make_unique<MainWindow>(on, services);
        made->start();
        return made;
    }

    // The mean blue share of the last frame a crop of the album to 36 x 64 renders.
    double blueOfCrop(AlbumProject album) {
        album.settings.videoWidth = 36;
        album.settings.videoHeight = 64;
        album.settings.stillFrames = 1;
        chooseFillMode(album.settings, FillMode::Crop);
        const std::string frames = folder.file("frames" + std::to_string(++renders));
        CaptionFontTable none;
        const VideoRunEnvironment environment = videoRunEnvironment(folders, &none, {});
        std::atomic<bool> stop{false};
        const FolderRun run =
            renderFramesToFolder(album, environment, frames, stop, nullptr, nullptr);
        EXPECT_EQ(run.outcome, RunOutcome::Completed);
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(frames))
            files.push_back(entry.path());
        if (files.empty())
            return 0.0;
        std::sort(files.begin(), files.end());
        velomira::Image last = newImage();
        MagickReadImage(last.get(), files.back().c_str());
        MagickSetImageColorspace(last.get(), sRGBColorspace);
        MagickScaleImage(last.get(), 1, 1);
        PixelWand* pixel = NewPixelWand();
        MagickGetImagePixelColor(last.get(), 0, 0, pixel);
        const double blue =
            PixelGetBlue(pixel) /
            std::max(1e-9, PixelGetRed(pixel) + PixelGetGreen(pixel) + PixelGetBlue(pixel));
        DestroyPixelWand(pixel);
        return blue;
    }

    TempFolder folder;
    StartupFolders folders;
    CaptionFontTable fonts{{"黑体", "/none/font.ttc"}};
    Preferences preferences;
    ScriptedView view;
    testing::ScriptedInfoView infoView;
    InfoLog info;
    testing::ScriptedOptionDialogs options;
    testing::RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::string picture;
    int renders = 0;
};

TEST_F(WindowFocusTest, ARegionChosenByHandSurvivesSaveOpenAndRender) {
    window->filesDropped({picture, picture});
    ASSERT_EQ(window->album().items.size(), 2u);
    EXPECT_FALSE(window->album().items[1].focus) << "an album in the old framing finds none";
    const double centred = blueOfCrop(window->album());

    window->selectionChanged({1}, 1, true);
    const FocalRegion block{0.75, 0.0, 0.25, 1.0, false};
    options.focus = OptionDialogHost::FocusAnswer{block};
    window->dispatch(Command::ContextSetFocus);
    ASSERT_TRUE(window->album().items[1].focus);
    EXPECT_TRUE(window->album().items[1].focus->byHand);
    EXPECT_EQ(window->album().settings.focus, FocusMode::Center) << "the album's choice stays";
    EXPECT_FALSE(window->album().items[0].focus);

    const std::string saved = folder.file("album.dat");
    dialogs.scriptFiles({saved});
    window->dispatch(Command::SaveProject);
    ScriptedView reopenedView;
    std::unique_ptr<MainWindow> reopened = open(reopenedView);
    ASSERT_TRUE(reopened->openProjectAtStart(saved));
    ASSERT_EQ(reopened->album().items.size(), 2u);
    EXPECT_EQ(reopened->album().items[1].focus, window->album().items[1].focus);
    EXPECT_FALSE(reopened->album().items[0].focus);

    // The last picture is the one chosen by hand: its crop shows the block, the centre's not.
    const double followed = blueOfCrop(reopened->album());
    EXPECT_GT(followed, 0.6);
    EXPECT_LT(centred, 0.45);

    // The dialog showed the chosen region, and a cancel changes nothing.
    reopened->selectionChanged({1}, 1, true);
    options.focus.reset();
    reopened->dispatch(Command::ContextSetFocus);
    EXPECT_EQ(options.focusShown, reopened->album().items[1].focus);
    EXPECT_EQ(reopened->album().items[1].focus, window->album().items[1].focus);
}

TEST_F(WindowFocusTest, AutomaticAndTheSwitchFindRegionsBehindTheList) {
    if (findCascadeFolder().empty())
        GTEST_SKIP() << "opencv-data's face models are not installed";
    window->filesDropped({picture, picture});
    const auto menuCheck = [&] {
        for (const MenuEntryState& entry : window->contextMenu())
            if (entry.command == Command::ContextFollowSubject)
                return entry.checked;
        return false;
    };
    EXPECT_FALSE(menuCheck());
    window->dispatch(Command::ContextFollowSubject);
    EXPECT_TRUE(menuCheck());
    window->waitForFocusSearch();
    while (view.runPosted())
        window->waitForFocusSearch();
    for (const AlbumItem& item : window->album().items) {
        ASSERT_TRUE(item.focus);
        EXPECT_FALSE(item.focus->byHand);
        EXPECT_EQ(item.focus, window->album().items[0].focus) << "the same file, the same region";
    }

    window->selectionChanged({0}, 0, true);
    options.focus = OptionDialogHost::FocusAnswer{FocalRegion{0.0, 0.0, 0.2, 0.2, false}};
    window->dispatch(Command::ContextSetFocus);
    EXPECT_TRUE(window->album().items[0].focus->byHand);
    options.focus = OptionDialogHost::FocusAnswer{}; // "自动"
    window->dispatch(Command::ContextSetFocus);
    window->waitForFocusSearch();
    while (view.runPosted())
        window->waitForFocusSearch();
    ASSERT_TRUE(window->album().items[0].focus);
    EXPECT_FALSE(window->album().items[0].focus->byHand);
    EXPECT_EQ(window->album().items[0].focus, window->album().items[1].focus) << "found again";

    window->dispatch(Command::ContextFollowSubject);
    EXPECT_FALSE(menuCheck());
    EXPECT_EQ(window->album().settings.focus, FocusMode::Center);
}

} // namespace
} // namespace velomira
