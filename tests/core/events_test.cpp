// The event wait against injected input: click coordinates, key events from either window, the
// periodic event's arming and delivery, and the back buffer reaching the window.
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

#include <unistd.h>

using harness::Event;
using harness::next_event;

namespace {

class Events : public harness::WaitTest {};

TEST_F(Events, OriginIsTheCentreOfTheClientArea) {
    RECT client;
    GetClientRect(library_state.window.graphics, &client);
    ASSERT_GT(client.right, 0);
    ASSERT_GT(client.bottom, 0);
    EXPECT_EQ(library_state.window.origin_x, client.right / 2);
    EXPECT_EQ(library_state.window.origin_y, client.bottom / 2);
}

TEST_F(Events, ClicksAtAndAroundTheOrigin) {
    struct Case {
        int dx, dy;  // client offset from the origin
        int x, y;    // library point expected
    } cases[] = {
        {0, 0, 0, 0},   {10, 5, 10, -5}, {0, -1, 0, 1},   {0, 1, 0, -1},
        {-1, 0, -1, 0}, {1, 0, 1, 0},    {-7, -9, -7, 9},
    };
    for (const Case &c : cases) {
        harness::post_click(ox() + c.dx, oy() + c.dy);
        Event e = next_event();
        EXPECT_EQ(e.code, TAVIX_MOUSE) << c.dx << "," << c.dy;
        EXPECT_EQ(e.x, c.x) << c.dx << "," << c.dy;
        EXPECT_EQ(e.y, c.y) << c.dx << "," << c.dy;
        EXPECT_EQ(e.key, 0);
    }
    // The client's top-left pixel.
    harness::post_click(0, 0);
    Event e = next_event();
    EXPECT_EQ(e.code, TAVIX_MOUSE);
    EXPECT_EQ(e.x, -ox());
    EXPECT_EQ(e.y, oy());
}

TEST_F(Events, EachEventCarriesOnlyItsOwnValues) {
    HWND graphics = library_state.window.graphics;
    harness::post_click(ox() + 30, oy() - 40);
    harness::post_char(graphics, 'a');
    harness::post_click(ox() + 1, oy() + 2);

    Event click = next_event();
    EXPECT_EQ(click.code, TAVIX_MOUSE);
    EXPECT_EQ(click.x, 30);
    EXPECT_EQ(click.y, 40);
    // A key after a click reports no position; a click after a key reports no key.
    Event key = next_event();
    EXPECT_EQ(key.code, TAVIX_KBD);
    EXPECT_EQ(key.key, 'a');
    EXPECT_EQ(key.x, 0);
    EXPECT_EQ(key.y, 0);
    Event second = next_event();
    EXPECT_EQ(second.code, TAVIX_MOUSE);
    EXPECT_EQ(second.key, 0);
    EXPECT_EQ(second.x, 1);
    EXPECT_EQ(second.y, -2);
}

TEST_F(Events, CharactersKeepTheirEightBits) {
    HWND graphics = library_state.window.graphics;
    harness::post_char(graphics, 'a');
    harness::post_char(graphics, (char)0xE9);  // e acute in Windows-1252
    Event a = next_event();
    EXPECT_EQ(a.code, TAVIX_KBD);
    EXPECT_EQ(a.key, 97);
    Event e = next_event();
    EXPECT_EQ(e.code, TAVIX_KBD);
    EXPECT_EQ((signed char)e.key, -23);
}

TEST_F(Events, ConsoleKeysReachTheGraphicsWindow) {
    HWND graphics = library_state.window.graphics;
    HWND console = library_state.window.console;

    // The console queues its key notices for the graphics window, unchanged.
    PostMessageA(console, WM_KEYDOWN, VK_F12, 0x00580001);
    ASSERT_EQ(pump_one_message(), 1);
    MSG forwarded;
    ASSERT_TRUE(PeekMessageA(&forwarded, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(forwarded.hwnd, graphics);
    EXPECT_EQ(forwarded.message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(forwarded.wParam, (WPARAM)VK_F12);
    EXPECT_EQ(forwarded.lParam, (LPARAM)0x00580001);
    harness::drain_queue();

    // Ctrl pressed in the console reaches the graphics window's Ctrl tracking: characters typed
    // meanwhile are dropped, and after its release they are events again.
    PostMessageA(console, WM_KEYDOWN, VK_CONTROL, 0x001D0001);
    harness::drain_queue();
    EXPECT_EQ(library_state.menu.ctrl_down, 1);
    harness::post_char(graphics, 'x');
    harness::post_click(ox(), oy());
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);

    PostMessageA(console, WM_KEYUP, VK_CONTROL, (LPARAM)0xC01D0001u);
    harness::drain_queue();
    EXPECT_EQ(library_state.menu.ctrl_down, 0);
    harness::post_char(graphics, 'y');
    Event e = next_event();
    EXPECT_EQ(e.code, TAVIX_KBD);
    EXPECT_EQ(e.key, 'y');

    // A letter key pressed in the console makes the same character event as in the graphics
    // window; the console's own translation of it has no effect.
    PostMessageA(console, WM_KEYDOWN, 'A', 0x001E0001);
    Event a = next_event();
    EXPECT_EQ(a.code, TAVIX_KBD);
    EXPECT_EQ(a.key, 97);
    PostMessageA(console, WM_KEYUP, 'A', (LPARAM)0xC01E0001u);
    harness::drain_queue();

    // The console's own characters are not events.
    harness::post_char(console, 'z');
    harness::post_click(ox(), oy());
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);
}

TEST_F(Events, HaltedWaitIgnoresTimerNotices) {
    harness::post_timer();
    harness::post_timer();
    harness::post_timer();
    harness::post_char(library_state.window.graphics, 'q');
    Event e = next_event();
    EXPECT_EQ(e.code, TAVIX_KBD);
    EXPECT_EQ(e.key, 'q');
    EXPECT_EQ(library_state.events.timer_tick, 1);
}

TEST_F(Events, AQueuedNoticeDoesNotCountAndAClickReplacesTheArmedTick) {
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    harness::post_timer();  // taken in the arming pass
    harness::post_click(ox() + 3, oy() + 4);
    Event e = next_event();
    EXPECT_EQ(e.code, TAVIX_MOUSE);
    EXPECT_EQ(e.x, 3);
    EXPECT_EQ(e.y, -4);
}

TEST_F(Events, TheFollowingNoticeDeliversThePeriodicEvent) {
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    harness::post_timer();
    harness::post_timer();
    harness::post_click(ox(), oy());
    Event tick = next_event();
    EXPECT_EQ(tick.code, TAVIX_PERIODIC);
    EXPECT_EQ(tick.x, 0);
    EXPECT_EQ(tick.y, 0);
    EXPECT_EQ(tick.key, 0);
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);
    EXPECT_EQ(library_state.events.running, 1);
}

TEST_F(Events, OneTickPerNoticeWhileRunning) {
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    // The first notice arms; each later one delivers a tick, and the next wait re-arms on the
    // notice after it. Five notices: ticks from the 2nd and 4th, the 5th arms the click's wait.
    for (int i = 0; i < 5; ++i) harness::post_timer();
    harness::post_click(ox(), oy());
    EXPECT_EQ(next_event().code, TAVIX_PERIODIC);
    EXPECT_EQ(next_event().code, TAVIX_PERIODIC);
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);
}

TEST_F(Events, HaltingWhileArmedStillDeliversTheTick) {
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    harness::post_timer();
    harness::post_action([] { TAVIX_set_animation(TAVIX_ANIM_HALT); });
    harness::post_timer();
    harness::post_click(ox(), oy());
    EXPECT_EQ(next_event().code, TAVIX_PERIODIC);
    EXPECT_EQ(library_state.events.running, 0);
    // Halted now: the click is next, whatever notices come.
    harness::post_timer();
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);
}

// Ctrl+Q with the animation running and a tick already due: the quit comes first, at once.
TEST_F(Events, CtrlQWithATickDueReturnsQuitAtOnce) {
    HWND window = library_state.window.graphics;
    SetTimer(window, TAVIX_TIMER_ID, 10, nullptr);
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE)) usleep(1000);
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    PostMessageA(window, WM_KEYDOWN, VK_CONTROL, 0);
    PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    Event e = next_event();
    KillTimer(window, TAVIX_TIMER_ID);
    EXPECT_EQ(e.code, TAVIX_QUIT);
}

TEST_F(Events, ASingleStepYieldsExactlyOneTick) {
    TAVIX_set_animation(TAVIX_ANIM_STEP);
    for (int i = 0; i < 4; ++i) harness::post_timer();
    harness::post_click(ox(), oy());
    EXPECT_EQ(next_event().code, TAVIX_PERIODIC);
    EXPECT_EQ(library_state.events.single_step, 0);
    EXPECT_EQ(library_state.events.running, 0);
    EXPECT_EQ(next_event().code, TAVIX_MOUSE);
}

TEST_F(Events, AnimationSwitch) {
    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_RUN), 1);
    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_STEP), 1);
    EXPECT_EQ(library_state.events.running, 1) << "a step leaves a running animation running";
    EXPECT_EQ(library_state.events.single_step, 1);
    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_HALT), 1);
    EXPECT_EQ(library_state.events.running, 0);
    EXPECT_EQ(library_state.events.single_step, 0) << "halt clears a pending step";

    TAVIX_set_animation(TAVIX_ANIM_RUN);
    for (int code : {3, 4, -1, 6, 100}) {
        EXPECT_EQ(TAVIX_set_animation(code), 1) << code;
        EXPECT_EQ(library_state.events.running, 1) << code;
        EXPECT_EQ(library_state.events.single_step, 0) << code;
        EXPECT_EQ(library_state.events.quit_requested, 0) << code;
    }
}

TEST_F(Events, TheBufferReachesTheWindowOnlyWhenDirty) {
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0);
    SetPixel(library_state.window.buffer_dc, 20, 30, red);
    library_state.window.dirty = 1;
    harness::post_click(ox(), oy());
    next_event();
    EXPECT_EQ(GetPixel(library_state.window.graphics_dc, 20, 30), red);
    EXPECT_EQ(library_state.window.dirty, 0);

    // Not marked dirty: the window keeps the old picture.
    SetPixel(library_state.window.buffer_dc, 20, 30, blue);
    harness::post_click(ox(), oy());
    next_event();
    EXPECT_EQ(GetPixel(library_state.window.graphics_dc, 20, 30), red);

    // A paint notice copies the whole buffer, whatever is marked, and clears the mark.
    SetPixel(library_state.window.buffer_dc, 20, 30, green);
    library_state.window.dirty = 1;
    InvalidateRect(library_state.window.graphics, nullptr, FALSE);
    harness::drain_queue();
    EXPECT_EQ(GetPixel(library_state.window.graphics_dc, 20, 30), green);
    EXPECT_EQ(library_state.window.dirty, 0);
}

}  // namespace
