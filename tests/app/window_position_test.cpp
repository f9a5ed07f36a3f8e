// The main window's remembered position: what the store keeps, and when it is used again.
#include "app/window_position.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(WindowPosition, StoredTextsReadBackOnlyWhenWhole) {
    testing::TempFolder temp;
    const RegistryFile file = registryFileUnder(temp.path() / "config");
    EXPECT_EQ(readWindowPosition(file), std::nullopt) << "nothing stored yet";
    ASSERT_EQ(writeWindowPosition(file, {-1200, 45}), 1);
    EXPECT_EQ(readWindowPosition(file), (ScreenPoint{-1200, 45}));

    for (const char* broken : {"", "12,", "1 ,2", "3,4,5", "99999999999,1"}) {
        ASSERT_EQ(writeRegistryText(file, "main_window_position", broken), 1);
        EXPECT_EQ(readWindowPosition(file), std::nullopt) << broken;
    }
    ASSERT_EQ(writeRegistryNumber(file, "main_window_position", 7), 1);
    EXPECT_EQ(readWindowPosition(file), std::nullopt) << "a number in its place";
}

// A 1013 x 757 frame on a 1366 x 768 screen whose panel takes the bottom 30 pixels, and on a
// second screen to the left of it.
TEST(WindowPosition, TheRememberedPlaceIsUsedOnlyWhenTheFrameFitsThere) {
    const ScreenRect laptop{0, 0, 1366, 738};
    const ScreenRect left{-1920, 0, 1920, 1050};
    const struct {
        ScreenPoint at;
        int width, height;
        ScreenRect area;
        bool used;
    } cases[] = {
        {{353, 0}, 1013, 738, laptop, true},     // exactly to the right and bottom edges
        {{354, 0}, 1013, 738, laptop, false},    // one pixel beyond
        {{176, 45}, 1013, 736, laptop, false},   // the status bar would be cut off
        {{-1, 10}, 1013, 700, laptop, false},    // beyond the left edge
        {{-1900, 20}, 1013, 757, left, true},    // on the other screen
        {{-1900, 20}, 1013, 757, laptop, false}, // that screen is gone
        {{2147483000, 0}, 1013, 700, laptop, false},
    };
    for (const auto& c : cases) {
        const auto placed = rememberedPlacement(c.at, c.width, c.height, c.area);
        EXPECT_EQ(placed.has_value(), c.used) << c.at.x << "," << c.at.y;
        if (placed) {
            EXPECT_EQ(*placed, c.at);
        }
    }
    EXPECT_EQ(rememberedPlacement(std::nullopt, 100, 100, laptop), std::nullopt);
}

} // namespace
} // namespace velomira
