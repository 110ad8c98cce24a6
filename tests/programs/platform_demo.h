// What the small platform test programs share: a line of output that a test can wait for, and
// the window-and-message-loop frame every such program runs in.
#ifndef TAVIX_EXAMPLES_PLATFORM_DEMO_H
#define TAVIX_EXAMPLES_PLATFORM_DEMO_H

#include "platform/win32.h"

#include <cstdarg>
#include <cstdio>

// Prints one line on stdout and flushes it at once: the test reads it while the program runs.
static inline void demo_say(const char *format, ...) __attribute__((format(printf, 1, 2)));
static inline void demo_say(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

// Registers a class for proc, opens a window with a caption and a fixed frame at (x, y) of outer
// size width x height, says "READY" and runs the message loop until WM_QUIT.
static inline int demo_run(HINSTANCE instance, WNDPROC proc, const char *title, int x, int y,
                           int width, int height, HBRUSH background, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = title;
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd =
        CreateWindowExA(0, title, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                        x, y, width, height, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    demo_say("READY");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

#endif
