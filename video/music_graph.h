#pragma once
// The encoder's filter graph for the music when it is shaped: every track resampled to one rate
// and two channels, the tracks joined (cross-faded when fades are on), brought to an even
// loudness with values measured beforehand, and faded in at the start and out before the
// video's end. The graph names no file, so no path can reach its text.
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// What a measuring pass found of the joined music (loudnorm's first-pass values).
struct LoudnessMeasure {
    double integrated = 0.0; // LUFS
    double truePeak = 0.0;   // dBTP
    double range = 0.0;      // LU
    double threshold = 0.0;  // LUFS
    double offset = 0.0;     // LU
};

struct MusicGraphInput {
    std::vector<double> trackSeconds; // each track's length, in list order
    double videoSeconds = 0.0;        // the -t value: the music never runs past it
    int sampleRate = 44100;
    double fadeOutSeconds = 0.0;             // 0: no fades, the tracks joined hard
    std::optional<double> loudness;          // the target in LUFS; none: as it is
    std::optional<LoudnessMeasure> measured; // none: the target is not applied
    double startSeconds = 0.0; // a range's video starts this far into the whole video's music
};

// The cross-fade between the music so far (joinedSeconds long) and the next track: at most
// kMusicCrossfadeSeconds and half of the shorter side; 0 when fades are off or too short.
double crossfadeSeconds(const MusicGraphInput& input, double joinedSeconds, double nextSeconds);
// The joined music's length: the tracks less their cross-fades.
double joinedMusicSeconds(const MusicGraphInput& input);

// The graph for the encoder: the tracks are inputs firstInput.. and the result is [aout].
std::string musicFilterGraph(const MusicGraphInput& input, int firstInput);
// The measuring pass's graph: the tracks are inputs 0.. joined as in the video, cut to its
// length, into loudnorm printing its measurement; the result is [aout].
std::string loudnessMeasureGraph(const MusicGraphInput& input);

// The measurement in loudnorm's JSON summary at the end of the pass's output; none when the
// text holds no complete, finite summary.
std::optional<LoudnessMeasure> parseLoudnessSummary(const std::string& text);

} // namespace velomira
