// Picture changes on the beat, and pictures with their own display time: every change of the
// plan sits on a beat, the frames the plan's album counts lead exactly there, and the album's
// own counts follow the pictures' times.
#include "render/auto_display_time.h"
#include "render/beat_plan.h"
#include "render/frame_sequencer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velomira {
namespace {

AlbumProject beatAlbum(int pictures, int transition, float musicSeconds) {
    AlbumProject album;
    setCustomVideoSize(album.settings, 64, 36);
    TransitionRandom random(5);
    for (int i = 0; i < pictures; ++i) {
        insertAlbumItem(album, "/p" + std::to_string(i) + ".jpg", -1, false, random);
        setItemTransition(album.items[i], i == 0 ? NO_TRANSITION : transition);
    }
    addMusicTrack(album, MusicTrack{"/m.mp3", musicSeconds * 1000.f, 44100});
    album.settings.beatSync = true;
    return album;
}

std::vector<double> pulse(double first, double gap, double until) {
    std::vector<double> beats;
    for (double t = first; t < until; t += gap)
        beats.push_back(t);
    return beats;
}

// Frame where each picture of the plan's album starts, by its own counts.
std::vector<int> startFrames(const AlbumProject& album) {
    std::vector<int> starts{0};
    for (const AlbumItem& item : album.items)
        starts.push_back(starts.back() + countPictureFrames(album, item));
    return starts;
}

TEST(BeatPlan, ChangesLandOnTheBeatsWithTheFewestBeatsThatHoldEachPicture) {
    const struct {
        const char* name;
        int transition;
        float hold;                   // the album's display time, seconds
        double gap;                   // seconds between beats
        int step;                     // beats per change expected
        bool fit, loop;               // display times follow the music / pictures repeat
        std::optional<int> ownFrames; // picture 2's own time
    } cases[] = {
        {"still, beat holds", NO_TRANSITION, 0.4f, 0.5, 1, false, false, {}},
        {"fade, two beats", 0, 0.8f, 0.5, 2, false, false, {}},
        {"four beats", 12, 1.6f, 0.5, 4, false, false, {}},
        {"late first beat", NO_TRANSITION, 0.4f, 0.5, 1, false, false, {}},
        {"own time", 0, 0.4f, 0.5, 1, false, false, 60},
        {"fit to music", 0, 0.4f, 0.5, 1, true, false, {}},
        {"fit with own time", NO_TRANSITION, 0.4f, 0.5, 1, true, false, 30},
        {"loop play", NO_TRANSITION, 0.9f, 0.45, 2, false, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlbumProject album = beatAlbum(4, c.transition, 12.f);
        setCustomDisplayTime(album.settings, std::to_string(c.hold));
        album.settings.bgsoundAutoSetPauseTime = c.fit;
        album.settings.bgsoundAutoSetImageLoopPlay = c.loop;
        album.items[2].stillFrames = c.ownFrames;
        const double first = std::string(c.name) == "late first beat" ? 1.5 : 0.25;
        const std::vector<double> beats = pulse(first, c.gap, 11.9);
        const std::optional<BeatPlan> plan = planBeatChanges(album, beats);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->beatStep, c.step);
        const std::vector<int> starts = startFrames(plan->album);
        ASSERT_EQ(plan->changes.size() + 1, plan->album.items.size());
        for (const BeatChange& change : plan->changes) {
            const double onBeat = std::fmod(change.seconds - first + 100 * c.gap + 1e-9, c.gap);
            EXPECT_LT(std::min(onBeat, c.gap - onBeat), 1e-6) << change.seconds;
            EXPECT_EQ(change.frame, std::lround(change.seconds * 25));
            EXPECT_EQ(starts[change.picture - 1], change.frame) << change.picture;
        }
        for (std::size_t k = 0; k + 1 < plan->album.items.size(); ++k) {
            const int held = starts[k + 1] - starts[k];
            if (plan->album.items[k].path == "/p2.jpg" && c.ownFrames && !c.fit) {
                EXPECT_LE(std::abs(held - countPictureFrames(album, album.items[2])),
                          std::lround(c.gap * 25 / 2) + 1);
            } else if (!c.fit) {
                EXPECT_GE(held, album.settings.stillFrames);
            }
        }
        if (c.fit) {
            EXPECT_EQ(plan->album.items.size(), 4u);
            // The last change is the last beat that leaves room for its transition before the
            // music ends, and the picture holds until then.
            const AlbumItem& last = plan->album.items.back();
            AlbumItem bare = last;
            bare.stillFrames = 0;
            const int transition = countPictureFrames(plan->album, bare);
            EXPECT_LE(plan->changes.back().frame + transition, 300);
            EXPECT_GT(std::lround((plan->changes.back().seconds + c.gap) * 25) + transition, 300);
            EXPECT_EQ(starts.back(), 300);
        }
        if (c.loop) {
            EXPECT_GT(plan->album.items.size(), 4u);
            EXPECT_GE(starts.back(), 300);
            EXPECT_LT(starts[starts.size() - 2], 300);
        }
    }
}

TEST(BeatPlan, NoPulseKeepsTheEvenTimes) {
    const AlbumProject album = beatAlbum(3, 0, 6.f);
    EXPECT_FALSE(planBeatChanges(album, {}));
    EXPECT_FALSE(planBeatChanges(album, {1.0, 2.0, 3.0}));
    EXPECT_FALSE(planBeatChanges(album, pulse(0.0, 0.05, 6.0)));
    EXPECT_FALSE(planBeatChanges(beatAlbum(0, 0, 6.f), pulse(0.0, 0.5, 6.0)));
}

TEST(PictureTimes, CountsAndFittedTimesFollowThePicturesOwnTimes) {
    AlbumProject album = beatAlbum(3, 0, 20.f);
    const int transition = countPictureFrames(album, album.items[1]) - album.settings.stillFrames;
    album.items[1].stillFrames = 100;
    EXPECT_EQ(countPictureFrames(album, album.items[1]), transition + 100);
    EXPECT_EQ(countAlbumFrames(album), 2 * album.settings.stillFrames + 2 * transition + 100);
    // The music's 20 s less the own picture's are shared by the other two.
    ASSERT_TRUE(computeAutoDisplayTime(album));
    EXPECT_EQ(album.items[1].stillFrames, 100);
    EXPECT_NEAR(countAlbumFrames(album), 500, 2);
    // Every picture with a time of its own: nothing left to share.
    album.items[0].stillFrames = album.items[2].stillFrames = 10;
    EXPECT_FALSE(computeAutoDisplayTime(album));
}

} // namespace
} // namespace velomira
