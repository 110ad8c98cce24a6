// The platform layer on a real X server: what a program draws shows on the screen, and real key
// presses and clicks arrive as WM_KEYDOWN, WM_CHAR, WM_KEYUP and WM_LBUTTONDOWN with the values
// Windows gives them.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::Rgb;

const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kBlue{0, 0, 255},
    kGreen{0, 160, 0}, kMagenta{255, 0, 255}, kYellow{255, 255, 0};

class PaintE2E : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << x.error();
        app.reset(new e2e::Process(x, e2e::program_path("platform_paint_demo")));
        ASSERT_TRUE(app->ok()) << app->error();
        ASSERT_TRUE(e2e::wait_for_window(x, "Paint demo", &w, 10000)) << app->errors();
        ASSERT_TRUE(app->wait_for_line("READY", 5000));
        // 386 x 297 outside, less a 3-pixel frame and a 19-pixel caption.
        ASSERT_EQ(w.width, 380);
        ASSERT_EQ(w.height, 272);
        ASSERT_TRUE(e2e::wait_for_pixel(x, w.x + 70, w.y + 50, kRed, 5000)) << app->errors();
    }
    void TearDown() override {
        if (app) app->stop();
    }
    // Lines the program printed after `from` lines, that start with prefix.
    std::vector<std::string> lines_after(size_t from, const std::string &prefix) {
        std::vector<std::string> all = app->output_lines(), out;
        for (size_t i = from; i < all.size(); ++i)
            if (all[i].compare(0, prefix.size(), prefix) == 0) out.push_back(all[i]);
        return out;
    }

    e2e::XServer x;
    std::unique_ptr<e2e::Process> app;
    e2e::WindowInfo w;
};

TEST_F(PaintE2E, TheScreenShowsWhatTheProgramDrew) {
    e2e::Image shot = e2e::screenshot(x);
    e2e::Image window = shot.crop(w.x, w.y, w.width, w.height);
    window.save_png("paint_demo.png");
    struct Probe {
        const char *what;
        int x, y;
        Rgb colour;
    } probes[] = {
        {"rectangle outline, top-left", 20, 20, kBlack},
        {"rectangle outline, right column r-1", 119, 50, kBlack},
        {"rectangle interior", 70, 50, kRed},
        {"column r is never painted", 120, 50, kWhite},
        {"row b is never painted", 70, 80, kWhite},
        {"ellipse centre", 190, 60, kBlue},
        {"ellipse box corner stays white", 141, 21, kWhite},
        {"triangle interior", 310, 80, kGreen},
        {"wide line", 190, 135, kMagenta},
        {"thin line start", 20, 170, kBlack},
        {"thin line ends before its last point", 360, 170, kWhite},
        {"pixel", 24, 176, kBlue},
        {"between pixels", 25, 176, kWhite},
        {"background", 370, 260, kWhite},
        {"opaque text background", 21, 226, kYellow},
    };
    for (const Probe &p : probes)
        EXPECT_EQ(window.at(p.x, p.y), p.colour) << p.what << " at (" << p.x << "," << p.y
                                                 << "): " << e2e::to_string(window.at(p.x, p.y));
    // Text: a good number of black glyph pixels in the line's box, none left of it.
    EXPECT_GT(window.count(20, 190, 340, 215, kBlack), 300);
    EXPECT_EQ(window.count(0, 190, 19, 215, kBlack), 0);
    EXPECT_GT(window.count(20, 225, 200, 240, Rgb{0, 0, 128}), 100);
}

TEST_F(PaintE2E, RealKeysArriveAsKeyDownCharAndKeyUp) {
    ASSERT_TRUE(e2e::focus_window(x, w));
    struct Case {
        const char *keys;
        std::vector<std::string> downs, chars, ups;
    } cases[] = {
        {"a", {"WM_KEYDOWN 65"}, {"WM_CHAR 97"}, {"WM_KEYUP 65"}},
        {"shift+b",
         {"WM_KEYDOWN 16", "WM_KEYDOWN 66"},
         {"WM_CHAR 66"},
         {"WM_KEYUP 66", "WM_KEYUP 16"}},
        {"ctrl+r",
         {"WM_KEYDOWN 17", "WM_KEYDOWN 82"},
         {"WM_CHAR 18"},
         {"WM_KEYUP 82", "WM_KEYUP 17"}},
        {"Return", {"WM_KEYDOWN 13"}, {"WM_CHAR 13"}, {"WM_KEYUP 13"}},
        {"Escape", {"WM_KEYDOWN 27"}, {"WM_CHAR 27"}, {"WM_KEYUP 27"}},
        {"BackSpace", {"WM_KEYDOWN 8"}, {"WM_CHAR 8"}, {"WM_KEYUP 8"}},
        {"Left", {"WM_KEYDOWN 37"}, {}, {"WM_KEYUP 37"}},
        {"F1", {"WM_KEYDOWN 112"}, {}, {"WM_KEYUP 112"}},
        {"7", {"WM_KEYDOWN 55"}, {"WM_CHAR 55"}, {"WM_KEYUP 55"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keys);
        size_t from = app->output_lines().size();
        ASSERT_TRUE(e2e::key(x, c.keys));
        size_t want = c.downs.size() + c.chars.size() + c.ups.size();
        for (int i = 0; i < 100 && lines_after(from, "WM_").size() < want; ++i) e2e::sleep_ms(20);
        e2e::sleep_ms(100);  // anything extra would show up now
        EXPECT_EQ(lines_after(from, "WM_KEYDOWN"), c.downs);
        EXPECT_EQ(lines_after(from, "WM_CHAR"), c.chars);
        // xdotool lets go of a combination's keys in the order it pressed them.
        std::vector<std::string> ups = lines_after(from, "WM_KEYUP"), want_ups = c.ups;
        std::sort(ups.begin(), ups.end());
        std::sort(want_ups.begin(), want_ups.end());
        EXPECT_EQ(ups, want_ups);
    }
}

TEST_F(PaintE2E, TypedTextBecomesWindows1252Characters) {
    ASSERT_TRUE(e2e::focus_window(x, w));
    size_t from = app->output_lines().size();
    ASSERT_TRUE(e2e::type_text(x, "Hi!"));
    for (int i = 0; i < 100 && lines_after(from, "WM_CHAR").size() < 3; ++i) e2e::sleep_ms(20);
    EXPECT_EQ(lines_after(from, "WM_CHAR"),
              (std::vector<std::string>{"WM_CHAR 72", "WM_CHAR 105", "WM_CHAR 33"}));
}

TEST_F(PaintE2E, ClicksArriveInClientCoordinates) {
    struct Case {
        int x, y;
    } cases[] = {{200, 150}, {0, 0}, {379, 271}, {5, 260}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        size_t from = app->output_lines().size();
        ASSERT_TRUE(e2e::click_in_window(x, w, c.x, c.y));
        std::string down = "WM_LBUTTONDOWN " + std::to_string(c.x) + " " + std::to_string(c.y);
        std::string up = "WM_LBUTTONUP " + std::to_string(c.x) + " " + std::to_string(c.y);
        ASSERT_TRUE(app->wait_for_line(up, 3000)) << app->output();
        EXPECT_EQ(lines_after(from, "WM_LBUTTON"), (std::vector<std::string>{down, up}));
    }
    // A click outside the window is not the window's.
    size_t from = app->output_lines().size();
    ASSERT_TRUE(e2e::click(x, w.x + w.width + 20, w.y + 10));
    e2e::sleep_ms(300);
    EXPECT_TRUE(lines_after(from, "WM_LBUTTON").empty());
}

TEST_F(PaintE2E, AProgramWhoseDisplayGoesAwayEndsWithAFailure) {
    // The X server ending (a session closed, a remote display lost) leaves nothing to draw on:
    // the program must end with a non-zero status, not keep running in the background.
    x.stop();
    int status = 0;
    ASSERT_TRUE(app->wait(5000, &status)) << "still running without its display";
    EXPECT_NE(status, 0);
    EXPECT_LT(status, 128) << "ended by a signal";
}

}  // namespace
