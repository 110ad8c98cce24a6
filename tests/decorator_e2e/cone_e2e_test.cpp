// The cone decorator as a user meets it: the real program under Xvfb, real clicks through
// xdotool, and the screen read back after every step. Each step leaves a screenshot of the
// window, cone_NN_<step>.png, in the test's folder.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const e2e::Rgb kBlack{0, 0, 0};
const e2e::Rgb kRed{255, 0, 0};
const e2e::Rgb kGreen{0, 255, 0};
const e2e::Rgb kBlue{0, 0, 255};
const e2e::Rgb kBrown{153, 102, 51};
const e2e::Rgb kYellow{255, 255, 0};

// The window's pixels are the menu bar (19 px) over the client area, whose centre
// (297, 248) is the library's origin.
const int kMenuBar = 19;
const int kOriginX = 297;
const int kOriginY = 248;

struct Cone {
    const e2e::XServer &x;
    e2e::WindowInfo w;
    int shots = 0;

    int sx(int lx) const { return w.x + kOriginX + lx; }
    int sy(int ly) const { return w.y + kMenuBar + kOriginY - ly; }

    bool click(int lx, int ly) { return e2e::click(x, sx(lx), sy(ly)); }
    // A click in the middle of button i, 0 "Add Scoop" .. 7 "LET'S EAT!!!".
    bool press(int i) { return click(-240, 232 - 25 * i); }

    bool wait_for(int lx, int ly, e2e::Rgb c, e2e::Rgb *seen) {
        return e2e::wait_for_pixel(x, sx(lx), sy(ly), c, 5000, seen);
    }
    e2e::Rgb at(int lx, int ly) const {
        e2e::Image shot = e2e::screenshot(x);
        return shot.at(sx(lx), sy(ly));
    }
    // Waits until the point no longer has colour c; false after five seconds.
    bool wait_until_not(int lx, int ly, e2e::Rgb c) {
        for (int waited = 0; waited < 5000; waited += 100) {
            if (at(lx, ly) != c) return true;
            e2e::sleep_ms(100);
        }
        return false;
    }
    // Saves the window as it is now; returns the file's name.
    std::string shoot(const char *step) {
        char name[64];
        snprintf(name, sizeof name, "cone_%02d_%s.png", ++shots, step);
        e2e::Image shot = e2e::screenshot(x);
        shot.crop(w.x, w.y, w.width, w.height).save_png(name);
        return name;
    }
};

#define EXPECT_PIXEL(cone, lx, ly, colour)                                               \
    do {                                                                                 \
        e2e::Rgb seen{};                                                                 \
        EXPECT_TRUE((cone).wait_for(lx, ly, colour, &seen))                              \
            << "at (" << (lx) << ", " << (ly) << ") expected " << e2e::to_string(colour) \
            << ", saw " << e2e::to_string(seen);                                         \
    } while (0)

TEST(ConeDecorator, DecorateEatAndQuit) {
    e2e::XServer x;
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process app(x, e2e::build_dir() + "/cone");
    ASSERT_TRUE(app.ok()) << app.error();
    Cone cone{x, {}};
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &cone.w, 15000));

    // The first periodic tick draws the scene: the red frame line and the blue panel outline.
    EXPECT_PIXEL(cone, 230, 0, kRed);
    EXPECT_PIXEL(cone, -240, 245, kBlue);
    EXPECT_PIXEL(cone, 0, -50, kBrown);
    EXPECT_PIXEL(cone, 0, 180, kBlack);  // one scoop only
    cone.shoot("start");

    // Two more scoops: the top one now shows at (0, 180).
    cone.press(0);
    cone.press(0);
    EXPECT_TRUE(cone.wait_until_not(0, 180, kBlack)) << "no top scoop";
    EXPECT_TRUE(cone.wait_until_not(-50, 82, kBlack)) << "no middle scoop";
    cone.shoot("three_scoops");
    // The scoops' colours are random (green among them): where a topping goes away, the scoop
    // beneath must show again, whatever its colour.
    const e2e::Rgb scoop_at_edge = cone.at(24, 104), scoop_at_nut = cone.at(30, 97);

    // At start a click on the scoops adds a red M & M; add a second one after "Add Topping".
    cone.click(30, 100);
    EXPECT_PIXEL(cone, 30, 95, kRed);
    cone.press(2);
    cone.click(-30, 150);
    EXPECT_PIXEL(cone, -30, 145, kRed);
    cone.shoot("toppings");

    // Select the first, recolour it green from the palette: the second stays red.
    cone.press(5);
    cone.click(30, 100);
    cone.press(4);
    cone.click(260, 192);
    EXPECT_PIXEL(cone, 30, 95, kGreen);
    EXPECT_PIXEL(cone, 24, 104, kGreen);  // inside the M & M's disc, left of its "m"
    EXPECT_EQ(kRed, cone.at(-30, 145));
    cone.shoot("recoloured");

    // Make it a nut: a triangle, so the disc's edge at (24, 104) shows the scoop again.
    cone.press(3);
    cone.click(-250, -70);
    e2e::Rgb seen{};
    EXPECT_TRUE(cone.wait_for(30, 97, kGreen, &seen));
    EXPECT_TRUE(cone.wait_for(24, 104, scoop_at_edge, &seen)) << "still a disc";
    cone.shoot("nut");

    // Move it: a click on the scoops while it is selected.
    cone.click(-20, 60);
    EXPECT_PIXEL(cone, -20, 57, kGreen);
    EXPECT_TRUE(cone.wait_for(30, 97, scoop_at_nut, &seen)) << "the nut has not moved";
    cone.shoot("moved");

    // A confetti topping and a yellow sprinkle on the top scoop.
    cone.press(2);
    cone.click(20, 150);
    cone.press(3);
    cone.click(-250, -170);
    cone.press(2);
    cone.click(-25, 180);
    cone.press(3);
    cone.click(-255, -119);
    cone.press(4);
    cone.click(260, 154);  // yellow
    EXPECT_PIXEL(cone, -20, 181, kYellow);
    cone.shoot("more_toppings");

    // Eat: bites out of the cone and the scoops.
    cone.press(7);
    cone.click(0, -100);
    cone.click(20, 20);
    cone.click(0, 130);
    EXPECT_PIXEL(cone, 0, -100, kBlack);
    EXPECT_PIXEL(cone, 20, 20, kBlack);
    EXPECT_PIXEL(cone, 0, 130, kBlack);
    EXPECT_PIXEL(cone, -20, 57, kGreen);  // the nut still shows beside the bites
    cone.shoot("eaten");

    // Quit from the menu: "Run" in the menu bar, then "Quit".
    ASSERT_TRUE(e2e::click(x, cone.w.x + 16, cone.w.y + kMenuBar / 2));
    ASSERT_TRUE(cone.wait_until_not(-170, 240, kBlack)) << "the Run menu did not open";
    e2e::Image open = e2e::screenshot(x);
    cone.shoot("run_menu");
    // The pop-up hangs below the bar; at library x = -170 the picture is black down to y = -52,
    // so the last non-black row of that column is the pop-up's frame.
    int column = cone.sx(-170);
    int top = cone.w.y + kMenuBar, bottom = 0;
    for (int y = top; y < top + 300; ++y)
        if (open.at(column, y) != kBlack) bottom = y;
    ASSERT_GT(bottom, top + 100) << "no pop-up menu under \"Run\"";
    // "Quit" is the last item in black text; the grayed information lines follow it.
    int quit_row = 0;
    for (int y = top; y < bottom - 3; ++y)
        for (int x = cone.w.x + 21; x < cone.w.x + 60; ++x)
            if (open.at(x, y) == kBlack) quit_row = y;
    ASSERT_GT(quit_row, top) << "no black item text in the pop-up";
    ASSERT_TRUE(e2e::click(x, cone.w.x + 40, quit_row - 4));
    int status = -1;
    EXPECT_TRUE(app.wait(5000, &status)) << "still running after Quit";
    EXPECT_EQ(0, status);
}

TEST(ConeDecorator, CtrlQQuits) {
    e2e::XServer x;
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process app(x, e2e::build_dir() + "/cone");
    ASSERT_TRUE(app.ok()) << app.error();
    Cone cone{x, {}};
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &cone.w, 15000));
    EXPECT_PIXEL(cone, 230, 0, kRed);
    // A typed character is an event that changes nothing; the picture stays.
    ASSERT_TRUE(e2e::key_to(x, cone.w, "x"));
    EXPECT_PIXEL(cone, -240, 245, kBlue);
    ASSERT_TRUE(e2e::key_to(x, cone.w, "ctrl+q"));
    int status = -1;
    EXPECT_TRUE(app.wait(5000, &status)) << "still running after Ctrl+Q";
    EXPECT_EQ(0, status);
}

}  // namespace
