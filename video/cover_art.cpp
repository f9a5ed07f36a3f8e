#include "video/cover_art.h"

#include "app/printable_text.h"
#include "render/image/image_layer.h"
#include "video/child_process.h"
#include "video/encoder_args.h"
#include "video/mp4_boxes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velomira {

namespace {

constexpr const char* kSource = "setVideoCover";
constexpr const char* kCaption = "提示";
constexpr const char* kFailurePrefix = "设置封面没有成功：\n";
constexpr int kCoverSide = 512;
constexpr std::size_t kCoverQuality = 91;

// side * part / whole, rounded half up, at least 1.
int proportional(int side, int part, int whole) {
    const long long twice = 2LL * side * part + whole;
    const long long value = twice / (2LL * whole);
    return value < 1 ? 1 : static_cast<int>(value);
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The JPEG handed to the tool: turned and shrunk as the album shows it. False, with the
// reader's message in failure, when the cover does not read.
bool prepareCover(const CoverRequest& request, std::string& coverFile, Failure& failure) {
    const std::string& coverPath = request.project->settings.coverPath;
    Image image = readPicture(coverPath, "#ffffff", {0, 0}, &failure);
    if (!image)
        return false;
    if (const int angle = coverTurnAngle(*request.project, coverPath); angle > 0) {
        Pixel background = newPixel("#ffffff");
        MagickRotateImage(image.get(), background.get(), angle);
    }
    const int width = static_cast<int>(MagickGetImageWidth(image.get()));
    const int height = static_cast<int>(MagickGetImageHeight(image.get()));
    if (width > kCoverSide || height > kCoverSide) {
        const PictureSize size = coverSize(width, height);
        MagickResizeImage(image.get(), static_cast<size_t>(size.width),
                          static_cast<size_t>(size.height), LanczosFilter, 1.0);
    }
    MagickSetImageCompression(image.get(), JPEGCompression);
    MagickSetImageCompressionQuality(image.get(), kCoverQuality);
    MagickSetImageFormat(image.get(), "JPEG");
    std::error_code ignored;
    std::filesystem::create_directories(request.preparedCover.parent_path(), ignored);
    coverFile = writePictureFile(image, request.preparedCover.string())
                    ? request.preparedCover.string()
                    : coverPath;
    return true;
}

std::uint64_t fileBytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// The video stays as the encoder made it, and the user learns that it has no cover.
CoverOutcome coverFailed(const CoverRequest& request, const std::string& reason) {
    const std::string text = "封面设置失败：" + reason + "\n视频已保存，但没有封面。";
    reportError(request.errorLog, kSource, text);
    return {CoverResult::Failed, Failure{text, kCaption, MessageKind::Warning}};
}

// A failure told to the user after the fixed opening line.
CoverOutcome toldFailure(const std::string& text) {
    return {CoverResult::Failed, Failure{kFailurePrefix + text, kCaption, MessageKind::Warning}};
}

// Runs the tool from the video and the cover into output, within the time limit and until the
// stop button; Embedded when it ended with 0, else the failure (output removed).
CoverOutcome runCoverTool(const CoverRequest& request, const std::string& coverFile,
                          const std::string& output) {
    const CommandLine command = coverCommand(request.videoPath, coverFile, output);
    ChildProcess tool;
    StartFailure failure;
    if (!tool.start({request.toolPath, command.arguments, {}, -1}, failure)) {
        if (failure.stage != StartStage::ErrorPipe) {
            reportError(request.errorLog, kSource,
                        "CreateProcess() failed with error " + std::to_string(failure.error));
            return {CoverResult::Failed, std::nullopt};
        }
        const std::string text = "CreatePipe failed with error " + std::to_string(failure.error);
        reportError(request.errorLog, kSource, text);
        return toldFailure(text);
    }
    const std::chrono::milliseconds limit = request.timeLimit.count() > 0
                                                ? request.timeLimit
                                                : coverTimeLimit(fileBytes(request.videoPath));
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::error_code ignored;
    // A tool that blocks (a full disk can hold it in a write for ever) must not hold the run.
    while (!tool.waitFor(std::chrono::milliseconds(100))) {
        const bool stopped = request.stop != nullptr && request.stop->load();
        if (stopped || std::chrono::steady_clock::now() >= deadline) {
            tool.kill();
            tool.wait();
            std::filesystem::remove(output, ignored);
            return coverFailed(request, stopped ? "已停止"
                                                : "AtomicParsley 在 " +
                                                      std::to_string(limit.count() / 1000) +
                                                      " 秒内没有完成，已被结束");
        }
    }
    const ChildExit exit = tool.wait();
    if (exit.readable && exit.code == 0)
        return {CoverResult::Embedded, std::nullopt};
    const int waitError = errno;
    // A half-written output must not be left beside the video.
    std::filesystem::remove(output, ignored);
    if (!exit.readable) {
        reportError(request.errorLog, kSource,
                    "GetExitCodeProcess() failed: " + std::to_string(waitError));
        return {CoverResult::Failed, std::nullopt};
    }
    const std::string text = printableText(tool.errorOutput());
    if (text.empty()) {
        reportError(request.errorLog, kSource,
                    "GetExitCodeProcess()->exitCode:" + std::to_string(exit.code));
        return {CoverResult::Failed, std::nullopt};
    }
    reportError(request.errorLog, kSource, text);
    return toldFailure(text);
}

// The tool's file replaces the video when it holds the whole video.
CoverOutcome adoptToolOutput(const CoverRequest& request, const std::string& output) {
    if (!fileExists(output))
        return coverFailed(request, "AtomicParsley 没有写出文件");
    std::error_code ignored;
    // The tool can end with 0 after a failed write: the new file must hold the whole video.
    const Mp4Layout layout = readMp4Layout(output);
    if (!layout.complete() || layout.fileSize < fileBytes(request.videoPath)) {
        std::filesystem::remove(output, ignored);
        return coverFailed(request,
                           layout.complete() ? "写出的文件不完整" : describeMp4Problem(layout));
    }
    // One rename replaces the video, so there is no moment without either file.
    if (std::rename(output.c_str(), request.videoPath.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::filesystem::remove(output, ignored);
        return coverFailed(request, reason);
    }
    return {CoverResult::Embedded, std::nullopt};
}

} // namespace

std::chrono::milliseconds coverTimeLimit(std::uint64_t videoBytes) {
    constexpr std::uint64_t kSecondsPerMegabyte = 3;
    const std::uint64_t seconds = kSecondsPerMegabyte * (videoBytes >> 20);
    return std::chrono::seconds(std::max<std::uint64_t>(30, seconds));
}

PictureSize coverSize(int width, int height) {
    if (width <= 0 || height <= 0 || (width <= kCoverSide && height <= kCoverSide))
        return {width, height};
    if (width < height)
        return {proportional(kCoverSide, width, height), kCoverSide};
    return {kCoverSide, proportional(kCoverSide, height, width)};
}

int coverTurnAngle(const AlbumProject& project, const std::string& coverPath) {
    for (const AlbumItem& item : project.items) {
        if (item.path == coverPath)
            return item.turnAngle > 0 ? item.turnAngle : 0;
    }
    return 0;
}

std::string coverOutputPath(const std::string& videoPath, std::time_t seconds) {
    const std::size_t slash = videoPath.rfind('/');
    const std::size_t dot = videoPath.rfind('.');
    const std::string stem =
        (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            ? videoPath
            : videoPath.substr(0, dot);
    // Counting up rather than drawing the same second again, which could never end.
    for (long number = static_cast<long>(seconds);; ++number) {
        std::string candidate = stem + "-" + std::to_string(number) + ".mp4";
        if (!fileExists(candidate))
            return candidate;
    }
}

CoverOutcome embedCover(const CoverRequest& request) {
    if (request.project == nullptr)
        return {CoverResult::NotWanted, std::nullopt};
    const VideoSettings& settings = request.project->settings;
    if (!settings.cover || settings.coverPath.empty() || !fileExists(settings.coverPath))
        return {CoverResult::NotWanted, std::nullopt};

    std::string coverFile;
    Failure unread;
    if (!prepareCover(request, coverFile, unread))
        return {CoverResult::Failed, std::move(unread)};
    if (!fileExists(request.toolPath))
        return toldFailure("没有找到 AtomicParsley.exe 文件，请到官网重新下载软件。");
    const std::string output = coverOutputPath(request.videoPath, std::time(nullptr));
    const CoverOutcome ran = runCoverTool(request, coverFile, output);
    if (ran.result != CoverResult::Embedded)
        return ran;
    return adoptToolOutput(request, output);
}

} // namespace velomira
