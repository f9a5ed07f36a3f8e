#include "render/beat_plan.h"

#include "media/beat_tracker.h"
#include "render/frame_sequencer.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

// About 11 days of video, as the loop-play walk allows.
constexpr int kMaxPlannedFrames = 25 * 1000 * 1000;

// The beats as frames, with the pulse carried on at the median gap after the last one found.
struct BeatGrid {
    const std::vector<double>& beats;
    double period = 0.5; // seconds

    double secondsAt(int index) const {
        const int last = static_cast<int>(beats.size()) - 1;
        return index <= last ? beats[static_cast<std::size_t>(index)]
                             : beats.back() + period * (index - last);
    }
    int frameAt(int index) const {
        return static_cast<int>(std::lround(secondsAt(index) * frameRate));
    }
};

double medianGap(const std::vector<double>& beats) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < beats.size(); ++i)
        gaps.push_back(beats[i] - beats[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    return gaps[gaps.size() / 2];
}

// One picture of the run before its hold is known.
struct Slot {
    AlbumItem item;
    int transition = 0; // frames of its transition alone
};

Slot slotFor(const AlbumProject& album, const AlbumItem& item, bool loopEntry) {
    Slot slot{item, 0};
    const VideoSettings& s = album.settings;
    if (loopEntry && item.animationIndex == NO_TRANSITION && s.loopPlayAnimation != NO_TRANSITION)
        setItemTransition(slot.item, s.loopPlayAnimation);
    AlbumItem bare = slot.item;
    bare.stillFrames = 0;
    slot.transition = countPictureFrames(album, bare);
    return slot;
}

// The beat the picture after this one starts on: the step's beat, moved on by steps until the
// picture is held long enough; for a picture with its own time the beat closest to its end.
int nextBeat(const BeatGrid& grid, const Slot& slot, int from, int start, int step, int hold) {
    const int least = std::max(slot.transition, 0);
    if (slot.item.stillFrames) {
        const int wanted = start + slot.transition + *slot.item.stillFrames;
        int best = from + 1;
        while (grid.frameAt(best) - start < least)
            ++best;
        for (int j = best + 1;
             std::abs(grid.frameAt(j - 1) - wanted) >= std::abs(grid.frameAt(j) - wanted); ++j)
            best = j;
        return best;
    }
    int next = from < 0 ? step - 1 : from + step;
    while (grid.frameAt(next) - start < std::max(hold, least) || grid.frameAt(next) <= start)
        next += step;
    return next;
}

void place(BeatPlan& plan, Slot slot, int start, int end) {
    slot.item.stillFrames = std::max(end - start - slot.transition, 0);
    plan.album.items.push_back(std::move(slot.item));
}

void addChange(BeatPlan& plan, const BeatGrid& grid, int beat) {
    plan.changes.push_back({static_cast<int>(plan.album.items.size()) + 1, grid.frameAt(beat), beat,
                            grid.secondsAt(beat)});
}

// Counts of beats each picture but the last spans so that the last change is the last beat
// before the music ends: own times first, the rest shared as evenly as whole beats allow.
std::optional<std::vector<int>> fittedSpans(const std::vector<Slot>& slots, const BeatGrid& grid,
                                            int lastBeat) {
    std::vector<int> spans(slots.size() - 1, 0);
    int left = lastBeat + 1;
    int shared = 0;
    for (std::size_t k = 0; k + 1 < slots.size(); ++k) {
        if (!slots[k].item.stillFrames) {
            ++shared;
            continue;
        }
        const double own =
            (slots[k].transition + *slots[k].item.stillFrames) / (grid.period * frameRate);
        spans[k] = std::max(1, static_cast<int>(std::lround(own)));
        left -= spans[k];
    }
    if (left < shared || (shared == 0 && left != 0))
        return std::nullopt;
    for (std::size_t k = 0, given = 0; k + 1 < slots.size(); ++k) {
        if (slots[k].item.stillFrames)
            continue;
        spans[k] = static_cast<int>((left * (given + 1)) / shared - (left * given) / shared);
        ++given;
    }
    return spans;
}

bool planFitted(BeatPlan& plan, const std::vector<Slot>& slots, const BeatGrid& grid,
                int musicEnd) {
    // The last change is the last beat that leaves its transition room before the music ends.
    const int room = musicEnd - slots.back().transition;
    int lastBeat = -1;
    while (lastBeat + 1 < static_cast<int>(grid.beats.size()) && grid.frameAt(lastBeat + 1) < room)
        ++lastBeat;
    if (slots.size() < 2 || lastBeat < 0)
        return false;
    const std::optional<std::vector<int>> spans = fittedSpans(slots, grid, lastBeat);
    if (!spans)
        return false;
    int start = 0;
    int beat = -1;
    for (std::size_t k = 0; k + 1 < slots.size(); ++k) {
        beat += (*spans)[k];
        place(plan, slots[k], start, grid.frameAt(beat));
        addChange(plan, grid, beat);
        start = grid.frameAt(beat);
    }
    place(plan, slots.back(), start, std::max(musicEnd, start + slots.back().transition));
    return true;
}

void planStepped(BeatPlan& plan, const AlbumProject& album, const BeatGrid& grid, int hold,
                 bool loop, int musicEnd) {
    const std::size_t count = album.items.size();
    int start = 0;
    int beat = -1;
    for (std::size_t k = 0;; ++k) {
        const Slot slot = slotFor(album, album.items[k % count], k >= count && k % count == 0);
        const int next = nextBeat(grid, slot, beat, start, plan.beatStep, hold);
        const int end = grid.frameAt(next);
        place(plan, slot, start, end);
        const bool more = loop ? (k + 1 < count || end < musicEnd) : k + 1 < count;
        if (!more || end > kMaxPlannedFrames)
            return;
        addChange(plan, grid, next);
        start = end;
        beat = next;
    }
}

} // namespace

std::optional<BeatPlan> planBeatChanges(const AlbumProject& album,
                                        const std::vector<double>& beats) {
    if (album.items.empty() || !beatsFormPulse(beats))
        return std::nullopt;
    const VideoSettings& s = album.settings;
    // The tracker needs a second or two of music before it reports a beat; the pulse it then
    // finds is carried back to the start.
    const double period = medianGap(beats);
    std::vector<double> pulse;
    for (double early = beats.front() - period; early > 0.0; early -= period)
        pulse.insert(pulse.begin(), early);
    pulse.insert(pulse.end(), beats.begin(), beats.end());
    BeatGrid grid{pulse, period};
    BeatPlan plan;
    plan.album = album;
    plan.album.items.clear();
    plan.album.settings.beatSync = false;
    plan.album.settings.bgsoundAutoSetImageLoopPlay = false;
    plan.album.settings.bgsoundAutoSetPauseTime = false;
    const int hold = std::max(s.stillFrames, 1);
    const double beatFrames = grid.period * frameRate;
    plan.beatStep = beatFrames >= hold ? 1 : 2 * beatFrames >= hold ? 2 : 4;

    const bool music = s.bgsound && totalMusicSeconds(album) > 0.f;
    const int musicEnd = static_cast<int>(std::lround(totalMusicSeconds(album) * frameRate));
    if (music && s.bgsoundAutoSetPauseTime && !s.bgsoundAutoSetImageLoopPlay) {
        std::vector<Slot> slots;
        for (const AlbumItem& item : album.items)
            slots.push_back(slotFor(album, item, false));
        if (planFitted(plan, slots, grid, musicEnd))
            return plan;
        plan.album.items.clear();
        plan.changes.clear();
    }
    planStepped(plan, album, grid, hold, music && s.bgsoundAutoSetImageLoopPlay, musicEnd);
    return plan;
}

} // namespace velomira
