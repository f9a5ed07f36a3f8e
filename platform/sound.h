#pragma once
// One sound at a time: the music list's listening and the preview's background music share it.
// Open a file, play it with a completion callback, pause, resume, close. The window program
// plays through Qt Multimedia; tests use a recording fake.
#include <cstdint>
#include <functional>
#include <string>

namespace velomira {

// How playback ended by itself.
enum class PlaybackEnd {
    Finished,   // reached the end of the file
    Failed,     // stopped by an error after it had started
    Unplayable, // the file could not be decoded or no output could take it: nothing was heard
};

using PlaybackEndCallback = std::function<void(PlaybackEnd)>;

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;

    // Opens a file, closing whatever was open. False when the file cannot be opened at all.
    virtual bool open(const std::string& path) = 0;
    // Starts the open file from its beginning. onEnd runs once, later, on the thread that owns
    // the player (never from inside play()), when playback ends by itself; never after close()
    // or another open(). False when nothing is open or playback cannot start.
    virtual bool play(PlaybackEndCallback onEnd) = 0;
    // Moves the playing file to ms from its start (a preview that starts partway into the
    // music). Harmless when nothing is open.
    virtual void seekMs(std::int64_t ms) { (void)ms; }
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Stops and forgets the file; a pending completion is dropped. Harmless when nothing is open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Whether the system has a device to play through at all; without one nothing is heard,
    // though a player may still appear to play.
    virtual bool outputAvailable() const { return true; }

    // Where playback is and how long the file lasts, in milliseconds; -1 when not known.
    virtual std::int64_t positionMs() const { return -1; }
    virtual std::int64_t durationMs() const { return -1; }
};

} // namespace velomira
