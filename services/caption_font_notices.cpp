#include "services/caption_font_notices.h"

#include "app/string_utils.h"
#include "platform/translation.h"
#include "render/caption_renderer.h"

#include <algorithm>

namespace velomira {

std::vector<std::string> captionFontNotices(const AlbumProject& album,
                                            const CaptionFontTable* fonts) {
    std::vector<std::string> named;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < album.items.size(); ++i) {
        const ItemCaption& caption = album.items[i].caption;
        if (caption.enabled == 0 || caption.text.empty())
            continue;
        std::string fontFile;
        if (fonts != nullptr)
            fontFile = lookupCaptionFont(*fonts, caption.fontName).value_or(std::string());
        for (const std::string& font : captionMissingFonts(caption.text, fontFile)) {
            if (std::find(named.begin(), named.end(), font) != named.end())
                continue;
            named.push_back(font);
            lines.push_back(
                formatText(tr_("注意：图片的文字需要字体“%s”（从第%"
                               "d张图片起），本机没有这种字体，这些字在视频中会显示为方框。"),
                           font.c_str(), static_cast<int>(i + 1)));
        }
    }
    return lines;
}

} // namespace velomira
