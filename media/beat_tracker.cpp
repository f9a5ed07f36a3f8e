#include "media/beat_tracker.h"

#include <aubio/aubio.h>

#include <algorithm>

namespace velomira {

namespace {

constexpr uint_t kWindow = 1024;
constexpr uint_t kHop = 256; // 11.6 ms at 22050 Hz: well within a video frame

struct TempoDeleter {
    void operator()(aubio_tempo_t* tempo) const { del_aubio_tempo(tempo); }
};
struct VectorDeleter {
    void operator()(fvec_t* vector) const { del_fvec(vector); }
};

} // namespace

struct BeatTracker::Handles {
    std::unique_ptr<aubio_tempo_t, TempoDeleter> tempo;
    std::unique_ptr<fvec_t, VectorDeleter> in;
    std::unique_ptr<fvec_t, VectorDeleter> out;
};

BeatTracker::BeatTracker(int sampleRate)
    : handles_(std::make_unique<Handles>()), sampleRate_(std::max(sampleRate, 1)) {
    handles_->tempo.reset(
        new_aubio_tempo("default", kWindow, kHop, static_cast<uint_t>(std::max(sampleRate, 1))));
    handles_->in.reset(new_fvec(kHop));
    handles_->out.reset(new_fvec(1));
    pending_.reserve(kHop);
}

BeatTracker::~BeatTracker() = default;

bool BeatTracker::ready() const {
    return handles_->tempo && handles_->in && handles_->out;
}

void BeatTracker::feed(const float* samples, std::size_t count) {
    if (!ready())
        return;
    Handles& h = *handles_;
    for (std::size_t i = 0; i < count; ++i) {
        pending_.push_back(samples[i]);
        if (pending_.size() < kHop)
            continue;
        std::copy(pending_.begin(), pending_.end(), h.in->data);
        hop(pending_.data());
        pending_.clear();
        aubio_tempo_do(h.tempo.get(), h.in.get(), h.out.get());
        if (h.out->data[0] == 0.f)
            continue;
        const double at = aubio_tempo_get_last_s(h.tempo.get());
        if (at >= 0.0 && (beats_.empty() || at > beats_.back()))
            beats_.push_back(at);
    }
}

// A hit: the hop's energy at least four times the mean of the hops before it, well above
// silence, and no closer than 150 ms to the hit before.
void BeatTracker::hop(const float* samples) {
    double energy = 0.0;
    for (uint_t i = 0; i < kHop; ++i)
        energy += static_cast<double>(samples[i]) * samples[i];
    constexpr std::size_t kReference = 16;
    double mean = 0.0;
    for (double e : energies_)
        mean += e;
    mean = energies_.empty() ? 0.0 : mean / static_cast<double>(energies_.size());
    const double at = static_cast<double>(hops_) * kHop / sampleRate_;
    if (energy > 4.0 * mean && energy > 1e-3 * kHop && (hits_.empty() || at - hits_.back() > 0.15))
        hits_.push_back(at);
    if (energies_.size() == kReference)
        energies_.erase(energies_.begin());
    energies_.push_back(energy);
    ++hops_;
}

const std::vector<double>& BeatTracker::beats() const {
    if (beatsFormPulse(beats_) || !beatsFormPulse(hits_))
        return beats_;
    for (std::size_t i = 2; i < hits_.size(); ++i) {
        const double ratio = (hits_[i] - hits_[i - 1]) / (hits_[i - 1] - hits_[i - 2]);
        if (ratio < 0.8 || ratio > 1.25)
            return beats_;
    }
    return hits_;
}

bool beatsFormPulse(const std::vector<double>& beats) {
    if (beats.size() < kMinBeats)
        return false;
    std::vector<double> gaps;
    gaps.reserve(beats.size() - 1);
    for (std::size_t i = 1; i < beats.size(); ++i)
        gaps.push_back(beats[i] - beats[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    const double median = gaps[gaps.size() / 2];
    return median >= 0.2 && median <= 2.0;
}

} // namespace velomira
