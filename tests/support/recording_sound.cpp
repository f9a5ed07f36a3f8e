#include "support/recording_sound.h"

#include <utility>

namespace velomira::testing {

bool RecordingSound::open(const std::string& path) {
    calls.push_back("open " + path);
    onEnd_ = nullptr;
    paused_ = false;
    if (unopenable.count(path) != 0) {
        openPath_.clear();
        return false;
    }
    openPath_ = path;
    return true;
}

bool RecordingSound::play(PlaybackEndCallback onEnd) {
    calls.push_back("play");
    if (openPath_.empty() || failPlay)
        return false;
    onEnd_ = std::move(onEnd);
    paused_ = false;
    return true;
}

void RecordingSound::seekMs(std::int64_t ms) {
    calls.push_back("seek " + std::to_string(ms));
}

void RecordingSound::pause() {
    calls.push_back("pause");
    paused_ = !openPath_.empty();
}

void RecordingSound::resume() {
    calls.push_back("resume");
    paused_ = false;
}

void RecordingSound::close() {
    calls.push_back("close");
    openPath_.clear();
    onEnd_ = nullptr;
    paused_ = false;
}

bool RecordingSound::finish(PlaybackEnd end) {
    PlaybackEndCallback callback = std::exchange(onEnd_, nullptr);
    if (!callback)
        return false;
    callback(end);
    return true;
}

PlaybackEndCallback RecordingSound::takeCallback() {
    return std::exchange(onEnd_, nullptr);
}

} // namespace velomira::testing
