#include "media/beat_cache.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace velomira {

namespace {

constexpr std::string_view kMagic = "velomira-beats 1";
constexpr std::size_t kMaxEntryBytes = 16u << 20;

// Splits off the next line (without its newline); false at the end of the text.
bool nextLine(std::string_view& text, std::string_view& line) {
    if (text.empty())
        return false;
    const std::size_t end = text.find('\n');
    line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return true;
}

template <typename T> bool parseWhole(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc{} && at == end;
}

bool parseStamp(std::string_view line, const BeatCacheKey& key) {
    constexpr std::string_view prefix = "stamp ";
    if (!line.starts_with(prefix))
        return false;
    line.remove_prefix(prefix.size());
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return false;
    std::int64_t modified = 0;
    std::int64_t size = 0;
    return parseWhole(line.substr(0, space), modified) &&
           parseWhole(line.substr(space + 1), size) && modified == key.modified && size == key.size;
}

} // namespace

std::optional<BeatCacheKey> beatCacheKeyOf(const std::string& musicPath) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(musicPath, ec);
    if (ec)
        return std::nullopt;
    const auto time = std::filesystem::last_write_time(musicPath, ec);
    if (ec)
        return std::nullopt;
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    return BeatCacheKey{musicPath, static_cast<std::int64_t>(ns), static_cast<std::int64_t>(size)};
}

std::string formatBeatCache(const BeatCacheKey& key, const std::vector<double>& beats) {
    std::string text;
    text.reserve(64 + key.path.size() + beats.size() * 12);
    text.append(kMagic).append("\npath ").append(key.path);
    text += "\nstamp " + std::to_string(key.modified) + " " + std::to_string(key.size);
    text += "\nbeats " + std::to_string(beats.size()) + "\n";
    for (double beat : beats) {
        char number[32];
        std::snprintf(number, sizeof number, "%.4f\n", beat);
        text += number;
    }
    return text;
}

std::optional<std::vector<double>> parseBeatCache(std::string_view text, const BeatCacheKey& key) {
    std::string_view line;
    if (!nextLine(text, line) || line != kMagic)
        return std::nullopt;
    if (!nextLine(text, line) || !line.starts_with("path ") || line.substr(5) != key.path)
        return std::nullopt;
    if (!nextLine(text, line) || !parseStamp(line, key))
        return std::nullopt;
    std::size_t count = 0;
    if (!nextLine(text, line) || !line.starts_with("beats ") ||
        !parseWhole(line.substr(6), count) || count > kMaxCachedBeats)
        return std::nullopt;
    std::vector<double> beats;
    beats.reserve(count);
    while (nextLine(text, line)) {
        double beat = 0.0;
        if (beats.size() == count || !parseWhole(line, beat) || !std::isfinite(beat) ||
            beat < 0.0 || (!beats.empty() && beat <= beats.back()))
            return std::nullopt;
        beats.push_back(beat);
    }
    if (beats.size() != count)
        return std::nullopt;
    return beats;
}

std::filesystem::path beatCacheFile(const std::filesystem::path& folder,
                                    const std::string& musicPath) {
    // FNV-1a of the path: a short stable name; the entry itself names its path, so a clash
    // only costs a new analysis.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : musicPath) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.beats", static_cast<unsigned long long>(hash));
    return folder / name;
}

std::optional<std::vector<double>> readBeatCache(const std::filesystem::path& folder,
                                                 const BeatCacheKey& key) {
    std::ifstream in(beatCacheFile(folder, key.path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(kMaxEntryBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.gcount() > static_cast<std::streamsize>(kMaxEntryBytes))
        return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseBeatCache(text, key);
}

bool writeBeatCache(const std::filesystem::path& folder, const BeatCacheKey& key,
                    const std::vector<double>& beats) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path file = beatCacheFile(folder, key.path);
    std::filesystem::path temporary = file;
    temporary += "." + std::to_string(::getpid()) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << formatBeatCache(key, beats);
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec)
        std::filesystem::remove(temporary, ec);
    return !ec;
}

} // namespace velomira
