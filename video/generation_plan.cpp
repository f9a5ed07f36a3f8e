#include "video/generation_plan.h"

#include "app/string_utils.h"
#include "render/frame_sequencer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace velomira {

namespace {

// Characters that would end the attribute or change the URL's meaning are percent-encoded;
// everything else (UTF-8 names included) stays readable.
std::string fileUrlPath(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (c == '%' || c == '\'' || c == '"' || c == '<' || c == '>' || c == '&' || c == '#' ||
            c == '?' || c == ' ' || c < 0x20) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

RunPlan planRun(const AlbumProject& project, PictureRange range) {
    RunPlan plan;
    const VideoSettings& s = project.settings;
    if (s.bgsound && s.bgsoundAutoSetImageLoopPlay && totalMusicSeconds(project) > 0.f) {
        plan.totalPictures = loopPlayPictureCount(project, &plan.videoLength);
        plan.totalFrames = static_cast<int>(countRunFrames(project, plan.totalPictures));
    } else {
        plan.totalPictures = albumItemCount(project);
        plan.totalFrames = countAlbumFrames(project);
        plan.videoLength = static_cast<float>(plan.totalFrames) / frameRate;
    }
    if (range.first > 1 || range.last > 0) {
        const int first = std::clamp(range.first, 1, std::max(plan.totalPictures, 1));
        const int last =
            range.last > 0 ? std::clamp(range.last, first, plan.totalPictures) : plan.totalPictures;
        plan.firstPicture = first;
        plan.startFrame = pictureStartFrame(project, first);
        plan.totalPictures = last - first + 1;
        plan.totalFrames = static_cast<int>(pictureStartFrame(project, last + 1) - plan.startFrame);
        plan.videoLength = static_cast<float>(plan.totalFrames) / frameRate;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(plan.videoLength));
    plan.durationText = text;
    return plan;
}

std::string proposedOutputName(const AlbumProject& project, OutputNaming naming, std::time_t now) {
    if (naming == OutputNaming::Time) {
        std::tm local{};
        char text[64] = "";
        if (localtime_r(&now, &local) != nullptr)
            std::strftime(text, sizeof text, "%Y_%m_%d_%H%M%S", &local);
        return text;
    }
    if (naming == OutputNaming::FirstPicture && !project.items.empty()) {
        const std::string& name = project.items.front().fileName;
        const std::size_t dot = name.find_last_of('.');
        return dot == std::string::npos ? name : name.substr(0, dot);
    }
    return {};
}

std::string withMp4Extension(std::string path) {
    if (!endsWithNoCase(path.c_str(), ".mp4"))
        path += ".mp4";
    return path;
}

bool writePlayPage(const std::string& pagePath, const std::string& videoPath) {
    const std::size_t slash = videoPath.find_last_of('/');
    const std::string title = slash == std::string::npos ? videoPath : videoPath.substr(slash + 1);
    std::string page =
        "<!DOCTYPE HTML><html><head><meta http-equiv='Content-Type' content='text/html; "
        "charset=utf-8'><title>";
    for (char c : title) {
        if (c == '&')
            page += "&amp;";
        else if (c == '<')
            page += "&lt;";
        else if (c == '>')
            page += "&gt;";
        else
            page += c;
    }
    page += "</title><style>body{padding:0px;margin-top:32px;text-align:center;background-color:"
            "#000000;}</style></head><body>";
    page += "<select name='bgc' style='float:right;margin-right:32px;' "
            "onchange=\"document.body.style.backgroundColor=(this.selectedIndex==0?'#000000':'#"
            "FFFFFF');\"><option>黑色背景</option><option>白色背景</option></select>";
    page += "<video controls autoplay src='file://";
    // The path is already absolute with forward slashes here; a relative one gets its slash.
    if (videoPath.empty() || videoPath.front() != '/')
        page += '/';
    page += fileUrlPath(videoPath);
    page +=
        "'><font color='red'>当前浏览器不支持播放mp4视频，支持的浏览器有360极速浏览器、搜狗浏览器、"
        "QQ浏览器等。<br><br>您也可以下载 <a href='#' target='_blank'><font "
        "color='red'>射手影音</font></a> 来播放视频。</font></video></body></html>";
    std::ofstream out(pagePath, std::ios::binary | std::ios::trunc);
    out << page;
    out.flush();
    return static_cast<bool>(out);
}

std::string playFallbackFailureText(bool pageWritten, const std::string& pagePath) {
    const std::string what = pageWritten ? "无法用浏览器打开播放视频的HTML文件 " + pagePath
                                         : std::string("无法创建播放视频的HTML文件");
    return what + "，但这不影响新生成的mp4视频文件的正常使用。\n\n"
                  "你可以从网上下载：射手影音 来播放视频。";
}

} // namespace velomira
