#include "ui/music_list.h"

#include "album/duration_text.h"
#include "album/music_shaping.h"
#include "media/mp3_info.h"
#include "platform/dialogs.h"
#include "platform/translation.h"
#include "services/music_track.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

namespace velomira {

MusicLineColumns musicLineColumns(const std::string& line) {
    MusicLineColumns columns;
    std::string rest = line;
    const std::string suffix = kListeningSuffix;
    if (rest.size() >= suffix.size() && rest.ends_with(suffix)) {
        rest.resize(rest.size() - suffix.size());
        columns.mark = suffix.substr(1);
    }
    // " <digits>Hz     <length>", searched from the end: a file name may hold anything.
    const std::string gap = "Hz     ";
    const std::size_t hz = rest.rfind(gap);
    const std::size_t space = hz == std::string::npos ? hz : rest.rfind(' ', hz);
    const bool digits = space != std::string::npos && hz > space + 1 &&
                        std::all_of(rest.begin() + space + 1, rest.begin() + hz,
                                    [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        columns.name = line;
        columns.mark.clear();
        return columns;
    }
    columns.rate = rest.substr(space + 1, hz + 2 - space - 1);
    columns.length = rest.substr(hz + gap.size());
    columns.name = rest.substr(0, space);
    // The padding of "%-108s": a name's own trailing spaces cannot be told from it.
    while (!columns.name.empty() && columns.name.back() == ' ')
        columns.name.pop_back();
    return columns;
}

namespace {

constexpr const char* kChooseTitle = "选择背景音乐";
constexpr const char* kMp3FilterLabel = "mp3音乐 (*.mp3)";
constexpr const char* kMp3FilterPatterns = "*.mp3";
constexpr const char* kFilterLabel =
    N_("音乐文件 (*.mp3 *.m4a *.aac *.flac *.ogg *.oga *.opus *.wav)");
constexpr const char* kFilterPatterns = "*.mp3;*.m4a;*.aac;*.flac;*.ogg;*.oga;*.opus;*.wav";

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isPlainFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// How far into the audio the check below looks for two frames in a row.
constexpr std::size_t kChainSearchBytes = 1024 * 1024;

std::uint32_t wordAt(const std::vector<unsigned char>& data, std::size_t at) {
    return std::uint32_t(data[at]) << 24 | std::uint32_t(data[at + 1]) << 16 |
           std::uint32_t(data[at + 2]) << 8 | std::uint32_t(data[at + 3]);
}

} // namespace

bool hasConsecutiveMp3Frames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<unsigned char> data(10);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    const std::size_t start = mp3AudioStart(data.data(), data.size());
    in.clear();
    in.seekg(static_cast<std::streamoff>(start));
    data.assign(kChainSearchBytes, 0);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    for (std::size_t at = 0; at + 4 <= data.size(); ++at) {
        const auto first = parseMp3FrameHeader(wordAt(data, at));
        if (!first)
            continue;
        const std::size_t next = at + static_cast<std::size_t>(first->frameBytes);
        if (next + 4 > data.size())
            continue;
        const auto second = parseMp3FrameHeader(wordAt(data, next));
        if (second && second->sampleRate == first->sampleRate &&
            second->samplesPerFrame == first->samplesPerFrame)
            return true;
    }
    return false;
}

std::string listenFallbackMessage(const ExternalOpenResult& result) {
    switch (result.outcome) {
    case ExternalOpenResult::Outcome::Opened:
        return {};
    case ExternalOpenResult::Outcome::NoProgram:
        return "无法试听：你的电脑上没有安装可以播放mp3文件的音乐播放器。";
    case ExternalOpenResult::Outcome::Failed:
        break;
    }
    return "无法试听, 错误返回值: " + std::to_string(result.code);
}

MusicList::MusicList(AlbumProject& album, SoundPlayer& sound, MusicListView& view,
                     MusicListServices services)
    : album_(album), sound_(sound), view_(view), services_(std::move(services)) {}

MusicList::~MusicList() {
    alive_.reset();
    if (listening_ >= 0 || previewPlaying_)
        sound_.close();
}

void MusicList::showAlbum() {
    if (listening_ >= 0 || previewPlaying_) {
        sound_.close();
        ++serial_;
    }
    listening_ = -1;
    previewPlaying_ = false;
    selected_ = -1;
    view_.setListenButtonText(kListenText);
    showLines();
    showTotal();
    showEnabling();
}

void MusicList::addFiles() {
    if (!services_.chooseFiles)
        return;
    // Without a prober only MP3 files can be read, and only they are offered.
    const bool anyKind = !services_.musicProber.empty();
    const std::vector<std::string> paths = services_.chooseFiles(
        kChooseTitle, anyKind ? tr_(kFilterLabel) : kMp3FilterLabel,
        anyKind ? kFilterPatterns : kMp3FilterPatterns, services_.musicFolder);
    addPaths(paths);
}

void MusicList::addPaths(const std::vector<std::string>& paths) {
    int added = 0;
    for (const std::string& path : paths) {
        // Unreadable files, files without a valid frame and names not ending in ".mp3" are left
        // out without a message. So is noise in which a few bytes happen to pass for a frame
        // header: real audio always has frames that follow each other.
        std::optional<MusicTrack> track;
        if (isMp3FileName(path)) {
            track = readMusicTrack(path);
            if (track && !hasConsecutiveMp3Frames(path))
                track.reset();
        } else if (!services_.musicProber.empty()) {
            // The other kinds are read by the prober; a broken one is named, not dropped unseen.
            MusicFileReading reading = readMusicFile(path, services_.musicProber);
            if (reading.problem != MusicFileProblem::None && services_.report)
                services_.report(musicFileProblemText(reading.problem, path));
            track = std::move(reading.track);
        }
        if (track) {
            addMusicTrack(album_, std::move(*track));
            ++added;
        }
    }
    if (added > 0)
        showLines();
    showTotal();
    showEnabling();
    if (added > 0)
        notifyChanged();
}

void MusicList::removeSelected() {
    const int count = musicTrackCount(album_);
    if (selected_ < 0 || selected_ >= count)
        return;
    const int position = selected_;
    if (position == listening_) {
        sound_.close();
        ++serial_;
        listening_ = -1;
        view_.setListenButtonText(kListenText);
    } else if (position < listening_) {
        --listening_; // the listened line moves up with the lines after the removed one
    }
    removeMusicTrack(album_, position);
    const int left = count - 1;
    selected_ = position < left ? position : left - 1;
    showLines();
    if (selected_ < 0 && listening_ >= 0)
        stopListening();
    showTotal();
    showEnabling();
    notifyChanged();
}

void MusicList::toggleListen() {
    if (listening_ >= 0) {
        stopListening();
    } else if (selected_ >= 0 && selected_ < musicTrackCount(album_) && !previewPlaying_) {
        startListening(selected_);
    }
    showEnabling();
}

void MusicList::selectionChanged(int row) {
    selected_ = row >= 0 && row < musicTrackCount(album_) ? row : -1;
    showEnabling();
}

void MusicList::lineDoubleClicked(int row) {
    if (row < 0 || row >= musicTrackCount(album_) || !album_.settings.bgsound || previewPlaying_)
        return;
    selected_ = row;
    view_.selectMusicLine(row);
    if (listening_ >= 0)
        stopListening();
    startListening(row);
    showEnabling();
}

void MusicList::switchChanged(bool on) {
    album_.settings.bgsound = on;
    if (!on && listening_ >= 0)
        stopListening();
    showEnabling();
}

void MusicList::selectLine(int row) {
    selected_ = row >= 0 && row < musicTrackCount(album_) ? row : -1;
    view_.selectMusicLine(selected_);
    showEnabling();
}

void MusicList::previewStarted(double fromSeconds) {
    if (listening_ >= 0)
        stopListening();
    previewActive_ = true;
    previewPlaying_ = false;
    previewPosition_ = 0;
    previewStartMs_ = 0;
    // The video's sound is the tracks one after another: find the one playing at that time.
    double left = fromSeconds * 1000.0;
    for (const MusicTrack& track : album_.musicItems) {
        if (left < static_cast<double>(track.durationMs))
            break;
        left -= static_cast<double>(track.durationMs);
        ++previewPosition_;
    }
    previewStartMs_ = static_cast<std::int64_t>(std::llround(std::max(left, 0.0)));
    showEnabling();
}

bool MusicList::previewPlay() {
    if (!previewActive_ || !album_.settings.bgsound)
        return false;
    if (previewPlaying_) {
        sound_.close();
        ++serial_;
        previewPlaying_ = false;
    }
    const MusicTrack* track = musicTrackAt(album_, previewPosition_);
    if (track == nullptr)
        return false; // past the last track: the rest of the preview is silent
    // Only the first track starts partway; the ones after it play from their beginning.
    const std::int64_t start = std::exchange(previewStartMs_, 0);
    previewPlaying_ = playTrack(*track);
    if (previewPlaying_ && start > 0)
        sound_.seekMs(start);
    return previewPlaying_;
}

void MusicList::previewNext() {
    if (!previewActive_)
        return;
    if (previewPlaying_) {
        sound_.close();
        ++serial_;
        previewPlaying_ = false;
    }
    ++previewPosition_;
    previewPlay();
}

void MusicList::previewPause() {
    if (previewPlaying_)
        sound_.pause();
}

void MusicList::previewResume() {
    if (previewPlaying_)
        sound_.resume();
}

void MusicList::previewStop() {
    if (!previewPlaying_)
        return;
    sound_.close();
    ++serial_;
    previewPlaying_ = false;
}

void MusicList::previewEnded() {
    previewStop();
    previewActive_ = false;
    showEnabling();
}

void MusicList::startListening(int row) {
    const MusicTrack& track = album_.musicItems[static_cast<std::size_t>(row)];
    if (!isPlainFile(track.path)) {
        // Handing a vanished file to another program would only fail with a bare error code.
        showMessage("背景音乐 [" + fileNameOf(track.path) + "] 已不存在，请重新选择。", "提示",
                    MessageKind::Warning);
        return;
    }
    // Without a device a player seems to play for a while and ends unheard: say so now.
    if (!sound_.outputAvailable()) {
        showMessage(kNoSoundDeviceText, "提示", MessageKind::Warning);
        return;
    }
    if (playTrack(track)) {
        listening_ = row;
        view_.setListenButtonText(kStopListenText);
        view_.setMusicLine(row, lineOf(row));
        return;
    }
    openExternally(track.path);
}

void MusicList::stopListening() {
    sound_.close();
    ++serial_;
    const int row = std::exchange(listening_, -1);
    if (row >= 0 && row < musicTrackCount(album_))
        view_.setMusicLine(row, lineOf(row));
    view_.setListenButtonText(kListenText);
}

bool MusicList::playTrack(const MusicTrack& track) {
    const unsigned serial = ++serial_;
    if (!sound_.open(track.path)) {
        sound_.close();
        return false;
    }
    std::weak_ptr<bool> alive = alive_;
    const bool playing = sound_.play([this, alive, serial](PlaybackEnd end) {
        if (!alive.expired())
            playbackEnded(serial, end);
    });
    if (!playing)
        sound_.close();
    return playing;
}

void MusicList::playbackEnded(unsigned serial, PlaybackEnd end) {
    if (serial != serial_)
        return; // a completion queued before the track was closed or replaced
    if (previewPlaying_) {
        if (end == PlaybackEnd::Finished && previewActive_) {
            previewNext();
            return;
        }
        previewStop();
        return;
    }
    if (listening_ < 0)
        return;
    const std::string path = album_.musicItems[static_cast<std::size_t>(listening_)].path;
    stopListening();
    if (end == PlaybackEnd::Unplayable)
        openExternally(path); // nothing was heard: as when the player refuses the file at once
    showEnabling();
}

void MusicList::openExternally(const std::string& path) {
    ExternalOpenResult result{ExternalOpenResult::Outcome::NoProgram, 0};
    if (services_.openExternally)
        result = services_.openExternally(path);
    const std::string message = listenFallbackMessage(result);
    if (!message.empty())
        showMessage(message, "提示", MessageKind::Warning);
}

std::string MusicList::lineOf(int row) const {
    std::string line = musicTrackLine(album_.musicItems[static_cast<std::size_t>(row)]);
    if (row == listening_)
        line += kListeningSuffix;
    return line;
}

void MusicList::showLines() {
    std::vector<std::string> lines;
    const int count = musicTrackCount(album_);
    lines.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        lines.push_back(lineOf(row));
    view_.setMusicLines(lines);
    view_.selectMusicLine(selected_);
}

void MusicList::showTotal() {
    view_.setAudioLengthText("音频长度: " + formatDuration(totalMusicSeconds(album_)));
}

void MusicList::showEnabling() {
    const bool on = album_.settings.bgsound;
    for (Command control : {Command::AutoDisplayTime, Command::LoopPlay, Command::BeatSync,
                            Command::MusicList, Command::MusicAdd})
        view_.setMusicControlEnabled(control, on);
    view_.setMusicControlEnabled(Command::MusicRemove, on && selected_ >= 0);
    // While a track plays its "停止" stays reachable, even when the selection went away.
    view_.setMusicControlEnabled(Command::MusicListen, on && (selected_ >= 0 || listening_ >= 0));
}

void MusicList::notifyChanged() {
    if (services_.musicChanged)
        services_.musicChanged();
}

} // namespace velomira
