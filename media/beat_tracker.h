#pragma once
// The beats of a piece of music: mono samples are fed in blocks to aubio's tempo tracker, which
// reports each beat's time. Feeding in blocks lets the caller show progress and stop between
// them. The tracker wants a steady tempo over several seconds; music whose tempo drifts (and
// whose hits are clear) still has its beats in the hits themselves, so these are kept too.
#include <cstddef>
#include <memory>
#include <vector>

namespace velomira {

// The rate the music is decoded to for the analysis; beats need no more.
constexpr int kBeatSampleRate = 22050;

class BeatTracker {
  public:
    explicit BeatTracker(int sampleRate = kBeatSampleRate);
    ~BeatTracker();
    BeatTracker(const BeatTracker&) = delete;
    BeatTracker& operator=(const BeatTracker&) = delete;

    // False when aubio could not be set up; feed then does nothing.
    bool ready() const;
    void feed(const float* samples, std::size_t count);
    // Beat times in seconds from the first sample fed, ascending: the tempo tracker's, or the
    // hits when only they make a pulse whose tempo moves no more than a quarter per beat.
    const std::vector<double>& beats() const;

  private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    void hop(const float* samples);

    int sampleRate_;
    std::vector<float> pending_; // samples short of a whole hop
    std::vector<double> beats_;
    std::vector<double> hits_;     // sudden rises of the hop energy
    std::vector<double> energies_; // the last hops' energies, for the rise's reference
    long long hops_ = 0;
};

// Beats that make a pulse: at least kMinBeats of them, their gaps between 0.2 s and 2 s on the
// median. Speech and ambient sound give scattered or no beats and count as none.
constexpr std::size_t kMinBeats = 4;
bool beatsFormPulse(const std::vector<double>& beats);

} // namespace velomira
