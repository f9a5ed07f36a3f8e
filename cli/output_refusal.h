#pragma once
// Outputs that would destroy what a run reads: a video, project or report written over one of
// the run's own pictures, music, logo, cover, project or batch file (the same file by device and
// inode, whatever its spelling), and frames written among a folder's other files. Found before
// any work, so nothing is lost.
#include "album/album_model.h"
#include "cli/batch_plan.h"
#include "cli/render_options.h"

#include <string>

namespace velomira {

// Why the run cannot write its outputs, else empty. video is the video file the run makes
// (empty when it makes frames or only the --info report).
std::string outputRefusal(const AlbumProject& album, const RenderOptions& options,
                          const std::string& video);

// The same for a batch: its report and its rows' videos against the batch file and the files
// every row reads.
std::string batchOutputRefusal(const std::string& batchFile, const BatchPlan& plan,
                               const std::string& report);

} // namespace velomira
