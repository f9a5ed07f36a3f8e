#pragma once
// Turns the album into the stream of frames: one picture at a time through its transition
// effect, passes repeated for loop play, with progress and stop. The same walk in counting
// mode gives frame counts and the video length without reading a single picture.
#include "album/album_model.h"
#include "app/caption_margins.h"
#include "platform/failure.h"
#include "render/caption_fonts.h"
#include "render/frame_sink.h"
#include "render/image/image_layer.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace velomira {

// What a run reads besides the album. Everything is borrowed and must outlive the run.
struct SequencerContext {
    const AlbumProject* project = nullptr;
    FrameSink* sink = nullptr;
    const PreviewLogo* logo = nullptr; // preview runs only
    FrameFormat format = FrameFormat::Jpeg;
    const CaptionFontTable* fonts = nullptr;
    CaptionMargins margins;
    // A picture that no longer reads ends the run; its reader's message comes here (the
    // caller shows or keeps it). Optional.
    std::function<void(const Failure&)> readFailed;
    // A picture that read with a warning that its data ends early: it is used as it came, and
    // its path comes here when its turn comes. Optional.
    std::function<void(const std::string& path)> cutShort;
    // Finds the focal region of a picture that has none yet, while the album follows found
    // regions (called when the picture's turn comes, so a run waits only for the pictures it
    // draws). Optional: without it such pictures are framed around their middle.
    std::function<std::optional<FocalRegion>(const AlbumItem& item)> findFocus;
};

enum class PictureStatus {
    Rendered,
    ReadFailed,     // the picture no longer reads; its message went to readFailed
    DeliveryFailed, // the sink refused a frame
};

struct PictureResult {
    PictureStatus status = PictureStatus::Rendered;
    Image finalFrame; // the next picture's previous frame; none unless Rendered
};

// The decode size hint for the item's picture: twice the size it is fitted to, in the
// orientation of the file; {0, 0} when the picture is not much larger than that or its size
// cannot be read from its header.
std::pair<int, int> pictureSizeHint(const VideoSettings& settings, const AlbumItem& item);

// Reads, rotates and fits the picture, makes its caption and runs its transition from the
// previous frame (consumed).
PictureResult renderPicture(const SequencerContext& context, const AlbumItem& item,
                            Image previousFrame);

// Frames the picture adds to the video (transition + still frames). Reads no file.
int countPictureFrames(const AlbumProject& project, const AlbumItem& item);
// The sum over the album in order.
int countAlbumFrames(const AlbumProject& project);

// Pictures to render so that loop play covers the music (at least the number of pictures),
// and the resulting video length in seconds.
int loopPlayPictureCount(const AlbumProject& project, float* videoLengthOut = nullptr);

// Frames a run of totalPictures pictures delivers (the list repeated as renderAlbum repeats it).
long long countRunFrames(const AlbumProject& project, int totalPictures);

// The frame of the run at which picture n (1-based, counted as renderAlbum counts the repeated
// list) starts: the frames of the pictures before it. Every start frame and range length is
// taken from here, so that a picture's own frame count is decided in one place.
long long pictureStartFrame(const AlbumProject& project, int picture);

// The video length: the loop-play length when music decides it, else all frames / 25.
float videoLengthSeconds(const AlbumProject& project);

enum class RunOutcome { Completed, Stopped, DeliveryFailed, ReadFailed };

// Renders pictures 1..totalPictures (the list repeated as needed) into the context's sink.
// stop is tested before each picture; progress receives the 1-based picture number.
RunOutcome renderAlbum(const SequencerContext& context, int totalPictures,
                       const std::atomic<bool>& stop,
                       const std::function<void(int)>& progress = nullptr);

// Renders pictures first..last of the run (1-based, as renderAlbum counts them). A range that
// does not start at the first picture enters from the previous picture's final frame, which is
// worked out without delivering its frames, so every frame equals the whole run's frame at that
// position. progress receives the picture's number within the range, from 1.
RunOutcome renderPictures(const SequencerContext& context, int first, int last,
                          const std::atomic<bool>& stop,
                          const std::function<void(int)>& progress = nullptr);

// "视频长度: 00:01:05" for the status bar.
std::string videoLengthText(float seconds);
// ", 动画长度: 2.40秒" appended to a selected picture's information.
std::string pictureLengthText(int frames);

} // namespace velomira
