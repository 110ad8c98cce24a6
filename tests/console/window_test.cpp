// The console window's lines as pixels: an empty ring repaints to white, a repaint stacks the
// stored messages oldest first with the newest at the bottom, printing scrolls up one line, and
// a closed console is harmless to print to. Lines are told apart by their lengths: each band of
// the window is measured for how far its ink reaches to the right.
#include "platform/surface.h"
#include "platform/user/window.h"
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

struct ConsoleView {
    int line_height = 0;
    int char_width = 0;
    RECT client = {0, 0, 0, 0};
};

ConsoleView view_console() {
    ConsoleView v;
    HDC dc = GetDC(library_state.window.console);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    v.line_height = metrics.tmHeight + metrics.tmExternalLeading;
    v.char_width = metrics.tmAveCharWidth;
    ReleaseDC(library_state.window.console, dc);
    GetClientRect(library_state.window.console, &v.client);
    return v;
}

// How far right the ink of band (0 = the bottom line) reaches: one past its last non-white
// pixel, 0 for a blank band. Read as a pass of the wait leaves the console.
int ink_reach(const ConsoleView &v, int band) {
    pump_one_message();
    HDC dc = GetDC(library_state.window.console);
    int bottom = v.client.bottom - band * v.line_height;
    int reach = 0;
    for (int y = bottom - v.line_height; y < bottom; ++y)
        for (int x = v.client.left; x < v.client.right; ++x)
            if (GetPixel(dc, x, y) != kWhite && x + 1 > reach) reach = x + 1;
    ReleaseDC(library_state.window.console, dc);
    return reach;
}

// The band shows a line of exactly n characters, drawn from x 5.
void expect_line_of(const ConsoleView &v, int band, int n) {
    int reach = ink_reach(v, band);
    EXPECT_GT(reach, 5 + (n - 1) * v.char_width) << "band " << band << ", " << n << " chars";
    EXPECT_LE(reach, 5 + n * v.char_width + 1) << "band " << band << ", " << n << " chars";
}

int visible_bands(const ConsoleView &v) {
    return (v.client.bottom - v.client.top) / v.line_height;
}

void blacken_console() {
    HDC dc = GetDC(library_state.window.console);
    RECT all;
    GetClientRect(library_state.window.console, &all);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &all, black);
    DeleteObject(black);
    ReleaseDC(library_state.window.console, dc);
}

void repaint_console() {
    InvalidateRect(library_state.window.console, nullptr, TRUE);
    harness::drain_queue();
}

void print_line_of(int n) {
    TAVIX_console_printf("%s\n", std::string(n, 'M').c_str());
}

class ConsoleWindow : public ::testing::Test {
   protected:
    void SetUp() override {
        harness::start_library();
        harness::drain_queue();
        view = view_console();
        ASSERT_GT(view.line_height, 0);
        ASSERT_GT(view.char_width, 0);
        ASSERT_GE(visible_bands(view), 5);
    }
    ConsoleView view;
};

// The tests run in order: each adds to the one ring of the process.
TEST_F(ConsoleWindow, AnEmptyRingRepaintsToWhite) {
    ASSERT_EQ(library_state.console.first, -1);
    blacken_console();
    repaint_console();
    for (int band = 0; band < visible_bands(view); ++band) EXPECT_EQ(ink_reach(view, band), 0);
}

TEST_F(ConsoleWindow, ARepaintStacksTheMessagesNewestAtTheBottom) {
    ASSERT_EQ(library_state.console.first, -1);
    print_line_of(3);
    print_line_of(7);
    print_line_of(12);
    blacken_console();
    repaint_console();
    expect_line_of(view, 0, 12);
    expect_line_of(view, 1, 7);
    expect_line_of(view, 2, 3);
    for (int band = 3; band < visible_bands(view); ++band) EXPECT_EQ(ink_reach(view, band), 0);

    // The repaint took each stored newline off in its block; the block keeps its size.
    HGLOBAL oldest = library_state.console.lines[0];
    EXPECT_EQ(GlobalSize(oldest), 5u);
    EXPECT_EQ(std::string((const char *)GlobalLock(oldest)), "MMM");
    GlobalUnlock(oldest);
}

TEST_F(ConsoleWindow, PrintingScrollsTheWindowUpOneLine) {
    print_line_of(20);
    expect_line_of(view, 0, 20);
    expect_line_of(view, 1, 12);
    expect_line_of(view, 2, 7);
    expect_line_of(view, 3, 3);

    // An empty message still takes a line.
    TAVIX_console_printf("\n");
    EXPECT_EQ(ink_reach(view, 0), 0);
    expect_line_of(view, 1, 20);
}

TEST_F(ConsoleWindow, ARepaintAfter30MessagesShowsTheLast25) {
    // 5 printed so far; 25 more of lengths 6 to 30 make message k have k characters, for
    // every k still in the ring.
    ASSERT_EQ(library_state.console.end, 5);
    for (int k = 6; k <= 30; ++k) print_line_of(k);
    blacken_console();
    repaint_console();
    int bands = visible_bands(view);
    for (int band = 0; band < bands && band < CONSOLE_RING_SIZE; ++band)
        expect_line_of(view, band, 30 - band);
}

TEST_F(ConsoleWindow, ALineReachingTheRightEdgeLeavesNoInkOnTheNextLine) {
    // Wider than the window: its ink runs into the last column.
    std::string wide(2 * (view.client.right / view.char_width + 1), 'W');
    TAVIX_console_printf("%s\n", wide.c_str());
    ASSERT_EQ(ink_reach(view, 0), view.client.right);
    print_line_of(3);
    expect_line_of(view, 0, 3);
}

std::vector<uint32_t> console_pixels() {
    const Surface *s = window_surface(library_state.window.console);
    return std::vector<uint32_t>(s->pixels, s->pixels + (size_t)s->width * s->height);
}

TEST_F(ConsoleWindow, LinesDrawnTogetherLeaveThePixelsOfPrintingOneByOne) {
    int bands = visible_bands(view);
    std::string wide(2 * (view.client.right / view.char_width + 1), 'W');
    std::vector<std::vector<std::string>> batches = {
        {"one line\n"},
        {"\xC5ngstr\xF6m gjpqy_|\n", "",
         "\xC9tude \xC7"
         "a\n",
         wide + "\n", "after the wide one\n"},
        {},
    };
    // More lines than the window holds, of every length up to its width.
    for (int k = 0; k < bands + 7; ++k)
        batches.back().push_back(std::string(k * 5 % (int)wide.size(), 'g' + k % 3) + "\n");
    for (const std::vector<std::string> &batch : batches) {
        std::vector<uint32_t> before = console_pixels();
        for (const std::string &line : batch) TAVIX_console_printf("%s", line.c_str());
        pump_one_message();
        std::vector<uint32_t> together = console_pixels();

        Surface *s = window_surface(library_state.window.console);
        std::copy(before.begin(), before.end(), s->pixels);
        for (const std::string &line : batch) {
            std::vector<char> text(line.begin(), line.end());
            text.push_back('\0');
            print_console_line(text.data());
        }
        EXPECT_TRUE(console_pixels() == together) << batch.size() << " lines";
    }
}

TEST_F(ConsoleWindow, AHiddenConsoleDrawsNothingAndShowsTheRingWhenShown) {
    TAVIX_show_console(0);
    std::vector<uint32_t> before = console_pixels();
    int end = library_state.console.end;
    print_line_of(9);
    EXPECT_EQ(library_state.console.end, (end + 1) % CONSOLE_RING_SIZE) << "stored";
    pump_one_message();
    EXPECT_TRUE(console_pixels() == before);
    TAVIX_show_console(1);
    harness::drain_queue();
    expect_line_of(view, 0, 9);
}

TEST_F(ConsoleWindow, AClosedConsoleIsHarmless) {
    PostMessageA(library_state.window.console, WM_CLOSE, 0, 0);
    harness::drain_queue();
    ASSERT_FALSE(IsWindow(library_state.window.console));
    int end = library_state.console.end;
    EXPECT_EQ(TAVIX_console_printf("into the void %d\n", 7), 16);
    EXPECT_EQ(library_state.console.end, (end + 1) % CONSOLE_RING_SIZE) << "still stored";
    TAVIX_show_console(1);
    EXPECT_FALSE(IsWindowVisible(library_state.window.console));
    // The graphics window is still there: the program's loop is not ended by the console.
    EXPECT_TRUE(IsWindow(library_state.window.graphics));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
