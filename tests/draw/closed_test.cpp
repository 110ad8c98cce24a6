// Drawing before the library is opened: there is no back buffer, yet every call prints its
// warnings and log line and returns its result, and nothing breaks.
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DrawingBeforeStart, CallsPrintAndReturnWithoutABuffer) {
    ASSERT_EQ(library_state.window.buffer_dc, nullptr);
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
    EXPECT_EQ(library_state.window.dirty, 1);
}

TEST(DrawingBeforeStart, NewerCallsDoNotNeedTheBufferAndTextIsMeasuredAlike) {
    drawtest::take_console();
    int points[6] = {0, 0, 10, 0, 0, 10};
    EXPECT_EQ(TAVIX_draw_ellipse(TAVIX_rgb(1, 2, 3), 0, 0, 5, 4, 1), 1);
    EXPECT_EQ(TAVIX_draw_arc(5, 0, 0, 5, 5, 0, 90, 0), 1);
    EXPECT_EQ(TAVIX_draw_polygon(6, 3, points, 0), 1);
    EXPECT_EQ(TAVIX_get_pixel(0, 0), -1);
    EXPECT_EQ(TAVIX_draw_image(1, 0, 0), 1);
    EXPECT_EQ(drawtest::take_console(),
              (std::vector<std::string>{"#010203 ellipse at (0,0), radii 5 and 4, width 1\n",
                                        "yellow pie slice at (0,0), radii 5 and 5, from 0 to 90 "
                                        "degrees, filled\n",
                                        "magenta polygon of 3 points from (0,0), filled\n",
                                        "Image 1 not loaded, nothing drawn\n"}));
    // Measured without a buffer, in a context of its own: two lines twice as high as one.
    EXPECT_EQ(TAVIX_text_height(20, "a\nb"), 2 * TAVIX_text_height(20, "a"));
    EXPECT_GE(TAVIX_text_width(20, "wide\nw"), TAVIX_text_width(20, "wide"));
}
