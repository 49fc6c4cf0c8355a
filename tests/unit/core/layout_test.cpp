#include "core/layout.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(Layout, StripFindBarAndDevtoolsPane) {
    // Find bar open, pane of 320 in a window 600 high: the page keeps 154.
    WindowLayout layout = compute_layout({1280, 600, true, false, 320.0});
    EXPECT_EQ(layout.chrome, (platform::Rect{0, 0, 1280, 126}));
    EXPECT_EQ(layout.tab, (platform::Rect{0, 126, 1280, 154}));
    EXPECT_EQ(layout.devtools, (platform::Rect{0, 280, 1280, 320}));

    // A window 300 high: the pane is cut to three quarters and the page never goes negative.
    layout = compute_layout({800, 300, false, false, 320.0});
    EXPECT_EQ(layout.devtools, (platform::Rect{0, 75, 800, 225}));
    EXPECT_EQ(layout.tab, (platform::Rect{0, 86, 800, 0}));

    layout = compute_layout({1280, 820, false, false, std::nullopt});
    EXPECT_EQ(layout.chrome, (platform::Rect{0, 0, 1280, 86}));
    EXPECT_EQ(layout.tab, (platform::Rect{0, 86, 1280, 734}));
    EXPECT_FALSE(layout.devtools);
}

TEST(Layout, OverlayCoversTheWindowButLeavesTabsInPlace) {
    const WindowLayout layout = compute_layout({1024, 700, true, true, std::nullopt});
    EXPECT_EQ(layout.chrome, (platform::Rect{0, 0, 1024, 700}));
    EXPECT_EQ(layout.tab, (platform::Rect{0, 126, 1024, 574}));
}

} // namespace
} // namespace corvane
