#include "services/music_track.h"

#include "album/music_shaping.h"
#include "app/printable_text.h"
#include "media/audio_probe_text.h"
#include "platform/translation.h"
#include "video/child_process.h"

#include <filesystem>

namespace velomira {

namespace {

bool isRunnable(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

MusicFileReading probed(const std::string& path, const std::filesystem::path& prober,
                        std::chrono::milliseconds limit) {
    MusicFileReading reading;
    ChildSpec spec;
    spec.program = prober;
    // The report goes to standard error after any complaint, so its tail holds it. The name
    // is given as a file address, so one starting with "-" is no option.
    spec.arguments = {"-v",     "error",         "-select_streams",
                      "a:0",    "-show_entries", "stream=sample_rate,duration:format=duration",
                      "-of",    "flat",          "-o",
                      "pipe:2", "file:" + path};
    spec.keepErrorTail = true;
    ChildProcess child;
    StartFailure failure;
    if (!child.start(spec, failure)) {
        reading.problem = MusicFileProblem::NoProber;
        return reading;
    }
    if (!child.waitFor(limit)) {
        child.kill();
        child.wait();
        reading.problem = MusicFileProblem::TimedOut;
        return reading;
    }
    const ChildExit exit = child.wait();
    const AudioProbeText probe = parseAudioProbeText(child.errorOutput());
    if (!exit.readable || exit.code != 0) {
        reading.problem = MusicFileProblem::Unreadable;
    } else if (!probe.hasAudio) {
        reading.problem = MusicFileProblem::NoAudio;
    } else if (probe.sampleRate <= 0 || !probe.seconds) {
        reading.problem = MusicFileProblem::Unreadable;
    } else {
        reading.track =
            MusicTrack{path, static_cast<float>(*probe.seconds * 1000.0), probe.sampleRate};
    }
    return reading;
}

} // namespace

std::filesystem::path musicProbeTool(const std::filesystem::path& programFolder) {
    const std::filesystem::path own = programFolder / "tool" / "ffprobe";
    if (isRunnable(own))
        return own;
    std::error_code ec;
    const std::filesystem::path encoder =
        std::filesystem::canonical(programFolder / "tool" / "ffmpeg", ec);
    if (!ec && isRunnable(encoder.parent_path() / "ffprobe"))
        return encoder.parent_path() / "ffprobe";
    return "/usr/bin/ffprobe";
}

MusicFileReading readMusicFile(const std::string& path, const std::filesystem::path& prober,
                               std::chrono::milliseconds limit) {
    MusicFileReading reading;
    if (isMp3FileName(path)) {
        reading.track = readMusicTrack(path);
        return reading;
    }
    if (!isMusicFileName(path))
        return reading;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        reading.problem = MusicFileProblem::Unreadable;
        return reading;
    }
    if (size == 0) {
        reading.problem = MusicFileProblem::Empty;
        return reading;
    }
    return probed(path, prober, limit);
}

std::string musicFileProblemText(MusicFileProblem problem, const std::string& path) {
    const std::string name = shownText(std::filesystem::path(path).filename().string());
    const char* text = nullptr;
    switch (problem) {
    case MusicFileProblem::None:
        return {};
    case MusicFileProblem::Empty:
        text = tr_("背景音乐 [%s] 是一个空文件，没有添加。");
        break;
    case MusicFileProblem::NoAudio:
        text = tr_("背景音乐 [%s] 中没有声音，没有添加。");
        break;
    case MusicFileProblem::Unreadable:
        text = tr_("背景音乐 [%s] 已损坏或不完整，无法读取，没有添加。");
        break;
    case MusicFileProblem::TimedOut:
        text = tr_("读取背景音乐 [%s] 的时间太长，没有添加。");
        break;
    case MusicFileProblem::NoProber:
        text = tr_("找不到读取音乐文件的程序 ffprobe，无法添加背景音乐 [%s]。");
        break;
    }
    const std::string format = text;
    const std::size_t at = format.find("%s");
    return format.substr(0, at) + name + format.substr(at + 2);
}

} // namespace velomira
