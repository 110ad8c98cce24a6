// Window contexts on the offscreen driver: the client-area origin and clip below the menu bar, the
// whole-surface context, and drawing after the window is gone.
#include "platform/gdi/dc.h"
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

}  // namespace
