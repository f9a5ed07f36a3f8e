#pragma once
// The stock music folder, kept in step with the vendor's list at start-up. Runs on a worker
// thread: it touches only the network and the given folder, and fails silently.
#include "net/http_client.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct StockMusicEntry {
    std::string address;    // where the file is downloaded from
    std::uint64_t size = 0; // its exact size in bytes
    std::string fileName;   // its name in the music folder
};

// The list: one "address|size|name" per line ("\n" or "\r\n"); further fields are ignored.
// Lines with fewer fields, a size that is not a number, or a name that could leave the folder
// (empty, ".", containing "/", "\\" or "..") are left out.
std::vector<StockMusicEntry> parseStockMusicList(std::string_view list);

// True for a name that stays a plain file inside the folder.
bool isSafeStockFileName(std::string_view name);

// Fetches the list and every listed file whose copy in mp3Folder is missing or of another
// size. A download of the wrong size is never written; a right one replaces the old file in
// one step. Returns the number of files written. A set `stop` ends the work within a fraction
// of a second, also in the middle of a download.
int syncStockMusic(HttpClient& client, const std::string& listUrl,
                   const std::filesystem::path& mp3Folder, const std::atomic<bool>* stop = nullptr);

} // namespace velomira
