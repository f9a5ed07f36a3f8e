#include "platform/registry.h"

#include "platform/file_writes.h"
#include "platform/paths.h"
#include "platform/registry_format.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velomira {

namespace fs = std::filesystem;

namespace {

// Whole content of the settings file; empty when it is missing or not a regular file (a FIFO
// or device put there must not block or flood the reader). A file longer than the limit keeps
// its complete lines only.
std::string readSettingsBytes(const fs::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!fd.valid() || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    std::string content;
    char chunk[16384];
    while (content.size() <= kRegistryFileMaxBytes) {
        ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        content.append(chunk, static_cast<size_t>(got));
    }
    if (content.size() > kRegistryFileMaxBytes) {
        content.resize(kRegistryFileMaxBytes);
        size_t lastLineEnd = content.rfind('\n');
        content.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    }
    return content;
}

std::optional<RegistryValue> readValue(const RegistryFile& file, const std::string& name) {
    RegistryValues values = parseRegistryText(readSettingsBytes(file.path));
    auto found = values.find(name);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}

// Replaces the file by a complete new one: temporary file in the same folder, fsync, rename,
// then fsync of the folder so the rename itself survives a crash.
bool replaceFile(const fs::path& path, const std::string& bytes) {
    std::string pattern = path.string() + ".tmp-XXXXXX";
    UniqueFd fd(mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    bool written = writeAll(fd.get(), bytes) && fsync(fd.get()) == 0;
    written = fd.close() && written;
    if (!written || ::rename(pattern.c_str(), path.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return false;
    }
    UniqueFd folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        fsync(folder.get());
    return true;
}

// Holds an exclusive flock on settings.ini.lock beside the file for its lifetime. The lock
// lives on a separate file because the settings file itself is replaced by every write.
class WriteLock {
  public:
    explicit WriteLock(const fs::path& settingsPath) {
        fs::path lockPath = settingsPath;
        lockPath += ".lock";
        fd_.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
        if (!fd_.valid())
            return;
        int result;
        while ((result = flock(fd_.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        locked_ = result == 0;
    }
    ~WriteLock() {
        if (locked_)
            flock(fd_.get(), LOCK_UN);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool locked() const { return locked_; }

  private:
    UniqueFd fd_;
    bool locked_ = false;
};

int writeValue(const RegistryFile& file, const std::string& name, RegistryValue value) {
    if (name.empty() || file.path.empty() || !file.path.has_filename())
        return 0;
    std::error_code ec;
    fs::path folder = file.path.parent_path();
    if (!folder.empty())
        fs::create_directories(folder, ec);
    WriteLock lock(file.path);
    if (!lock.locked())
        return 0;
    // Whatever good lines an unreadable file still has are carried over.
    RegistryValues values = parseRegistryText(readSettingsBytes(file.path));
    values.erase(name);
    values.emplace(name, std::move(value));
    std::string bytes = formatRegistryText(values);
    if (bytes.size() > kRegistryFileMaxBytes)
        return 0;
    return replaceFile(file.path, bytes) ? 1 : 0;
}

} // namespace

RegistryFile defaultRegistryFile() {
    return registryFileUnder(configHomeFolder());
}

RegistryFile registryFileUnder(const fs::path& configHome) {
    return RegistryFile{configHome / "Velomira" / "settings.ini"};
}

int readRegistryText(const RegistryFile& file, const std::string& name, std::string& value,
                     size_t bufferSize) {
    std::optional<RegistryValue> stored = readValue(file, name);
    const std::string* text = stored ? std::get_if<std::string>(&*stored) : nullptr;
    if (!text || text->size() + 1 > bufferSize)
        return 0;
    value = *text;
    return 1;
}

int writeRegistryText(const RegistryFile& file, const std::string& name, std::string_view value) {
    return writeValue(file, name, RegistryValue(std::string(value)));
}

int readRegistryNumber(const RegistryFile& file, const std::string& name, uint32_t& value) {
    std::optional<RegistryValue> stored = readValue(file, name);
    const uint32_t* number = stored ? std::get_if<uint32_t>(&*stored) : nullptr;
    if (!number)
        return 0;
    value = *number;
    return 1;
}

int writeRegistryNumber(const RegistryFile& file, const std::string& name, uint32_t value) {
    return writeValue(file, name, RegistryValue(value));
}

} // namespace velomira
