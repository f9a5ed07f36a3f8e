#include "video/encoder_preset_check.h"

#include "app/string_utils.h"
#include "platform/translation.h"
#include "video/child_process.h"

namespace velomira {

std::vector<std::string> presetTrialArguments(const std::string& preset) {
    return {"-v",      "error",   "-nostdin", "-f",        "rawvideo",  "-pix_fmt", "gray",
            "-s",      "16x16",   "-i",       "/dev/zero", "-frames:v", "1",        "-c:v",
            "libx264", "-preset", preset,     "-f",        "null",      "-"};
}

Failure unknownPresetFailure(const std::string& preset) {
    return Failure{
        formatText(tr_("所安装的编码器不认识编码预设“%s”，请选择其他编码速度。"), preset.c_str()),
        tr_("提示"), MessageKind::Warning};
}

std::optional<Failure> checkEncoderPreset(const std::filesystem::path& encoderPath,
                                          const std::string& preset,
                                          std::chrono::milliseconds limit) {
    if (preset.empty())
        return std::nullopt;
    ChildProcess child;
    StartFailure failure;
    if (!child.start(ChildSpec{encoderPath, presetTrialArguments(preset), {}, -1}, failure))
        return std::nullopt;
    if (!child.waitFor(limit)) {
        child.kill();
        return std::nullopt;
    }
    const ChildExit exit = child.wait();
    // 127 and the like come from a program that could not run at all, not from the preset.
    if (!exit.readable || exit.code == 0 || exit.code >= 126)
        return std::nullopt;
    return unknownPresetFailure(preset);
}

} // namespace velomira
