// Drawing calls over many random arguments, the extremes of int among them: each returns its
// result, prints exactly its warnings and log line as whole lines, paints nothing outside the
// shape's own box and finishes at once.
#include "library/draw/raster.h"
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using drawtest::Point;

namespace {

class Properties : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { drawtest::open_library(); }
    void SetUp() override { drawtest::take_console(); }
    void TearDown() override {
        TAVIX_set_logging(1);
        drawtest::take_console();
    }
};

struct Arguments {
    std::mt19937 rng{20260901};

    int any() { return (int)(int32_t)rng(); }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }
    int extreme() {
        const int values[] = {INT_MIN, INT_MIN + 1, INT_MAX,    INT_MAX - 1,     0,
                              -1,      1 << 26,     -(1 << 26), (1 << 26) + 300, -(1 << 26) - 300};
        return values[between(0, 9)];
    }
    int coordinate() {
        switch (between(0, 9)) {
            case 0:
            case 1:
            case 2:
            case 3:
                return between(-400, 400);
            case 4:
            case 5:
                return extreme();
            case 6:
                return between(-1000000000, 1000000000);
            case 7:
                return between(-100000, 100000);
            default:
                return any();
        }
    }
    int magnitude(int small_high) {  // a width, radius or size, negatives included
        switch (between(0, 5)) {
            case 0:
            case 1:
            case 2:
                return between(-small_high / 4, small_high);
            case 3:
                return extreme();
            case 4:
                return between(-10000000, 10000000);
            default:
                return any();
        }
    }
    int colour() {
        return between(0, 4) == 0 ? (between(0, 1) ? any() : extreme()) : between(-3, 27);
    }
    std::string text() {
        int length = between(0, 9) == 0 ? between(900, 1500) : between(0, 30);
        std::string s;
        for (int i = 0; i < length; ++i) s += (char)between(32, 126);
        return s;
    }
};

// The library box a shape may paint in, with room for its pen: [left, right] x [bottom, top].
struct Box {
    int64_t left, right, bottom, top;
    bool any;  // false: the call may paint anywhere (text)
};

Box around(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t reach) {
    return {std::min(x1, x2) - reach, std::max(x1, x2) + reach, std::min(y1, y2) - reach,
            std::max(y1, y2) + reach, true};
}

int64_t magnitude_of(int value) {
    return value < 0 ? -(int64_t)value : value;
}
// How far past its points a shape's pen may reach, rounded up.
int64_t reach_of(int width) {
    return magnitude_of(width) / 2 + 2;
}

TEST_F(Properties, RandomCallsReturnPrintWholeLinesAndPaintOnlyTheirShape) {
    Arguments a;
    const int iterations = 1500;
    const int painted_checks = 60;  // reading the whole buffer back is the slow part
    for (int i = 0; i < iterations; ++i) {
        bool check_paint = i % (iterations / painted_checks) == 0;
        TAVIX_set_logging(a.between(0, 1));
        int colour = a.colour();
        int kind = a.between(0, 6);
        int x1 = a.coordinate(), y1 = a.coordinate(), x2 = a.coordinate(), y2 = a.coordinate();
        int x3 = a.coordinate(), y3 = a.coordinate();
        int width = a.magnitude(12);
        std::string text = a.text();

        int warnings = colour < 0 || colour > 23;
        Box box = {0, 0, 0, 0, false};
        int result = 1, expected = 1;
        std::vector<COLORREF> before;
        if (check_paint) {
            drawtest::fill_buffer(RGB(9, 9, 9));
            before = drawtest::snapshot();
        }
        auto started = std::chrono::steady_clock::now();
        switch (kind) {
            case 0:
                result = TAVIX_draw_pixel(colour, x1, y1);
                box = around(x1, y1, x1, y1, 0);
                break;
            case 1:
                result = TAVIX_draw_circle(colour, x1, y1, width);
                warnings += width < 0;
                box =
                    around((int64_t)x1 - magnitude_of(width), (int64_t)y1 - magnitude_of(width),
                           (int64_t)x1 + magnitude_of(width), (int64_t)y1 + magnitude_of(width), 1);
                break;
            case 2:
                result = TAVIX_draw_triangle(colour, x1, y1, x2, y2, x3, y3, width);
                warnings += width < 0;
                box = around(std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::max({x1, x2, x3}),
                             std::max({y1, y2, y3}), reach_of(width));
                break;
            case 3:
                result = TAVIX_draw_rectangle(colour, x1, y1, x2, y2, width);
                warnings += width < 0;
                box = around(x1, y1, x2, y2, reach_of(width));
                break;
            case 4:
                result = TAVIX_draw_line(colour, x1, y1, x2, y2, width);
                warnings += width < 0;
                box = around(x1, y1, x2, y2, reach_of(width));
                break;
            case 5:
                result = TAVIX_draw_text(colour, x1, y1, width, text.c_str());
                warnings += (width < 0) + (width > 127 || width < -127);
                break;
            default:
                result = TAVIX_draw_formatted(colour, x1, y1, width, "%s|%d", text.c_str(), x2);
                expected = (int)(text.size() + 1 + std::to_string(x2).size());  // uncut
                warnings += (width < 0) + (width > 127 || width < -127);
                break;
        }
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        SCOPED_TRACE("iteration " + std::to_string(i) + ", kind " + std::to_string(kind));
        EXPECT_EQ(result, expected);
        EXPECT_LT(seconds, 2.0);  // a hang, not a speed target: every call is meant to take well
                                  // under a millisecond

        std::vector<std::string> lines = drawtest::take_console();
        EXPECT_EQ((int)lines.size(), warnings + library_state.draw.logging);
        for (const std::string &line : lines) {
            EXPECT_LT(line.size(), (size_t)CONSOLE_TEXT_SIZE);
            ASSERT_FALSE(line.empty());
            EXPECT_EQ(line.find('\n'), line.size() - 1) << line.substr(0, 80);
        }

        if (check_paint && box.any) {
            std::vector<Point> points = drawtest::changed(before, drawtest::snapshot());
            for (const Point &p : points) {
                ASSERT_TRUE(p.x >= box.left && p.x <= box.right && p.y >= box.bottom &&
                            p.y <= box.top)
                    << "painted (" << p.x << "," << p.y << ") outside its shape";
            }
        }
    }
}

}  // namespace
