// SDL's side of the windows: starting the video subsystem, one SDL window per top-level window,
// the screen pixels it shows, and the screen size.
#include "platform/backend/sdl/video.h"

#include "platform/backend/backend.h"
#include "platform/backend/events.h"
#include "platform/backend/sdl/state.h"
#include "platform/backend/sdl/x11.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *const HWND_KEY = "tavix.hwnd";
// Until when (SDL ticks) a shown window is still fitted to the work area as it is placed.
const char *const FIT_UNTIL_KEY = "tavix.fit_until";
const Uint32 FIT_PERIOD_MS = 2000;

// The SDL surface a window's pixels were last shown through. A resize that makes SDL replace
// it also resizes the window's own surface, which then asks for all of it anyway.
const char *const SCREEN_KEY = "tavix.screen";

// SDL's screen surface holds pixels exactly as the window code composes them (an X display's
// does): they are composed straight into it.
bool composes_in_place(const SDL_Surface *screen) {
    return screen->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(screen);
}

}  // namespace

bool sdl_start(char *why, size_t why_size) {
    // Ctrl+C in the terminal should end the program as usual, not become an SDL event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A click that activates a window is also a click in it, as on Windows.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Pixels go to the screen through the video driver's own framebuffer. An accelerated one
    // would make SDL replace each window with a new GL window at its first showing (a test or
    // tool holding the first window id then holds a dead one) and costs CPU under software GL.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    sdl.headless =
        driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
    // SDL falls back to drawing nowhere when it finds no display; that is only wanted when asked
    // for (the driver by name, as tests do; headless running takes the null backend instead),
    // never as a surprise to someone who expects a window.
    const char *requested = SDL_getenv("SDL_VIDEODRIVER");
    if (sdl.headless && !(requested && strstr(requested, driver))) {
        snprintf(why, why_size, "no display found (DISPLAY and WAYLAND_DISPLAY are not usable)");
        SDL_Quit();
        return false;
    }
    if (driver && strcmp(driver, "x11") == 0) sdl_x11_tolerate_dead_windows();
    // SDL_Quit is not run at exit: on X11 it closes SDL's second connection, which still holds
    // the wake-up event it sent to a window the first connection has just destroyed, and Xlib
    // ends the program with status 1 over that stale request. Ending the process closes both
    // connections and the server frees every window anyway.
    SDL_StartTextInput();
    return true;
}

// 2 on a display of 192 DPI or more.
int sdl_scale() {
    float dpi = 0;
    if (!sdl.headless && SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) == 0 && dpi >= 192) return 2;
    return 1;
}

bool sdl_driver_is_headless() {
    return sdl.headless;
}

void sdl_screen_size(int *width, int *height) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        *width = mode.w;
        *height = mode.h;
    } else {
        *width = 1024;
        *height = 768;
    }
}

uint32_t sdl_window_create(HWND hwnd, const char *title, int x, int y, int width, int height, int,
                           bool resizable) {
    Uint32 flags = SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
    if (x == CW_USEDEFAULT) x = y = SDL_WINDOWPOS_UNDEFINED;
    SDL_Window *window = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!window) {
        fprintf(stderr, "tavix: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    SDL_SetWindowData(window, HWND_KEY, (void *)hwnd);
    sdl_x11_stop_raw_motion(window);
    return SDL_GetWindowID(window);
}

void sdl_window_destroy(uint32_t id) {
    sdl.converted.erase(id);
    if (SDL_Window *window = SDL_GetWindowFromID(id)) SDL_DestroyWindow(window);
}

void sdl_window_show(uint32_t id, bool show, bool activate) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window) return;
    if (!show) {
        SDL_HideWindow(window);
        return;
    }
    SDL_ShowWindow(window);
    if (activate) SDL_RaiseWindow(window);
    // The window manager places the window (and its own frame) in the moments after it is shown;
    // what it reports then is fitted to the work area.
    SDL_SetWindowData(window, FIT_UNTIL_KEY, (void *)(uintptr_t)(SDL_GetTicks() + FIT_PERIOD_MS));
    sdl_window_fit_work_area(id);
}

bool sdl_window_framebuffer(uint32_t id, int, int, ScreenPixels *out) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    SDL_Surface *screen = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!screen || screen->w <= 0 || screen->h <= 0) {
        sdl.converted.erase(id);
        return false;
    }
    // SDL makes a new copy of the window's pixels at the first showing and after a resize; all
    // of it is then to be filled and shown.
    out->fresh = SDL_GetWindowData(window, SCREEN_KEY) != screen;
    if (out->fresh) SDL_SetWindowData(window, SCREEN_KEY, screen);
    out->width = screen->w;
    out->height = screen->h;
    if (composes_in_place(screen)) {
        sdl.converted.erase(id);
        out->pixels = (uint32_t *)screen->pixels;
        out->stride = screen->pitch / (int)sizeof(uint32_t);
        return true;
    }
    std::vector<uint32_t> &copy = sdl.converted[id];
    if (out->fresh || copy.size() != (size_t)screen->w * (size_t)screen->h)
        copy.assign((size_t)screen->w * (size_t)screen->h, 0);
    out->pixels = copy.data();
    out->stride = screen->w;
    return true;
}

void sdl_window_update(uint32_t id, RECT area) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    SDL_Surface *screen = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!screen) return;
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, screen->w);
    area.bottom = std::min<LONG>(area.bottom, screen->h);
    if (area.left >= area.right || area.top >= area.bottom) return;
    SDL_Rect rect = {area.left, area.top, area.right - area.left, area.bottom - area.top};
    auto found = sdl.converted.find(id);
    if (found != sdl.converted.end() &&
        found->second.size() == (size_t)screen->w * (size_t)screen->h) {
        // Wraps the copy, laid out 0x00RRGGBB, for SDL's converting blit without copying it.
        if (SDL_Surface *pixels = SDL_CreateRGBSurfaceWithFormatFrom(
                found->second.data(), screen->w, screen->h, 32, screen->w * 4,
                SDL_PIXELFORMAT_RGB888)) {
            SDL_Rect to = rect;
            SDL_BlitSurface(pixels, &rect, screen, &to);
            SDL_FreeSurface(pixels);
        }
    }
    SDL_UpdateWindowSurfaceRects(window, &rect, 1);
}

HWND sdl_hwnd_of(uint32_t window_id) {
    SDL_Window *window = SDL_GetWindowFromID(window_id);
    return window ? (HWND)SDL_GetWindowData(window, HWND_KEY) : nullptr;
}

void sdl_window_set_size(uint32_t id, int width, int height) {
    if (SDL_Window *window = SDL_GetWindowFromID(id)) SDL_SetWindowSize(window, width, height);
}

void sdl_window_fit_work_area(uint32_t id) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window || sdl.headless) return;
    Uint32 until = (Uint32)(uintptr_t)SDL_GetWindowData(window, FIT_UNTIL_KEY);
    if (!until || SDL_TICKS_PASSED(SDL_GetTicks(), until)) return;
    int display = SDL_GetWindowDisplayIndex(window);
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &area) != 0) return;
    int x, y, width, height, top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &width, &height);
    SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right);
    // Only upwards, and no higher than the work area's top: the window's own position rule
    // stands wherever the whole frame fits.
    int lowest = area.y + area.h - bottom - height;
    int fitted = y > lowest ? lowest : y;
    if (fitted < area.y + top) fitted = area.y + top;
    if (fitted >= y) return;
    SDL_SetWindowPosition(window, x, fitted);
    // SDL reports no move to where it was told to go: the window hears of it here.
    if (HWND hwnd = sdl_hwnd_of(id)) input_moved(hwnd, x, fitted);
}

void sdl_window_set_title(uint32_t id, const char *title) {
    if (SDL_Window *window = SDL_GetWindowFromID(id)) SDL_SetWindowTitle(window, title);
}

bool sdl_window_set_fullscreen(uint32_t id, bool on, int *width, int *height) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window) return false;
    if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        fprintf(stderr, "tavix: cannot change the window to full screen: %s\n", SDL_GetError());
        return false;
    }
    // The picture's size is what SDL gives the window now; a window manager may still settle it
    // later, which it reports as a resize.
    SDL_Surface *screen = SDL_GetWindowSurface(window);
    if (screen && screen->w > 0 && screen->h > 0) {
        *width = screen->w;
        *height = screen->h;
    } else {
        SDL_GetWindowSize(window, width, height);
    }
    return true;
}

void sdl_show_cursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
