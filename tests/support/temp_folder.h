#pragma once
// A fresh folder under the system temporary folder, removed with everything in it.
#include <filesystem>
#include <string>

namespace velomira::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Full path of a file inside the folder, as text.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes bytes to a file inside the folder and returns its full path.
    std::string writeFile(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

} // namespace velomira::testing
