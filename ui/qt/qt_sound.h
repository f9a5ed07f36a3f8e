#pragma once
// The sound player of the window program on Qt Multimedia (QMediaPlayer with QAudioOutput).
// It lives on the window thread; completions are queued back onto that thread, never run from
// inside a player signal, so the owner may close or reopen from its callback.
#include "platform/sound.h"
#include "ui/music_list.h"

#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace velomira {

class QtSound final : public SoundPlayer {
  public:
    QtSound();
    ~QtSound() override;
    QtSound(const QtSound&) = delete;
    QtSound& operator=(const QtSound&) = delete;

    bool open(const std::string& path) override;
    bool play(PlaybackEndCallback onEnd) override;
    void seekMs(std::int64_t ms) override;
    void pause() override;
    void resume() override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::int64_t positionMs() const override;
    std::int64_t durationMs() const override;
    bool outputAvailable() const override { return audioOutputAvailable(); }

    // Whether the system offers any audio output device at all.
    static bool audioOutputAvailable();

  private:
    void statusChanged();
    void failed();
    void stoppedByItself();
    // Hands the end to the owner later, on the player's thread, unless closed by then.
    void finish(PlaybackEnd end);

    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
    bool open_ = false;
    bool playing_ = false; // a completion is owed
    bool heard_ = false;   // the player got as far as buffered media
    bool broken_ = false;  // the player reported an error for the open file
    unsigned serial_ = 0;  // bumped by open and close; older queued work is dropped
    PlaybackEndCallback onEnd_;
};

// Listening's fall-back: opens the file with the desktop's default program through xdg-open.
// NoProgram when xdg-open is missing or xdg-mime knows no program for MP3 files.
ExternalOpenResult openWithDesktopProgram(const std::string& path);

} // namespace velomira
