// The dialogs and windows beside the main window, as a screen reader finds them.
#include "qt_test_application.h"

#include "net/product_address.h"
#include "ui/accessible_walk.h"
#include "ui/qt/custom_size_dialog.h"
#include "ui/qt/generation_progress.h"
#include "ui/qt/info_window.h"
#include "ui/qt/loop_play_dialog.h"
#include "ui/qt/margins_dialog.h"
#include "ui/qt/product_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace velomira::qt {
namespace {

TEST(AccessibleDialogs, EveryFocusableControlHasAName) {
    const NetConfig config;
    const struct {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
    } cases[] = {
        {"custom size", [] { return std::make_unique<CustomSizeDialog>(nullptr); }},
        {"margins", [] { return std::make_unique<MarginsDialog>(nullptr); }},
        {"loop play", [] { return std::make_unique<LoopPlayDialog>(nullptr); }},
        {"product", [&] { return std::make_unique<ProductDialog>(nullptr, config); }},
        {"information", [] { return std::make_unique<InfoWindow>(nullptr); }},
        {"progress", [] { return std::make_unique<GenerationProgressDialog>(nullptr); }},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QWidget> window = c.make();
        window->show();
        EXPECT_EQ(velomira::testing::unnamedFocusableWidgets(window.get()),
                  std::vector<std::string>())
            << c.name;
    }
}

} // namespace
} // namespace velomira::qt
