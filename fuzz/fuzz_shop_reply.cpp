// Feeds arbitrary bytes as a shop's item reply and as a stock music list: both come from
// outside servers. The reply must be read without a sanitizer finding (its "_.webp" tail is cut
// once, so "a_.webp_.webp" rightly stays "a_.webp": the unit tests check that), and every
// listed stock file name that is taken must be a plain name inside the music folder.
#include "net/product_item_json.h"
#include "net/stock_music.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (auto layout : {velomira::ShopJsonLayout::Current, velomira::ShopJsonLayout::Older}) {
        for (int type = 0; type < 3; ++type) {
            const velomira::ShopReply reply = velomira::readShopReply(text, layout, type);
            (void)reply;
        }
    }
    // The list keeps only entries whose file lands directly in the music folder.
    const std::filesystem::path folder("/music");
    for (const auto& entry : velomira::parseStockMusicList(text)) {
        if ((folder / entry.fileName).lexically_normal().parent_path() != folder)
            std::abort();
    }
    return 0;
}
