#include "video/music_links.h"

#include "video/encoder_args.h"

#include <cerrno>
#include <unistd.h>

namespace velomira {

namespace {

constexpr int kNameDraws = 2000; // bounded, so a folder full of old links cannot hang a run

} // namespace

std::string musicLinkName(const std::string& track, int number) {
    const std::string name = std::filesystem::path(track).filename().string();
    const std::string extension = logoCopyExtension(track);
    const bool hasOwn =
        name.size() > extension.size() &&
        name.compare(name.size() - extension.size() - 1, std::string::npos, "." + extension) == 0;
    return "music_" + std::to_string(number) + (hasOwn ? "." + extension : "");
}

MusicTrackNames::~MusicTrackNames() {
    for (const std::filesystem::path& link : links_)
        ::unlink(link.c_str());
}

bool MusicTrackNames::prepare(const std::filesystem::path& folder, std::vector<std::string>& tracks,
                              std::mt19937& random) {
    std::uniform_int_distribution<int> number(10000, 99999);
    for (std::string& track : tracks) {
        std::error_code error;
        track = std::filesystem::absolute(track, error).string();
        if (error)
            return false;
        if (track.find('|') == std::string::npos)
            continue;
        std::filesystem::path link;
        for (int draw = 0; draw < kNameDraws && link.empty(); ++draw) {
            const std::filesystem::path candidate = folder / musicLinkName(track, number(random));
            if (::symlink(track.c_str(), candidate.c_str()) == 0)
                link = candidate;
            else if (errno != EEXIST)
                return false;
        }
        if (link.empty())
            return false;
        links_.push_back(link);
        track = std::filesystem::absolute(link, error).string();
        if (error || track.find('|') != std::string::npos)
            return false;
    }
    return true;
}

} // namespace velomira
