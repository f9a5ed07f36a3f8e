#include "video/stopped_video_cut.h"

#include "app/printable_text.h"
#include "video/child_process.h"
#include "video/mp4_boxes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velomira {

std::string frameTimeText(std::uint64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03llu", static_cast<unsigned long long>(frames / 25),
                  static_cast<unsigned long long>(frames % 25 * 40));
    return text;
}

bool cutStoppedVideo(const VideoCutRequest& request, std::string& failure) {
    const std::string& video = request.videoPath;
    const std::size_t dot = video.rfind('.');
    const std::string cut = video.substr(0, dot) + "-cut.mp4";
    std::error_code ignored;
    auto fail = [&](std::string why) {
        std::filesystem::remove(cut, ignored);
        failure = std::move(why);
        reportError(request.errorLog, "thread_make_video", "cut of the stopped video: " + failure);
        return false;
    };
    ChildProcess tool;
    StartFailure start;
    const std::vector<std::string> arguments = {
        "-y",   "-v", "error", "-i",   video, "-t", frameTimeText(request.frames),
        "-map", "0",  "-c",    "copy", cut};
    if (!tool.start({request.encoderPath, arguments, {}, -1}, start))
        return fail(std::string("cannot start the encoder: ") + std::strerror(start.error));
    if (!tool.waitFor(request.timeLimit)) {
        tool.kill();
        tool.wait();
        return fail("the encoder did not finish the cut in time");
    }
    const ChildExit exit = tool.wait();
    if (!exit.readable || exit.code != 0)
        return fail(printableText(tool.errorOutput()));
    const Mp4Layout layout = readMp4Layout(cut);
    if (!layout.complete())
        return fail(describeMp4Problem(layout));
    if (std::rename(cut.c_str(), video.c_str()) != 0)
        return fail(std::strerror(errno));
    return true;
}

} // namespace velomira
