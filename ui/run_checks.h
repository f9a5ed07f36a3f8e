#pragma once
// The checks before a video or a preview, shown in the window: a refusal focuses the video size
// or selects the music track that failed.
#include "services/video_run.h"
#include "ui/main_window_view.h"
#include "ui/music_list.h"

#include <filesystem>
#include <memory>

namespace velomira {

// logo receives the preview's logo (OutputMode::Preview only; nullptr otherwise).
bool passesPreflight(AlbumProject& album, OutputMode mode, MainWindowView& view, MusicList& music,
                     const std::filesystem::path& programFolder,
                     std::unique_ptr<PreviewLogo>* logo = nullptr);

} // namespace velomira
