// Feeds arbitrary bytes to the reader of the loudness pass's summary: a measurement is whole
// and finite, and the graph made from it stays one line of plain text.
#include "fuzz/fuzz_support.h"
#include "video/music_graph.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<LoudnessMeasure> measure = parseLoudnessSummary(text);
    if (!measure)
        return 0;
    for (double value : {measure->integrated, measure->truePeak, measure->range, measure->threshold,
                         measure->offset})
        fuzz::check(std::isfinite(value));
    MusicGraphInput graph;
    graph.trackSeconds = {3.0};
    graph.videoSeconds = 3.0;
    graph.loudness = -14.0;
    graph.measured = measure;
    const std::string filter = musicFilterGraph(graph, 1);
    fuzz::check(filter.find('\n') == std::string::npos && filter.find('\'') == std::string::npos);
    return 0;
}
