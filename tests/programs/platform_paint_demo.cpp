// A window that draws a few shapes and lines of text with the layer's GDI calls, and prints the
// keyboard and mouse messages it receives on stdout, one per line: a picture to look at and input
// to check, written against the Windows calls alone.
#include "tests/programs/platform_demo.h"

namespace {

void paint_scene(HDC dc) {
    HPEN black = (HPEN)GetStockObject(BLACK_PEN);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    HPEN wide = CreatePen(PS_SOLID, 5, RGB(255, 0, 255));

    HGDIOBJ old_pen = SelectObject(dc, black);
    HGDIOBJ old_brush = SelectObject(dc, red);
    Rectangle(dc, 20, 20, 120, 80);
    SelectObject(dc, blue);
    Ellipse(dc, 140, 20, 241, 101);
    SelectObject(dc, green);
    const POINT triangle[3] = {{260, 100}, {310, 20}, {360, 100}};
    Polygon(dc, triangle, 3);
    SelectObject(dc, wide);
    MoveToEx(dc, 20, 120, nullptr);
    LineTo(dc, 360, 150);
    SelectObject(dc, black);
    MoveToEx(dc, 20, 170, nullptr);
    LineTo(dc, 360, 170);
    for (int x = 20; x < 360; x += 4) SetPixel(dc, x, 176, RGB(0, 0, 255));

    HFONT font =
        CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 20, 190, "Hello from the platform layer", 29);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 0));
    SetTextColor(dc, RGB(0, 0, 128));
    TextOutA(dc, 20, 225, "Fixed 8x13: 0123456789", 22);

    SelectObject(dc, old_font);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(font);
    DeleteObject(wide);
    DeleteObject(red);
    DeleteObject(blue);
    DeleteObject(green);
}

LRESULT CALLBACK demo_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paint_scene(dc);
            EndPaint(hwnd, &ps);
            demo_say("WM_PAINT");
            return 0;
        }
        case WM_KEYDOWN:
            demo_say("WM_KEYDOWN %ld", (long)wp);
            return 0;
        case WM_KEYUP:
            demo_say("WM_KEYUP %ld", (long)wp);
            return 0;
        case WM_CHAR:
            demo_say("WM_CHAR %ld", (long)wp);
            return 0;
        case WM_LBUTTONDOWN:
            demo_say("WM_LBUTTONDOWN %ld %ld", (long)(short)LOWORD(lp), (long)(short)HIWORD(lp));
            return 0;
        case WM_LBUTTONUP:
            demo_say("WM_LBUTTONUP %ld %ld", (long)(short)LOWORD(lp), (long)(short)HIWORD(lp));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    return demo_run(instance, demo_proc, "Paint demo", 60, 40, 386, 297,
                    (HBRUSH)GetStockObject(WHITE_BRUSH), show);
}
