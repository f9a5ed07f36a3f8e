#pragma once
// The soundtrack's tracks as the encoder's joined input names them. The encoder reads the
// tracks' bytes one after the other from a list that a bar separates, so a track whose name
// holds a bar is named through a link of a plain name, made in the work folder for the run and
// removed with it; the other names are passed as they are, so the sound stays what it was.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace velomira {

// The link's name: "music_<number>", with the track's extension when that is made of ASCII
// letters and digits only (the encoder guesses the format from the list's last name too).
std::string musicLinkName(const std::string& track, int number);

class MusicTrackNames {
  public:
    MusicTrackNames() = default;
    // Removes the links.
    ~MusicTrackNames();
    MusicTrackNames(const MusicTrackNames&) = delete;
    MusicTrackNames& operator=(const MusicTrackNames&) = delete;

    // Names every track from the root (the encoder may run in another folder) and replaces a
    // name holding a bar by a link in the folder; false when that cannot be done.
    bool prepare(const std::filesystem::path& folder, std::vector<std::string>& tracks,
                 std::mt19937& random);

  private:
    std::vector<std::filesystem::path> links_;
};

} // namespace velomira
