#include "services/program_start.h"

#include "platform/paths.h"
#include "render/image/image_validation.h"
#include "render/image/magick_handles.h"

namespace velomira {

std::optional<Failure> startImageLibrary(const ErrorLog& errorLog,
                                         const std::filesystem::path& programFolder) {
    initImageLibrary();
    if (validateImageMagick(1, ImageValidationReport{errorLog, programFolder}) != 0)
        return std::nullopt;
    return Failure{"图片处理引擎无法启动，请重新安装软件。", "提示", MessageKind::Warning};
}

CaptionFontTable userCaptionFonts() {
    return buildCaptionFontTable(defaultFontFolders(homeFolder()));
}

} // namespace velomira
