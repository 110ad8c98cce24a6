// Opening and closing the library: what the two switches answer before and after start, where
// the windows go, the console's show switch, and finish.
#include "platform/user/window.h"
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The newest console message, newline included.
std::string last_message() {
    return harness::newest_console_message();
}

// The whole life of the library in one process, in order.
TEST(Lifecycle, SwitchesAnswerOnlyOnceTheLibraryIsOpen) {
    ASSERT_EQ(library_state.window.graphics, nullptr) << "must run before anything starts it";

    for (int code : {TAVIX_ANIM_HALT, TAVIX_ANIM_STEP, TAVIX_ANIM_RUN, 3, TAVIX_ANIM_QUIT, -1})
        EXPECT_EQ(TAVIX_set_animation(code), 0) << code;
    EXPECT_EQ(library_state.events.running, 0);
    EXPECT_EQ(library_state.events.single_step, 0);
    EXPECT_EQ(library_state.events.quit_requested, 0);
    EXPECT_EQ(TAVIX_set_logging(0), 0);
    EXPECT_EQ(library_state.draw.logging, 1);
    EXPECT_EQ(TAVIX_show_console(1), 0);
    // The title and the pointer chosen before the start are the window's from its first showing.
    EXPECT_EQ(TAVIX_set_title("Chosen early"), 1);
    EXPECT_EQ(TAVIX_show_cursor(0), 1);
    // Full screen is remembered for the start; without a screen to cover, the start says so.
    EXPECT_EQ(TAVIX_set_fullscreen(1), 1);

    // A number drawn before the start follows TAVIX_SEED as one drawn after it does.
    setenv("TAVIX_SEED", "42", 1);
    int drawn = TAVIX_random(1000000);
    TAVIX_seed(42);
    EXPECT_EQ(TAVIX_random(1000000), drawn);
    unsetenv("TAVIX_SEED");
    library_state.random.seeded = 0;
    library_state.events.game_calls_used = 0;

    // Start clears the animation switches, whatever they held.
    handle_command(ID_STEP);
    handle_command(ID_ANIMATE);
    harness::start_library();
    ASSERT_NE(library_state.window.graphics, nullptr);
    ASSERT_NE(library_state.window.console, nullptr);
    EXPECT_EQ(library_state.events.running, 0);
    EXPECT_EQ(library_state.events.single_step, 0);
    EXPECT_NE(library_state.window.buffer_dc, nullptr);
    EXPECT_NE(library_state.window.graphics_dc, nullptr);
    EXPECT_TRUE(IsWindowVisible(library_state.window.graphics));
    EXPECT_TRUE(IsWindowVisible(library_state.window.console));
    EXPECT_EQ(window_get(library_state.window.graphics)->title, "Chosen early");
    EXPECT_EQ(last_message(), "Full screen on not possible here: the window stays as it is\n");
    EXPECT_EQ(TAVIX_set_fullscreen(1), 0);
    EXPECT_EQ(last_message(), "Full screen on not possible here: the window stays as it is\n");
    EXPECT_EQ(TAVIX_set_fullscreen(0), 1);  // it is off already
    EXPECT_EQ(window_get(library_state.window.graphics)->scale, 1);
    EXPECT_EQ(ShowCursor(FALSE), -2);  // hidden once: the count was -1
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(TAVIX_show_cursor(1), 1);
    EXPECT_EQ(ShowCursor(TRUE), 1);  // shown again: the count is back at 0
    EXPECT_EQ(ShowCursor(FALSE), 0);

    // A second start keeps the windows and the picture it has.
    HWND graphics = library_state.window.graphics, console = library_state.window.console;
    HDC buffer = library_state.window.buffer_dc;
    EXPECT_EQ(TAVIX_start(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 1);
    EXPECT_EQ(library_state.window.graphics, graphics);
    EXPECT_EQ(library_state.window.console, console);
    EXPECT_EQ(library_state.window.buffer_dc, buffer);
    EXPECT_EQ(last_message(), "TAVIX_start again does nothing: the library is already open\n");

    for (int code : {TAVIX_ANIM_HALT, TAVIX_ANIM_STEP, TAVIX_ANIM_RUN, 3, 4, 6, -1})
        EXPECT_EQ(TAVIX_set_animation(code), 1) << code;
    EXPECT_EQ(TAVIX_set_logging(0), 1);
    EXPECT_EQ(library_state.draw.logging, 0);

    // The console's switch answers whether it was visible before.
    EXPECT_NE(TAVIX_show_console(0), 0);
    EXPECT_FALSE(IsWindowVisible(library_state.window.console));
    EXPECT_EQ(TAVIX_show_console(0), 0);
    EXPECT_EQ(TAVIX_show_console(1), 0);
    EXPECT_TRUE(IsWindowVisible(library_state.window.console));

    EXPECT_EQ(TAVIX_finish(), 1);
    // Still open after finish.
    EXPECT_EQ(TAVIX_set_animation(TAVIX_ANIM_RUN), 1);
    EXPECT_EQ(library_state.events.running, 1);
    EXPECT_EQ(TAVIX_set_logging(1), 1);
    EXPECT_NE(library_state.window.graphics, nullptr);

    // The calls that need the windows say so and do nothing; the wait ends a loop at once.
    int x = 5, y = 5;
    char key = 'k';
    EXPECT_EQ(TAVIX_next_event(&x, &y, &key), TAVIX_QUIT);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(last_message(),
              "TAVIX_next_event after TAVIX_finish does nothing: the library is finished\n");
    EXPECT_EQ(TAVIX_show_console(0), 0);
    EXPECT_TRUE(IsWindowVisible(library_state.window.console));
    EXPECT_EQ(last_message(),
              "TAVIX_show_console after TAVIX_finish does nothing: the library is finished\n");
    EXPECT_EQ(TAVIX_finish(), 1);
    EXPECT_EQ(last_message(),
              "TAVIX_finish after TAVIX_finish does nothing: the library is finished\n");
    EXPECT_EQ(TAVIX_set_title("Late"), 0);
    EXPECT_EQ(last_message(),
              "TAVIX_set_title after TAVIX_finish does nothing: the library is finished\n");
    EXPECT_EQ(TAVIX_start(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 1);
    EXPECT_EQ(library_state.window.graphics, graphics);
    // Drawing still goes to the back buffer, which lives to the end of the program.
    EXPECT_EQ(TAVIX_draw_pixel(RED, 0, 0), 1);
}

TEST(Lifecycle, WindowsStandWhereTheScreenPutsThem) {
    harness::start_library();
    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    int screen_height = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(screen_width, 0);
    ASSERT_GT(screen_height, 0);

    RECT graphics;
    ASSERT_TRUE(GetWindowRect(library_state.window.graphics, &graphics));
    EXPECT_EQ(graphics.left, 0);
    EXPECT_EQ(graphics.top, 0);
    EXPECT_EQ(graphics.right - graphics.left, TAVIX_WIDTH);
    EXPECT_EQ(graphics.bottom - graphics.top, TAVIX_HEIGHT);

    // The console spans the screen's width across its bottom third.
    RECT console;
    ASSERT_TRUE(GetWindowRect(library_state.window.console, &console));
    EXPECT_EQ(console.left, 0);
    EXPECT_EQ(console.top, 2 * screen_height / 3 + 1);
    EXPECT_EQ(console.right - console.left, screen_width);
    EXPECT_EQ(console.bottom - console.top, screen_height / 3);

    // The origin is the centre of the client area that the platform reports, rounded down.
    RECT client;
    GetClientRect(library_state.window.graphics, &client);
    EXPECT_LT(client.right, TAVIX_WIDTH);
    EXPECT_LT(client.bottom, TAVIX_HEIGHT);
    EXPECT_EQ(library_state.window.origin_x, client.right / 2);
    EXPECT_EQ(library_state.window.origin_y, client.bottom / 2);
    // What the window shows of the picture, in library coordinates: the top left 595 x 496.
    int left, bottom, right, top;
    TAVIX_visible_area(&left, &bottom, &right, &top);
    EXPECT_EQ(client.right, 595);
    EXPECT_EQ(client.bottom, 496);
    EXPECT_EQ(std::to_string(left) + " " + std::to_string(bottom) + " " + std::to_string(right) +
                  " " + std::to_string(top),
              "-297 -247 297 248");
}

}  // namespace
