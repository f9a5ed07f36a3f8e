// Counting the video length, as the status bar does after every edit: it must never touch a
// picture, so an album of 1000 pictures with loop play over ten minutes of music is counted in
// well under 5 ms.
#include "album/album_model.h"
#include "render/frame_sequencer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace velomira;

namespace {

AlbumProject albumOf(int pictures, int pauseTimeIndex) {
    AlbumProject project;
    choosePauseTime(project.settings, pauseTimeIndex);
    chooseVideoSize(project.settings, 16); // 1280x720
    TransitionRandom random(7);
    for (int i = 0; i < pictures; ++i)
        insertAlbumItem(project, "/pictures/" + std::to_string(i) + ".jpg", -1, false, random);
    project.musicItems.push_back(MusicTrack{"/music/a.mp3", 600000.0f, 44100});
    project.settings.bgsound = true;
    project.settings.bgsoundAutoSetImageLoopPlay = true;
    return project;
}

void measure(const char* label, const AlbumProject& project) {
    std::vector<double> times;
    float length = 0.0f;
    int frames = 0;
    int pictures = 0;
    for (int run = 0; run < 51; ++run) {
        const auto start = std::chrono::steady_clock::now();
        frames = countAlbumFrames(project);
        pictures = loopPlayPictureCount(project, &length);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: %d frames in one pass, %d pictures to cover the music, %s\n", label, frames,
                pictures, videoLengthText(length).c_str());
    std::printf("  counting + loop play: median %.3f ms (target < 5 ms): %s\n",
                times[times.size() / 2], times[times.size() / 2] < 5.0 ? "met" : "missed");
}

} // namespace

int main() {
    measure("1000 pictures of 2.0 s, 10 minutes of music", albumOf(1000, 21));
    measure("1000 pictures of 0.1 s, 10 minutes of music", albumOf(1000, 0));
    measure("10 pictures of 0.1 s, 10 minutes of music", albumOf(10, 0));
    return 0;
}
