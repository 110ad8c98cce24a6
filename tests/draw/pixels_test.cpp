// What the drawing calls paint into the back buffer, read at library coordinates: the pixels a
// shape promises, the ones it must leave alone, text lines around their anchor, the wiped frame.
#include "library/draw/guard.h"
#include "library/draw/raster.h"
#include "platform/kernel/handles.h"
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

using drawtest::painted_by;
using drawtest::Point;

namespace {

const COLORREF WHITE_VALUE = RGB(255, 255, 255);

class Pixels : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { drawtest::open_library(); }
    void SetUp() override { TAVIX_set_logging(0); }
    void TearDown() override {
        TAVIX_set_logging(1);
        drawtest::take_console();
    }
};

std::vector<Point> box(int left, int top, int right, int bottom) {
    std::vector<Point> points;
    for (int y = top; y >= bottom; --y)
        for (int x = left; x <= right; ++x) points.push_back({x, y});
    std::sort(points.begin(), points.end());
    return points;
}

std::vector<Point> sorted(std::vector<Point> points) {
    std::sort(points.begin(), points.end());
    return points;
}

// The cell height of the rasteriser's font at size, as the platform measures it.
int line_height(int size, const char *text) {
    HDC dc = library_state.window.buffer_dc;
    HFONT font = CreateFontA(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "TAVIX-font");
    HGDIOBJ kept = SelectObject(dc, font);
    SIZE extent = {0, 0};
    GetTextExtentPointA(dc, text, (int)strlen(text), &extent);
    SelectObject(dc, kept);
    DeleteObject(font);
    return extent.cy;
}

TEST_F(Pixels, ShapesCoverExactlyThePixelsTheyPromise) {
    struct Case {
        const char *what;
        std::function<void()> draw;
        std::vector<Point> expected;
    };
    std::vector<Point> horizontal;
    for (int x = 0; x <= 9; ++x) horizontal.push_back({x, 0});
    const std::vector<Case> cases = {
        {"filled rectangle from a point to itself",
         [] { TAVIX_draw_rectangle(2, 0, 0, 0, 0, 0); },
         {{0, 0}}},
        {"outlined rectangle of width 1 from a point to itself",
         [] { TAVIX_draw_rectangle(2, 7, -3, 7, -3, 1); },
         {{7, -3}}},
        {"circle of radius 0", [] { TAVIX_draw_circle(4, -5, 6, 0); }, {{-5, 6}}},
        {"filled rectangle, corners included", [] { TAVIX_draw_rectangle(3, 0, 0, 10, -5, 0); },
         box(0, 0, 10, -5)},
        {"reversed corners", [] { TAVIX_draw_rectangle(3, 10, -5, 0, 0, 0); }, box(0, 0, 10, -5)},
        {"one-pixel column", [] { TAVIX_draw_rectangle(3, 4, 3, 4, -3, 0); }, box(4, 3, 4, -3)},
        {"line stops short of its end", [] { TAVIX_draw_line(0, 0, 0, 10, 0, 1); }, horizontal},
        {"line of width 0 is one pixel wide", [] { TAVIX_draw_line(0, 0, 0, 10, 0, 0); },
         horizontal},
        {"pixel off the buffer's top left", [] { TAVIX_draw_pixel(0, -300, 270); }, {}},
        {"pixel", [] { TAVIX_draw_pixel(0, 12, -34); }, {{12, -34}}},
        {"circle far off the buffer", [] { TAVIX_draw_circle(0, 100000, 0, 1000); }, {}},
        {"text far off the buffer", [] { TAVIX_draw_text(0, 0, 100000, 50, "far\naway"); }, {}},
    };
    for (const Case &c : cases) EXPECT_EQ(painted_by(c.draw), sorted(c.expected)) << c.what;
}

TEST_F(Pixels, ColoursAreTheTablesValues) {
    struct Case {
        int colour;
        COLORREF value;
    } cases[] = {{0, RGB(0, 0, 0)},        {1, RGB(255, 255, 255)},  {2, RGB(255, 0, 0)},
                 {8, RGB(153, 0, 204)},    {9, RGB(0, 51, 153)},     {13, RGB(255, 102, 0)},
                 {22, RGB(128, 128, 128)}, {23, RGB(204, 204, 204)}, {24, RGB(255, 0, 0)},
                 {-1, RGB(255, 0, 0)}};
    for (const Case &c : cases) {
        TAVIX_draw_pixel(c.colour, 3, 3);
        EXPECT_EQ(drawtest::pixel(3, 3), c.value) << "colour " << c.colour;
    }
}

// The pens and brushes made for the records are kept and recycled: every colour and width, in
// more combinations than are kept, over and again in both orders, paints its own colour.
TEST_F(Pixels, RecycledPensAndBrushesPaintTheirOwnColour) {
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 0; k < 4 * COLOUR_COUNT; ++k) {
            int n = pass ? 4 * COLOUR_COUNT - 1 - k : k;
            int colour = n % COLOUR_COUNT, width = n / COLOUR_COUNT;
            TAVIX_draw_rectangle(colour, -5, 5, 5, -5, width);
            EXPECT_EQ(drawtest::pixel(-5, 0), library_state.draw.colours[colour])
                << "colour " << colour << ", width " << width;
            TAVIX_draw_circle(colour, 20, 0, 3);
            EXPECT_EQ(drawtest::pixel(20, 0), library_state.draw.colours[colour])
                << "colour " << colour;
        }
}

TEST_F(Pixels, CircleIsAFilledDiscTwiceTheRadiusPlusOneAcross) {
    std::vector<Point> disc = painted_by([] { TAVIX_draw_circle(3, 10, -20, -5); });
    std::set<Point> on(disc.begin(), disc.end());
    for (int d = -5; d <= 5; ++d) {
        EXPECT_TRUE(on.count({10 + d, -20})) << d;
        EXPECT_TRUE(on.count({10, -20 + d})) << d;
    }
    for (const Point &p : disc) {
        EXPECT_LE(std::abs(p.x - 10), 5);
        EXPECT_LE(std::abs(p.y + 20), 5);
        EXPECT_EQ(drawtest::pixel(p.x, p.y), RGB(0, 255, 0));
    }
    EXPECT_FALSE(on.count({5, -15}));  // the box's corner lies outside the disc
}

TEST_F(Pixels, OutlinesLeaveTheirInsideAlone) {
    std::vector<Point> outline = painted_by([] { TAVIX_draw_rectangle(4, -20, 20, 20, -20, 3); });
    std::set<Point> on(outline.begin(), outline.end());
    for (const Point &p : outline) {
        EXPECT_LE(std::abs(p.x), 21);
        EXPECT_LE(std::abs(p.y), 21);
        EXPECT_FALSE(std::abs(p.x) <= 18 && std::abs(p.y) <= 18) << p.x << "," << p.y;
    }
    for (int d = -19; d <= 19; ++d) {
        EXPECT_TRUE(on.count({-20, d}) && on.count({20, d}) && on.count({d, 20}) &&
                    on.count({d, -20}))
            << d;
    }

    // A triangle of width 0 is filled; of width 2 only outlined.
    std::vector<Point> filled = painted_by([] { TAVIX_draw_triangle(6, 0, 0, 60, 0, 0, 60, 0); });
    std::set<Point> inside(filled.begin(), filled.end());
    EXPECT_TRUE(inside.count({10, 10}));
    std::vector<Point> edges = painted_by([] { TAVIX_draw_triangle(6, 0, 0, 60, 0, 0, 60, 2); });
    std::set<Point> edge(edges.begin(), edges.end());
    EXPECT_FALSE(edge.count({10, 10}));
    EXPECT_TRUE(edge.count({30, 0}) && edge.count({0, 30}));
}

// Each line of a text is the same text drawn alone, its cell standing one line height lower per
// '\n': the first line's cell ends on the anchor's row, the second begins on it.
TEST_F(Pixels, TextLinesStandAboveAndBelowTheirAnchor) {
    const int size = 20;
    int h = line_height(size, "ab\ncd");
    ASSERT_GT(h, 0) << "no font to measure with";

    std::vector<Point> first = painted_by([] { TAVIX_draw_text(0, 0, 0, size, "ab"); });
    ASSERT_FALSE(first.empty()) << "the platform found no font";
    for (const Point &p : first) {
        EXPECT_GT(p.y, 0);  // cell rows origin_y - h .. origin_y - 1
        EXPECT_LE(p.y, h);
        EXPECT_GE(p.x, 0);
    }
    std::vector<Point> second = painted_by([h] { TAVIX_draw_text(0, 0, -h, size, "cd"); });
    ASSERT_FALSE(second.empty());
    for (const Point &p : second) {
        EXPECT_LE(p.y, 0);  // cell rows origin_y .. origin_y + h - 1
        EXPECT_GT(p.y, -h);
        EXPECT_GE(p.x, 0);
    }
    std::vector<Point> both = first;
    both.insert(both.end(), second.begin(), second.end());
    std::vector<Point> third = painted_by([h] { TAVIX_draw_text(0, 0, -2 * h, size, "cd"); });

    struct Case {
        const char *text;
        std::vector<Point> expected;
    } cases[] = {{"ab\ncd", sorted(both)},
                 {"ab\n", sorted(first)},   // an empty last line paints nothing
                 {"\ncd", sorted(second)},  // nor an empty first line
                 {"", {}},
                 {"\n\n", {}}};
    for (const Case &c : cases)
        EXPECT_EQ(painted_by([&c] { TAVIX_draw_text(0, 0, 0, size, c.text); }), c.expected)
            << c.text;
    std::vector<Point> gap = first;
    gap.insert(gap.end(), third.begin(), third.end());
    EXPECT_EQ(painted_by([] { TAVIX_draw_text(0, 0, 0, size, "ab\n\ncd"); }), sorted(gap));

    // The formatted call draws what it formatted.
    EXPECT_EQ(painted_by([] { TAVIX_draw_formatted(0, 0, 0, size, "%c%c\n%s", 'a', 'b', "cd"); }),
              sorted(both));
    // Only the glyphs are painted, with no background box, in the text's colour.
    drawtest::fill_buffer(RGB(1, 2, 3));
    std::vector<COLORREF> before = drawtest::snapshot();
    TAVIX_draw_text(BLUE, 0, 0, size, "ab");
    std::vector<Point> glyphs = drawtest::changed(before, drawtest::snapshot());
    EXPECT_EQ(glyphs, sorted(first));
    int blue = 0;
    for (const Point &p : glyphs) blue += drawtest::pixel(p.x, p.y) == RGB(0, 0, 255);
    EXPECT_GT(blue, 0);
}

TEST_F(Pixels, TheWipedBufferIsWhiteInsideABlackFrame) {
    drawtest::fill_buffer(RGB(1, 2, 3));
    EXPECT_EQ(TAVIX_clear_window(), 1);
    std::vector<COLORREF> all = drawtest::snapshot();
    int wrong = 0;
    for (int row = 0; row < TAVIX_HEIGHT; ++row)
        for (int column = 0; column < TAVIX_WIDTH; ++column) {
            bool frame =
                row == 0 || row == TAVIX_HEIGHT - 1 || column == 0 || column == TAVIX_WIDTH - 1;
            if (all[row * TAVIX_WIDTH + column] != (frame ? RGB(0, 0, 0) : WHITE_VALUE)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(GetPixel(library_state.window.buffer_dc, 600, 539), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(library_state.window.buffer_dc, 1, 1), WHITE_VALUE);
}

TEST_F(Pixels, EveryRecordAndTheWipeMarkTheBufferDirty) {
    const std::function<void()> calls[] = {
        [] { TAVIX_draw_pixel(0, 0, 0); },
        [] { TAVIX_draw_circle(0, 0, 0, 3); },
        [] { TAVIX_draw_triangle(0, 0, 0, 1, 1, 2, 0, 0); },
        [] { TAVIX_draw_rectangle(0, 0, 0, 1, 1, 0); },
        [] { TAVIX_draw_line(0, 0, 0, 1, 1, 0); },
        [] { TAVIX_draw_text(0, 0, 0, 10, ""); },
        [] { TAVIX_draw_circle(0, INT_MAX, INT_MAX, 0); },  // off the buffer: still marked
        [] { TAVIX_clear_window(); },
        [] {
            ShapeRecord unknown = {};
            unknown.kind = 6;
            rasterise_shape(&unknown);
        },
    };
    int index = 0;
    for (const auto &call : calls) {
        present_buffer();
        call();
        EXPECT_EQ(library_state.window.dirty, 1) << "call " << index++;
    }
    ShapeRecord unknown = {};
    unknown.kind = -1;
    EXPECT_TRUE(painted_by([&unknown] { rasterise_shape(&unknown); }).empty());
}

// Between calls the context keeps its own pen, brush, font and background mode; only the text
// colour follows the last text.
TEST_F(Pixels, TheBufferContextIsLeftAsItWas) {
    HDC dc = library_state.window.buffer_dc;
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH),
            font = GetCurrentObject(dc, OBJ_FONT);
    int mode = GetBkMode(dc);
    TAVIX_draw_triangle(1, 0, 0, 5, 5, 9, 0, 0);
    TAVIX_draw_triangle(1, 0, 0, 5, 5, 9, 0, 4);
    TAVIX_draw_rectangle(1, 0, 0, 5, 5, 0);
    TAVIX_draw_rectangle(1, 0, 0, 5, 5, 3);
    TAVIX_draw_circle(1, 0, 0, 5);
    TAVIX_draw_line(1, 0, 0, 5, 5, 7);
    TAVIX_draw_text(PINK, 0, 0, 30, "pink");
    TAVIX_clear_window();
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetBkMode(dc), mode);
    EXPECT_EQ(GetTextColor(dc), library_state.draw.colours[PINK]);
}

// The library keeps the pens, brushes and fonts it makes for its records, follows a colour
// whose value changed, and deletes every one it made when it lets them go (at finish).
TEST_F(Pixels, KeptObjectsFollowTheColourTableAndAreAllDeleted) {
    auto live_objects = [] {
        int n = 0;
        for (uint32_t i = 0; i < handle_table.count; ++i) {
            const HandleSlot &slot = handle_table.slots[i];
            n += !slot.permanent &&
                 (slot.kind == HANDLE_PEN || slot.kind == HANDLE_BRUSH || slot.kind == HANDLE_FONT);
        }
        return n;
    };
    release_shape_objects();
    int before = live_objects();
    for (int colour = 0; colour < COLOUR_COUNT; ++colour)
        for (int width = 0; width < 40; width += 3)
            TAVIX_draw_rectangle(colour, -10, -10, 10, 10, width);
    for (int size = 5; size < 30; ++size) TAVIX_draw_text(BLACK, 0, 0, size, "x");
    EXPECT_GT(live_objects(), before + 2 * COLOUR_COUNT);

    COLORREF blue = library_state.draw.colours[BLUE];
    for (COLORREF value : {RGB(1, 2, 3), blue}) {
        library_state.draw.colours[BLUE] = value;
        TAVIX_draw_circle(BLUE, 0, 0, 5);
        TAVIX_draw_rectangle(BLUE, 20, 20, 30, 30, 1);
        EXPECT_EQ(drawtest::pixel(0, 0), value);
        EXPECT_EQ(drawtest::pixel(0, 5), value);
        EXPECT_EQ(drawtest::pixel(20, 25), value);
    }
    release_shape_objects();
    EXPECT_EQ(live_objects(), before);
}

// The circle of centre (x, y) and radius r painted by the platform's Ellipse, its box unclamped.
void platform_ellipse(int x, int y, int r) {
    HDC dc = library_state.window.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, 0, 0);
    HBRUSH brush = CreateSolidBrush(0);
    HGDIOBJ kept_pen = SelectObject(dc, pen), kept_brush = SelectObject(dc, brush);
    Ellipse(dc, library_state.window.origin_x + x - r, library_state.window.origin_y - y - r,
            library_state.window.origin_x + x + r + 1, library_state.window.origin_y - y + r + 1);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// The line from (x1, y1) to (x2, y2) of a pen of width w painted by the platform, uncut.
void platform_line(int x1, int y1, int x2, int y2, int w) {
    HDC dc = library_state.window.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, w, 0);
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    MoveToEx(dc, library_state.window.origin_x + x1, library_state.window.origin_y - y1, nullptr);
    LineTo(dc, library_state.window.origin_x + x2, library_state.window.origin_y - y2);
    SelectObject(dc, kept_pen);
    DeleteObject(pen);
}

void platform_triangle(int x1, int y1, int x2, int y2, int x3, int y3) {
    HDC dc = library_state.window.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, 0, 0);
    HBRUSH brush = CreateSolidBrush(0);
    HGDIOBJ kept_pen = SelectObject(dc, pen), kept_brush = SelectObject(dc, brush);
    int ox = library_state.window.origin_x, oy = library_state.window.origin_y;
    POINT points[3] = {{ox + x1, oy - y1}, {ox + x2, oy - y2}, {ox + x3, oy - y3}};
    Polygon(dc, points, 3);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// Shapes whose points lie billions of pixels away show in the buffer exactly what the same
// shapes drawn nearer show, where both pass through the buffer the same way.
TEST_F(Pixels, FarPointsPaintTheBufferAsNearOnesDo) {
    struct Case {
        const char *what;
        std::function<void()> far, near;
    };
    const Case cases[] = {
        {"diagonal through the whole int range",
         [] { TAVIX_draw_line(0, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1); },
         [] { TAVIX_draw_line(0, -1000, -1000, 1000, 1000, 1); }},
        {"line of slope 1/2 with its ties",
         [] { TAVIX_draw_line(0, 0, 0, 2000000000, 1000000000, 1); },
         [] { TAVIX_draw_line(0, 0, 0, 2000, 1000, 1); }},
        {"line of slope 1/3 from far left",
         [] { TAVIX_draw_line(0, -2100000000, 700000000, 300, -100, 1); },
         [] { TAVIX_draw_line(0, -2400, 800, 300, -100, 1); }},
        {"wide line", [] { TAVIX_draw_line(0, 0, 0, -2000000000, 1000000000, 5); },
         [] { TAVIX_draw_line(0, 0, 0, -2000, 1000, 5); }},
        {"triangle with a far corner",
         [] { TAVIX_draw_triangle(0, 0, 0, 2000000000, 1000000000, 0, 1000000000, 0); },
         [] { TAVIX_draw_triangle(0, 0, 0, 2000, 1000, 0, 1000, 0); }},
        {"triangle with two far corners",
         [] {
             TAVIX_draw_triangle(0, -3, 7, -2147483003, -2147482993, 2147482997, -2147482993, 0);
         },
         [] { TAVIX_draw_triangle(0, -3, 7, -3 - 3000, 7 - 3000, -3 + 3000, 7 - 3000, 0); }},
        {"outlined triangle with a far corner",
         [] { TAVIX_draw_triangle(0, -50, -50, 1999999950, 999999950, 0, 1000000000, 3); },
         [] { TAVIX_draw_triangle(0, -50, -50, 1950, 950, -49, 19999951, 3); }},
        {"rectangle reaching the int range's ends",
         [] { TAVIX_draw_rectangle(0, -10, INT_MAX, 10, -10, 0); },
         [] { TAVIX_draw_rectangle(0, -10, 1000, 10, -10, 0); }},
        {"outlined rectangle around the buffer",
         [] { TAVIX_draw_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 9); }, [] {}},
        {"filled rectangle over everything",
         [] { TAVIX_draw_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0); },
         [] { TAVIX_draw_rectangle(0, -1000, 1000, 1000, -1000, 0); }},
        {"circle of the largest radius", [] { TAVIX_draw_circle(0, 0, 0, INT_MAX); },
         [] { TAVIX_draw_rectangle(0, -1000, 1000, 1000, -1000, 0); }},
        {"pixel at the int range's corner", [] { TAVIX_draw_pixel(0, INT_MAX, INT_MIN); }, [] {}},
        // The edge of a circle a hundred million pixels across, running diagonally through the
        // buffer, against the platform's own ellipse of the same box.
        {"huge circle crossing the buffer diagonally",
         [] { TAVIX_draw_circle(0, -100000000, -100000000, 141421356); },
         [] { platform_ellipse(-100000000, -100000000, 141421356); }},
        // Ends far beyond any int a nearer end could share with the line's steps.
        {"nearly flat line across the int range",
         [] { TAVIX_draw_line(0, -2147483000, -270, 2147483000, 269, 1); },
         [] { platform_line(-2147483000, -270, 2147483000, 269, 1); }},
        {"steep line across the int range",
         [] { TAVIX_draw_line(0, -999999937, -2147483000, 1000000013, 2147483000, 1); },
         [] { platform_line(-999999937, -2147483000, 1000000013, 2147483000, 1); }},
        {"triangle with a nearly flat far edge",
         [] { TAVIX_draw_triangle(0, 0, 300, -2147483000, -270, 2147483000, 269, 0); },
         [] { platform_triangle(0, 300, -2147483000, -270, 2147483000, 269); }},
        // A line of a wide pen whose middle runs far outside, but whose width reaches in.
        {"wide line far away whose pen covers the buffer",
         [] { TAVIX_draw_line(0, -1000000000, 100000000, 1000000000, 100000000, 400000000); },
         [] { TAVIX_draw_rectangle(0, -1000, 1000, 1000, -1000, 0); }},
    };
    for (const Case &c : cases) {
        std::vector<Point> near = painted_by(c.near);
        EXPECT_EQ(painted_by(c.far), near) << c.what;
    }
}

// Every point of a lies within a pixel (across or diagonally) of a point of b.
bool near_all(const std::vector<Point> &a, const std::vector<Point> &b) {
    std::set<Point> in_b(b.begin(), b.end());
    for (const Point &p : a) {
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            for (int dx = -1; dx <= 1 && !found; ++dx) found = in_b.count({p.x + dx, p.y + dy}) > 0;
        if (!found) return false;
    }
    return true;
}

// Paints points given as the library hands them to GDI (x, ~y), the viewport on its origin.
void paint_handed_over(const POINT *points, int count, int width, bool filled) {
    HDC dc = library_state.window.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, width, 0);
    HBRUSH brush = filled ? CreateSolidBrush(0) : (HBRUSH)GetStockObject(NULL_BRUSH);
    HGDIOBJ kept_pen = SelectObject(dc, pen), kept_brush = SelectObject(dc, brush);
    SetViewportOrgEx(dc, library_state.window.origin_x, library_state.window.origin_y + 1, nullptr);
    if (count == 2) {
        MoveToEx(dc, points[0].x, points[0].y, nullptr);
        LineTo(dc, points[1].x, points[1].y);
    } else {
        Polygon(dc, points, count);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// Where GDI takes only short coordinates (Windows), far triangles and lines are cut at a guard
// box before they are painted: what shows in the buffer moves by at most a pixel, however near
// the guard lies, as long as it holds the buffer.
TEST_F(Pixels, FarShapesCutAtAGuardMoveByAtMostAPixel) {
    struct Case {
        const char *what;
        int x1, y1, x2, y2, x3, y3;
        int width;  // lines: their pen; triangles: 0 filled, else the outline's pen
        bool line;
    };
    const Case cases[] = {
        {"diagonal line", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 1, true},
        {"line of slope 1/3", -2100000000, 700000000, 300, -100, 0, 0, 1, true},
        {"nearly flat line", -2147483000, -270, 2147483000, 269, 0, 0, 1, true},
        {"steep line", -999999937, -2147483000, 1000000013, 2147483000, 0, 0, 1, true},
        {"wide line", 0, 0, -2000000000, 1000000000, 0, 0, 5, true},
        {"triangle with a far corner", 0, 0, 2000000000, 1000000000, 0, 1000000000, 0, false},
        {"triangle with two far corners", -3, 7, -2147483003, -2147482993, 2147482997, -2147482993,
         0, false},
        {"nearly flat triangle", 0, 300, -2147483000, -270, 2147483000, 269, 0, false},
        {"outlined triangle", -50, -50, 1999999950, 999999950, 0, 1000000000, 3, false},
    };
    for (int64_t guard : {(int64_t)1000, (int64_t)1 << 26}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", guard " + std::to_string(guard));
            POINT whole[3] = {{c.x1, ~c.y1}, {c.x2, ~c.y2}, {c.x3, ~c.y3}};
            std::vector<Point> exact = painted_by([&] {
                if (c.line)
                    TAVIX_draw_line(0, c.x1, c.y1, c.x2, c.y2, c.width);
                else
                    TAVIX_draw_triangle(0, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.width);
            });
            std::vector<Point> cut = painted_by([&] {
                POINT points[GUARD_POLYGON_MAX] = {whole[0], whole[1]};
                int count = 2;
                if (c.line ? !cut_line_at_guard(points, guard)
                           : (count = cut_polygon_at_guard(whole, 3, guard, points)) < 3)
                    return;
                paint_handed_over(points, count, c.width, c.width == 0);
            });
            ASSERT_FALSE(exact.empty());
            EXPECT_TRUE(near_all(exact, cut) && near_all(cut, exact));
        }
    }
}

}  // namespace
