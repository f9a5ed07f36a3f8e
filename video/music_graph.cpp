#include "video/music_graph.h"

#include "album/album_model.h"
#include "app/json_handles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velomira {

namespace {

// Numbers in the graph's text, with a point whatever the locale, and no exponent.
std::string number(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string label(const char* stem, std::size_t index) {
    return "[" + std::string(stem) + std::to_string(index) + "]";
}

// Loudness range allowed by the applied pass: wide, so the pass stays one linear gain.
constexpr double kLoudnessRange = 20.0;

std::string loudnormTarget(double target) {
    return "loudnorm=I=" + number(target) + ":TP=" + number(kMusicTruePeakDb) +
           ":LRA=" + number(kLoudnessRange);
}

// Each track as float stereo at the one rate, then joined into [j]; returns that graph.
std::string joinedTracks(const MusicGraphInput& input, int firstInput) {
    std::string graph;
    const std::string format = "aresample=" + std::to_string(input.sampleRate) +
                               ",aformat=sample_fmts=fltp:channel_layouts=stereo";
    const std::size_t count = input.trackSeconds.size();
    for (std::size_t i = 0; i < count; ++i)
        graph += "[" + std::to_string(firstInput + static_cast<int>(i)) + ":a]" + format +
                 label("m", i) + ";";
    std::string joined = label("m", 0);
    double joinedSeconds = count > 0 ? input.trackSeconds[0] : 0.0;
    for (std::size_t i = 1; i < count; ++i) {
        const double fade = crossfadeSeconds(input, joinedSeconds, input.trackSeconds[i]);
        graph += joined + label("m", i);
        if (fade > 0.0)
            graph += "acrossfade=d=" + number(fade) + ":c1=qsin:c2=qsin";
        else
            graph += "concat=n=2:v=0:a=1";
        joined = label("j", i);
        graph += joined + ";";
        joinedSeconds += input.trackSeconds[i] - fade;
    }
    return graph + joined + "anull[j]";
}

} // namespace

double crossfadeSeconds(const MusicGraphInput& input, double joinedSeconds, double nextSeconds) {
    if (input.fadeOutSeconds <= 0.0)
        return 0.0;
    const double fade =
        std::min(kMusicCrossfadeSeconds, 0.5 * std::min(joinedSeconds, nextSeconds));
    return fade >= 0.01 ? fade : 0.0;
}

double joinedMusicSeconds(const MusicGraphInput& input) {
    double joined = input.trackSeconds.empty() ? 0.0 : input.trackSeconds[0];
    for (std::size_t i = 1; i < input.trackSeconds.size(); ++i)
        joined += input.trackSeconds[i] - crossfadeSeconds(input, joined, input.trackSeconds[i]);
    return joined;
}

std::string musicFilterGraph(const MusicGraphInput& input, int firstInput) {
    std::string graph = joinedTracks(input, firstInput) + ";[j]";
    std::vector<std::string> steps;
    if (input.loudness && input.measured) {
        const LoudnessMeasure& m = *input.measured;
        steps.push_back(loudnormTarget(*input.loudness) + ":measured_I=" + number(m.integrated) +
                        ":measured_TP=" + number(m.truePeak) + ":measured_LRA=" + number(m.range) +
                        ":measured_thresh=" + number(m.threshold) + ":offset=" + number(m.offset) +
                        ":linear=true:print_format=none");
        // The loudness pass works at its own rate; the video keeps the tracks' one rate.
        steps.push_back("aresample=" + std::to_string(input.sampleRate));
    }
    if (input.fadeOutSeconds > 0.0) {
        // Fades end where the sound ends: at the video's end, or earlier when the music does.
        // A range keeps the whole video's timeline: its fades sit where the whole video has them.
        const double end =
            std::min(input.startSeconds + input.videoSeconds, joinedMusicSeconds(input));
        const double in = std::min(kMusicFadeInSeconds, end / 2.0);
        const double out = std::min(input.fadeOutSeconds, end);
        if (in > 0.0)
            steps.push_back("afade=t=in:d=" + number(in) + ":curve=cub");
        if (out > 0.0)
            steps.push_back("afade=t=out:st=" + number(end - out) + ":d=" + number(out) +
                            ":curve=cub");
    }
    if (input.startSeconds > 0.0)
        steps.push_back("atrim=start=" + number(input.startSeconds) + ",asetpts=PTS-STARTPTS");
    if (steps.empty())
        steps.push_back("anull");
    for (std::size_t i = 0; i < steps.size(); ++i)
        graph += (i > 0 ? "," : "") + steps[i];
    return graph + "[aout]";
}

std::string loudnessMeasureGraph(const MusicGraphInput& input) {
    return joinedTracks(input, 0) + ";[j]atrim=end=" + number(input.videoSeconds) + "," +
           loudnormTarget(input.loudness.value_or(kMusicLoudnessLufs)) + ":print_format=json[aout]";
}

namespace {

// A member of the summary: loudnorm writes every value as a string.
std::optional<double> summaryValue(const cJSON* root, const char* key) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(root, key);
    if (!cJSON_IsString(item) || item->valuestring == nullptr)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(item->valuestring, &end);
    if (end == item->valuestring || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<LoudnessMeasure> parseLoudnessSummary(const std::string& text) {
    // The summary is the last brace-enclosed block; what comes before it is the log.
    const std::size_t close = text.rfind('}');
    if (close == std::string::npos)
        return std::nullopt;
    const std::size_t open = text.rfind('{', close);
    if (open == std::string::npos)
        return std::nullopt;
    JsonTree root(cJSON_ParseWithLength(text.data() + open, close - open + 1));
    if (!root || !cJSON_IsObject(root.get()))
        return std::nullopt;
    const auto integrated = summaryValue(root.get(), "input_i");
    const auto peak = summaryValue(root.get(), "input_tp");
    const auto range = summaryValue(root.get(), "input_lra");
    const auto threshold = summaryValue(root.get(), "input_thresh");
    const auto offset = summaryValue(root.get(), "target_offset");
    if (!integrated || !peak || !range || !threshold || !offset)
        return std::nullopt;
    return LoudnessMeasure{*integrated, *peak, *range, *threshold, *offset};
}

} // namespace velomira
