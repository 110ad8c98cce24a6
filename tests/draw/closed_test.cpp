// Drawing before the library is opened: there is no back buffer, yet every call prints its
// warnings and log line and returns its result, and nothing breaks.
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DrawingBeforeStart, CallsPrintAndReturnWithoutABuffer) {
    ASSERT_EQ(library_state.buffer_dc, nullptr);
    drawtest::take_console();
    present_buffer();  // nothing to copy to, but the buffer counts as shown
    EXPECT_EQ(TAVIX_draw_circle(3, 10, -20, -5), 1);
    EXPECT_EQ(TAVIX_draw_triangle(99, 0, 0, 1, 1, 2, 0, -3), 1);
    EXPECT_EQ(TAVIX_draw_rectangle(4, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(TAVIX_draw_line(0, 0, 0, 10, 0, 0), 1);
    EXPECT_EQ(TAVIX_draw_pixel(0, 1, 2), 1);
    EXPECT_EQ(TAVIX_draw_text(0, 0, 0, 10, "two\nlines"), 1);
    EXPECT_EQ(TAVIX_draw_formatted(0, 0, 0, 10, "%d apples", 3), 8);
    EXPECT_EQ(TAVIX_clear_window(), 1);
    const std::vector<std::string> expected = {
        "Radius of -5 not possible, using radius 5\n",
        "green circle at (10,-20), radius 5\n",
        "Illegal color 99; using RED.\n",
        "Width of -3 not possible, using width 3\n",
        "red triangle at (0,0), (1,1), (2,0)\n",
        "blue rectangle with bounding box (0,0) to (0,0), filled\n",
        "black line from (0,0) to (10,0), width 0\n",
        "black pixel at (1,2)\n",
        "black text at (0,0), \"two\nlines\"\n",
        "black text at (0,0), \"3 apples\"\n",
        "Clearing the graphics window\n",
    };
    EXPECT_EQ(drawtest::take_console(), expected);
    EXPECT_EQ(library_state.dirty, 1);
}
