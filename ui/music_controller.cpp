#include "ui/music_controller.h"

#include "services/music_track.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"

#include <algorithm>

namespace velomira {

// The music list shows itself through the window's list control and status bar.
class MusicController::ViewAdapter final : public MusicListView {
  public:
    explicit ViewAdapter(MusicController& owner) : o_(owner) {}
    void setMusicLines(const std::vector<std::string>& lines) override {
        o_.lines_ = lines;
        o_.view_.setChoices(Command::MusicList, lines);
    }
    void setMusicLine(int row, const std::string& line) override {
        if (row < 0 || row >= static_cast<int>(o_.lines_.size()))
            return;
        o_.lines_[row] = line;
        const int selected = o_.music_ ? o_.music_->selectedRow() : -1;
        o_.view_.setChoices(Command::MusicList, o_.lines_);
        o_.view_.setChoice(Command::MusicList, selected);
    }
    void selectMusicLine(int row) override { o_.view_.setChoice(Command::MusicList, row); }
    void setMusicControlEnabled(Command control, bool enabled) override {
        o_.view_.setEnabled(control, enabled);
    }
    void setListenButtonText(const std::string& text) override {
        o_.view_.setButtonText(Command::MusicListen, text);
    }
    void setAudioLengthText(const std::string& text) override { o_.view_.setStatusText(2, text); }

  private:
    MusicController& o_;
};

namespace {

// Stands in when the window has no sound output: every track goes to the desktop's player.
class SilentSound final : public SoundPlayer {
  public:
    bool open(const std::string&) override { return false; }
    bool play(PlaybackEndCallback) override { return false; }
    void pause() override {}
    void resume() override {}
    void close() override {}
    bool isOpen() const override { return false; }
};

std::vector<std::string> chooseMusicFiles(const std::string& title, const std::string& label,
                                          const std::string& patterns, std::string& folder) {
    FileFilter filter{label, {}};
    for (size_t start = 0; start <= patterns.size();) {
        const size_t end = std::min(patterns.find(';', start), patterns.size());
        if (end > start)
            filter.patterns.push_back(patterns.substr(start, end - start));
        start = end + 1;
    }
    return chooseFilesToOpen(title, {filter}, folder);
}

} // namespace

MusicController::MusicController(MainWindowView& view, AlbumProject& album,
                                 const MainWindowServices& services,
                                 std::function<void()> musicChanged)
    : view_(view) {
    SoundPlayer* sound = services.sound;
    if (sound == nullptr) {
        ownSound_ = std::make_unique<SilentSound>();
        sound = ownSound_.get();
    }
    adapter_ = std::make_unique<ViewAdapter>(*this);
    MusicListServices music;
    music.chooseFiles = chooseMusicFiles;
    auto openMusic = services.openMusicExternally;
    music.openExternally = [this, openMusic](const std::string& path) {
        if (openMusic)
            return openMusic(path);
        ExternalOpenResult result;
        if (!view_.openExternal(path))
            result.outcome = ExternalOpenResult::Outcome::Failed;
        return result;
    };
    music.musicChanged = std::move(musicChanged);
    music.musicFolder = services.folders.mp3Folder.string();
    music.musicProber = musicProbeTool(services.folders.programFolder);
    music.report = [info = services.info](const std::string& line) {
        if (info != nullptr)
            info->append(line);
    };
    music_ = std::make_unique<MusicList>(album, *sound, *adapter_, std::move(music));
}

MusicController::~MusicController() = default;

void MusicController::registerCommands(CommandTable& table) {
    table.on(Command::MusicAdd, [this] { music_->addFiles(); });
    table.on(Command::MusicRemove, [this] { music_->removeSelected(); });
    table.on(Command::MusicListen, [this] { music_->toggleListen(); });
}

} // namespace velomira
