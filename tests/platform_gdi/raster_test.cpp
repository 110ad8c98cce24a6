// The rasteriser pixel by pixel: rectangles, ellipses, polygons and lines with 1-pixel and wide
// pens, shapes off the surface and at extreme coordinates.
#include "paint_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
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
    {"Ellipse7x7", 1, true, ellipse(0, 0, 7, 7),
     "0:2..4 1:1..5 2:0..6 3:0..6 4:0..6 5:1..5 6:2..4", nullptr},
    {"Ellipse8x5", 1, true, ellipse(0, 0, 8, 5), "0:2..5 1:1..6 2:0..7 3:1..6 4:2..5", nullptr},
    {"EllipseOneByOneIsNothing", 1, true, ellipse(4, 4, 5, 5), "", nullptr},
    {"Ellipse3x3IsAPlus", 1, true, ellipse(4, 4, 7, 7), "4:5 5:4..6 6:5", nullptr},
    {"EllipseTwoAcrossIsARectangle", 1, true, ellipse(4, 4, 6, 8), "4:4..5 5:4..5 6:4..5 7:4..5",
     nullptr},
    {"CircleRadius3At10", 1, true, ellipse(10 - 3, 10 - 3, 10 + 4, 10 + 4),
     "7:9..11 8:8..12 9:7..13 10:7..13 11:7..13 12:8..12 13:9..11", nullptr},
    // Polygons.
    {"Square", 1, true, polygon({{2, 2}, {6, 2}, {6, 5}, {2, 5}}),
     "2:2..6 3:2..6 4:2..6 5:2..6", nullptr},
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
    {"LineWide5", 5, false, line(5, 5, 10, 5),
     "3:4..11 4:3..12 5:3..12 6:3..12 7:4..11", nullptr},
    {"LineWide2Point", 2, false, line(5, 5, 5, 5), "4:4..5 5:4..5", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Pixels, ShapeTest, ::testing::ValuesIn(shape_cases),
                         [](const ::testing::TestParamInfo<ShapeCase> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
