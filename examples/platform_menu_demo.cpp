// A window with the Run menu, written against the Windows calls alone: it prints every message a
// menu user cares about on stdout, one per line, so a test or a person can see what arrived.
// Each WM_PAINT fills what it repaints with the next of a few colours, so repainted areas show.
#include "examples/platform_run_menu.h"

#include <cstdio>

namespace {

const COLORREF kPaintColours[] = {RGB(0, 128, 128), RGB(128, 0, 128), RGB(0, 96, 0),
                                  RGB(96, 64, 0)};
int paints;

void say(const char *format, long a = 0, long b = 0, long c = 0, long d = 0) {
    printf(format, a, b, c, d);
    putchar('\n');
    fflush(stdout);
}

LRESULT CALLBACK demo_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        SetMenu(hwnd, build_run_menu_bar(nullptr));
        DrawMenuBar(hwnd);
        SetTimer(hwnd, 1, 100, nullptr);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(kPaintColours[paints % 4]);
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        say("WM_PAINT %ld %ld %ld %ld", ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right,
            ps.rcPaint.bottom);
        ++paints;
        return 0;
    }
    case WM_COMMAND:
        say("WM_COMMAND %ld", (long)(wp & 0xFFFF));
        return 0;
    case WM_TIMER:
        say("WM_TIMER %ld", (long)wp);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        say(msg == WM_KEYDOWN ? "WM_KEYDOWN %ld" : msg == WM_KEYUP ? "WM_KEYUP %ld"
            : msg == WM_SYSKEYDOWN ? "WM_SYSKEYDOWN %ld" : "WM_SYSKEYUP %ld", (long)wp);
        break;
    case WM_CHAR:
        say("WM_CHAR %ld", (long)wp);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        say(msg == WM_LBUTTONDOWN ? "WM_LBUTTONDOWN %ld %ld" : "WM_LBUTTONUP %ld %ld",
            (long)(short)LOWORD(lp), (long)(short)HIWORD(lp));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = demo_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "MenuDemo";
    if (!RegisterClassA(&wc)) return 1;
    // The graphics window's size and frame: a 595 x 496 client area below the menu bar.
    HWND hwnd = CreateWindowExA(0, "MenuDemo", "Menu demo",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 40, 30,
                                601, 540, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    say("READY");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
