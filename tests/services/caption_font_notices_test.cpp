#include "services/caption_font_notices.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

struct Caption {
    const char* text;
    bool enabled = true;
};

AlbumProject albumWith(const std::vector<Caption>& captions) {
    AlbumProject album;
    for (const Caption& caption : captions) {
        AlbumItem item;
        item.caption.text = caption.text;
        item.caption.enabled = caption.enabled ? 1 : 0;
        album.items.push_back(item);
    }
    return album;
}

// U+05FF and U+05FE lie in the Hebrew block but are no characters, so no font has them,
// whatever this computer has installed.
TEST(CaptionFontNotices, NameEachMissingFontOnceFromItsFirstPicture) {
    const std::string needs05ff =
        "注意：图片的文字需要字体“Noto Sans (U+05FF)”（从第2张图片起），本机没有这种字体，"
        "这些字在视频中会显示为方框。";
    const std::string needs05fe =
        "注意：图片的文字需要字体“Noto Sans (U+05FE)”（从第3张图片起），本机没有这种字体，"
        "这些字在视频中会显示为方框。";
    const struct {
        const char* name;
        std::vector<Caption> captions;
        std::vector<std::string> lines;
    } cases[] = {
        {"no pictures", {}, {}},
        {"Chinese and Latin", {{"字幕 Ab"}, {"Hello"}}, {}},
        {"switched off", {{"a \xD7\xBF", false}}, {}},
        {"once from the first", {{"字幕"}, {"a \xD7\xBF"}, {"\xD7\xBF b"}}, {needs05ff}},
        {"two fonts in order",
         {{"字幕"}, {"a \xD7\xBF"}, {"\xD7\xBE \xD7\xBF"}},
         {needs05ff, needs05fe}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(captionFontNotices(albumWith(c.captions), nullptr), c.lines) << c.name;
}

} // namespace
} // namespace velomira
