#pragma once
// A sound player without audio: it records every call and lets a test end playback.
#include "platform/sound.h"

#include <set>
#include <string>
#include <vector>

namespace velomira::testing {

class RecordingSound final : public SoundPlayer {
  public:
    // "open <path>", "play", "seek <ms>", "pause", "resume", "close", in order.
    std::vector<std::string> calls;
    // Paths whose open() fails; failPlay makes every play() fail.
    std::set<std::string> unopenable;
    bool failPlay = false;
    bool outputPresent = true; // false: a machine without a sound device

    bool open(const std::string& path) override;
    bool play(PlaybackEndCallback onEnd) override;
    void seekMs(std::int64_t ms) override;
    void pause() override;
    void resume() override;
    void close() override;
    bool isOpen() const override { return !openPath_.empty(); }
    bool outputAvailable() const override { return outputPresent; }

    const std::string& openPath() const { return openPath_; }
    bool playing() const { return static_cast<bool>(onEnd_); }
    bool paused() const { return paused_; }
    // Ends the current playback as the real player would, on the caller's thread. Returns
    // false when no completion was pending (nothing playing, or closed since).
    bool finish(PlaybackEnd end = PlaybackEnd::Finished);
    // Runs a completion callback that was pending earlier, after the player moved on: a real
    // player may have queued it before close(); the owner must ignore it.
    PlaybackEndCallback takeCallback();
    void clearCalls() { calls.clear(); }

  private:
    std::string openPath_;
    PlaybackEndCallback onEnd_;
    bool paused_ = false;
};

} // namespace velomira::testing
