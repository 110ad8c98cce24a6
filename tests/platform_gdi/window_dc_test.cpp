// Window contexts: the client-area origin and clip below the menu bar, the whole-surface context,
// drawing after the window is gone, and copies of bitmaps to windows (made at once where windows
// are shown, else when the window is next read: both runs are in CMakeLists.txt).
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/surface.h"
#include "platform/user/window.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

namespace {

HWND make_plain_window() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "gdi_test_window";
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "gdi_test_window", "GDI", WS_CAPTION | WS_SYSMENU, 0, 0, 200, 150,
                           nullptr, nullptr, nullptr, nullptr);
}

uint32_t surface_pixel(HWND hwnd, int x, int y) {
    Surface *surface = window_surface(hwnd);
    return surface->pixels[y * surface->width + x];
}

TEST(WindowContext, DrawsInTheClientAreaBelowTheMenuBar) {
    HWND hwnd = make_plain_window();
    ASSERT_NE(hwnd, nullptr);
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_STRING, 1, "&File");
    SetMenu(hwnd, bar);
    ShowWindow(hwnd, SW_SHOW);
    RECT area;
    ASSERT_TRUE(window_client_area(hwnd, &area));
    ASSERT_GT(area.top, 0) << "the menu bar lies above the client area";

    HDC dc = GetDC(hwnd);
    ASSERT_NE(dc, nullptr);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    uint32_t bar_pixel = surface_pixel(hwnd, 5, area.top - 1);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(255, 0, 0)), RGB(255, 0, 0));
    EXPECT_EQ(surface_pixel(hwnd, area.left, area.top), 0xFF0000u);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    // Above the client area is the menu bar: a client context cannot reach it.
    EXPECT_EQ(SetPixel(dc, 5, -1, RGB(0, 0, 255)), CLR_INVALID);
    Rectangle(dc, -50, -50, 50, 50);
    EXPECT_EQ(surface_pixel(hwnd, 5, area.top - 1), bar_pixel);
    EXPECT_EQ(GetPixel(dc, 49, 49), RGB(0, 0, 0)) << "the rectangle's outline in the client area";
    // Scrolling moves client pixels only.
    SetPixel(dc, 3, 4, RGB(0, 255, 0));
    EXPECT_TRUE(ScrollDC(dc, 0, -4, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0, 255, 0));
    EXPECT_EQ(surface_pixel(hwnd, 5, area.top - 1), bar_pixel);
    ReleaseDC(hwnd, dc);

    // The whole-surface context draws from the window's top-left corner.
    HDC whole = dc_create_for_window(hwnd, false);
    SetPixel(whole, 1, 1, RGB(0, 0, 255));
    EXPECT_EQ(surface_pixel(hwnd, 1, 1), 0x0000FFu);
    dc_destroy(whole);

    // After the window is gone, its contexts draw nothing and nothing breaks.
    dc = GetDC(hwnd);
    DestroyWindow(hwnd);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_TRUE(Rectangle(dc, 0, 0, 10, 10));
    EXPECT_TRUE(TextOutA(dc, 0, 0, "gone", 4));
    EXPECT_TRUE(ScrollDC(dc, 0, -1, nullptr, nullptr, nullptr, nullptr));
    ReleaseDC(hwnd, dc);
}

// A bitmap copied to a window again and again after each drawing: the window ends up with the
// bitmap's pixels every time, though each copy only takes what the bitmap says changed. Every
// kind of drawing, at the edges too, and the window drawn on behind the bitmap's back.
TEST(WindowContext, CopiesOfABitmapTakeEveryChange) {
    DestroyWindow(make_plain_window());  // the class registered
    HWND hwnd = CreateWindowExA(0, "gdi_test_window", "GDI", WS_CAPTION | WS_SYSMENU, 0, 0, 420,
                                340, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    HDC window = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(window), other = CreateCompatibleDC(window);
    HGDIOBJ held = SelectObject(memory, CreateCompatibleBitmap(window, 400, 300));
    HGDIOBJ other_held = SelectObject(other, CreateCompatibleBitmap(window, 100, 100));
    HPEN wide = CreatePen(PS_SOLID, 9, RGB(200, 0, 0)),
         dashed = CreatePen(PS_DASH, 1, RGB(0, 0, 9));
    HBRUSH brush = CreateSolidBrush(RGB(0, 120, 0));
    HFONT font = CreateFontA(-40, 0, 0, 0, FW_BOLD, TRUE, 0, 0, 0, 0, 0, 0, 0, "");
    RECT fill = {-5, 280, 30, 320}, small = {40, 20, 60, 25};
    RECT whole = {0, 0, 100, 100};
    FillRect(other, &whole, brush);
    POINT star[] = {{350, -10}, {410, 150}, {300, 60}, {420, 60}, {330, 150}};
    struct Step {
        const char *name;
        void (*draw)(HDC memory, HDC window, HDC other, HGDIOBJ *objects, const void *data);
        const void *data;
    };
    HGDIOBJ objects[] = {wide, dashed, brush, font};
    const Step steps[] = {
        {"wide rectangle over the corner",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *) {
             SelectObject(m, o[0]);
             Rectangle(m, -3, -3, 50, 40);
         },
         nullptr},
        {"wide ellipse",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) { Ellipse(m, 100, 50, 180, 90); }, nullptr},
        {"huge ellipse ring",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) { Ellipse(m, -5000, 100, 5000, 9000); },
         nullptr},
        {"thin ellipse",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) {
             SelectObject(m, GetStockObject(BLACK_PEN));
             Ellipse(m, 200, 200, 204, 204);
         },
         nullptr},
        {"wide polygon",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *d) {
             SelectObject(m, o[0]);
             Polygon(m, (const POINT *)d, 5);
         },
         star},
        {"dashed line",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *) {
             SelectObject(m, o[1]);
             MoveToEx(m, 10, 290, nullptr);
             LineTo(m, 390, 120);
         },
         nullptr},
        {"wide line off the bitmap",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *) {
             SelectObject(m, o[0]);
             MoveToEx(m, 395, -20, nullptr);
             LineTo(m, 395, 400);
         },
         nullptr},
        {"italic text, transparent",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *) {
             SelectObject(m, o[3]);
             SetBkMode(m, TRANSPARENT);
             TextOutA(m, 120, 140, "Wjfy", 4);
         },
         nullptr},
        {"text, opaque, past the right edge",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) {
             SetBkMode(m, OPAQUE);
             SetBkColor(m, RGB(0, 0, 255));
             TextOutA(m, 330, 250, "gap ", 4);
         },
         nullptr},
        {"pixel",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) { SetPixel(m, 399, 299, RGB(1, 2, 3)); },
         nullptr},
        {"fill",
         [](HDC m, HDC, HDC, HGDIOBJ *o, const void *d) {
             FillRect(m, (const RECT *)d, (HBRUSH)o[2]);
         },
         &fill},
        {"copy from another bitmap",
         [](HDC m, HDC, HDC x, HGDIOBJ *, const void *) {
             BitBlt(m, 250, 5, 60, 30, x, 0, 0, SRCCOPY);
         },
         nullptr},
        {"scroll",
         [](HDC m, HDC, HDC, HGDIOBJ *, const void *) {
             RECT updated;
             ScrollDC(m, 7, 11, nullptr, nullptr, nullptr, &updated);
         },
         nullptr},
        {"the window drawn on directly",
         [](HDC, HDC w, HDC, HGDIOBJ *o, const void *d) {
             FillRect(w, (const RECT *)d, (HBRUSH)o[2]);
         },
         &small},
        {"nothing", [](HDC, HDC, HDC, HGDIOBJ *, const void *) {}, nullptr},
    };
    RECT area;
    ASSERT_TRUE(window_client_area(hwnd, &area));
    Surface *bitmap =
        &((GdiBitmap *)handle_get(GetCurrentObject(memory, OBJ_BITMAP), HANDLE_BITMAP))->surface;
    for (int round = 0; round < 2; ++round)
        for (const Step &step : steps) {
            step.draw(memory, window, other, objects, step.data);
            BitBlt(window, 0, 0, 400, 300, memory, 0, 0, SRCCOPY);
            // Read, not drawn on: the next copy may still take only what changed. Where no screen
            // shows the window, this is also where the copy is made.
            const Surface *shown = window_pixels(hwnd);
            int wrong = 0;
            for (int y = 0; y < 300 && y < area.bottom - area.top; ++y)
                for (int x = 0; x < 400 && x < area.right; ++x)
                    wrong += shown->pixels[(size_t)(y + area.top) * shown->width + x] !=
                             bitmap->pixels[(size_t)y * bitmap->width + x];
            EXPECT_EQ(wrong, 0) << step.name << ", round " << round;
        }
    DeleteObject(SelectObject(memory, held));
    DeleteObject(SelectObject(other, other_held));
    DeleteDC(memory);
    DeleteDC(other);
    ReleaseDC(hwnd, window);
    DestroyWindow(hwnd);
}

// A copy of a bitmap to a window, then something that would lose it if it were left unmade: the
// window still shows the copy, and what came after it.
TEST(WindowContext, ACopyIsKeptWhateverComesBeforeTheWindowIsRead) {
    DestroyWindow(make_plain_window());  // the class registered
    HWND hwnd = CreateWindowExA(0, "gdi_test_window", "GDI", WS_POPUP, 0, 0, 100, 80, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    HDC window = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(window);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255);
    struct Case {
        const char *what;
        void (*between)(HWND hwnd, HDC window, HDC memory, HBRUSH blue);
        COLORREF at_10_10, at_30_30, at_70_10;
    } cases[] = {
        {"the bitmap deleted",
         [](HWND, HDC, HDC m, HBRUSH) {
             DeleteObject(SelectObject(m, CreateCompatibleBitmap(m, 1, 1)));
         },
         red, red, white},
        {"a smaller block of another bitmap copied over it and beside it",
         [](HWND, HDC w, HDC m, HBRUSH b) {
             HDC other = CreateCompatibleDC(m);
             HGDIOBJ held = SelectObject(other, CreateCompatibleBitmap(m, 20, 20));
             RECT all = {0, 0, 20, 20};
             FillRect(other, &all, b);
             BitBlt(w, 0, 0, 20, 20, other, 0, 0, SRCCOPY);
             BitBlt(w, 60, 0, 20, 20, other, 0, 0, SRCCOPY);
             DeleteObject(SelectObject(other, held));
             DeleteDC(other);
         },
         RGB(0, 0, 255), red, RGB(0, 0, 255)},
        {"the window made smaller than the block",
         [](HWND h, HDC, HDC, HBRUSH) { window_resize_surface(h, 35, 35); }, red, red, CLR_INVALID},
        {"the window drawn on",
         [](HWND, HDC w, HDC, HBRUSH b) {
             RECT spot = {5, 5, 15, 15};
             FillRect(w, &spot, b);
         },
         RGB(0, 0, 255), red, white},
    };
    for (const Case &c : cases) {
        RECT all = {0, 0, 100, 80}, picture = {0, 0, 40, 40};
        FillRect(window, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        HGDIOBJ held = SelectObject(memory, CreateCompatibleBitmap(window, 40, 40));
        HBRUSH fill = CreateSolidBrush(red);
        FillRect(memory, &picture, fill);
        DeleteObject(fill);
        BitBlt(window, 0, 0, 40, 40, memory, 0, 0, SRCCOPY);
        c.between(hwnd, window, memory, blue);
        EXPECT_EQ(GetPixel(window, 10, 10), c.at_10_10) << c.what;
        EXPECT_EQ(GetPixel(window, 30, 30), c.at_30_30) << c.what;
        EXPECT_EQ(GetPixel(window, 70, 10), c.at_70_10) << c.what;
        DeleteObject(SelectObject(memory, held));
        window_resize_surface(hwnd, 100, 80);
    }
    DeleteObject(blue);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
    DestroyWindow(hwnd);
}

}  // namespace
