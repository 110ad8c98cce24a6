// Contexts and objects: defaults, what SelectObject hands back, deleting selected, stock and dead
// objects, pixels, blits with overlap and clipping, scrolling, FillRect.
#include "paint_helpers.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

// While set, calloc fails: the linker routes the layer's calls here (--wrap).
static bool refuse_calloc;
extern "C" void *__real_calloc(size_t count, size_t size);
extern "C" void *__wrap_calloc(size_t count, size_t size) {
    return refuse_calloc ? nullptr : __real_calloc(count, size);
}

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF BLUE = RGB(0, 0, 255);

TEST(Contexts, StartWithTheDefaultObjectsAndColours) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), WHITE);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetObjectType(dc), (DWORD)OBJ_MEMDC);
    // The 1 x 1 bitmap a memory context starts with can be painted and read.
    EXPECT_EQ(SetPixel(dc, 0, 0, RED), RED);
    EXPECT_EQ(GetPixel(dc, 0, 0), RED);
    EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Contexts, SettersReturnThePreviousValue) {
    Canvas32 c(4, 4);
    EXPECT_EQ(SetTextColor(c.dc, RED), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(c.dc, BLUE), RED);
    EXPECT_EQ(SetBkColor(c.dc, RED), WHITE);
    EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(c.dc, 7), 0);  // not a mode
    EXPECT_EQ(GetBkMode(c.dc), TRANSPARENT);
}

TEST(Contexts, StockObjectsExistAndAreOfTheirKind) {
    struct {
        int index;
        DWORD type;
    } stock[] = {{WHITE_BRUSH, OBJ_BRUSH},      {LTGRAY_BRUSH, OBJ_BRUSH},
                 {GRAY_BRUSH, OBJ_BRUSH},       {DKGRAY_BRUSH, OBJ_BRUSH},
                 {BLACK_BRUSH, OBJ_BRUSH},      {NULL_BRUSH, OBJ_BRUSH},
                 {WHITE_PEN, OBJ_PEN},          {BLACK_PEN, OBJ_PEN},
                 {NULL_PEN, OBJ_PEN},           {OEM_FIXED_FONT, OBJ_FONT},
                 {ANSI_FIXED_FONT, OBJ_FONT},   {ANSI_VAR_FONT, OBJ_FONT},
                 {SYSTEM_FONT, OBJ_FONT},       {DEVICE_DEFAULT_FONT, OBJ_FONT},
                 {SYSTEM_FIXED_FONT, OBJ_FONT}, {DEFAULT_GUI_FONT, OBJ_FONT}};
    for (const auto &s : stock) {
        HGDIOBJ object = GetStockObject(s.index);
        ASSERT_NE(object, nullptr) << s.index;
        EXPECT_EQ(GetObjectType(object), s.type) << s.index;
        EXPECT_EQ(GetStockObject(s.index), object) << "stock objects are made once";
        // Deleting a stock object does nothing and succeeds.
        EXPECT_TRUE(DeleteObject(object));
        EXPECT_EQ(GetObjectType(object), s.type);
    }
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(100), nullptr);

    COLORREF colour;
    EXPECT_TRUE(brush_colour((HBRUSH)GetStockObject(GRAY_BRUSH), &colour));
    EXPECT_EQ(colour, RGB(128, 128, 128));
}

TEST(Selection, SelectObjectReturnsWhatItReplaced) {
    Canvas32 c(4, 4);
    HPEN pen = CreatePen(PS_SOLID, 2, RED);
    HBRUSH brush = CreateSolidBrush(BLUE);
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "");
    EXPECT_EQ(SelectObject(c.dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(c.dc, GetStockObject(NULL_PEN)), (HGDIOBJ)pen);
    EXPECT_EQ(SelectObject(c.dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(c.dc, brush), (HGDIOBJ)brush) << "selecting again returns itself";
    EXPECT_EQ(SelectObject(c.dc, font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_FONT), (HGDIOBJ)font);
    // A bitmap into a memory context returns the bitmap it replaced.
    HBITMAP other = CreateCompatibleBitmap(c.dc, 8, 8);
    EXPECT_EQ(SelectObject(c.dc, other), (HGDIOBJ)c.bitmap);
    EXPECT_EQ(SelectObject(c.dc, c.bitmap), (HGDIOBJ)other);
    // A bitmap lives in one context at a time.
    HDC second = CreateCompatibleDC(c.dc);
    EXPECT_EQ(SelectObject(second, c.bitmap), nullptr);
    EXPECT_NE(SelectObject(second, other), nullptr);
    DeleteDC(second);
    // Not objects: nothing changes.
    EXPECT_EQ(SelectObject(c.dc, c.dc), nullptr);
    EXPECT_EQ(SelectObject(c.dc, nullptr), nullptr);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), (HGDIOBJ)brush);

    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(other));
}

TEST(Selection, DeletingASelectedObjectWaitsUntilItIsDeselected) {
    Canvas32 c(6, 6);
    HBRUSH brush = CreateSolidBrush(BLUE);
    HGDIOBJ old = SelectObject(c.dc, brush);
    EXPECT_TRUE(DeleteObject(brush));
    // Still usable by the context that has it.
    EXPECT_EQ(GetObjectType(brush), (DWORD)OBJ_BRUSH);
    Rectangle(c.dc, 0, 0, 6, 6);
    EXPECT_EQ(GetPixel(c.dc, 2, 2), BLUE);
    // Deselected: gone, and its handle is dead.
    SelectObject(c.dc, old);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(SelectObject(c.dc, brush), nullptr);

    // A deleted bitmap stays with its context until the context goes.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
    SelectObject(dc, bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(SetPixel(dc, 2, 2, RED), RED);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
}

TEST(Selection, DeadHandlesFailHarmlessly) {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RED);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    POINT p;
    RECT r = {0, 0, 1, 1};
    SIZE s;
    TEXTMETRICA tm;
    EXPECT_FALSE(Rectangle(dc, 0, 0, 5, 5));
    EXPECT_FALSE(Ellipse(dc, 0, 0, 5, 5));
    EXPECT_FALSE(Polygon(dc, &p, 1));
    EXPECT_FALSE(MoveToEx(dc, 0, 0, &p));
    EXPECT_FALSE(LineTo(dc, 3, 3));
    EXPECT_EQ(SetPixel(dc, 0, 0, RED), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(ScrollDC(dc, 0, -1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH)), 0);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_FALSE(GetTextExtentPointA(dc, "x", 1, &s));
    EXPECT_FALSE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(SetTextColor(dc, RED), CLR_INVALID);
    EXPECT_EQ(GetBkMode(dc), 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), nullptr);
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4), nullptr);
}

TEST(Objects, CreationChecksItsArguments) {
    EXPECT_EQ(CreatePen(99, 1, RED), nullptr);
    HPEN thin = CreatePen(PS_SOLID, 0, RED);  // width 0 is one pixel
    ASSERT_NE(thin, nullptr);
    Canvas32 c(8, 3);
    SelectObject(c.dc, thin);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 8, 1);
    EXPECT_EQ(coverage(c.dc, 8, 3), "1:0..7");
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(thin);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    HBITMAP empty = CreateCompatibleBitmap(nullptr, 0, 0);
    EXPECT_NE(empty, nullptr);  // the shared 1 x 1 bitmap, as Windows gives
}

// With no memory to be had, every call that makes an object fails with null, as on Windows, and
// a program that goes on with the null handle paints nothing and does not crash. Pens and brushes
// first use up the deleted records kept for reuse.
TEST(Objects, CallsThatCannotHaveMemoryFail) {
    Canvas32 c(8, 8);
    const struct {
        const char *call;
        HGDIOBJ (*make)();
    } calls[] = {
        {"CreateCompatibleDC", [] { return (HGDIOBJ)CreateCompatibleDC(nullptr); }},
        {"CreateCompatibleBitmap", [] { return (HGDIOBJ)CreateCompatibleBitmap(nullptr, 9, 9); }},
        {"CreateFontA",
         [] {
             return (HGDIOBJ)CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                         "DejaVu Sans");
         }},
        {"CreatePen", [] { return (HGDIOBJ)CreatePen(PS_SOLID, 3, RED); }},
        {"CreateSolidBrush", [] { return (HGDIOBJ)CreateSolidBrush(RED); }},
    };
    for (const auto &call : calls) {
        SCOPED_TRACE(call.call);
        std::vector<HGDIOBJ> made;
        refuse_calloc = true;
        HGDIOBJ object;
        while (made.size() < 100 && (object = call.make())) made.push_back(object);
        EXPECT_LT(made.size(), 40u);
        SelectObject(c.dc, object);
        Rectangle(c.dc, 1, 1, 7, 7);
        EXPECT_FALSE(DeleteObject(object));
        refuse_calloc = false;
        EXPECT_EQ(coverage_of(c.dc, 8, 8, RED), "") << "painted with what was not made";
        object = call.make();
        EXPECT_NE(object, nullptr) << "memory is back";
        made.push_back(object);
        for (HGDIOBJ kept : made) {
            if (GetObjectType(kept) == OBJ_MEMDC)
                DeleteDC((HDC)kept);
            else
                DeleteObject(kept);
        }
    }
}

// ---- Pixels, blits, scrolling, FillRect
// ----------------------------------------------------------

// The viewport origin moves every call's logical points, added in 64 bits: an origin near one
// end of the int range reaches points near the other.
TEST(Contexts, TheViewportOriginMovesEveryCall) {
    Canvas32 c(6, 6);
    POINT previous = {9, 9};
    EXPECT_TRUE(SetViewportOrgEx(c.dc, 2, 3, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    EXPECT_EQ(SetPixel(c.dc, 0, 0, RED), RED);
    EXPECT_EQ(GetPixel(c.dc, 0, 0), RED);
    EXPECT_EQ(GetPixel(c.dc, 4, 0), CLR_INVALID);
    EXPECT_TRUE(SetViewportOrgEx(c.dc, INT_MIN + 4, INT_MAX - 1, &previous));
    EXPECT_EQ(previous.x, 2);
    EXPECT_EQ(previous.y, 3);
    EXPECT_EQ(SetPixel(c.dc, INT_MAX, INT_MIN + 3, RED), RED);
    MoveToEx(c.dc, INT_MAX - 3, INT_MIN + 5, nullptr);
    LineTo(c.dc, INT_MAX, INT_MIN + 5);
    SetViewportOrgEx(c.dc, 0, 0, nullptr);
    EXPECT_EQ(coverage(c.dc, 6, 6), "1:3 3:0..2");
    EXPECT_FALSE(SetViewportOrgEx(nullptr, 0, 0, nullptr));
}

TEST(Pixels, SetPixelOnlyOnTheSurface) {
    Canvas32 c(5, 5);
    struct {
        int x, y;
        bool on;
    } cases[] = {{0, 0, true},   {4, 4, true},   {5, 0, false},       {0, 5, false},
                 {-1, 2, false}, {2, -1, false}, {INT_MIN, 0, false}, {INT_MAX, INT_MAX, false}};
    for (const auto &p : cases) {
        EXPECT_EQ(SetPixel(c.dc, p.x, p.y, RED), p.on ? RED : CLR_INVALID) << p.x << "," << p.y;
        EXPECT_EQ(GetPixel(c.dc, p.x, p.y), p.on ? RED : CLR_INVALID) << p.x << "," << p.y;
    }
    EXPECT_EQ(coverage(c.dc, 5, 5), "0:0 4:4");
}

// Fills the canvas with a pattern where every pixel tells its position.
void paint_positions(Canvas32 &c) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) SetPixel(c.dc, x, y, RGB(x, y, 7));
}

TEST(Blits, CopyBetweenContextsIsClippedToSourceAndDestination) {
    Canvas32 src(6, 6), dst(8, 8);
    paint_positions(src);
    // Source block hangs off the source's left and top; destination off its right.
    EXPECT_TRUE(BitBlt(dst.dc, 5, 1, 6, 6, src.dc, -2, -1, SRCCOPY));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int sx = x - 5 - 2, sy = y - 1 - 1;
            bool copied = x >= 5 && y >= 1 && y < 1 + 6 && sx >= 0 && sx < 6 && sy >= 0 && sy < 6;
            // Pixels that get no source keep their colour.
            EXPECT_EQ(GetPixel(dst.dc, x, y), copied ? RGB(sx, sy, 7) : WHITE) << x << "," << y;
        }
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 0x00EE0086));  // only SRCCOPY
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, -3, 2, src.dc, 0, 0, SRCCOPY));     // nothing to copy
    EXPECT_TRUE(BitBlt(dst.dc, INT_MAX, INT_MIN, INT_MAX, INT_MAX, src.dc, INT_MIN, 0, SRCCOPY));
}

TEST(Blits, OverlappingCopiesBehaveLikeMemmove) {
    struct {
        int dx, dy;
    } moves[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 3}, {-3, -2}, {3, -1}};
    for (const auto &m : moves) {
        Canvas32 c(10, 10);
        paint_positions(c);
        EXPECT_TRUE(BitBlt(c.dc, 3 + m.dx, 3 + m.dy, 4, 4, c.dc, 3, 3, SRCCOPY));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(GetPixel(c.dc, 3 + m.dx + x, 3 + m.dy + y), RGB(3 + x, 3 + y, 7))
                    << m.dx << "," << m.dy << " at " << x << "," << y;
    }
}

TEST(Scrolling, ScrollUpKeepsTheBottomRows) {
    for (int k : {1, 3, 9, 10, 50}) {
        Canvas32 c(6, 10);
        paint_positions(c);
        RECT update;
        EXPECT_TRUE(ScrollDC(c.dc, 0, -k, nullptr, nullptr, nullptr, &update));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 6; ++x) {
                // Rows that received a row from below show it; the bottom k keep their pixels.
                int from = y + k < 10 ? y + k : y;
                EXPECT_EQ(GetPixel(c.dc, x, y), RGB(x, from, 7)) << k << ": " << x << "," << y;
            }
        EXPECT_EQ(update.left, 0);
        EXPECT_EQ(update.right, 6);
        EXPECT_EQ(update.top, k < 10 ? 10 - k : 0);
        EXPECT_EQ(update.bottom, 10);
    }
}

TEST(Scrolling, ScrollWithinARectangle) {
    Canvas32 c(8, 8);
    paint_positions(c);
    RECT area = {2, 2, 6, 6};
    EXPECT_TRUE(ScrollDC(c.dc, 0, 2, &area, &area, nullptr, nullptr));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool moved = x >= 2 && x < 6 && y >= 4 && y < 6;
            EXPECT_EQ(GetPixel(c.dc, x, y), RGB(x, moved ? y - 2 : y, 7)) << x << "," << y;
        }
}

TEST(FillRectangles, FillsLeftTopInclusiveRightBottomExclusive) {
    Canvas32 c(10, 6);
    RECT cases[] = {{1, 1, 4, 3}, {8, 4, 20, 20}, {-5, -5, 1, 1}, {6, 1, 5, 3}};
    for (const RECT &r : cases)
        EXPECT_EQ(FillRect(c.dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH)), 1);
    EXPECT_EQ(coverage(c.dc, 10, 6), "0:0 1:1..3 2:1..3 4:8..9 5:8..9");
    RECT all = {0, 0, 10, 6};
    EXPECT_EQ(FillRect(c.dc, &all, (HBRUSH)GetStockObject(NULL_BRUSH)), 1);
    EXPECT_EQ(coverage(c.dc, 10, 6), "0:0 1:1..3 2:1..3 4:8..9 5:8..9");
    EXPECT_EQ(FillRect(c.dc, nullptr, (HBRUSH)GetStockObject(BLACK_BRUSH)), 0);
    RECT huge = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(FillRect(c.dc, &huge, (HBRUSH)GetStockObject(BLACK_BRUSH)), 1);
    EXPECT_EQ(coverage_of(c.dc, 10, 6, RGB(0, 0, 0)), "0:0..9 1:0..9 2:0..9 3:0..9 4:0..9 5:0..9");
}

TEST(ScreenContext, PaintsNothingAndServesAsAModel) {
    HDC screen = dc_create_for_window(nullptr, true);
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(Rectangle(screen, 0, 0, 10, 10));
    EXPECT_EQ(SetPixel(screen, 0, 0, RED), CLR_INVALID);
    EXPECT_EQ(GetPixel(screen, 0, 0), CLR_INVALID);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ASSERT_NE(memory, nullptr);
    ASSERT_NE(bitmap, nullptr);
    SelectObject(memory, bitmap);
    SetPixel(memory, 1, 1, BLUE);
    EXPECT_TRUE(BitBlt(screen, 0, 0, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(memory, 0, 0, 4, 4, screen, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(memory, 1, 1), BLUE) << "a blit from the screen context brings nothing";
    Surface *surface = bitmap_surface(bitmap);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->width, 4);
    EXPECT_EQ(surface->pixels[1 * 4 + 1], 0x0000FFu) << "surfaces hold 0x00RRGGBB";
    DeleteDC(memory);
    DeleteObject(bitmap);
    EXPECT_EQ(bitmap_surface(bitmap), nullptr);
    dc_destroy(screen);
    EXPECT_EQ(GetObjectType(screen), 0u);
}

}  // namespace
