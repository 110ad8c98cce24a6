// Windows: synchronous creation, sizing and destruction messages, geometry with the classic
// metrics and the menu bar, showing, painting, dead handles, and events from the window manager.
#include "helpers.h"

#include "platform/backend/backend.h"
#include "platform/surface.h"
#include "platform/user/input.h"
#include "platform/user/platform.h"
#include "platform/user/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

std::vector<UINT> kinds() {
    std::vector<UINT> out;
    for (const Seen &s : seen_messages())
        if (s.message == WM_CREATE || s.message == WM_SIZE || s.message == WM_DESTROY ||
            s.message == WM_SHOWWINDOW)
            out.push_back(s.message);
    return out;
}

}  // namespace

TEST(Window, CreateShowAndDestroySendTheirMessagesAtOnce) {
    seen_messages().clear();
    HWND hwnd = make_window(WS_CAPTION | WS_SYSMENU, 601, 540, false);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(kinds(), (std::vector<UINT>{WM_CREATE}));
    EXPECT_FALSE(IsWindowVisible(hwnd));

    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOWNORMAL));
    EXPECT_EQ(kinds(), (std::vector<UINT>{WM_CREATE, WM_SHOWWINDOW, WM_SIZE}));
    ASSERT_EQ(seen_of(WM_SIZE).size(), 1u);
    EXPECT_EQ(seen_of(WM_SIZE)[0].lp, MAKELPARAM(595, 515));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetFocus(), hwnd);

    // Showing again reports no size; hiding and showing tell the previous visibility.
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_EQ(seen_of(WM_SIZE).size(), 1u);

    seen_messages().clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(kinds(), (std::vector<UINT>{WM_DESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    drain();
}

TEST(Window, ClientAreaLeavesOutCaptionFrameAndMenuBar) {
    struct Case {
        DWORD style;
        int width, height;
        bool menu;
        RECT client;      // GetClientRect
        int surface_top;  // client top inside the surface
    };
    const Case cases[] = {
        {WS_CAPTION | WS_SYSMENU, 601, 540, true, {0, 0, 595, 496}, 19},
        {WS_CAPTION | WS_SYSMENU, 601, 540, false, {0, 0, 595, 515}, 0},
        {WS_OVERLAPPEDWINDOW, 1024, 256, false, {0, 0, 1016, 229}, 0},
        {WS_OVERLAPPEDWINDOW, 1000, 250, true, {0, 0, 992, 204}, 19},
        {WS_POPUP, 200, 100, false, {0, 0, 200, 100}, 0},
    };
    for (const Case &c : cases) {
        HWND hwnd = make_window(c.style, c.width, c.height);
        if (c.menu) window_attach_menu_bar(hwnd, (HMENU)hwnd);  // any non-null value marks a bar
        RECT r;
        ASSERT_TRUE(GetClientRect(hwnd, &r));
        EXPECT_EQ(r.right, c.client.right) << c.style << " " << c.menu;
        EXPECT_EQ(r.bottom, c.client.bottom) << c.style << " " << c.menu;
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        RECT area;
        ASSERT_TRUE(window_client_area(hwnd, &area));
        EXPECT_EQ(area.top, c.surface_top);
        EXPECT_EQ(area.bottom - area.top, c.client.bottom);
        Surface *s = window_surface(hwnd);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->width, c.client.right);
        EXPECT_EQ(s->height, c.client.bottom + c.surface_top);
        ASSERT_TRUE(GetWindowRect(hwnd, &r));
        EXPECT_EQ(r.right - r.left, c.width);
        EXPECT_EQ(r.bottom - r.top, c.height);
        window_attach_menu_bar(hwnd, nullptr);
        DestroyWindow(hwnd);
    }
    drain();
}

TEST(Window, AttachingAMenuBarAfterShowingReportsTheNewSize) {
    HWND hwnd = make_window();
    drain();
    window_attach_menu_bar(hwnd, (HMENU)hwnd);
    ASSERT_EQ(seen_of(WM_SIZE).size(), 1u);
    EXPECT_EQ(seen_of(WM_SIZE)[0].lp, MAKELPARAM(595, 496));
    EXPECT_EQ(window_menu_bar(hwnd), (HMENU)hwnd);
    window_attach_menu_bar(hwnd, nullptr);
    DestroyWindow(hwnd);
    drain();
}

TEST(Window, SystemMetricsAreTheClassicOnes) {
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CYFIXEDFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZEFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
    int w, h;
    backend->screen_size(&w, &h);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), w);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), h);
    EXPECT_GT(w, 0);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(5)), nullptr);
}

TEST(Window, ADestroyedWindowsHandleMakesLaterCallsHarmless) {
    HWND hwnd = make_window();
    SetTimer(hwnd, 1, 10, nullptr);
    PostMessageA(hwnd, WM_USER, 0, 0);
    HDC dc = GetDC(hwnd);
    ASSERT_TRUE(DestroyWindow(hwnd));
    HWND reused = make_window();  // may take the freed slot, never the same handle
    EXPECT_NE(reused, hwnd);

    RECT r = {1, 2, 3, 4};
    PAINTSTRUCT ps;
    MSG msg;
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_FALSE(UpdateWindow(hwnd));
    EXPECT_FALSE(GetClientRect(hwnd, &r));
    EXPECT_FALSE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 1);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(DefWindowProcA(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(SetTimer(hwnd, 1, 10, nullptr), 0u);
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_FALSE(InvalidateRect(hwnd, nullptr, TRUE));
    EXPECT_FALSE(ValidateRect(hwnd, nullptr));
    EXPECT_EQ(GetDC(hwnd), nullptr);
    EXPECT_EQ(BeginPaint(hwnd, &ps), nullptr);
    EXPECT_EQ(SetFocus(hwnd), nullptr);
    EXPECT_EQ(window_surface(hwnd), nullptr);
    EXPECT_FALSE(window_client_area(hwnd, &r));
    window_mark_changed(hwnd);
    window_set_overlay(hwnd, nullptr, 0, 0);
    window_invalidate_client(hwnd, nullptr);
    EXPECT_EQ(window_menu_bar(hwnd), nullptr);
    // Drawing through a context of the gone window does nothing; releasing it still works.
    Rectangle(dc, 0, 0, 10, 10);
    ReleaseDC(hwnd, dc);
    // Its queued message and timer went with it.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(msg.hwnd, hwnd);
        DispatchMessageA(&msg);
    }
    DestroyWindow(reused);
    drain();
}

TEST(Window, CloseFromTheWindowManagerDestroysThroughDefWindowProc) {
    HWND hwnd = make_window();
    drain();
    input_close_requested(hwnd);
    drain();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Window, ExposeAndResizeAskForPaint) {
    HWND hwnd = make_window(WS_OVERLAPPEDWINDOW, 400, 300);
    drain();
    input_exposed(hwnd);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_PAINT);
    DispatchMessageA(&msg);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

    input_resized(hwnd, 300, 200);
    ASSERT_EQ(seen_of(WM_SIZE).size(), 1u);
    EXPECT_EQ(seen_of(WM_SIZE)[0].lp, MAKELPARAM(300, 200));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 308);
    EXPECT_EQ(r.bottom - r.top, 227);
    EXPECT_EQ(window_surface(hwnd)->width, 300);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_PAINT);
    DestroyWindow(hwnd);
    drain();
}

TEST(Window, AHugeSizeFromTheWindowManagerIsRefused) {
    int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        DWORD style;
        int width, height;   // what the window manager reports
        int kept_w, kept_h;  // the surface afterwards
    };
    const Case cases[] = {
        // No sizing frame: the window keeps its size, however large or small the report.
        {WS_CAPTION | WS_SYSMENU, 30000, 30000, 595, 515},
        {WS_CAPTION | WS_SYSMENU, 100, 80, 595, 515},
        // A sizing frame: any size up to the screen's.
        {WS_OVERLAPPEDWINDOW, 30000, 30000, screen_w, screen_h},
        {WS_OVERLAPPEDWINDOW, 30000, 200, screen_w, 200},
        {WS_OVERLAPPEDWINDOW, 250, 150, 250, 150},
    };
    for (const Case &c : cases) {
        HWND hwnd = make_window(c.style, 601, 540);
        drain();
        input_resized(hwnd, c.width, c.height);
        EXPECT_EQ(window_surface(hwnd)->width, c.kept_w) << c.width << " x " << c.height;
        EXPECT_EQ(window_surface(hwnd)->height, c.kept_h) << c.width << " x " << c.height;
        DestroyWindow(hwnd);
        drain();
    }
}

TEST(Window, HiddenWindowsGetNoPaintUntilShown) {
    HWND hwnd = make_window(WS_POPUP, 100, 100, false);
    drain();
    InvalidateRect(hwnd, nullptr, TRUE);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ShowWindow(hwnd, SW_SHOW);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_PAINT);
    DestroyWindow(hwnd);
    drain();
}

TEST(Window, BeginPaintErasesTheInvalidPartWithTheClassBrush) {
    HWND hwnd = make_window(WS_POPUP, 40, 30);
    drain();
    Surface *s = window_surface(hwnd);
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < s->width * s->height; ++i) s->pixels[i] = 0x123456;
    RECT part = {10, 5, 20, 15};
    InvalidateRect(hwnd, &part, TRUE);
    PAINTSTRUCT ps;
    ASSERT_NE(BeginPaint(hwnd, &ps), nullptr);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.bottom, 15);
    EXPECT_FALSE(ps.fErase);
    EndPaint(hwnd, &ps);
    EXPECT_EQ(s->pixels[5 * 40 + 10], 0xFFFFFFu);
    EXPECT_EQ(s->pixels[14 * 40 + 19], 0xFFFFFFu);
    EXPECT_EQ(s->pixels[4 * 40 + 10], 0x123456u);
    EXPECT_EQ(s->pixels[5 * 40 + 20], 0x123456u);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));  // validated
    DestroyWindow(hwnd);
}

TEST(Window, ValidateRectRemovesCoveringBands) {
    HWND hwnd = make_window(WS_POPUP, 100, 100);
    drain();
    RECT part = {10, 10, 50, 50};
    InvalidateRect(hwnd, &part, FALSE);
    RECT top_band = {0, 0, 100, 30};
    ValidateRect(hwnd, &top_band);
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EXPECT_EQ(ps.rcPaint.top, 30);
    EXPECT_EQ(ps.rcPaint.bottom, 50);
    EndPaint(hwnd, &ps);
    InvalidateRect(hwnd, &part, FALSE);
    ValidateRect(hwnd, nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(hwnd);
}

TEST(Window, UnknownClassAndDuplicateRegistrationFail) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    DestroyWindow(make_window(WS_POPUP, 10, 10, false));  // makes sure the class exists
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "recordingclass";  // class names ignore case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    drain();
}

// A class is named by its name or by the atom RegisterClassA returned; a small value that is no
// atom handed out names nothing.
TEST(Window, ClassesAreFoundByNameOrByAtom) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "AtomTestClass";
    ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    const LPCSTR names[] = {"atomtestclass", (LPCSTR)(uintptr_t)atom};
    for (LPCSTR name : names) {
        HWND hwnd = CreateWindowExA(0, name, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                    nullptr);
        EXPECT_NE(hwnd, nullptr);
        DestroyWindow(hwnd);
    }
    EXPECT_EQ(CreateWindowExA(0, (LPCSTR)(uintptr_t)(atom + 100), "", WS_POPUP, 0, 0, 10, 10,
                              nullptr, nullptr, nullptr, nullptr),
              nullptr);
    wc.lpszClassName = (LPCSTR)(uintptr_t)atom;  // an atom is no new name
    EXPECT_EQ(RegisterClassA(&wc), 0);
    drain();
}

TEST(Platform, WithoutADisplayTheProgramSaysSoAndStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Asked for X without one, and asked for nothing in particular where SDL would fall back to
    // drawing nowhere; headless running needs no display, whatever driver was named.
    const struct {
        const char *driver;
        const char *headless;
        int status;
        const char *says;
    } cases[] = {
        {"x11", nullptr, 1, "cannot open a display"},
        {nullptr, nullptr, 1, "cannot open a display"},
        {nullptr, "yes", 1, "cannot open a display"},
        {"x11", "1", 0, ""},
        {nullptr, "1", 0, ""},
    };
    for (const auto &c : cases) {
        EXPECT_EXIT(
            {
                if (c.driver)
                    setenv("SDL_VIDEODRIVER", c.driver, 1);
                else
                    unsetenv("SDL_VIDEODRIVER");
                if (c.headless) setenv("TAVIX_HEADLESS", c.headless, 1);
                unsetenv("DISPLAY");
                unsetenv("WAYLAND_DISPLAY");
                platform_ensure_started();
                exit(0);
            },
            testing::ExitedWithCode(c.status), c.says)
            << (c.driver ? c.driver : "default") << " " << (c.headless ? c.headless : "-");
    }
}

TEST(Platform, HeadlessRunningOrTheBackendsNameChoosesTheBackend) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char *headless;
        const char *backend;
        int status;          // 0: started on the backend named in chosen
        const char *chosen;  // or what stderr says
    } cases[] = {
        {nullptr, nullptr, 0, "sdl"},
        {"1", nullptr, 0, "null"},
        {"1", "sdl", 0, "null"},
        {nullptr, "null", 0, "null"},
        {"0", "sdl", 0, "sdl"},
        {nullptr, "nonesuch", 1,
         "TAVIX_BACKEND=nonesuch names no backend of this build .sdl, null."},
    };
    for (const auto &c : cases) {
        EXPECT_EXIT(
            {
                setenv("SDL_VIDEODRIVER", "offscreen", 1);
                if (c.headless)
                    setenv("TAVIX_HEADLESS", c.headless, 1);
                else
                    unsetenv("TAVIX_HEADLESS");
                if (c.backend)
                    setenv("TAVIX_BACKEND", c.backend, 1);
                else
                    unsetenv("TAVIX_BACKEND");
                platform_ensure_started();
                exit(strcmp(backend->name, c.chosen) == 0 ? 0 : 2);
            },
            testing::ExitedWithCode(c.status), c.status ? c.chosen : "")
            << (c.headless ? c.headless : "-") << " " << (c.backend ? c.backend : "-");
    }
}

TEST(Window, PixelsReachTheScreenOnlyWhenTheQueueRunsDry) {
    HWND hwnd = make_window(WS_POPUP, 50, 50);
    drain();
    Window *w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    window_mark_changed(hwnd);
    PostMessageA(hwnd, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(w->changed);  // a message was handed out: nothing presented yet
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(w->changed);
    // Hidden windows keep their changes until they are shown.
    ShowWindow(hwnd, SW_HIDE);
    window_mark_changed(hwnd);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(w->changed);
    DestroyWindow(hwnd);
}

TEST(Window, APresentHandsTheDisplayOnlyWhatChanged) {
    HWND hwnd = make_window(WS_POPUP, 200, 150);
    drain();
    Window *w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    HDC window_dc = GetDC(hwnd);
    HDC picture = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 200, 150);
    SelectObject(picture, bitmap);
    RECT all = {0, 0, 200, 150};
    FillRect(picture, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    struct Step {
        const char *what;
        RECT paint[2];  // painted red in the picture before it is copied whole to the window
        bool expose;    // the window manager reports the window uncovered
        RECT expected;  // what the present hands the display
    } steps[] = {
        {"uncovered", {}, true, {0, 0, 200, 150}},
        {"a corner", {{190, 140, 200, 150}}, false, {190, 140, 200, 150}},
        {"a band of two rows", {{0, 20, 200, 22}}, false, {0, 20, 200, 22}},
        {"two spots", {{0, 0, 3, 2}, {198, 100, 200, 101}}, false, {0, 0, 200, 101}},
        {"nothing new", {}, false, {0, 0, 0, 0}},
    };
    BitBlt(window_dc, 0, 0, 200, 150, picture, 0, 0, SRCCOPY);
    drain();
    for (const Step &step : steps) {
        for (const RECT &r : step.paint) FillRect(picture, &r, red);
        BitBlt(window_dc, 0, 0, 200, 150, picture, 0, 0, SRCCOPY);
        if (step.expose) input_exposed(hwnd);
        w->presented = RECT{0, 0, 0, 0};
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        EXPECT_EQ(w->presented.left, step.expected.left) << step.what;
        EXPECT_EQ(w->presented.top, step.expected.top) << step.what;
        EXPECT_EQ(w->presented.right, step.expected.right) << step.what;
        EXPECT_EQ(w->presented.bottom, step.expected.bottom) << step.what;
    }
    // What was handed over is what the window shows.
    SDL_Surface *screen = SDL_GetWindowSurface(SDL_GetWindowFromID(w->backend_id));
    ASSERT_NE(screen, nullptr);
    const uint32_t *shown = (const uint32_t *)screen->pixels;
    int stride = screen->pitch / 4;
    EXPECT_EQ(shown[149 * stride + 199] & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(shown[100 * stride + 199] & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(shown[100 * stride + 100] & 0xFFFFFFu, 0xFFFFFFu);
    DeleteObject(red);
    DeleteDC(picture);
    DeleteObject(bitmap);
    ReleaseDC(hwnd, window_dc);
    DestroyWindow(hwnd);
    drain();
}

TEST(Window, AltF4ClosesTheWindow) {
    HWND hwnd = make_window();
    drain();
    input_key(hwnd, true, VK_MENU, 0x38, false, KEYMOD_ALT);
    input_key(hwnd, true, VK_F1 + 3, 0x3E, false, KEYMOD_ALT);
    drain();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Window, CreationParametersReachWmCreateAndMinusOneRefusesTheWindow) {
    static int marker;
    static const CREATESTRUCTA *created;
    static LRESULT answer;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_CREATE) {
            created = (const CREATESTRUCTA *)l;
            return created->lpCreateParams == &marker && created->cx == 300 ? answer : 0;
        }
        return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "CreateParams";
    RegisterClassA(&wc);
    for (LRESULT a : {(LRESULT)0, (LRESULT)-1}) {
        answer = a;
        HWND hwnd = CreateWindowExA(0, "CreateParams", "t", WS_POPUP, 5, 6, 300, 200, nullptr,
                                    nullptr, nullptr, &marker);
        EXPECT_EQ(hwnd != nullptr, a == 0);
        if (hwnd) DestroyWindow(hwnd);
    }
    drain();
}
