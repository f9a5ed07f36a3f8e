#pragma once
// The main window's state, shared by the files that carry out its commands (window and
// options, picture list, project commands, generation). Not part of the interface.
#include "render/image/gif_frames.h"
#include "render/image/image_layer.h"
#include "services/preview_engine.h"
#include "ui/main_window.h"
#include "ui/music_list.h"
#include "ui/product_load_command.h"
#include "video/encoder_pipeline.h"
#include "video/generation_preflight.h"
#include "video/generation_worker.h"

#include <memory>
#include <string>
#include <vector>

namespace velomira {

struct MainWindow::State {
    State(MainWindowView& v, MainWindowServices s)
        : view(v), services(std::move(s)), random(services.randomSeed) {}

    MainWindowView& view;
    MainWindowServices services;
    AlbumProject album;
    ProjectFileState file;
    TransitionRandom random;
    std::vector<std::string> fontNames;
    Preferences ownPreferences; // used when the window is given no settings store

    // The music group: lines shown through the window's list control.
    std::vector<std::string> musicLines;
    std::unique_ptr<MusicListView> musicView;
    std::unique_ptr<SoundPlayer> ownSound; // a silent player when none was given
    std::unique_ptr<MusicList> music;

    // Icons of the rows, parallel to album.items (moving and shuffling exchange them).
    std::vector<PngBytes> icons;

    // The list's selection as the user left it.
    std::vector<int> selection; // ascending
    int focusedRow = -1;
    bool listHasFocus = false;

    // Shop item pictures loading on their own thread.
    std::unique_ptr<ProductLoadCommand> productLoad;

    // Frame files of imported animations are numbered on from here for the whole run.
    GifFrameCounter gifFrames;

    bool hiddenInTray = false;

    // Generation run.
    EncoderState encoderState;
    GenerationWorker worker;
    bool generationRunning = false;
    bool generationStopRequested = false;
    std::string generationOutput;
    // Preview run: the engine, the logo it composites, and the number of the current run (a
    // finished run's last posted call must not touch the next one).
    SteadyPreviewClock ownPreviewClock;
    std::unique_ptr<PreviewEngine> preview;
    std::unique_ptr<PreviewLogo> previewLogo;
    unsigned previewRun = 0;

    // Posted calls test this before touching the state: the window may be gone by then.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    Preferences& preferences() { return *services.preferences; }
    int pictureCount() const { return albumItemCount(album); }
    bool hasSelection() const { return !selection.empty(); }
    bool isSelected(int row) const;
    // The focused picture when it is also selected, else -1.
    int focusedSelectedRow() const;
};

// Picture list (picture_list_commands.cpp).
void refreshPictureCount(MainWindow::State& s);
void refreshSelectionStatus(MainWindow::State& s);
void refreshVideoLength(MainWindow::State& s);
void refreshCaptionBadges(MainWindow::State& s);
std::vector<CaptionBadge> captionBadgesOf(const AlbumProject& album);
void refreshAfterAlbumChange(MainWindow::State& s, bool countChanged);
void runAutoDisplayTime(MainWindow::State& s);
void setPictureTransition(MainWindow::State& s, int position, int index);
void rebuildPictureRows(MainWindow::State& s);
void setSelection(MainWindow::State& s, std::vector<int> rows, int focusedRow);

enum class AddMode { Append, Insert };
void addPicturesCommand(MainWindow::State& s, AddMode mode);
// Adds the files at position (-1 appends); returns how many were added. Shows the limit
// message when the album fills up.
int addPictureFiles(MainWindow::State& s, const std::vector<std::string>& paths, int position);
void removeSelectedPictures(MainWindow::State& s);
void removeAllPictures(MainWindow::State& s);
void movePictures(MainWindow::State& s, bool forward);
void rotatePictures(MainWindow::State& s, bool right);
void shufflePictures(MainWindow::State& s);
void newTransitionSet(MainWindow::State& s);
void sameTransitionForAll(MainWindow::State& s);
void arrangeCaptions(MainWindow::State& s, Command arrangement);
void importAnimation(MainWindow::State& s);
void createProductLoader(MainWindow::State& s);
void loadProductCommand(MainWindow::State& s);

// Project commands (project_commands.cpp).
void newProjectCommand(MainWindow::State& s);
void openProjectCommand(MainWindow::State& s);
bool openProjectPath(MainWindow::State& s, const std::string& path);
bool saveProjectCommand(MainWindow::State& s, bool saveAs);
bool projectModified(const MainWindow::State& s);
// Puts every option control back in step with album.settings.
void showAllOptions(MainWindow::State& s);

// Generation (generation_command.cpp).
void generateVideoCommand(MainWindow::State& s);
// The checks before a video or a preview; a refusal focuses the size or selects the track.
bool passesPreflight(MainWindow::State& s, OutputMode mode);

// Preview (preview_command.cpp).
void createPreview(MainWindow::State& s);
void startPreviewCommand(MainWindow::State& s);
// The music commands 36141..36145 the display thread sends.
void previewMusicCommand(MainWindow::State& s, Command command);
bool previewBusy(const MainWindow::State& s);

// Web pages and files opened with the desktop's programs (main_window.cpp).
void openWebPage(MainWindow::State& s, const std::string& pathAndQuery);

} // namespace velomira
