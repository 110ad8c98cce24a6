// The Run menu on a real X server: real clicks and keys open it and choose commands, grayed lines
// choose nothing, keys that belong to the menu never reach the window, timers run on while it is
// open, and the window repaints what the pop-up covered.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using e2e::Rgb;

const Rgb kFace{192, 192, 192};
const Rgb kHighlight{0, 0, 128};
// The demo fills each repainted area with the next of these.
const Rgb kPaintColours[] = {{0, 128, 128}, {128, 0, 128}, {0, 96, 0}, {96, 64, 0}};

const int kBar = 19;             // menu bar height
const int kTitleX = 15;          // inside the "Run" title
const int kFirstRow = kBar + 3;  // first pop-up row, below the bar and the pop-up's border
const int kRow = 18;             // text row height
const int kSeparator = 9;        // separator height

bool is_separator(int index) {
    return index == 3 || index == 5 || index == 9 || index == 11;
}

// Window-relative y of the middle of pop-up item `index` of the Run menu.
int item_y(int index) {
    int y = kFirstRow;
    for (int i = 0; i < index; ++i) y += is_separator(i) ? kSeparator : kRow;
    return y + (is_separator(index) ? kSeparator / 2 : kRow / 2);
}

// A point of item `index`'s row that no text or check mark covers: its top line, left.
int probe_y(int index) {
    return item_y(index) - kRow / 2 + 1;
}

struct PaintLine {
    int count = 0;                    // WM_PAINT lines so far
    long l = 0, t = 0, r = 0, b = 0;  // the last one's rectangle
};

PaintLine last_paint(const e2e::Process &app) {
    PaintLine p;
    for (const std::string &line : app.output_lines()) {
        long l, t, r, b;
        if (sscanf(line.c_str(), "WM_PAINT %ld %ld %ld %ld", &l, &t, &r, &b) == 4) {
            ++p.count;
            p.l = l, p.t = t, p.r = r, p.b = b;
        }
    }
    return p;
}

int count_prefix(const e2e::Process &app, const std::string &prefix) {
    int n = 0;
    for (const std::string &line : app.output_lines())
        if (line.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

class MenuE2E : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << x.error();
        app.reset(new e2e::Process(x, e2e::program_path("platform_menu_demo")));
        ASSERT_TRUE(app->ok()) << app->error();
        ASSERT_TRUE(e2e::wait_for_window(x, "Menu demo", &w, 10000)) << app->errors();
        ASSERT_TRUE(app->wait_for_line("READY", 5000));
        ASSERT_EQ(w.width, 595);
        ASSERT_EQ(w.height, kBar + 496);
        // The window's first paints have reached the screen.
        ASSERT_TRUE(wait_painted());
    }
    void TearDown() override {
        if (app) app->stop();
    }
    int sx(int wx) const { return w.x + wx; }
    int sy(int wy) const { return w.y + wy; }
    Rgb paint_colour() const {
        int n = last_paint(*app).count;
        return kPaintColours[(n > 0 ? n - 1 : 0) % 4];
    }
    // Waits until the window shows its last paint at (300, 300) of the window.
    bool wait_painted() {
        for (int i = 0; i < 100; ++i) {
            if (e2e::screenshot(x).at(sx(300), sy(300)) == paint_colour()) return true;
            e2e::sleep_ms(50);
        }
        return false;
    }
    // Waits until the pop-up no longer shows at row `index`: neither its face nor its highlight.
    bool wait_popup_gone(int index) {
        for (int i = 0; i < 60; ++i) {
            Rgb c = e2e::screenshot(x).at(sx(10), sy(probe_y(index)));
            if (c != kFace && c != kHighlight) return true;
            e2e::sleep_ms(50);
        }
        return false;
    }
    // Opens the pop-up with a click on its title and waits until it shows.
    void open_by_click() {
        ASSERT_TRUE(e2e::click_in_window(x, w, kTitleX, 9));
        ASSERT_TRUE(e2e::wait_for_pixel(x, sx(10), sy(probe_y(0)), kFace, 3000))
            << "the pop-up did not open";
    }
    // The pop-up's right edge on screen: the first pixel right of its left part that shows the
    // window's own paint again.
    int popup_right() {
        e2e::Image shot = e2e::screenshot(x);
        int y = sy(item_y(3) - 3);  // above the separator's lines: no text in the way
        for (int px = sx(10); px < sx(w.width); ++px) {
            Rgb c = shot.at(px, y);
            for (const Rgb &paint : kPaintColours)
                if (c == paint) return px - w.x;
        }
        return w.width;
    }

    e2e::XServer x;
    std::unique_ptr<e2e::Process> app;
    e2e::WindowInfo w;
};

TEST_F(MenuE2E, ClickOnRunThenAnimateSendsCommandOneAndRepaintsUnderThePopup) {
    open_by_click();
    int right = popup_right();
    EXPECT_GT(right, 150);
    e2e::Image open = e2e::screenshot(x);
    open.crop(w.x, w.y, w.width, w.height).save_png("menu_open.png");
    // The check mark of Logging (item 4) is drawn in black in its check column.
    EXPECT_GT(open.count(sx(3), sy(item_y(4) - 5), sx(21), sy(item_y(4) + 5), Rgb{0, 0, 0}), 8);
    EXPECT_EQ(open.count(sx(3), sy(item_y(6) - 5), sx(21), sy(item_y(6) + 5), Rgb{0, 0, 0}), 0)
        << "Record Script is not checked";
    int paints_before = last_paint(*app).count;

    ASSERT_TRUE(e2e::click_in_window(x, w, 60, item_y(0)));
    ASSERT_TRUE(app->wait_for_line("WM_COMMAND 1", 3000)) << app->output();
    EXPECT_EQ(count_prefix(*app, "WM_COMMAND"), 1);

    // The window repaints at least the area the pop-up covered, and the screen shows it.
    PaintLine p;
    for (int i = 0; i < 100 && (p = last_paint(*app)).count == paints_before; ++i)
        e2e::sleep_ms(30);
    ASSERT_GT(p.count, paints_before) << "no WM_PAINT after the pop-up closed";
    int bottom = item_y(15) + kRow / 2 + 3 - kBar;
    EXPECT_LE(p.l, 0);
    EXPECT_LE(p.t, 0);
    EXPECT_GE(p.r, right);
    EXPECT_GE(p.b, bottom);
    Rgb want = kPaintColours[(p.count - 1) % 4], seen;
    EXPECT_TRUE(e2e::wait_for_pixel(x, sx(10), sy(probe_y(0)), want, 3000, &seen))
        << e2e::to_string(seen);
    EXPECT_TRUE(e2e::wait_for_pixel(x, sx(right - 2), sy(item_y(15)), want, 3000, &seen))
        << e2e::to_string(seen);
    // The bar is drawn plain again.
    e2e::Image closed = e2e::screenshot(x);
    EXPECT_EQ(closed.at(sx(0), sy(0)), kFace);
}

TEST_F(MenuE2E, AltRThenQSendsCommandEightAndTheKeysStayWithTheMenu) {
    ASSERT_TRUE(e2e::focus_window(x, w));
    ASSERT_TRUE(e2e::key(x, "alt+r"));
    ASSERT_TRUE(e2e::wait_for_pixel(x, sx(10), sy(probe_y(0)), kHighlight, 3000))
        << "Alt+R did not open the pop-up with its first item selected";
    ASSERT_TRUE(e2e::key(x, "q"));
    ASSERT_TRUE(app->wait_for_line("WM_COMMAND 8", 3000)) << app->output();
    e2e::sleep_ms(300);
    EXPECT_EQ(count_prefix(*app, "WM_COMMAND"), 1);
    // Neither Alt, R nor Q reached the window procedure.
    for (const char *leak : {"WM_KEYDOWN", "WM_SYSKEYDOWN", "WM_KEYUP", "WM_SYSKEYUP", "WM_CHAR"})
        EXPECT_EQ(count_prefix(*app, leak), 0) << leak << " reached the window:\n" << app->output();

    // With the menu closed, keys reach the window again.
    ASSERT_TRUE(e2e::key(x, "a"));
    EXPECT_TRUE(app->wait_for_line("WM_KEYDOWN 65", 3000)) << app->output();
    EXPECT_TRUE(app->wait_for_line("WM_CHAR 97", 3000)) << app->output();
}

TEST_F(MenuE2E, KeyboardNavigationSkipsSeparatorsAndGrayedLinesChooseNothing) {
    ASSERT_TRUE(e2e::focus_window(x, w));
    // F10 selects the bar; Down opens the pop-up on Animate; three more Downs pass Halt and
    // Advance and skip the separator to Logging.
    ASSERT_TRUE(e2e::key(x, "F10 Down Down Down Down"));
    ASSERT_TRUE(e2e::wait_for_pixel(x, sx(10), sy(probe_y(4)), kHighlight, 3000));
    ASSERT_TRUE(e2e::key(x, "Return"));
    ASSERT_TRUE(app->wait_for_line("WM_COMMAND 4", 3000)) << app->output();

    // Up from the first item wraps to the last, grayed line: it highlights, Enter does nothing.
    ASSERT_TRUE(e2e::key(x, "alt+r Up"));
    ASSERT_TRUE(e2e::wait_for_pixel(x, sx(10), sy(probe_y(15)), kHighlight, 3000));
    ASSERT_TRUE(e2e::key(x, "Return", 400));
    EXPECT_EQ(count_prefix(*app, "WM_COMMAND"), 1);
    EXPECT_EQ(e2e::screenshot(x).at(sx(10), sy(probe_y(15))), kHighlight) << "the pop-up closed";
    // Esc closes the pop-up (the bar stays selected), a second Esc leaves the menu.
    ASSERT_TRUE(e2e::key(x, "Escape"));
    EXPECT_TRUE(wait_popup_gone(15));
    ASSERT_TRUE(e2e::key(x, "Escape b"));
    EXPECT_TRUE(app->wait_for_line("WM_KEYDOWN 66", 3000)) << app->output();
}

TEST_F(MenuE2E, AClickOnAGrayedLineChoosesNothingAndTimersRunWhileOpen) {
    open_by_click();
    int timers = count_prefix(*app, "WM_TIMER");
    ASSERT_TRUE(e2e::click_in_window(x, w, 60, item_y(13)));
    e2e::sleep_ms(600);
    EXPECT_EQ(count_prefix(*app, "WM_COMMAND"), 0) << app->output();
    EXPECT_EQ(count_prefix(*app, "WM_LBUTTON"), 0) << "the click reached the window";
    // Still open, the grayed line under the pointer highlighted; the timer went on ticking.
    e2e::Image shot = e2e::screenshot(x);
    EXPECT_EQ(shot.at(sx(10), sy(probe_y(13))), kHighlight);
    EXPECT_GE(count_prefix(*app, "WM_TIMER"), timers + 3);

    // A click outside closes the pop-up without reaching the window.
    ASSERT_TRUE(e2e::click_in_window(x, w, 560, 400));
    ASSERT_TRUE(wait_popup_gone(13));
    e2e::sleep_ms(300);
    EXPECT_EQ(count_prefix(*app, "WM_LBUTTON"), 0) << "the closing click reached the window";
    EXPECT_EQ(count_prefix(*app, "WM_COMMAND"), 0);
    // The next click is the window's.
    ASSERT_TRUE(e2e::click_in_window(x, w, 560, 400));
    EXPECT_TRUE(app->wait_for_line("WM_LBUTTONDOWN 560 381", 3000)) << app->output();
}

}  // namespace
