#pragma once
// Writes every frame as a numbered JPEG file (000001.jpg, 000002.jpg, ...) into a folder; a
// repeated frame becomes a hard link to the previous file (a copy where links are refused).
// Frames are new files only: a name already taken in the folder, or a link there, fails the
// write instead of being written over or through.
#include "render/frame_sink.h"

#include <filesystem>
#include <string>

namespace velomira {

class FolderSink final : public FrameSink {
  public:
    // The folder must exist. Numbering starts at 1.
    explicit FolderSink(std::filesystem::path folder);

    bool writeFrame(const unsigned char* bytes, std::size_t length) override;
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override;

    int framesWritten() const { return count_; }
    std::filesystem::path framePath(int number) const;

  private:
    std::filesystem::path folder_;
    int count_ = 0;
};

} // namespace velomira
