#include "video/generation_preflight.h"

#include "album/music_shaping.h"
#include "album/safe_area.h"

#include "album/album_tables.h"
#include "app/file_problem_text.h"
#include "media/header_probe.h"
#include "render/image/image_layer.h"
#include "render/image/magick_handles.h"
#include "render/image/picture_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velomira {

namespace {

std::string fileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// A check's outcome: passed, or refused with the failure to show.
struct Check {
    bool passed = true;
    std::optional<Failure> failure;
};

Check refuse(std::string text, std::string title, MessageKind kind) {
    return {false, Failure{std::move(text), std::move(title), kind}};
}

// A logo that is not there, or is there but cannot be read as a file (a folder, a FIFO, no
// permission), named with its cause.
std::optional<Failure> logoFileProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return Failure{"选择的图标文件不存在，请重新选择\n" + fileProblemText(error, path),
                           "提示", MessageKind::Warning};
        return Failure{"选择的图标文件无法读取，请重新选择\n" + fileProblemText(error, path),
                       "提示", MessageKind::Warning};
    }
    if (S_ISDIR(info.st_mode))
        return Failure{"选择的图标文件无法读取，请重新选择\n" + fileProblemText(EISDIR, path),
                       "提示", MessageKind::Warning};
    if (!S_ISREG(info.st_mode))
        return Failure{"选择的图标文件无法读取，请重新选择\n不是普通文件: " + path, "提示",
                       MessageKind::Warning};
    if (::access(path.c_str(), R_OK) != 0)
        return Failure{"选择的图标文件无法读取，请重新选择\n" + fileProblemText(errno, path),
                       "提示", MessageKind::Warning};
    return std::nullopt;
}

Check checkLogo(AlbumProject& project, OutputMode mode, std::unique_ptr<PreviewLogo>* previewLogo) {
    VideoSettings& s = project.settings;
    if (!s.logo || s.logoPath.empty()) {
        if (previewLogo != nullptr)
            previewLogo->reset();
        return {};
    }
    if (std::optional<Failure> unusable = logoFileProblem(s.logoPath))
        return {false, std::move(unusable)};
    std::string format;
    int width = 0;
    int height = 0;
    if (readImageHeader(s.logoPath, &format, &width, &height) == 0 ||
        (format != "PNG" && format != "JPEG"))
        return refuse("选中的文件格式不受支持，请选择 PNG 或 JPG 格式的图片。\n" + s.logoPath,
                      "错误", MessageKind::Error);
    if (width > s.videoWidth || height > s.videoHeight) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "选择的图标尺寸过大(%d x %d)，请选择一个不大于 %d x %d 的图标。", width,
                      height, s.videoWidth, s.videoHeight);
        return refuse(text + ("\n" + s.logoPath), "提示", MessageKind::Warning);
    }
    if (mode == OutputMode::Preview && previewLogo != nullptr) {
        auto logo = std::make_unique<PreviewLogo>();
        // The preview lays the logo over the frames itself: its transparency must stay, as in
        // the encoder's overlay of the video.
        Failure failure;
        logo->image = readPicture(s.logoPath, "", {0, 0}, &failure);
        if (!logo->image)
            return Check{false, std::move(failure)};
        const int w = static_cast<int>(MagickGetImageWidth(logo->image.get()));
        const int h = static_cast<int>(MagickGetImageHeight(logo->image.get()));
        const OverlayArea area = overlayArea(s);
        switch (s.logoLocation) {
        case 0:
            logo->x = 0, logo->y = 0;
            break;
        case 1:
            logo->x = 0, logo->y = area.height - h;
            break;
        case 3:
            logo->x = area.width - w, logo->y = area.height - h;
            break;
        default:
            logo->x = area.width - w, logo->y = 0;
            break;
        }
        *previewLogo = std::move(logo);
    }
    return {};
}

Check checkMusic(AlbumProject& project, PreflightResult& result) {
    VideoSettings& s = project.settings;
    s.audioSampleRate = -1;
    if (!s.bgsound || project.musicItems.empty())
        return {};
    for (std::size_t i = 0; i < project.musicItems.size(); ++i) {
        const MusicTrack& track = project.musicItems[i];
        if (!isRegularFile(track.path)) {
            result.musicTrackToSelect = static_cast<int>(i);
            return refuse("背景音乐 [" + fileNamePart(track.path) + "] 已不存在，请重新选择。",
                          "提示", MessageKind::Warning);
        }
    }
    std::vector<int> rates;
    for (const MusicTrack& track : project.musicItems)
        rates.push_back(track.sampleRate);
    if (musicNeedsFilterGraph(project)) {
        // The filter graph resamples every track to one rate, so differing rates are no
        // reason to refuse there; the byte join below keeps its own rules.
        s.audioSampleRate = musicGraphRate(rates);
        return {};
    }
    const int rate = chooseAudioSampleRate(rates);
    if (rate == 0) {
        std::size_t i = 1;
        while (i < rates.size() && rates[i] == rates[0])
            ++i;
        const MusicTrack& before = project.musicItems[i - 1];
        const MusicTrack& differing = project.musicItems[i];
        return refuse(sampleRateMismatchText(fileNamePart(before.path), before.sampleRate,
                                             fileNamePart(differing.path), differing.sampleRate),
                      "提示", MessageKind::Warning);
    }
    s.audioSampleRate = rate;
    return {};
}

Check checkCover(const AlbumProject& project, const std::filesystem::path& programFolder) {
    const VideoSettings& s = project.settings;
    if (!s.cover || s.coverPath.empty())
        return {};
    const std::string title = "提示 - 设置封面";
    if (!isRegularFile(s.coverPath))
        return refuse("封面图片 " + s.coverPath + " 不存在，请重新选择。", title,
                      MessageKind::Warning);
    // A quiet ping: the refusal below is the one message the user should see.
    Image probe = newImage();
    std::string failure;
    if (!probe || !readImageFile(probe.get(), s.coverPath, failure, true))
        return refuse("封面图片 " + s.coverPath + " 不是一个有效的图片，请重新选择。", title,
                      MessageKind::Warning);
    if (!isRegularFile((programFolder / "tool" / "AtomicParsley").string()))
        return refuse("没有找到 AtomicParsley.exe 文件，请到官网重新下载软件。", title,
                      MessageKind::Warning);
    return {};
}

} // namespace

int chooseAudioSampleRate(const std::vector<int>& rates) {
    if (rates.empty())
        return -1;
    const bool allEqual =
        std::all_of(rates.begin(), rates.end(), [&](int rate) { return rate == rates.front(); });
    if (allEqual)
        return -1;
    if (rates.size() == 2 && rates[0] < rates[1])
        return rates[1];
    std::vector<int> standard{44100, 48000, 32000, 24000, 22050};
    for (int rate : rates) {
        auto found = std::find(standard.begin(), standard.end(), rate);
        if (found != standard.end())
            standard.erase(found);
    }
    return standard.empty() ? 0 : standard.front();
}

int musicGraphRate(const std::vector<int>& rates) {
    int highest = 0;
    for (int rate : rates)
        highest = std::max(highest, rate);
    return std::clamp(highest, 8000, 48000);
}

std::string sampleRateMismatchText(const std::string& previousName, int previousRate,
                                   const std::string& name, int rate) {
    return "[" + previousName + "] 采样率: " + std::to_string(previousRate) + "Hz\n[" + name +
           "] 采样率: " + std::to_string(rate) +
           "Hz\n\n提示：添加的所有背景音乐的采样率必须保持一致！\n\n可以百度搜索 [格式工厂] "
           "下载该软件对背景音乐进行 [采样率] 转换。";
}

PreflightResult checkBeforeGeneration(AlbumProject& project, OutputMode mode,
                                      const std::filesystem::path& programFolder,
                                      std::unique_ptr<PreviewLogo>* previewLogo) {
    PreflightResult result;
    if (project.settings.videoSize == 0) {
        result.failure = Failure{"请选择视频尺寸", "提示", MessageKind::Warning};
        return result;
    }
    Check check = checkLogo(project, mode, previewLogo);
    if (check.passed)
        check = checkMusic(project, result);
    if (check.passed)
        check = checkCover(project, programFolder);
    result.accepted = check.passed;
    result.failure = std::move(check.failure);
    return result;
}

} // namespace velomira
