// Closing the graphics window ends a running wait with TAVIX_QUIT; the library stays harmless to
// use afterwards.
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

namespace {

TEST(CloseWindow, TheRunningWaitReturnsQuit) {
    harness::start_library();
    harness::drain_queue();
    harness::arm_watchdog(20);
    TAVIX_set_animation(TAVIX_ANIM_RUN);

    // Alt+F4 as the keyboard delivers it: a system key, which the window leaves to default
    // processing, which asks the window to close (WM_CLOSE, as the close box does) and so
    // destroys it.
    const WPARAM f4 = VK_F1 + 3;
    const LPARAM alt_held = (LPARAM)1 << 29;
    PostMessageA(library_state.window.graphics, WM_SYSKEYDOWN, f4, alt_held | 0x003E0001);
    harness::Event e = harness::next_event();
    EXPECT_EQ(e.code, TAVIX_QUIT);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    EXPECT_EQ(e.key, 0);
    EXPECT_FALSE(IsWindow(library_state.window.graphics));
    EXPECT_EQ(library_state.events.quit_requested, 0) << "the quit came from the queue";

    // What a client still does after that: print, switch, finish.
    EXPECT_EQ(TAVIX_console_printf("after %s\n", "close"), 12);
    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_HALT), 1);
    present_buffer();
    EXPECT_EQ(TAVIX_finish(), 1);
    harness::disarm_watchdog();
}

}  // namespace
