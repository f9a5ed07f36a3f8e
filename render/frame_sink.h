#pragma once
// Where encoded frames go: the encoder's pipe, the preview queue, a folder of numbered JPEG
// files, or a test recorder.
#include <cstddef>

namespace velomira {

class FramePool;

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // A newly composed frame. False when the frame could not be delivered.
    virtual bool writeFrame(const unsigned char* bytes, std::size_t length) = 0;
    // The same bytes as the frame delivered last, again (a held frame); a sink may store it
    // once and refer to it.
    virtual bool repeatFrame(const unsigned char* bytes, std::size_t length) = 0;
    // Frame-sized memory kept for the whole run that feeds this sink, or none (each transition
    // then maps its own).
    virtual FramePool* framePool() { return nullptr; }
};

} // namespace velomira
