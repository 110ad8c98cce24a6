// A window with the Run menu, written against the Windows calls alone: it prints every message a
// menu user cares about on stdout, one per line, so a test or a person can see what arrived.
// Each WM_PAINT fills what it repaints with the next of a few colours, so repainted areas show.
#include "tests/programs/platform_demo.h"
#include "tests/programs/platform_run_menu.h"

namespace {

const COLORREF kPaintColours[] = {RGB(0, 128, 128), RGB(128, 0, 128), RGB(0, 96, 0),
                                  RGB(96, 64, 0)};
int paints;

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
            demo_say("WM_PAINT %d %d %d %d", (int)ps.rcPaint.left, (int)ps.rcPaint.top,
                     (int)ps.rcPaint.right, (int)ps.rcPaint.bottom);
            ++paints;
            return 0;
        }
        case WM_COMMAND:
            demo_say("WM_COMMAND %ld", (long)(wp & 0xFFFF));
            return 0;
        case WM_TIMER:
            demo_say("WM_TIMER %ld", (long)wp);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            demo_say(msg == WM_KEYDOWN      ? "WM_KEYDOWN %ld"
                     : msg == WM_KEYUP      ? "WM_KEYUP %ld"
                     : msg == WM_SYSKEYDOWN ? "WM_SYSKEYDOWN %ld"
                                            : "WM_SYSKEYUP %ld",
                     (long)wp);
            break;
        case WM_CHAR:
            demo_say("WM_CHAR %ld", (long)wp);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            demo_say(msg == WM_LBUTTONDOWN ? "WM_LBUTTONDOWN %ld %ld" : "WM_LBUTTONUP %ld %ld",
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
    // The graphics window's size and frame: a 595 x 496 client area below the menu bar.
    return demo_run(instance, demo_proc, "Menu demo", 40, 30, 601, 540, nullptr, show);
}
