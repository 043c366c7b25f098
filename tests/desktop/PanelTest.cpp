// `marrowfin panel` as a person uses it, in a virtual X server started by the test: what the
// window shows, clicks and keys from xdotool, screenshots from import.
#include "ChildProcess.h"
#include "DeviceFixture.h"
#include "Market.h"
#include "Picture.h"
#include "Process.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using desktoptest::eventually;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class Panel : public ::testing::Test {
protected:
    Panel() {
        device.installBundles();
        device.setCurrency("USD");
    }

    // Starts the panel at the given scale and waits until its window is on screen and has
    // asked for the ticker twice (the panel opening: view, then viewDidAppear).
    void start(int scale = 1) {
        ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
        std::map<std::string, std::string> environment = x.environment();
        environment["GDK_SCALE"] = std::to_string(scale);
        panel = std::make_unique<test::ChildProcess>(
            std::vector<std::string>{test::marrowfinProgram(), "panel", "--device-root",
                                     device.root(), "--connect-to", market.peer.connectTo(),
                                     "--no-browser", "--trace"},
            environment);
        ASSERT_TRUE(waitForTrace("appear")) << panel->stderrText();
        test::ProcessResult search =
            x.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Marrowfin$"});
        ASSERT_EQ(search.exitCode, 0) << search.err;
        window = search.out.substr(0, search.out.find('\n'));
        ASSERT_TRUE(market.peer.waitForRequests(2, 30));
    }

    // Reads the trace until a line of that event; false at the deadline.
    bool waitForTrace(const std::string& event) {
        while (std::optional<std::string> line = panel->readLine(30s)) {
            if (line->rfind(event + " ", 0) == 0)
                return true;
        }
        return false;
    }

    Geometry geometry() {
        Geometry g;
        test::ProcessResult run = x.xdotool({"getwindowgeometry", "--shell", window});
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            auto value = [&](const char* name) {
                return std::atoi(line.c_str() + std::strlen(name));
            };
            if (line.rfind("X=", 0) == 0)
                g.x = value("X=");
            else if (line.rfind("Y=", 0) == 0)
                g.y = value("Y=");
            else if (line.rfind("WIDTH=", 0) == 0)
                g.width = value("WIDTH=");
            else if (line.rfind("HEIGHT=", 0) == 0)
                g.height = value("HEIGHT=");
        }
        return g;
    }

    // The window as the screen shows it now.
    std::optional<test::Picture> windowPicture() {
        const std::filesystem::path file = dir.path() / "screen.png";
        if (!x.screenshot(file))
            return std::nullopt;
        std::optional<test::Picture> screen = test::Picture::read(file);
        if (!screen)
            return std::nullopt;
        return screen;
    }

    // The widget as `marrowfin widget` draws it (twice its size) for the market as it is now.
    std::optional<test::Picture> widgetDrawing() {
        const std::filesystem::path file = dir.path() / "widget.png";
        test::ProcessResult run =
            test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                              "--connect-to", market.peer.connectTo()},
                             "show\nwait\npng " + file.string() + "\n");
        if (run.exitCode != 0)
            return std::nullopt;
        return test::Picture::read(file);
    }

    // Pixels of the drawing (opaque ones) that the screen shows differently, placed at
    // (left, top) of the window.
    static int differences(const test::Picture& screen, Geometry at, const test::Picture& drawing,
                           int left) {
        int count = 0;
        for (int y = 0; y < drawing.height(); ++y) {
            for (int x = 0; x < drawing.width(); ++x) {
                test::Pixel want = drawing.at(x, y);
                if (want.alpha < 255)
                    continue;
                test::Pixel got = screen.at(at.x + left + x, at.y + y);
                if (std::abs(got.red - want.red) > 8 || std::abs(got.green - want.green) > 8 ||
                    std::abs(got.blue - want.blue) > 8)
                    ++count;
            }
        }
        return count;
    }

    void click(int px, int py, const char* button = "1") {
        test::ProcessResult run = x.xdotool({"mousemove", "--window", window, std::to_string(px),
                                             std::to_string(py), "click", button});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    // Keys typed on the keyboard, with the window focused (with no window manager nothing
    // gives it the focus, and GTK takes no keys sent to a window that has none).
    void key(const std::vector<std::string>& keys) {
        ASSERT_EQ(x.xdotool({"windowfocus", "--sync", window}).exitCode, 0);
        std::vector<std::string> args = {"key"};
        args.insert(args.end(), keys.begin(), keys.end());
        test::ProcessResult run = x.xdotool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    desktoptest::XServer x;
    test::DeviceFixture device;
    desktoptest::Market market;
    test::TempDir dir;
    std::unique_ptr<test::ChildProcess> panel;
    std::string window;
};

TEST_F(Panel, ShowsTheWidgetAsItsDrawingAtTheDisplaysScale) {
    for (int scale : {1, 2}) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        start(scale);
        Geometry at = geometry();
        EXPECT_EQ(at.width, 320 * scale);
        EXPECT_EQ(at.height, 110 * scale);
        if (scale == 2) {
            // Pixel for pixel what the widget host draws at twice the size (the @2x
            // pictures, the text at twice the size), with the container at its x of 2.
            std::optional<test::Picture> drawing = widgetDrawing();
            ASSERT_TRUE(drawing);
            int wrong = -1;
            EXPECT_TRUE(eventually([&] {
                std::optional<test::Picture> screen = windowPicture();
                wrong = screen ? differences(*screen, at, *drawing, 2 * scale) : -1;
                return wrong == 0;
            })) << wrong
                << " pixels differ";
        } else {
            // The five lines in white where the labels are (the first at the top).
            EXPECT_TRUE(eventually([&] {
                std::optional<test::Picture> screen = windowPicture();
                if (!screen)
                    return false;
                // The tops of the five labels in the widget's view; each is 21 points tall.
                for (int labelTop : {7, 25, 43, 61, 81}) {
                    int top = at.y + labelTop, bottom = top + 21, white = 0;
                    for (int y = top; y < bottom; ++y)
                        for (int x = at.x + 70; x < at.x + 310; ++x) {
                            test::Pixel p = screen->at(x, y);
                            white += p.red > 220 && p.green > 220 && p.blue > 220;
                        }
                    if (white < 30)
                        return false;
                }
                return true;
            }));
        }
        key({"q"});
        EXPECT_EQ(panel->waitForExit(), 0) << panel->stderrText();
    }
}

// The label of the last price, as the window shows it: its row of pixels.
std::vector<uint32_t> lastPriceRow(const test::Picture& screen, Geometry at) {
    std::vector<uint32_t> pixels;
    for (int y = at.y + 7; y < at.y + 28; ++y)
        for (int x = at.x + 70; x < at.x + 310; ++x) {
            test::Pixel p = screen.at(x, y);
            pixels.push_back(uint32_t(p.red) << 16 | uint32_t(p.green) << 8 | uint32_t(p.blue));
        }
    return pixels;
}

TEST_F(Panel, ClickingRefreshAsksAgainAndTheWindowShowsTheNewPrice) {
    start();
    Geometry at = geometry();
    std::vector<uint32_t> before;
    ASSERT_TRUE(eventually([&] {
        std::optional<test::Picture> screen = windowPicture();
        before = screen ? lastPriceRow(*screen, at) : std::vector<uint32_t>{};
        return !before.empty();
    }));
    // Let the first drawing settle: the row no longer changes between two screenshots.
    ASSERT_TRUE(eventually([&] {
        std::optional<test::Picture> screen = windowPicture();
        std::vector<uint32_t> now = screen ? lastPriceRow(*screen, at) : before;
        return std::exchange(before, now) == now;
    }));

    market.price = 99;
    // The refresh button's centre: (29, 57) in the container, which sits at x 2.
    click(31, 57);
    ASSERT_TRUE(market.peer.waitForRequests(3, 30));
    EXPECT_EQ(market.peer.requests().size(), 3u);
    EXPECT_TRUE(eventually([&] {
        std::optional<test::Picture> screen = windowPicture();
        return screen && lastPriceRow(*screen, at) != before;
    })) << "the window still shows the old price";

    // A click on a label is a tap that nothing takes: no request.
    click(200, 90);
    key({"r"});
    ASSERT_TRUE(market.peer.waitForRequests(4, 30));
    EXPECT_EQ(market.peer.requests().size(), 4u);
}

TEST_F(Panel, ComingBackOnScreenAppearsAgainOnce) {
    start();
    // With no window manager, a window unmapped from outside counts as minimised.
    ASSERT_EQ(x.xdotool({"windowunmap", "--sync", window}).exitCode, 0);
    ASSERT_EQ(x.xdotool({"windowmap", "--sync", window}).exitCode, 0);
    ASSERT_TRUE(waitForTrace("appear")) << panel->stderrText();
    ASSERT_TRUE(market.peer.waitForRequests(3, 30));
    // A redraw of the window is no appearance: a key that does nothing, then a known event.
    key({"x"});
    key({"r"});
    ASSERT_TRUE(market.peer.waitForRequests(4, 30));
    EXPECT_EQ(market.peer.requests().size(), 4u);
}

// What a clean end looks like: no toolkit warning, no failed assertion.
void expectQuietEnd(test::ChildProcess& panel) {
    EXPECT_EQ(panel.waitForExit(), 0);
    const std::string err = panel.stderrText();
    for (const char* trouble : {"WARNING", "CRITICAL", "Assertion", "ERROR"})
        EXPECT_EQ(err.find(trouble), std::string::npos) << err;
}

TEST_F(Panel, TheMenuChoosesACurrencyThroughThePaneAndOpensItsLinks) {
    start();
    auto openMenu = [&] {
        key({"Menu"});
        // The menu opens as a window of its own.
        ASSERT_TRUE(eventually([&] {
            test::ProcessResult shown =
                x.xdotool({"search", "--onlyvisible", "--pid", std::to_string(panel->pid())});
            return std::count(shown.out.begin(), shown.out.end(), '\n') >= 2;
        }));
    };
    openMenu();
    // The sixteen currencies in the pane's order, USD first and focused: JPY is the tenth.
    key({"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Return"});
    ASSERT_TRUE(market.peer.waitForRequests(3, 30));
    EXPECT_EQ(market.peer.requests().back().path, desktoptest::Market::tickerPath("JPY"));
    test::ProcessResult stored = test::runProcess(
        {test::marrowfinProgram(), "settings", "--device-root", device.root(), "get", "currency"});
    EXPECT_EQ(stored.out, "JPY\n");

    // After the currencies, the pane's links: the first follows on Twitter.
    openMenu();
    key(std::vector<std::string>(16, "Down"));
    key({"Return"});
    std::optional<std::string> line;
    while ((line = panel->readLine()) && line->rfind("open ", 0) != 0) {
    }
    EXPECT_EQ(line, "open https://twitter.com/marrowfin");

    key({"q"});
    expectQuietEnd(*panel);
}

TEST_F(Panel, EachClosingKeyEndsIt) {
    for (std::string closing : {"q", "Escape", "ctrl+w"}) {
        SCOPED_TRACE(closing);
        start();
        key({closing});
        expectQuietEnd(*panel);
    }
}

TEST(PanelWithoutADisplay, SaysSoInOneLineAndExits1) {
    test::DeviceFixture device;
    device.installBundles();
    const struct {
        const char* name;
        std::map<std::string, std::string> environment;
    } cases[] = {
        {"no session", {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}},
        {"a display that is not there",
         {{"DISPLAY", ":4093"}, {"WAYLAND_DISPLAY", ""}, {"GDK_BACKEND", "x11"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ChildProcess panel(
            {test::marrowfinProgram(), "panel", "--device-root", device.root()}, c.environment);
        EXPECT_EQ(panel.waitForExit(), 1);
        const std::string err = panel.stderrText();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind("marrowfin panel: ", 0), 0u) << err;
    }
    test::ProcessResult help = test::runProcess({test::marrowfinProgram(), "panel", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--device-root"), std::string::npos);
}

} // namespace
