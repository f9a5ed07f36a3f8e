#pragma once
// The per-user settings: typed values under the key SOFTWARE\Velomira, kept in a text file
// instead of a registry. Several copies of the program may run at once, so every write is
// read-modify-write under an advisory lock and lands by rename; readers never see half a file.
// Every helper returns 1 on success and 0 on failure.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velomira {

struct RegistryFile {
    std::filesystem::path path;
};

// $XDG_CONFIG_HOME/Velomira/settings.ini (default ~/.config/Velomira/settings.ini).
RegistryFile defaultRegistryFile();
// settings.ini under configHome/Velomira, for a chosen base folder.
RegistryFile registryFileUnder(const std::filesystem::path& configHome);

// The caller's buffer size of a text read, terminator included.
inline constexpr size_t kRegistryTextBufferSize = 260;
// Larger files are read only up to here; writes that would grow past it are refused.
inline constexpr size_t kRegistryFileMaxBytes = 1024 * 1024;

// Fails when the value is absent, is a number, or needs more than bufferSize bytes with its
// terminator; value is then left unchanged.
int readRegistryText(const RegistryFile& file, const std::string& name, std::string& value,
                     size_t bufferSize = kRegistryTextBufferSize);
int writeRegistryText(const RegistryFile& file, const std::string& name, std::string_view value);

// Fails when the value is absent or is a text; value is then left unchanged.
int readRegistryNumber(const RegistryFile& file, const std::string& name, uint32_t& value);
int writeRegistryNumber(const RegistryFile& file, const std::string& name, uint32_t value);

} // namespace velomira
