// The rasteriser pixel by pixel: rectangles, ellipses, polygons and lines with 1-pixel and wide
// pens, shapes off the surface and at extreme coordinates.
#include "paint_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <set>
#include <vector>

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF PEN = RGB(200, 0, 0);
const COLORREF FILL = RGB(0, 0, 200);

struct Tools {
    HDC dc;
    HGDIOBJ old_pen, old_brush;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    // pen_width 0: NULL_PEN; fill false: NULL_BRUSH.
    Tools(HDC dc_, int pen_width, bool fill) : dc(dc_) {
        if (pen_width > 0) pen = CreatePen(PS_SOLID, pen_width, PEN);
        if (fill) brush = CreateSolidBrush(FILL);
        old_pen = SelectObject(dc, pen ? (HGDIOBJ)pen : GetStockObject(NULL_PEN));
        old_brush = SelectObject(dc, brush ? (HGDIOBJ)brush : GetStockObject(NULL_BRUSH));
    }
    ~Tools() {
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        if (pen) DeleteObject(pen);
        if (brush) DeleteObject(brush);
    }
};

TEST(CoverageHelper, DescribesRunsSinglePixelsAndColours) {
    Canvas32 c(12, 4);
    EXPECT_EQ(coverage(c.dc, c.width, c.height), "");
    SetPixel(c.dc, 0, 1, PEN);
    SetPixel(c.dc, 3, 1, FILL);
    SetPixel(c.dc, 4, 1, FILL);
    SetPixel(c.dc, 5, 1, FILL);
    SetPixel(c.dc, 11, 1, PEN);
    SetPixel(c.dc, 11, 3, PEN);
    EXPECT_EQ(coverage(c.dc, c.width, c.height), "1:0,3..5,11 3:11");
    EXPECT_EQ(coverage_of(c.dc, c.width, c.height, PEN), "1:0,11 3:11");
    EXPECT_EQ(coverage_of(c.dc, c.width, c.height, FILL), "1:3..5");
}

// ---- Shapes with an expected coverage -----------------------------------------------------------

struct ShapeCase {
    const char *name;
    int pen_width;  // 0: NULL_PEN
    bool fill;
    std::function<void(HDC)> draw;
    const char *expected;      // all painted pixels
    const char *expected_pen;  // pixels in the pen's colour, or nullptr to skip
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, CoversExactlyTheExpectedPixels) {
    const ShapeCase &shape = GetParam();
    Canvas32 c(32, 24);
    {
        Tools tools(c.dc, shape.pen_width, shape.fill);
        shape.draw(c.dc);
    }
    EXPECT_EQ(coverage(c.dc, c.width, c.height), shape.expected);
    if (shape.expected_pen) {
        EXPECT_EQ(coverage_of(c.dc, c.width, c.height, PEN), shape.expected_pen);
    }
}

auto rect(int l, int t, int r, int b) {
    return [=](HDC dc) { EXPECT_TRUE(Rectangle(dc, l, t, r, b)); };
}
auto ellipse(int l, int t, int r, int b) {
    return [=](HDC dc) { EXPECT_TRUE(Ellipse(dc, l, t, r, b)); };
}
auto polygon(std::vector<POINT> points) {
    return [=](HDC dc) { EXPECT_TRUE(Polygon(dc, points.data(), (int)points.size())); };
}
auto line(int x0, int y0, int x1, int y1) {
    return [=](HDC dc) {
        MoveToEx(dc, x0, y0, nullptr);
        EXPECT_TRUE(LineTo(dc, x1, y1));
    };
}

const ShapeCase shape_cases[] = {
    // Rectangles.
    {"RectPenAndBrush", 1, true, rect(2, 3, 7, 6), "3:2..6 4:2..6 5:2..6", "3:2..6 4:2,6 5:2..6"},
    {"RectReversedCorners", 1, true, rect(7, 6, 2, 3), "3:2..6 4:2..6 5:2..6", nullptr},
    {"RectZeroWidth", 1, true, rect(4, 2, 4, 9), "", nullptr},
    {"RectZeroHeight", 1, true, rect(2, 4, 9, 4), "", nullptr},
    {"RectOneByOneIsNothing", 1, true, rect(5, 5, 6, 6), "", nullptr},
    {"RectOneColumn", 1, true, rect(5, 2, 6, 5), "2:5 3:5 4:5", "2:5 3:5 4:5"},
    {"RectOneRow", 1, true, rect(2, 5, 5, 6), "5:2..4", "5:2..4"},
    {"RectNullPen", 0, true, rect(2, 3, 7, 6), "3:2..5 4:2..5", ""},
    {"RectNullBrush", 1, false, rect(2, 3, 7, 6), "3:2..6 4:2,6 5:2..6", nullptr},
    {"RectWidePen3", 3, true, rect(10, 10, 20, 16),
     "9:10..19 10:9..20 11:9..20 12:9..20 13:9..20 14:9..20 15:9..20 16:10..19",
     "9:10..19 10:9..20 11:9..20 12:9..11,18..20 13:9..11,18..20 14:9..20 15:9..20 "
     "16:10..19"},
    // Ellipses.
    {"Ellipse5x5", 1, true, ellipse(0, 0, 5, 5), "0:1..3 1:0..4 2:0..4 3:0..4 4:1..3", nullptr},
    {"Ellipse5x5Outline", 1, false, ellipse(0, 0, 5, 5), "0:1..3 1:0,4 2:0,4 3:0,4 4:1..3",
     nullptr},
    {"Ellipse7x7", 1, true, ellipse(0, 0, 7, 7), "0:2..4 1:1..5 2:0..6 3:0..6 4:0..6 5:1..5 6:2..4",
     nullptr},
    {"Ellipse8x5", 1, true, ellipse(0, 0, 8, 5), "0:2..5 1:1..6 2:0..7 3:1..6 4:2..5", nullptr},
    {"EllipseOneByOneIsNothing", 1, true, ellipse(4, 4, 5, 5), "", nullptr},
    {"Ellipse3x3IsAPlus", 1, true, ellipse(4, 4, 7, 7), "4:5 5:4..6 6:5", nullptr},
    {"EllipseTwoAcrossIsARectangle", 1, true, ellipse(4, 4, 6, 8), "4:4..5 5:4..5 6:4..5 7:4..5",
     nullptr},
    {"CircleRadius3At10", 1, true, ellipse(10 - 3, 10 - 3, 10 + 4, 10 + 4),
     "7:9..11 8:8..12 9:7..13 10:7..13 11:7..13 12:8..12 13:9..11", nullptr},
    // Polygons.
    {"Square", 1, true, polygon({{2, 2}, {6, 2}, {6, 5}, {2, 5}}), "2:2..6 3:2..6 4:2..6 5:2..6",
     nullptr},
    {"TriangleFillAlone", 0, true, polygon({{2, 1}, {9, 4}, {3, 8}}),
     "2:3..4 3:3..6 4:3..8 5:3..7 6:3..5 7:3..4", nullptr},
    {"TriangleFillAndOutline", 1, true, polygon({{2, 1}, {9, 4}, {3, 8}}),
     "1:2..3 2:2..5 3:2..7 4:2..9 5:3..8 6:3..6 7:3..5 8:3", nullptr},
    // Lines, 1-pixel pen.
    {"LineShallow", 1, false, line(0, 0, 5, 2), "0:0..1 1:2..3 2:4", nullptr},
    {"LineTieDownRight", 1, false, line(0, 0, 4, 2), "0:0..1 1:2..3", nullptr},
    {"LineTieUpLeft", 1, false, line(4, 2, 0, 0), "0:1 1:2..3 2:4", nullptr},
    {"LineUpRight", 1, false, line(0, 2, 4, 0), "0:3 1:1..2 2:0", nullptr},
    {"LineSteep", 1, false, line(0, 0, 1, 2), "0:0 1:0", nullptr},
    {"LineHorizontal", 1, false, line(0, 0, 10, 0), "0:0..9", nullptr},
    {"LineZeroLength", 1, false, line(3, 3, 3, 3), "", nullptr},
    // Lines, wide pens: round caps and both ends painted.
    {"LineWide3", 3, false, line(5, 5, 10, 5), "4:5..10 5:4..11 6:5..10", nullptr},
    {"LineWide5", 5, false, line(5, 5, 10, 5), "3:4..11 4:3..12 5:3..12 6:3..12 7:4..11", nullptr},
    {"LineWide2Point", 2, false, line(5, 5, 5, 5), "4:4..5 5:4..5", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Pixels, ShapeTest, ::testing::ValuesIn(shape_cases),
                         [](const ::testing::TestParamInfo<ShapeCase> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace

namespace {

// ---- Lines against the error-term walk
// -----------------------------------------------------------

// The line walk exactly as the pixel rules state it, unclipped: the reference the clipped,
// closed-form rasteriser must agree with.
std::vector<POINT> walk_line(int x0, int y0, int x1, int y1) {
    std::vector<POINT> out;
    int dx = x1 - x0, dy = y1 - y0;
    bool x_major = abs(dx) > abs(dy);
    int major = x_major ? abs(dx) : abs(dy), minor = x_major ? abs(dy) : abs(dx);
    bool left = dx<0, up = dy<0, down = dy> 0, right = dx> 0;
    int bias = (!x_major && down && left) || (x_major && up && left) || (!x_major && up && left) ||
                       (x_major && up && right)
                   ? 1
                   : 0;
    int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int err = 2 * minor - major;
    int x = x0, y = y0;
    for (int i = 0; i < major; ++i) {
        out.push_back(POINT{x, y});
        if (err + bias > 0) {
            if (x_major)
                y += sy;
            else
                x += sx;
            err += 2 * minor - 2 * major;
        } else {
            err += 2 * minor;
        }
        if (x_major)
            x += sx;
        else
            y += sy;
    }
    return out;
}

std::string expected_coverage(const std::vector<POINT> &pixels, int width, int height) {
    Canvas32 c(width, height);
    for (const POINT &p : pixels) SetPixel(c.dc, p.x, p.y, PEN);
    return coverage(c.dc, width, height);
}

TEST(Fills, BoxesNearlyAsWideAsTheSurfaceLeaveTheColumnsBeside) {
    // Large boxes are filled as one run with the pixels between their rows put back.
    const int w = 301, h = 130, t = 2, b = h - 1;
    for (int l : {0, 1, 3})
        for (int r : {w, w - 2, w - 40})
            for (int mode = 0; mode < 3; ++mode) {  // brush alone, pen and brush, FillRect
                Canvas32 c(w, h);
                if (mode < 2) {
                    Tools tools(c.dc, mode, true);
                    Rectangle(c.dc, l, t, r, b);
                } else {
                    RECT rect = {l, t, r, b};
                    HBRUSH brush = CreateSolidBrush(FILL);
                    FillRect(c.dc, &rect, brush);
                    DeleteObject(brush);
                }
                // Without a pen Rectangle covers one pixel less right and below.
                int right = mode == 0 ? r - 1 : r, bottom = mode == 0 ? b - 1 : b;
                int wrong = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        bool inside = x >= l && x < right && y >= t && y < bottom;
                        bool frame = mode == 1 && inside &&
                                     (x == l || x == right - 1 || y == t || y == bottom - 1);
                        wrong += GetPixel(c.dc, x, y) != (frame ? PEN : inside ? FILL : WHITE);
                    }
                EXPECT_EQ(wrong, 0) << "box " << l << ".." << r << ", mode " << mode;
            }
}

TEST(LineWalk, ReferenceWalkReproducesTheWrittenExamples) {
    struct {
        int x0, y0, x1, y1;
        std::vector<std::pair<int, int>> pixels;
    } cases[] = {
        {0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {4, 2, 0, 0, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},
        {0, 2, 4, 0, {{0, 2}, {1, 1}, {2, 1}, {3, 0}}},
        {0, 0, 1, 2, {{0, 0}, {0, 1}}},
    };
    for (const auto &c : cases) {
        std::vector<POINT> got = walk_line(c.x0, c.y0, c.x1, c.y1);
        ASSERT_EQ(got.size(), c.pixels.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].x, c.pixels[i].first);
            EXPECT_EQ(got[i].y, c.pixels[i].second);
        }
    }
}

// Every direction and slope, with ends on and off a small surface: the clipped line shows exactly
// the unclipped walk's pixels that fall on the surface.
TEST(LineWalk, ClippedLinesKeepTheUnclippedPixels) {
    const int size = 20;
    Canvas32 c(size, size);
    srand(12345);
    for (int trial = 0; trial < 3000; ++trial) {
        int x0 = rand() % 60 - 20, y0 = rand() % 60 - 20;
        int x1 = rand() % 60 - 20, y1 = rand() % 60 - 20;
        if (trial < 400) {  // many short lines through the middle, all octants and ties
            x0 = 10 + rand() % 9 - 4, y0 = 10 + rand() % 9 - 4;
            x1 = 10 + rand() % 9 - 4, y1 = 10 + rand() % 9 - 4;
        }
        c.clear();
        {
            Tools tools(c.dc, 1, false);
            MoveToEx(c.dc, x0, y0, nullptr);
            LineTo(c.dc, x1, y1);
        }
        ASSERT_EQ(coverage(c.dc, size, size),
                  expected_coverage(walk_line(x0, y0, x1, y1), size, size))
            << "line " << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(LineWalk, LineToMovesTheCurrentPosition) {
    Canvas32 c(10, 10);
    Tools tools(c.dc, 1, false);
    POINT previous;
    MoveToEx(c.dc, 1, 1, nullptr);
    LineTo(c.dc, 5, 1);
    LineTo(c.dc, 5, 4);
    EXPECT_TRUE(MoveToEx(c.dc, 0, 0, &previous));
    EXPECT_EQ(previous.x, 5);
    EXPECT_EQ(previous.y, 4);
    EXPECT_EQ(coverage(c.dc, 10, 10), "1:1..5 2:5 3:5");
}

// ---- Extreme coordinates
// -------------------------------------------------------------------------

TEST(Extremes, HugeShapesPaintOnlyWhatShows) {
    Canvas32 c(16, 16);
    Tools tools(c.dc, 1, true);
    // The diagonal through the whole int range crosses the surface on x == y.
    MoveToEx(c.dc, INT_MIN + 1, INT_MIN + 1, nullptr);
    LineTo(c.dc, INT_MAX, INT_MAX);
    std::string diagonal;
    for (int i = 0; i < 16; ++i)
        diagonal += (i ? " " : "") + std::to_string(i) + ":" + std::to_string(i);
    EXPECT_EQ(coverage(c.dc, 16, 16), diagonal);

    // A horizontal line a billion pixels long on both sides.
    c.clear();
    MoveToEx(c.dc, -1000000000, 3, nullptr);
    LineTo(c.dc, 1000000000, 3);
    EXPECT_EQ(coverage(c.dc, 16, 16), "3:0..15");

    // A line from INT_MIN to INT_MAX that never touches the surface.
    c.clear();
    MoveToEx(c.dc, INT_MIN, 20, nullptr);
    LineTo(c.dc, INT_MAX, 40);
    EXPECT_EQ(coverage(c.dc, 16, 16), "");

    // Rectangle and ellipse over the whole int range: the brush covers everything visible.
    c.clear();
    EXPECT_TRUE(Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(coverage_of(c.dc, 16, 16, FILL).size(), coverage(c.dc, 16, 16).size());
    EXPECT_NE(coverage(c.dc, 16, 16), "");
    c.clear();
    EXPECT_TRUE(Ellipse(c.dc, -1000000000, -1000000000, 1000000000, 1000000000));
    std::string full;
    for (int i = 0; i < 16; ++i) full += (i ? " " : "") + std::to_string(i) + ":0..15";
    EXPECT_EQ(coverage_of(c.dc, 16, 16, FILL), full);
    c.clear();
    EXPECT_TRUE(Ellipse(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(coverage_of(c.dc, 16, 16, FILL), full);

    // Polygons with vertices at the ends of the int range.
    c.clear();
    POINT huge[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
    EXPECT_TRUE(Polygon(c.dc, huge, 4));
    EXPECT_EQ(coverage_of(c.dc, 16, 16, FILL), full);
}

TEST(Extremes, WidePensAtHugeCoordinates) {
    Canvas32 c(16, 16);
    Tools tools(c.dc, 5, false);
    MoveToEx(c.dc, INT_MIN, 8, nullptr);
    LineTo(c.dc, INT_MAX, 8);
    EXPECT_EQ(coverage(c.dc, 16, 16), "6:0..15 7:0..15 8:0..15 9:0..15 10:0..15");
    c.clear();
    MoveToEx(c.dc, INT_MIN, INT_MIN, nullptr);
    LineTo(c.dc, INT_MAX, INT_MAX);
    // A band about the diagonal: the diagonal itself and nothing far from it.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool painted = GetPixel(c.dc, x, y) != WHITE;
            if (x == y) {
                EXPECT_TRUE(painted) << x;
            }
            if (abs(x - y) > 4) {
                EXPECT_FALSE(painted) << x << "," << y;
            }
        }
}

// A hollow ellipse with a wide pen is a ring, also where it is too large to walk point by point.
TEST(Extremes, HollowWideEllipsesAreRings) {
    for (int radius : {20, 100000, 1000000000}) {
        Canvas32 c(64, 64);
        Tools tools(c.dc, 5, false);
        // The top of the circle at (32, 2).
        EXPECT_TRUE(Ellipse(c.dc, 32 - radius, 2, 32 + radius + 1, 2 * radius + 3));
        for (int y = 0; y < 5; ++y) EXPECT_EQ(GetPixel(c.dc, 32, y), PEN) << radius << " row " << y;
        EXPECT_EQ(GetPixel(c.dc, 32, 6), WHITE) << radius;
        EXPECT_EQ(GetPixel(c.dc, 32, 22), WHITE) << radius;  // the centre of the smallest
    }
}

// The arc of a circle far larger than the surface stays within a pixel of the true circle, both
// for circles walked step by step and for ones too large to walk.
TEST(Extremes, ArcsOfLargeCirclesFollowTheCircle) {
    for (int radius : {5000, 20000, 100000, 50000000, 1000000000}) {
        Canvas32 c(64, 64);
        Tools tools(c.dc, 1, false);
        // The top of the circle at (32, 0).
        EXPECT_TRUE(Ellipse(c.dc, 32 - radius, 0, 32 + radius + 1, 2 * radius + 1));
        for (int y = 0; y < 64; ++y) {
            // Near the top the outline's leftmost pixel on a row is where the circle leaves the
            // row, half a pixel below its centre.
            double dy = radius - y - 0.5;
            double half = sqrt((double)radius * radius - dy * dy);
            int leftmost = -1;
            for (int x = 0; x < 64; ++x)
                if (GetPixel(c.dc, x, y) == PEN) {
                    leftmost = x;
                    break;
                }
            double ideal = 32 - half;
            if (ideal < 0) {
                EXPECT_TRUE(leftmost == -1 || leftmost <= 1) << radius << " row " << y;
            } else {
                EXPECT_NEAR(leftmost, ideal, 1.5) << radius << " row " << y;
            }
        }
    }
}

}  // namespace

namespace {

// ---- Ellipses too large to walk against the walk ------------------------------------------------

// The integer midpoint walk of the pixel rules, in doubled coordinates about the box centre, with
// 128-bit products: the outline pixels of the ellipse of box (l, t, l + w, t + h) that fall in
// [0, size) x [0, size).
std::set<std::pair<int64_t, int64_t>> walk_ellipse(int64_t l, int64_t t, int64_t w, int64_t h,
                                                   int size) {
    typedef __int128 big;
    big a = w - 1, b = h - 1, a2 = a * a, b2 = b * b;
    auto f = [&](big x, big y) { return b2 * x * x + a2 * y * y - a2 * b2; };
    int64_t cx2 = 2 * l + (int64_t)a, cy2 = 2 * t + (int64_t)b;
    std::set<std::pair<int64_t, int64_t>> out;
    auto plot = [&](int64_t x, int64_t y) {
        for (int sx : {-1, 1})
            for (int sy : {-1, 1}) {
                int64_t px = (cx2 + sx * x) / 2, py = (cy2 + sy * y) / 2;
                if (px >= 0 && px < size && py >= 0 && py < size) out.insert({px, py});
            }
    };
    int64_t x = (int64_t)(a & 1), y = (int64_t)b, last_row = (int64_t)(b & 1);
    // Shallow part: while the next column is still shallow, x advances and y drops when the
    // midpoint below is outside.
    while (b2 * (x + 2) < a2 * (y - 1)) {
        plot(x, y);
        if (f(x + 2, y - 1) > 0) y -= 2;
        x += 2;
    }
    // Steep part: y drops every step and x advances while the midpoint beside is inside or on;
    // the middle row also reaches out that way when the walk turns on it.
    // Every pixel stepped to is plotted.
    plot(x, y);
    if (y == last_row)
        while (f(x + 1, y) <= 0) plot(x += 2, y);
    while (y > last_row) {
        y -= 2;
        if (f(x + 1, y) > 0) {
            plot(x, y);  // straight down
        } else {
            while (f(x + 1, y) <= 0) plot(x += 2, y);
        }
    }
    return out;
}

// The ellipse outline Ellipse paints in a size x size view against the walk's; "" when equal.
std::string ellipse_mismatch(int64_t l, int64_t t, int64_t w, int64_t h, int size) {
    Canvas32 c(size, size);
    {
        Tools tools(c.dc, 1, false);
        Ellipse(c.dc, (int)l, (int)t, (int)(l + w), (int)(t + h));
    }
    Canvas32 expected(size, size);
    for (auto &p : walk_ellipse(l, t, w, h, size))
        SetPixel(expected.dc, (int)p.first, (int)p.second, PEN);
    std::string want = coverage(expected.dc, size, size), got = coverage(c.dc, size, size);
    if (want == got) return "";
    return "box " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(l) + "," +
           std::to_string(t) + "\nwant " + want + "\ngot  " + got;
}

TEST(EllipseWalk, LargeBoxesAgreeWithTheWalkWhereverSeen) {
    const int size = 48;
    struct Box {
        int64_t w, h;
    } boxes[] = {{40001, 40001}, {60000, 33001}, {33000, 90000}, {100000, 40000},
                 {50001, 50002}, {100000, 4},    {40000, 7},     {5, 70000}};
    for (const Box &box : boxes) {
        // Views of the top, the side, and the steep-to-shallow turn (about 45 degrees).
        double rx = (box.w - 1) / 2.0, ry = (box.h - 1) / 2.0;
        double turn_x = rx * rx / sqrt(rx * rx + ry * ry),
               turn_y = ry * ry / sqrt(rx * rx + ry * ry);
        struct View {
            int64_t l, t;
        } views[] = {
            {size / 2 - box.w / 2, 0},
            {0, size / 2 - box.h / 2},
            {(int64_t)(size / 2 - rx - turn_x), (int64_t)(size / 2 - ry + turn_y)},
        };
        for (const View &view : views)
            EXPECT_EQ(ellipse_mismatch(view.l, view.t, box.w, box.h, size), "");
    }
}

TEST(StyledPens, DashesAndDotsWithOpaqueOrTransparentGaps) {
    const COLORREF GAP = RGB(0, 160, 0);
    struct {
        int style;
        int mode;
        const char *pen;  // pixels in the pen's colour
        const char *gap;  // pixels in the gap colour
    } cases[] = {
        {PS_DASH, OPAQUE, "1:0..17,24..29", "1:18..23"},
        {PS_DASH, TRANSPARENT, "1:0..17,24..29", ""},
        {PS_DOT, OPAQUE, "1:0..2,6..8,12..14,18..20,24..26", "1:3..5,9..11,15..17,21..23,27..29"},
        {PS_SOLID, OPAQUE, "1:0..29", ""},
    };
    for (const auto &k : cases) {
        Canvas32 c(32, 3);
        HPEN pen = CreatePen(k.style, 1, PEN);
        SelectObject(c.dc, pen);
        SetBkColor(c.dc, GAP);
        SetBkMode(c.dc, k.mode);
        MoveToEx(c.dc, 0, 1, nullptr);
        LineTo(c.dc, 30, 1);
        EXPECT_EQ(coverage_of(c.dc, 32, 3, PEN), k.pen) << k.style << " " << k.mode;
        EXPECT_EQ(coverage_of(c.dc, 32, 3, GAP), k.gap) << k.style << " " << k.mode;
        SelectObject(c.dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
    // The pattern runs on round a rectangle's corners, and the box keeps its Windows extent.
    Canvas32 c(40, 12);
    HPEN dots = CreatePen(PS_DOT, 1, PEN);
    SelectObject(c.dc, dots);
    SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    SetBkMode(c.dc, TRANSPARENT);
    Rectangle(c.dc, 2, 2, 12, 8);
    EXPECT_EQ(coverage(c.dc, 40, 12), "2:2..4,8..10 4:2 5:2,11 6:2,11 7:5..7,11");
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(dots);
}

}  // namespace
