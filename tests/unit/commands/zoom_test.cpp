// The zoom ladder, its toast and what the zoom commands do to awake and sleeping tabs.
#include "core/commands.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "core/zoom.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

TEST(ZoomLadder, StepsAndToasts) {
    struct Case {
        double from;
        ZoomStep step;
        double to;
        std::string toast;
    };
    const Case cases[] = {
        {1.0, ZoomStep::in, 1.1, "Zoom 110%"},
        {1.1, ZoomStep::out, 1.0, "Zoom 100%"},
        {1.0, ZoomStep::out, 0.9, "Zoom 90%"},
        {2.5, ZoomStep::in, 3.0, "Zoom 300%"},
        {3.0, ZoomStep::in, 3.0, "Zoom 300%"},
        {0.67, ZoomStep::out, 0.5, "Zoom 50%"},
        {0.5, ZoomStep::out, 0.5, "Zoom 50%"},
        {0.5, ZoomStep::in, 0.67, "Zoom 67%"},
        {0.67, ZoomStep::in, 0.75, "Zoom 75%"},
        {1.25, ZoomStep::in, 1.5, "Zoom 150%"},
        {1.75, ZoomStep::out, 1.5, "Zoom 150%"},
        {2.5, ZoomStep::reset, 1.0, "Zoom 100%"},
        // Off the ladder: the next factor in that direction.
        {1.05, ZoomStep::in, 1.1, "Zoom 110%"},
        {1.05, ZoomStep::out, 1.0, "Zoom 100%"},
        {5.0, ZoomStep::in, 3.0, "Zoom 300%"},
        {0.1, ZoomStep::out, 0.5, "Zoom 50%"},
        {0.1, ZoomStep::in, 0.5, "Zoom 50%"},
        {9.0, ZoomStep::out, 3.0, "Zoom 300%"},
        // A factor a rounding error away from a step still moves a whole step.
        {1.1 - 1e-9, ZoomStep::in, 1.25, "Zoom 125%"},
    };
    for (const Case& c : cases) {
        const double to = next_zoom(c.from, c.step);
        EXPECT_EQ(to, c.to) << c.from;
        EXPECT_EQ(zoom_toast_text(to), c.toast) << c.from;
    }
    // Halves round away from zero.
    EXPECT_EQ(zoom_toast_text(1.125), "Zoom 113%");
    EXPECT_EQ(zoom_toast_text(0.125), "Zoom 13%");
}

using ZoomTest = CommandsFixture;

TEST_F(ZoomTest, AwakeTabZoomsItsViewToastsAndRenders) {
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}}, 0);
    make_ready(0);
    run("zoomIn");
    run("zoomIn");
    EXPECT_EQ(tab(0, 0).zoom, 1.25);
    EXPECT_EQ(fake(tab(0, 0).webview).zoom_factor, 1.25);
    const std::vector<std::string> calls = page_calls(chrome());
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], R"(toast("Zoom 125%"))");
    EXPECT_EQ(renders(chrome()).back()["zoom"], 1.25);
    run("zoomReset");
    run("zoomReset"); // unchanged, still toasted and rendered
    EXPECT_EQ(page_calls(chrome()).size(), calls.size() + 4);
    EXPECT_EQ(renders(chrome()).back()["zoom"], 1.0);
    EXPECT_NE(scripts(chrome()).back().find(R"("zoom":1.0)"), std::string::npos);
}

TEST_F(ZoomTest, SleepingTabKeepsItsZoomUntilItWakes) {
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 0);
    make_ready(0);
    app.windows[0].active = 1; // b has never been woken
    run("zoomOut");
    EXPECT_EQ(tab(0, 1).zoom, 0.9);
    EXPECT_FALSE(tab(0, 1).webview);
    EXPECT_EQ(page_calls(chrome()).at(page_calls(chrome()).size() - 2), R"(toast("Zoom 90%"))");
    select_tab(app, 0, 0);
    select_tab(app, 0, 1);
    ASSERT_TRUE(tab(0, 1).webview);
    EXPECT_EQ(fake(tab(0, 1).webview).zoom_factor, 0.9);
    EXPECT_EQ(tab(0, 0).zoom, 1.0) << "each tab has its own zoom";
}

TEST_F(ZoomTest, WindowWithoutActiveTabGetsNoToast) {
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}}, 0);
    make_ready(0);
    app.windows[0].active = 4;
    run("zoomIn");
    EXPECT_TRUE(page_calls(chrome()).empty());
    EXPECT_EQ(tab(0, 0).zoom, 1.0);
}

} // namespace
} // namespace corvane::test
