#pragma once
// The frames of a GIF animation as still picture files: the animation is read, coalesced (every
// frame composed over the ones before it as the disposal rules demand, so each is a whole
// picture), and written frame by frame into a folder under fresh names.
#include "render/image/magick_handles.h"

#include <filesystem>
#include <string>

namespace velomira {

// Numbers the frame files of every import of the process, so two imports in one second never
// draw the same name. The program keeps one from start to exit.
struct GifFrameCounter {
    int next = 1001;
};

// "%s-%d.%s": the time text, the counter and "png" for a frame with an alpha channel, else
// "jpg".
std::string gifFrameFileName(const std::string& timeText, int counter, bool alpha);

// The local time now as "%H-%M-%S".
std::string localTimeText();

enum class GifOpenStatus {
    Opened,
    NotGif,    // the file does not start with a GIF signature (a renamed picture, anything else)
    Unreadable // missing, unreadable, damaged or truncated: the library reported an error
};

// The frames are composed a few at a time, so memory holds the animation as read plus one
// step of whole frames, however long the animation (the library's pixel cache would otherwise
// spill to disk, or run out, with hundreds of whole frames).
class GifFrameSequence {
  public:
    // framesPerStep: how many frames are composed together (at least; a step ends only after
    // a frame that is left in place, so the next step can start from its picture alone).
    explicit GifFrameSequence(int framesPerStep = 32)
        : framesPerStep_(framesPerStep < 1 ? 1 : framesPerStep) {}

    // Reads the animation and composes the first step. A file the library reads only in part
    // (cut off, a broken block) is Unreadable: its last frame would be half a picture. failure
    // gets the library's reason.
    GifOpenStatus open(const std::string& path, std::string& failure);

    // Frames in the animation, and frames not yet written.
    int count() const { return count_; }
    int remaining() const { return count_ - written_; }

    // Writes the next frame into folder as gifFrameFileName(timeText, counter, alpha), drawing
    // counters until the name is unused (every draw advances the counter; an existing file is
    // never touched). Returns false, with the reason in failure, when there is no frame left or
    // the frame cannot be composed or written (a partly written file is removed); the frame is
    // dropped either way. When written is given, it receives the frame that was written (its
    // pixels are shared, not copied), for work that would otherwise read the file back.
    bool writeNext(const std::filesystem::path& folder, const std::string& timeText,
                   GifFrameCounter& counter, std::string& path, std::string& failure,
                   Image* written = nullptr);

  private:
    bool composeNextStep(std::string& failure);

    int framesPerStep_;
    Image animation_; // the frames as read
    Image composed_;  // whole frames of the current step not yet written, the next one current
    Image carried_;   // the last whole frame so far: the picture the next step starts from
    int count_ = 0;
    int written_ = 0;
    int nextSource_ = 0; // first frame of animation_ not yet composed
};

} // namespace velomira
