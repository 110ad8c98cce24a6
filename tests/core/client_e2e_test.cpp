// The library under a real X server: the small client's two windows stand where they belong,
// its picture and console lines are on screen (newest line at the bottom), and clicks and typing
// in either window reach it as events with the right codes.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Classic window metrics the platform keeps: the caption and the frames lie outside the X window.
const int kCaption = 19, kFixedFrame = 3, kSizingFrame = 4, kMenuBar = 19;
const int kScreenWidth = 1024, kScreenHeight = 768;

const e2e::Rgb kWhite{255, 255, 255};

// How far right the non-white pixels of rows [top, top + height) of the image reach, from left.
int ink_reach(const e2e::Image &shot, int left, int right, int top, int height) {
    int reach = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < right; ++x)
            if (shot.at(x, y) != kWhite) reach = x - left + 1 > reach ? x - left + 1 : reach;
    return reach;
}

TEST(ClientE2E, WindowsPictureConsoleAndInput) {
    e2e::XServer x(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process app(x, e2e::program_path("tavix_client"));
    ASSERT_TRUE(app.ok()) << app.error();

    e2e::WindowInfo graphics, console;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 15000)) << app.errors();
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 15000)) << app.errors();
    ASSERT_TRUE(app.wait_for_output("READY", 10000)) << app.errors();
    int origin_x = 0, origin_y = 0, line_height = 0;
    for (const std::string &line : app.output_lines())
        if (sscanf(line.c_str(), "READY %d %d %d", &origin_x, &origin_y, &line_height) == 3) break;
    ASSERT_GT(line_height, 0);

    // The graphics window's outer box is at (0, 0), 601 x 540; the console's runs across the
    // screen from row 2H/3 + 1, H/3 tall.
    EXPECT_EQ(graphics.x, kFixedFrame);
    EXPECT_EQ(graphics.y, kFixedFrame + kCaption);
    EXPECT_EQ(graphics.width, 601 - 2 * kFixedFrame);
    EXPECT_EQ(graphics.height, 540 - 2 * kFixedFrame - kCaption);
    int console_top = 2 * kScreenHeight / 3 + 1, console_height = kScreenHeight / 3;
    EXPECT_EQ(console.x, kSizingFrame);
    EXPECT_EQ(console.y, console_top + kSizingFrame + kCaption);
    EXPECT_EQ(console.width, kScreenWidth - 2 * kSizingFrame);
    EXPECT_EQ(console.y + console.height, console_top + console_height - kSizingFrame);
    EXPECT_EQ(origin_x, (graphics.width) / 2);
    EXPECT_EQ(origin_y, (graphics.height - kMenuBar) / 2);

    // The picture: library point (x, y) is at client pixel (origin_x + x, origin_y - y).
    int client_left = graphics.x, client_top = graphics.y + kMenuBar;
    auto screen_x = [&](int lx) { return client_left + origin_x + lx; };
    auto screen_y = [&](int ly) { return client_top + origin_y - ly; };
    e2e::Rgb seen;
    EXPECT_TRUE(
        e2e::wait_for_pixel(x, screen_x(-150), screen_y(100), e2e::Rgb{255, 0, 0}, 5000, &seen))
        << "red rectangle, saw " << e2e::to_string(seen);
    EXPECT_TRUE(
        e2e::wait_for_pixel(x, screen_x(100), screen_y(100), e2e::Rgb{0, 0, 255}, 5000, &seen))
        << "blue circle, saw " << e2e::to_string(seen);

    // The X windows may be replaced when they are first presented (SDL re-creates a window
    // for its renderer), so look them up again now that the picture is on screen.
    e2e::sleep_ms(300);
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 5000));
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 5000));
    e2e::Image shot = e2e::screenshot(x);
    ASSERT_FALSE(shot.empty());
    shot.save_png("tavix_client_e2e.png");

    // The console's last three lines: the newest, longest, at the bottom, each one line higher
    // shorter; above them the older messages.
    int bottom = console.y + console.height;
    int newest =
        ink_reach(shot, console.x, console.x + console.width, bottom - line_height, line_height);
    int middle = ink_reach(shot, console.x, console.x + console.width, bottom - 2 * line_height,
                           line_height);
    int oldest = ink_reach(shot, console.x, console.x + console.width, bottom - 3 * line_height,
                           line_height);
    EXPECT_GT(oldest, 5);
    EXPECT_GT(middle, oldest);
    EXPECT_GT(newest, middle);
    // "printed before start" came first of all, so it stands highest: some line above the three.
    int above = 0;
    for (int band = 4; band * line_height < console.height; ++band)
        above += ink_reach(shot, console.x, console.x + console.width, bottom - band * line_height,
                           line_height) > 0;
    EXPECT_GE(above, 1);

    // Input: clicks at and beside the origin, typing into each window.
    ASSERT_TRUE(e2e::click(x, screen_x(0), screen_y(0)));
    EXPECT_TRUE(app.wait_for_line("EVENT 1 0 0 0", 5000)) << app.output();
    ASSERT_TRUE(e2e::click(x, screen_x(10), screen_y(-5)));
    EXPECT_TRUE(app.wait_for_line("EVENT 1 10 -5 0", 5000)) << app.output();
    ASSERT_TRUE(e2e::key_to(x, graphics, "a"));
    EXPECT_TRUE(app.wait_for_line("EVENT 2 0 0 97", 5000)) << app.output();
    ASSERT_TRUE(e2e::key_to(x, graphics, "shift+c"));
    EXPECT_TRUE(app.wait_for_line("EVENT 2 0 0 67", 5000)) << app.output();
    ASSERT_TRUE(e2e::key_to(x, console, "b"))
        << app.errors() << (app.running() ? "" : " (the client has ended)");
    EXPECT_TRUE(app.wait_for_line("EVENT 2 0 0 98", 5000)) << app.output();

    // Ctrl+Q from the console window quits; Ctrl combinations make no key events.
    ASSERT_TRUE(e2e::key_to(x, console, "ctrl+q"));
    EXPECT_TRUE(app.wait_for_line("EVENT 4 0 0 0", 5000)) << app.output();
    int status = -1;
    EXPECT_TRUE(app.wait(5000, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(app.output().find("EVENT 2 0 0 17"), std::string::npos);
    EXPECT_EQ(app.output().find("EVENT 2 0 0 113"), std::string::npos);
}

// TAVIX_SCALE=2: each window is twice as large on the screen, every pixel a 2 x 2 block, while the
// program sees the sizes and coordinates it sees at scale 1; a click anywhere in a pixel's block
// lands on that pixel's library point.
TEST(ClientE2E, AtScaleTwoEveryPixelIsATwoByTwoBlock) {
    const int kScale = 2;
    e2e::XServer x(kScale * kScreenWidth, kScale * kScreenHeight);
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::ProcessOptions options;
    options.env = {"TAVIX_SCALE=2"};
    e2e::Process app(x, e2e::program_path("tavix_client"), options);
    ASSERT_TRUE(app.ok()) << app.error();
    e2e::WindowInfo graphics, console;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 15000)) << app.errors();
    ASSERT_TRUE(app.wait_for_output("READY", 10000)) << app.errors();
    int origin_x = 0, origin_y = 0, line_height = 0;
    for (const std::string &line : app.output_lines())
        if (sscanf(line.c_str(), "READY %d %d %d", &origin_x, &origin_y, &line_height) == 3) break;
    EXPECT_EQ(origin_x, (601 - 2 * kFixedFrame) / 2);
    EXPECT_EQ(origin_y, (540 - 2 * kFixedFrame - kCaption - kMenuBar) / 2);

    int client_left = graphics.x, client_top = graphics.y + kScale * kMenuBar;
    auto screen_x = [&](int lx) { return client_left + kScale * (origin_x + lx); };
    auto screen_y = [&](int ly) { return client_top + kScale * (origin_y - ly); };
    e2e::Rgb seen;
    EXPECT_TRUE(
        e2e::wait_for_pixel(x, screen_x(100), screen_y(100), e2e::Rgb{0, 0, 255}, 5000, &seen))
        << "blue circle, saw " << e2e::to_string(seen);
    e2e::sleep_ms(300);
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 5000));
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 5000));
    EXPECT_EQ(graphics.x, kScale * kFixedFrame);
    EXPECT_EQ(graphics.y, kScale * (kFixedFrame + kCaption));
    EXPECT_EQ(graphics.width, kScale * (601 - 2 * kFixedFrame));
    EXPECT_EQ(graphics.height, kScale * (540 - 2 * kFixedFrame - kCaption));
    EXPECT_EQ(console.width, kScale * (kScreenWidth - 2 * kSizingFrame));

    e2e::Image shot = e2e::screenshot(x);
    ASSERT_FALSE(shot.empty());
    shot.crop(graphics.x, graphics.y, graphics.width, graphics.height).save_png("scale_2.png");
    shot.crop(console.x, console.y, console.width, console.height).save_png("scale_2_console.png");
    // The blocks of kScale x kScale screen pixels in a box, and how many of them are coloured.
    struct Blocks {
        int broken = 0, coloured = 0;  // blocks not of one colour; blocks not white
    };
    auto blocks_in = [&](int left, int top, int right, int bottom) {
        Blocks b;
        for (int y = top; y + 1 < bottom; y += kScale) {
            for (int x0 = left; x0 + 1 < right; x0 += kScale) {
                e2e::Rgb c = shot.at(x0, y);
                b.broken += shot.at(x0 + 1, y) != c || shot.at(x0, y + 1) != c ||
                            shot.at(x0 + 1, y + 1) != c;
                b.coloured += c != kWhite;
            }
        }
        return b;
    };
    // The back buffer's picture is magnified; the menu bar's and the console's text are drawn at
    // the larger size, so some of their blocks mix ink and paper.
    Blocks picture = blocks_in(graphics.x, client_top, graphics.x + graphics.width,
                               graphics.y + graphics.height);
    EXPECT_EQ(picture.broken, 0) << "blocks of the picture that are not one colour";
    EXPECT_GT(picture.coloured, 1000) << "the picture is there";
    Blocks bar = blocks_in(graphics.x, graphics.y, graphics.x + graphics.width, client_top);
    EXPECT_GT(bar.broken, 10) << "the menu bar's text is magnified, not drawn large";
    int text_top = console.y + console.height - kScale * line_height;
    EXPECT_GT(ink_reach(shot, console.x, console.x + console.width, text_top, kScale * line_height),
              kScale * 5);
    Blocks text =
        blocks_in(console.x, text_top, console.x + console.width, text_top + kScale * line_height);
    EXPECT_GT(text.broken, 10) << "the console's text is magnified, not drawn large";

    // Each corner of a block is the same library point.
    struct Click {
        int lx, ly, dx, dy;  // library point, offset inside its block
    } clicks[] = {{0, 0, 0, 0}, {10, -5, 1, 1}, {-37, 21, 1, 0}, {100, 100, 0, 1}};
    for (const Click &c : clicks) {
        ASSERT_TRUE(e2e::click(x, screen_x(c.lx) + c.dx, screen_y(c.ly) + c.dy));
        char expected[64];
        snprintf(expected, sizeof expected, "EVENT 1 %d %d 0", c.lx, c.ly);
        EXPECT_TRUE(app.wait_for_line(expected, 5000)) << app.output();
    }
    ASSERT_TRUE(e2e::key_to(x, graphics, "ctrl+q"));
    EXPECT_TRUE(app.wait_for_line("EVENT 4 0 0 0", 5000)) << app.output();
}

}  // namespace
