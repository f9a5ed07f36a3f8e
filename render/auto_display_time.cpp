#include "render/auto_display_time.h"

#include "render/frame_sequencer.h"

#include <cstdio>

namespace velomira {

namespace {

// Writes the time as the field shows it and reads it back, as the field's own handling does;
// then the video length from the frame counts.
struct DisplayTimeField {
    AlbumProject& project;
    float written = 0.f;

    float write(float seconds) {
        char text[64];
        std::snprintf(text, sizeof text, "%0.2f秒", static_cast<double>(seconds));
        setCustomDisplayTime(project.settings, text);
        written = seconds;
        return static_cast<float>(countAlbumFrames(project)) / 25.0f;
    }
};

// Every loop below moves v by 0.01 towards a bound the frame counts reach; the cap only guards
// against music lengths no album can reach in any sane number of steps.
constexpr int kMaxSteps = 200000;

} // namespace

bool computeAutoDisplayTime(AlbumProject& project, float* secondsOut) {
    // Pictures with a time of their own keep it; the rest share what the music leaves.
    int n = 0;
    float own = 0.f; // seconds of the pictures with their own time (exactly 0 without them)
    for (const AlbumItem& item : project.items) {
        if (item.stillFrames)
            own += static_cast<float>(countPictureFrames(project, item)) / 25.0f;
        else
            ++n;
    }
    const float music = totalMusicSeconds(project);
    if (n == 0 || !(music > 0.f))
        return false;
    DisplayTimeField field{project};
    float v = (music - own - static_cast<float>(n) * 0.8f) / static_cast<float>(n);
    float length = field.write(v);

    auto climb = [&](float b) {
        float shortfall = 0.f;
        for (int step = 0; step < kMaxSteps; ++step) {
            length = field.write(b);
            if (length < music) {
                shortfall = music - length;
                b += 0.01f;
                continue;
            }
            if (length - music > shortfall)
                field.write(b - 0.01f);
            return;
        }
    };

    if (v < 0.061f) {
        if (length < music)
            climb(0.061f);
    } else if (length >= music) {
        if (v > 0.1f) {
            float excess = 0.f;
            for (int step = 0; step < kMaxSteps; ++step) {
                length = field.write(v);
                if (length > music) {
                    excess = length - music;
                    if (v < 0.04f)
                        break;
                    v -= 0.01f;
                    if (v > 0.1f)
                        continue;
                    break;
                }
                const float shortfall = music - length;
                if (shortfall > excess && shortfall > 3.f)
                    field.write(v + 0.01f);
                break;
            }
        }
    } else {
        climb(v);
    }
    if (secondsOut != nullptr)
        *secondsOut = field.written;
    return true;
}

} // namespace velomira
