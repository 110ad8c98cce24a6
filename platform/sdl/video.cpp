// SDL's side of the windows: starting the video subsystem, one SDL window per top-level window,
// presenting a window's pixels (and the pop-up over them), and the screen size.
#include "platform/sdl/sdl_glue.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *const HWND_KEY = "tavix.hwnd";

bool headless;
bool headless_run;  // headless running was asked for: windows are never shown anywhere

// Wraps a surface's pixels, laid out 0x00RRGGBB, for SDL's blitter without copying them.
SDL_Surface *wrap(const Surface *s) {
    return SDL_CreateRGBSurfaceWithFormatFrom(s->pixels, s->width, s->height, 32, s->width * 4,
                                              SDL_PIXELFORMAT_RGB888);
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
    // Headless running: windows are kept in memory by the offscreen driver, whatever display
    // there is or is not, and nothing ever appears on a screen.
    const char *headless_setting = SDL_getenv("TAVIX_HEADLESS");
    bool headless_asked = headless_setting && strcmp(headless_setting, "1") == 0;
    headless_run = headless_asked;
    if (headless_asked)
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    headless = driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
    // SDL falls back to drawing nowhere when it finds no display; that is only wanted when asked
    // for (headless running, or the driver by name in tests), never as a surprise to someone who
    // expects a window.
    const char *requested = SDL_getenv("SDL_VIDEODRIVER");
    if (headless && !headless_run && !(requested && strstr(requested, driver))) {
        snprintf(why, why_size, "no display found (DISPLAY and WAYLAND_DISPLAY are not usable)");
        SDL_Quit();
        return false;
    }
    // SDL_Quit is not run at exit: on X11 it closes SDL's second connection, which still holds
    // the wake-up event it sent to a window the first connection has just destroyed, and Xlib
    // ends the program with status 1 over that stale request. Ending the process closes both
    // connections and the server frees every window anyway.
    SDL_StartTextInput();
    return true;
}

bool sdl_driver_is_headless() {
    return headless;
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

uint32_t sdl_window_create(HWND hwnd, const char *title, int x, int y, int width, int height,
                           bool resizable) {
    Uint32 flags = SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
    if (x == CW_USEDEFAULT) x = y = SDL_WINDOWPOS_UNDEFINED;
    SDL_Window *window = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!window) {
        fprintf(stderr, "tavix: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    SDL_SetWindowData(window, HWND_KEY, (void *)hwnd);
    return SDL_GetWindowID(window);
}

void sdl_window_destroy(uint32_t id) {
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
}

void sdl_window_present(uint32_t id, const Surface *surface, const Surface *overlay, int overlay_x,
                        int overlay_y) {
    // The window's pixels are all there is to a headless window; copying them on is wasted.
    if (headless_run) return;
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window) return;
    SDL_Surface *screen = SDL_GetWindowSurface(window);
    if (!screen) return;
    if (SDL_Surface *pixels = wrap(surface)) {
        SDL_BlitSurface(pixels, nullptr, screen, nullptr);
        SDL_FreeSurface(pixels);
    }
    if (overlay && overlay->pixels) {
        if (SDL_Surface *pixels = wrap(overlay)) {
            SDL_Rect at = {overlay_x, overlay_y, overlay->width, overlay->height};
            SDL_BlitSurface(pixels, nullptr, screen, &at);
            SDL_FreeSurface(pixels);
        }
    }
    SDL_UpdateWindowSurface(window);
}

HWND sdl_hwnd_of(uint32_t window_id) {
    SDL_Window *window = SDL_GetWindowFromID(window_id);
    return window ? (HWND)SDL_GetWindowData(window, HWND_KEY) : nullptr;
}
