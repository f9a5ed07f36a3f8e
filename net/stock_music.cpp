#include "net/stock_music.h"

#include "app/text_conversion.h"
#include "platform/file_writes.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// Temporary file beside the target, flushed to disk, then renamed over it: a reader (or a
// crash) sees the old file or the whole new one, never a part.
bool replaceFile(const std::filesystem::path& target, std::string_view bytes) {
    std::string temporary =
        (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.valid())
        return false;
    bool done =
        writeAll(file.get(), bytes) && ::fchmod(file.get(), 0644) == 0 && ::fsync(file.get()) == 0;
    done = file.close() && done;
    if (done && ::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

bool hasRightSize(const std::filesystem::path& file, std::uint64_t size) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) &&
           std::filesystem::file_size(file, error) == size && !error;
}

} // namespace

bool isSafeStockFileName(std::string_view name) {
    if (name.empty() || name == ".")
        return false;
    for (std::string_view bad : {"/", "\\", ".."})
        if (name.find(bad) != std::string_view::npos)
            return false;
    return name.find('\0') == std::string_view::npos;
}

std::vector<StockMusicEntry> parseStockMusicList(std::string_view list) {
    std::vector<StockMusicEntry> entries;
    while (!list.empty()) {
        size_t end = list.find('\n');
        std::string_view line = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);

        std::string_view fields[3];
        int count = 0;
        while (count < 3) {
            size_t bar = line.find('|');
            fields[count++] = line.substr(0, bar);
            if (bar == std::string_view::npos)
                break;
            line.remove_prefix(bar + 1);
        }
        if (count < 3)
            continue;

        StockMusicEntry entry;
        std::string_view sizeText = fields[1];
        auto [stop, error] =
            std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), entry.size);
        if (error != std::errc() || stop != sizeText.data() + sizeText.size() || sizeText.empty())
            continue;
        if (fields[0].empty() || !isSafeStockFileName(fields[2]))
            continue;
        entry.address = fields[0];
        entry.fileName = fields[2];
        entries.push_back(std::move(entry));
    }
    return entries;
}

int syncStockMusic(HttpClient& client, const std::string& listUrl,
                   const std::filesystem::path& mp3Folder, const std::atomic<bool>* stop) {
    if (listUrl.empty())
        return 0;
    StopCheck stopped = [stop] { return stop != nullptr && stop->load(); };
    HttpResponse listReply = httpRequest(client, listUrl, "", "", 1, 0, RequestKind::Page, stopped);
    if (!listReply.ok)
        return 0;
    std::optional<std::string> list = convertText("UTF-8", "UTF-8", listReply.body);
    if (!list)
        return 0;

    std::error_code ignored;
    std::filesystem::create_directories(mp3Folder, ignored);
    int written = 0;
    for (const StockMusicEntry& entry : parseStockMusicList(*list)) {
        std::filesystem::path target = mp3Folder / entry.fileName;
        if (hasRightSize(target, entry.size))
            continue;
        if (stop && *stop)
            break;
        HttpResponse file =
            httpRequest(client, entry.address, "", "", 1, 0, RequestKind::Picture, stopped);
        if ((stop && *stop) || !file.ok || file.body.size() != entry.size)
            continue;
        if (replaceFile(target, file.body))
            ++written;
    }
    return written;
}

} // namespace velomira
