// Every drawing call at the ends of its arguments' ranges (extremes.h) returns and leaves the
// picture whole, under the sanitizers too; pens far wider than the picture paint what their discs
// cover, and an arc's pen is held with its warning.
#include "tests/draw/draw_fixture.h"
#include "tests/draw/extremes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

class Extremes : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        drawtest::open_library();
        TAVIX_set_logging(0);
    }
    void SetUp() override { drawtest::take_console(); }
};

// How many pixels of the picture have colour c.
int count_of(const std::vector<COLORREF> &picture, COLORREF c) {
    int n = 0;
    for (COLORREF p : picture) n += p == c;
    return n;
}

TEST_F(Extremes, EveryCallAtTheEndsOfItsArgumentsReturnsAndTheLibraryDrawsOn) {
    char path[] = "/tmp/extremes_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(extremes::load_image(path), 1);
    unlink(path);
    size_t n = 0;
    for (const extremes::Case &c : extremes::cases()) {
        SCOPED_TRACE(c.describe());
        extremes::run(c);
        ++n;
        if (n % 64 == 0) drawtest::take_console();
    }
    EXPECT_GT(n, 5000u);
    // Whatever came before, an ordinary shape still paints where it should.
    drawtest::fill_buffer(RGB(255, 255, 255));
    TAVIX_draw_circle(BLUE, 0, 0, 5);
    EXPECT_EQ(drawtest::pixel(0, 0), colour_value(BLUE));
    EXPECT_EQ(drawtest::pixel(0, 7), RGB(255, 255, 255));
}

TEST_F(Extremes, PensWiderThanThePicturePaintWhatTheirDiscsCover) {
    const COLORREF white = RGB(255, 255, 255), red = colour_value(RED);
    const int all = TAVIX_WIDTH * TAVIX_HEIGHT;
    // A small ellipse with a pen of any width beyond the picture's covers all of it.
    for (int width : {2000, 100000, 1000000000, INT_MAX}) {
        drawtest::fill_buffer(white);
        TAVIX_draw_ellipse(RED, 10, 20, 60, 30, width);
        EXPECT_EQ(count_of(drawtest::snapshot(), red), all) << width;
    }
    // The picture inside the ring's hole stays as it was.
    drawtest::fill_buffer(white);
    TAVIX_draw_ellipse(RED, 0, 0, 30000, 30000, 2000);
    EXPECT_EQ(count_of(drawtest::snapshot(), red), 0);
    // The edge of a disc half a million pixels across runs through the picture: the pen reaches
    // a quarter of a million pixels up from a circle of radius 1 that far below.
    for (int width : {60000, 500001}) {
        int below = width / 2;
        drawtest::fill_buffer(white);
        TAVIX_draw_ellipse(RED, 0, -below, 1, 1, width);
        EXPECT_EQ(drawtest::pixel(0, -3), red) << width;
        EXPECT_EQ(drawtest::pixel(0, 3), white) << width;
        EXPECT_EQ(drawtest::pixel(-290, -250), red) << width;
        EXPECT_EQ(drawtest::pixel(-290, 2), white) << width;
    }
    drawtest::take_console();
    TAVIX_draw_arc(RED, 0, 0, 50, 50, 0, 90, 100000);
    TAVIX_draw_arc(RED, 0, 0, 50, 50, 0, 90, INT_MIN);
    const std::vector<std::string> expected = {
        "Width of 100000 not possible, using width 1000\n",
        "Width of -2147483648 not possible, using width 2147483647\n",
        "Width of 2147483647 not possible, using width 1000\n",
    };
    EXPECT_EQ(drawtest::take_console(), expected);
}

}  // namespace
