#pragma once
// The checks before a video or preview run: a size is chosen, the logo is usable, the music
// files exist and share a sample rate (or one is picked), the cover and its tool are there.
// Each refusal stops the run before anything starts and comes back with the warning to show.
#include "album/album_model.h"
#include "platform/failure.h"
#include "render/image/image_layer.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

enum class OutputMode { Video, Preview };

struct PreflightResult {
    bool accepted = false;
    int musicTrackToSelect = -1; // the track named by a refusal, for the music list
    // The refusal to show; none when accepted, or when the picture reader has shown its own.
    std::optional<Failure> failure;
};

// Sets project.settings.audioSampleRate (-1 when all tracks agree). In preview mode a usable
// logo is loaded into previewLogo at its corner; a logo that is off releases it.
PreflightResult checkBeforeGeneration(AlbumProject& project, OutputMode mode,
                                      const std::filesystem::path& programFolder,
                                      std::unique_ptr<PreviewLogo>* previewLogo = nullptr);

// The rate the encoder gets for tracks of these rates: -1 when all equal the first; else the
// higher of exactly two ascending rates, else the first of 44100, 48000, 32000, 24000, 22050
// that no track uses. 0 when none is left.
int chooseAudioSampleRate(const std::vector<int>& rates);

// The one rate of tracks that go through the filter graph: the highest, within 8000..48000.
int musicGraphRate(const std::vector<int>& rates);

// The text that names the first pair of differing rates (tracks i-1 and i).
std::string sampleRateMismatchText(const std::string& previousName, int previousRate,
                                   const std::string& name, int rate);

} // namespace velomira
