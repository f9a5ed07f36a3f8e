#pragma once
// The music group of the main window without a toolkit: the track list over the album's
// musicItems, adding and removing tracks, listening to one of them, the total audio length, the
// "加背景音乐" switch's enabling, and the preview's background music. It plays through one
// SoundPlayer and shows itself through MusicListView; message boxes go through
// platform/dialogs.
#include "album/album_model.h"
#include "platform/sound.h"
#include "ui/commands.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velomira {

inline constexpr const char* kListenText = "试听";
inline constexpr const char* kStopListenText = "停止";
inline constexpr const char* kListeningSuffix = " 试听中";
inline constexpr const char* kNoSoundDeviceText = "没有找到可用的声音输出设备，无法试听。";

// What the desktop's default program made of a file it was asked to open.
struct ExternalOpenResult {
    enum class Outcome { Opened, NoProgram, Failed };
    Outcome outcome = Outcome::Opened;
    int code = 0; // Failed: the opener's own result, shown to the user
};

// A music line cut into what a list with columns shows: the file name without its padding, the
// rate ("44100Hz"), the length, and "试听中" while it is being listened to. A line that does
// not have the rate and length keeps it all as the name.
struct MusicLineColumns {
    std::string name;
    std::string rate;
    std::string length;
    std::string mark;
};
MusicLineColumns musicLineColumns(const std::string& line);

class MusicListView {
  public:
    virtual ~MusicListView() = default;
    // Line i shows track i (a screen may show it as musicLineColumns).
    virtual void setMusicLines(const std::vector<std::string>& lines) = 0;
    virtual void setMusicLine(int row, const std::string& line) = 0;
    // Selects one line (-1: none) without coming back as a selection change.
    virtual void selectMusicLine(int row) = 0;
    // The group's controls by the command they send: AutoDisplayTime, LoopPlay, MusicList,
    // MusicAdd, MusicRemove, MusicListen.
    virtual void setMusicControlEnabled(Command control, bool enabled) = 0;
    virtual void setListenButtonText(const std::string& text) = 0;
    // The audio length part of the status bar: "音频长度: %s".
    virtual void setAudioLengthText(const std::string& text) = 0;
};

struct MusicListServices {
    // The multiple-selection open dialog: title, filter label and patterns, and the start
    // folder, which the dialog may change to the folder the files came from. Returns the chosen
    // full paths in order; empty when cancelled.
    std::function<std::vector<std::string>(const std::string& title, const std::string& filterLabel,
                                           const std::string& filterPatterns, std::string& folder)>
        chooseFiles;
    // Opens a file with the desktop's default program (listening's fall-back).
    std::function<ExternalOpenResult(const std::string& path)> openExternally;
    // Tracks were added or removed, or the switch changed: the window recomputes the video
    // length and, when they follow the music, the display times.
    std::function<void()> musicChanged;
    // The dialog's start folder: the program's "mp3" folder.
    std::string musicFolder;
    // Reads the tracks that are not MP3; empty: those are left out.
    std::filesystem::path musicProber;
    // A line for the information window: a file that was left out, and why.
    std::function<void(const std::string& line)> report;
};

class MusicList {
  public:
    // Everything is borrowed and outlives the list.
    MusicList(AlbumProject& album, SoundPlayer& sound, MusicListView& view,
              MusicListServices services);
    ~MusicList(); // closes the sound when this list is playing
    MusicList(const MusicList&) = delete;
    MusicList& operator=(const MusicList&) = delete;

    // Shows the album's tracks, the total and the enabling, with no line selected. Also after
    // the album's music was replaced (new or opened project): listening stops first.
    void showAlbum();

    void addFiles();                                      // "添加" (36132)
    void addPaths(const std::vector<std::string>& paths); // the files a dialog returned
    void removeSelected();          // "删除" (36133), and the Delete key on the list
    void toggleListen();            // "试听" / "停止" (36134)
    void selectionChanged(int row); // the list's selection (36131); -1: none
    void lineDoubleClicked(int row);
    void deleteKey() { removeSelected(); }
    // "加背景音乐" (36128): stores the switch in the album, enables or disables the group and
    // stops listening when off. The window then refreshes its display-time controls.
    void switchChanged(bool on);
    // Selects a line on behalf of the window (a missing track found before generation).
    void selectLine(int row);

    // Preview music, driven by the preview window through the window's commands.
    // The preview opened: playback starts where the video has its music at fromSeconds (the
    // first track's beginning for a preview from the first picture).
    void previewStarted(double fromSeconds = 0.0);
    bool previewPlay();   // 36141: plays the track at the playback position; true when it plays
    void previewNext();   // 36142: the next track
    void previewPause();  // 36143
    void previewResume(); // 36144
    void previewStop();   // 36145: closes the track
    void previewEnded();  // the preview closed: completions no longer advance

    int selectedRow() const { return selected_; }
    int listeningRow() const { return listening_; }
    bool listening() const { return listening_ >= 0; }
    int previewPosition() const { return previewPosition_; }
    const std::string& musicFolder() const { return services_.musicFolder; }

  private:
    void startListening(int row);
    void stopListening();
    void playbackEnded(unsigned serial, PlaybackEnd end);
    void openExternally(const std::string& path);
    std::string lineOf(int row) const;
    void showLines();
    void showTotal();
    void showEnabling();
    void notifyChanged();
    // Opens and plays a track; false when either step failed (the sound is closed then).
    bool playTrack(const MusicTrack& track);

    AlbumProject& album_;
    SoundPlayer& sound_;
    MusicListView& view_;
    MusicListServices services_;
    int selected_ = -1;
    int listening_ = -1;
    bool previewActive_ = false;
    bool previewPlaying_ = false;
    int previewPosition_ = 0;
    std::int64_t previewStartMs_ = 0; // into the first track the preview plays
    // Each playback gets a number; a completion for an older one is ignored.
    unsigned serial_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// True when the file holds two MPEG audio frames in a row, with the same rate and frame size,
// within its first megabyte of audio. Random bytes pass the frame header test now and then;
// they practically never chain.
bool hasConsecutiveMp3Frames(const std::string& path);

// The listen fall-back's message for what the default program made of the file; empty when
// it opened.
std::string listenFallbackMessage(const ExternalOpenResult& result);

} // namespace velomira
