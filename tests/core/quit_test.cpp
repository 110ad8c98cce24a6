// Quit requested by the client: every later wait returns TAVIX_QUIT, still ended by a real event
// whose values it carries.
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

namespace {

TEST(QuitRequest, LaterWaitsReturnQuitWithTheEventsValues) {
    harness::start_library();
    harness::stop_real_timer();
    harness::drain_queue();
    harness::arm_watchdog(20);

    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_QUIT), 1);
    int ox = library_state.window.origin_x, oy = library_state.window.origin_y;
    harness::post_click(ox + 10, oy + 20);
    harness::Event click = harness::next_event();
    EXPECT_EQ(click.code, TAVIX_QUIT);
    EXPECT_EQ(click.x, 10);
    EXPECT_EQ(click.y, -20);
    EXPECT_EQ(click.key, 0);

    harness::post_char(library_state.window.graphics, 'a');
    harness::Event key = harness::next_event();
    EXPECT_EQ(key.code, TAVIX_QUIT);
    EXPECT_EQ(key.x, 0);
    EXPECT_EQ(key.y, 0);
    EXPECT_EQ(key.key, 'a');

    // A running animation ends the wait at the next tick; the quit never lapses.
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    harness::post_timer();
    harness::post_timer();
    EXPECT_EQ(harness::next_event().code, TAVIX_QUIT);
    EXPECT_EQ(library_state.events.quit_requested, 1);
    harness::disarm_watchdog();
}

}  // namespace
