#pragma once
// The beats of one music file kept between runs: a small text file named after the music's
// path, valid while the music's modification time and size are those it was made from.
//
//   velomira-beats 1
//   path <music path>
//   stamp <modification time in ns> <size in bytes>
//   beats <n>
//   <n lines, one time in seconds each, ascending>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// What the cache entry belongs to.
struct BeatCacheKey {
    std::string path;
    std::int64_t modified = 0; // ns since the epoch
    std::int64_t size = 0;
};

// The key of the music file as it is now; nothing when it cannot be looked at.
std::optional<BeatCacheKey> beatCacheKeyOf(const std::string& musicPath);

// A day of music at two beats a second would be far more than any album has.
constexpr std::size_t kMaxCachedBeats = 200000;

std::string formatBeatCache(const BeatCacheKey& key, const std::vector<double>& beats);
// The beats of an entry made for exactly this key; nothing for any other entry, a malformed
// one, a count that does not match, or times that are negative, not finite or not ascending.
std::optional<std::vector<double>> parseBeatCache(std::string_view text, const BeatCacheKey& key);

// The entry's file in folder for the music path.
std::filesystem::path beatCacheFile(const std::filesystem::path& folder,
                                    const std::string& musicPath);
// Reads the entry for key (nothing when missing, unreadable or stale) and writes one (through
// a temporary name, so a reader never sees half an entry); false when it could not be written.
std::optional<std::vector<double>> readBeatCache(const std::filesystem::path& folder,
                                                 const BeatCacheKey& key);
bool writeBeatCache(const std::filesystem::path& folder, const BeatCacheKey& key,
                    const std::vector<double>& beats);

} // namespace velomira
