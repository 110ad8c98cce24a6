// The order in which the thread's queue hands out what waits in it at once: two posted messages,
// the quit, a paint and a due timer, queued in the opposite order. Built for Linux and for
// Windows from this one file, so that the layer's order can be set beside Windows' (Wine's).
//
// stdout, one line: ORDER <the messages as they came, by name>
#include "platform/win32.h"

#include <cstdio>
#include <string>

static LRESULT CALLBACK order_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

static const char *name_of(UINT message) {
    switch (message) {
        case WM_USER:
            return "WM_USER";
        case WM_USER + 1:
            return "WM_USER+1";
        case WM_QUIT:
            return "WM_QUIT";
        case WM_PAINT:
            return "WM_PAINT";
        case WM_TIMER:
            return "WM_TIMER";
        default:
            return nullptr;  // the window system's own, which come and go
    }
}

// Takes every message there is now, dispatching all but the quit; returns the named ones.
static std::string take_all(void) {
    std::string order;
    MSG msg;
    for (int guard = 0; guard < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); guard++) {
        if (const char *name = name_of(msg.message)) order += std::string(" ") + name;
        if (msg.message == WM_TIMER) KillTimer(msg.hwnd, msg.wParam);
        if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    }
    return order;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)previous;
    (void)command_line;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = order_window_proc;
    window_class.hInstance = instance;
    window_class.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    window_class.lpszClassName = "QueueOrderClass";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "QueueOrderClass", "Queue order", WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 150, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    take_all();  // what showing the window queued

    SetTimer(window, 1, 10, nullptr);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 100;) {
        // The timer falls due meanwhile; nothing takes it.
    }
    InvalidateRect(window, nullptr, TRUE);
    PostQuitMessage(7);
    PostMessageA(window, WM_USER, 0, 0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    printf("ORDER%s\n", take_all().c_str());
    fflush(stdout);
    DestroyWindow(window);
    return 0;
}
