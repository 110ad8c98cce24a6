// SDL's side of the windows: starting the video subsystem, one SDL window per top-level window,
// presenting a window's pixels (and the pop-up over them), and the screen size.
#include "platform/backend/sdl/video.h"

#include "platform/backend/backend.h"
#include "platform/backend/events.h"
#include "platform/backend/sdl/x11.h"
#include "platform/surface.h"

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

bool headless;
int scale = 1;  // screen pixels per window pixel, each way (TAVIX_SCALE, else from the DPI)

// The SDL surface a window's pixels were last shown through. A resize that makes SDL replace
// it also resizes the window's own surface, which then asks for all of it anyway.
const char *const SCREEN_KEY = "tavix.screen";

// Wraps a surface's pixels, laid out 0x00RRGGBB, for SDL's blitter without copying them.
SDL_Surface *wrap(const Surface *s) {
    return SDL_CreateRGBSurfaceWithFormatFrom(s->pixels, s->width, s->height, 32, s->width * 4,
                                              SDL_PIXELFORMAT_RGB888);
}

// Copies the area (window coordinates) from the surface lying at (at_x, at_y) of the window to
// the screen, every pixel as a scale x scale block (or, where the surface has a companion at that
// scale, that companion pixel for pixel). The window surface of an X display holds
// pixels exactly as ours are laid out: rows are copied as they are (each scaled row once, then
// repeated); any other layout goes through SDL's converting blit, which scales by repeating too.
void copy_to_screen(SDL_Surface *screen, const Surface *from, const RECT &area, int at_x,
                    int at_y) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (from->fine && fine_scale(from) == scale) {
        // A surface with a companion at the screen's scale is shown from it, pixel for pixel:
        // its text was drawn there sharp, and the rest is brought up to date as blocks first.
        int left = area.left - at_x, top = area.top - at_y;
        fine_sync(from, left, top, left + width, top + height);
        const Surface *fine = from->fine;
        if (screen->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(screen)) {
            for (int row = 0; row < height * scale; ++row)
                memcpy(
                    (uint8_t *)screen->pixels + (size_t)(area.top * scale + row) * screen->pitch +
                        (size_t)area.left * scale * sizeof(uint32_t),
                    fine->pixels + (size_t)(top * scale + row) * fine->width + (size_t)left * scale,
                    (size_t)width * scale * sizeof(uint32_t));
        } else if (SDL_Surface *pixels = wrap(fine)) {
            SDL_Rect src = {left * scale, top * scale, width * scale, height * scale};
            SDL_Rect dst = {area.left * scale, area.top * scale, width * scale, height * scale};
            SDL_BlitSurface(pixels, &src, screen, &dst);
            SDL_FreeSurface(pixels);
        }
        return;
    }
    if (screen->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(screen)) {
        size_t row_bytes = (size_t)width * scale * sizeof(uint32_t);
        for (int row = 0; row < height; ++row) {
            uint8_t *first = (uint8_t *)screen->pixels +
                             (size_t)(area.top + row) * scale * screen->pitch +
                             (size_t)area.left * scale * sizeof(uint32_t);
            const uint32_t *src =
                from->pixels + (size_t)(area.top - at_y + row) * from->width + (area.left - at_x);
            if (scale == 1) {
                memcpy(first, src, row_bytes);
                continue;
            }
            uint32_t *to = (uint32_t *)first;
            for (int i = 0; i < width; ++i)
                for (int k = 0; k < scale; ++k) *to++ = src[i];
            for (int k = 1; k < scale; ++k)
                memcpy(first + (size_t)k * screen->pitch, first, row_bytes);
        }
        return;
    }
    if (SDL_Surface *pixels = wrap(from)) {
        SDL_Rect src = {area.left - at_x, area.top - at_y, width, height};
        SDL_Rect dst = {area.left * scale, area.top * scale, width * scale, height * scale};
        SDL_BlitScaled(pixels, &src, screen, &dst);
        SDL_FreeSurface(pixels);
    }
}

// TAVIX_SCALE when it is a whole number from 1 to 4; else 2 on a display of 192 DPI or more.
int choose_scale() {
    if (int asked = backend_scale_asked()) return asked;
    float dpi = 0;
    if (!headless && SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) == 0 && dpi >= 192) return 2;
    return 1;
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
    headless = driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
    // SDL falls back to drawing nowhere when it finds no display; that is only wanted when asked
    // for (the driver by name, as tests do; headless running takes the null backend instead),
    // never as a surprise to someone who expects a window.
    const char *requested = SDL_getenv("SDL_VIDEODRIVER");
    if (headless && !(requested && strstr(requested, driver))) {
        snprintf(why, why_size, "no display found (DISPLAY and WAYLAND_DISPLAY are not usable)");
        SDL_Quit();
        return false;
    }
    if (driver && strcmp(driver, "x11") == 0) sdl_x11_tolerate_dead_windows();
    // SDL_Quit is not run at exit: on X11 it closes SDL's second connection, which still holds
    // the wake-up event it sent to a window the first connection has just destroyed, and Xlib
    // ends the program with status 1 over that stale request. Ending the process closes both
    // connections and the server frees every window anyway.
    scale = choose_scale();
    SDL_StartTextInput();
    return true;
}

int sdl_scale() {
    return scale;
}

bool sdl_driver_is_headless() {
    return headless;
}

void sdl_screen_size(int *width, int *height) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        *width = mode.w / scale;
        *height = mode.h / scale;
    } else {
        *width = 1024;
        *height = 768;
    }
}

uint32_t sdl_window_create(HWND hwnd, const char *title, int x, int y, int width, int height,
                           bool resizable) {
    Uint32 flags = SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
    if (x == CW_USEDEFAULT) {
        x = y = SDL_WINDOWPOS_UNDEFINED;
    } else {
        x *= scale;
        y *= scale;
    }
    SDL_Window *window = SDL_CreateWindow(title, x, y, width * scale, height * scale, flags);
    if (!window) {
        fprintf(stderr, "tavix: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    SDL_SetWindowData(window, HWND_KEY, (void *)hwnd);
    sdl_x11_stop_raw_motion(window);
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
    // The window manager places the window (and its own frame) in the moments after it is shown;
    // what it reports then is fitted to the work area.
    SDL_SetWindowData(window, FIT_UNTIL_KEY, (void *)(uintptr_t)(SDL_GetTicks() + FIT_PERIOD_MS));
    sdl_window_fit_work_area(id);
}

RECT sdl_window_present(uint32_t id, const Surface *surface, const Surface *overlay, int overlay_x,
                        int overlay_y, RECT area) {
    RECT none = {0, 0, 0, 0};
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window) return none;
    SDL_Surface *screen = SDL_GetWindowSurface(window);
    if (!screen) return none;
    // SDL makes a new copy of the window's pixels at the first showing and after a resize; all
    // of it is then to be filled and shown.
    if (SDL_GetWindowData(window, SCREEN_KEY) != screen) {
        SDL_SetWindowData(window, SCREEN_KEY, screen);
        area = RECT{0, 0, screen->w, screen->h};
    }
    area.right = std::min<LONG>(area.right, std::min(screen->w / scale, surface->width));
    area.bottom = std::min<LONG>(area.bottom, std::min(screen->h / scale, surface->height));
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    if (area.left >= area.right || area.top >= area.bottom) return none;
    copy_to_screen(screen, surface, area, 0, 0);
    if (overlay && overlay->pixels) {
        RECT over = {std::max<LONG>(area.left, overlay_x), std::max<LONG>(area.top, overlay_y),
                     std::min<LONG>(area.right, overlay_x + overlay->width),
                     std::min<LONG>(area.bottom, overlay_y + overlay->height)};
        if (over.left < over.right && over.top < over.bottom)
            copy_to_screen(screen, overlay, over, overlay_x, overlay_y);
    }
    SDL_Rect rect = {area.left * scale, area.top * scale, (area.right - area.left) * scale,
                     (area.bottom - area.top) * scale};
    SDL_UpdateWindowSurfaceRects(window, &rect, 1);
    return area;
}

HWND sdl_hwnd_of(uint32_t window_id) {
    SDL_Window *window = SDL_GetWindowFromID(window_id);
    return window ? (HWND)SDL_GetWindowData(window, HWND_KEY) : nullptr;
}

void sdl_window_set_size(uint32_t id, int width, int height) {
    if (SDL_Window *window = SDL_GetWindowFromID(id))
        SDL_SetWindowSize(window, width * scale, height * scale);
}

void sdl_window_fit_work_area(uint32_t id) {
    SDL_Window *window = SDL_GetWindowFromID(id);
    if (!window || headless) return;
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
    // Window pixels, rounded towards minus infinity as every position crossing this seam is.
    auto window_pixels = [](int v) { return v >= 0 ? v / scale : -((-v + scale - 1) / scale); };
    if (HWND hwnd = sdl_hwnd_of(id)) input_moved(hwnd, window_pixels(x), window_pixels(fitted));
}

void sdl_window_set_title(uint32_t id, const char *title) {
    if (SDL_Window *window = SDL_GetWindowFromID(id)) SDL_SetWindowTitle(window, title);
}

void sdl_show_cursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
