// The graphics window as a program may shape it: the picture's size (before the start), the part
// of the picture the window shows, the window's title and the pointer over it.
#include "library/core/state.h"

#include <cstring>

#define PICTURE_SIDE_MIN 64
#define PICTURE_SIDE_MAX 4096
#define TITLE_BYTES_MAX 255  // a title longer than a screen is wide is surely a mistake

static const char DEFAULT_TITLE[] = "TAVIX Graphics";
static char title_given[TITLE_BYTES_MAX + 1];  // the program's title; empty: the default

const char *window_title(void) {
    return title_given[0] ? title_given : DEFAULT_TITLE;
}

// The length of the UTF-8 sequence at text (at most left bytes), 0 when none starts there: a
// stray continuation byte, an overlong form, a surrogate or a code point above U+10FFFF.
static int utf8_sequence(const unsigned char *text, size_t left) {
    unsigned char c = text[0];
    if (c < 0x80) return 1;
    int length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || (size_t)length > left) return 0;
    for (int i = 1; i < length; i++)
        if ((text[i] & 0xC0) != 0x80) return 0;
    if (c == 0xE0 && text[1] < 0xA0) return 0;   // overlong
    if (c == 0xED && text[1] >= 0xA0) return 0;  // a surrogate
    if (c == 0xF0 && text[1] < 0x90) return 0;   // overlong
    if (c == 0xF4 && text[1] >= 0x90) return 0;  // above U+10FFFF
    return length;
}

// Copies title into out as a title every window system shows as it is: control characters and
// bytes that are no UTF-8 become '?', and a title too long ends at a whole character. 1 when the
// title was kept as given.
static int clean_title(const char *title, char *out) {
    const unsigned char *in = (const unsigned char *)title;
    size_t left = strlen(title), used = 0;
    int kept = 1;
    while (left > 0) {
        int length = utf8_sequence(in, left);
        int control = length == 1 && (in[0] < 0x20 || in[0] == 0x7F);
        int take = length == 0 || control ? 1 : length;
        if (used + (size_t)take > TITLE_BYTES_MAX) {
            kept = 0;
            break;
        }
        if (take == length && !control) {
            memcpy(out + used, in, (size_t)take);
        } else {
            out[used] = '?';
            kept = 0;
        }
        used += (size_t)take;
        in += take;
        left -= (size_t)take;
    }
    out[used] = '\0';
    return kept;
}

int TAVIX_set_title(const char *title) {
    LibraryState &s = library_state;
    if (library_finished("TAVIX_set_title")) return 0;
    if (!title) {
        TAVIX_console_printf("Title missing (a null pointer), keeping \"%s\"\n", window_title());
        return 0;
    }
    char clean[TITLE_BYTES_MAX + 1];
    if (!clean_title(title, clean))
        TAVIX_console_printf("Title not possible as given, using \"%s\"\n", clean);
    memcpy(title_given, clean, sizeof clean);
    if (s.draw.logging) TAVIX_console_printf("Title \"%s\"\n", window_title());
    if (s.window.graphics) {
#ifdef _WIN32
        WCHAR wide[TITLE_BYTES_MAX + 1];
        if (!MultiByteToWideChar(CP_UTF8, 0, window_title(), -1, wide, TITLE_BYTES_MAX + 1))
            wide[0] = 0;
        SetWindowTextW(s.window.graphics, wide);
#else
        SetWindowTextA(s.window.graphics, window_title());
#endif
    }
    return 1;
}

int TAVIX_set_picture_size(int width, int height) {
    LibraryState &s = library_state;
    if (s.window.graphics || s.life.finished) {
        TAVIX_console_printf(
            "TAVIX_set_picture_size after TAVIX_start does nothing: the picture is %d x %d\n",
            (int)s.picture.width, (int)s.picture.height);
        return 0;
    }
    int w = width < PICTURE_SIDE_MIN ? PICTURE_SIDE_MIN
            : width > PICTURE_SIDE_MAX ? PICTURE_SIDE_MAX
                                       : width;
    int h = height < PICTURE_SIDE_MIN ? PICTURE_SIDE_MIN
            : height > PICTURE_SIDE_MAX ? PICTURE_SIDE_MAX
                                        : height;
    if (w != width || h != height)
        TAVIX_console_printf("Picture size of %d x %d not possible, using %d x %d\n", width,
                             height, w, h);
    s.picture.width = w;
    s.picture.height = h;
    s.picture.chosen = 1;
    if (s.draw.logging) TAVIX_console_printf("Picture size %d x %d\n", w, h);
    return 1;
}

int TAVIX_picture_width(void) {
    if (library_state.draw.logging)
        TAVIX_console_printf("Picture width %d\n", (int)library_state.picture.width);
    return library_state.picture.width;
}

int TAVIX_picture_height(void) {
    if (library_state.draw.logging)
        TAVIX_console_printf("Picture height %d\n", (int)library_state.picture.height);
    return library_state.picture.height;
}

void TAVIX_visible_area(int *left, int *bottom, int *right, int *top) {
    LibraryState &s = library_state;
    int l = 0, b = 0, r = 0, t = 0;
    if (!s.window.graphics) {
        TAVIX_console_printf("TAVIX_visible_area before TAVIX_start: there is no window yet\n");
    } else {
        // Client pixel (i, j) shows buffer pixel (i, j), library point (i - origin_x,
        // origin_y - j).
        int width, height;
        visible_size(&width, &height);
        l = -s.window.origin_x;
        r = width - 1 - s.window.origin_x;
        t = s.window.origin_y;
        b = s.window.origin_y - (height - 1);
        if (s.draw.logging)
            TAVIX_console_printf("Visible area (%d,%d) to (%d,%d)\n", l, b, r, t);
    }
    if (left) *left = l;
    if (bottom) *bottom = b;
    if (right) *right = r;
    if (top) *top = t;
}

int TAVIX_show_cursor(int show) {
    LibraryState &s = library_state;
    if (library_finished("TAVIX_show_cursor")) return 0;
    int hide = show ? 0 : 1;
    if (s.draw.logging) TAVIX_console_printf("Cursor %s\n", hide ? "hidden" : "shown");
    // ShowCursor counts: one call each way keeps the count at 0 (shown) or -1 (hidden).
    if (s.window.graphics && hide != s.screen.cursor_hidden) ShowCursor(hide ? FALSE : TRUE);
    s.screen.cursor_hidden = (uint8_t)hide;
    return 1;
}

#ifdef _WIN32
// Where the visible part of the buffer lies in the covering window's client area: as large as
// whole multiples allow, or where even one pixel a pixel is too large, as large as fits; centred.
static void place_scaled_picture(void) {
    ScreenState &screen = library_state.screen;
    RECT client;
    if (!GetClientRect(library_state.window.graphics, &client)) return;
    int64_t cw = client.right - client.left, ch = client.bottom - client.top;
    int vw, vh;
    visible_size(&vw, &vh);
    if (cw <= 0 || ch <= 0 || vw <= 0 || vh <= 0) return;  // minimised: kept as it was
    int64_t w, h, whole = cw / vw < ch / vh ? cw / vw : ch / vh;
    if (whole >= 1) {
        w = vw * whole;
        h = vh * whole;
    } else if (cw * vh <= ch * vw) {
        w = cw;
        h = vh * cw / vw;
    } else {
        h = ch;
        w = vw * ch / vh;
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    screen.left = (int32_t)((cw - w) / 2);
    screen.top = (int32_t)((ch - h) / 2);
    screen.width = (int32_t)w;
    screen.height = (int32_t)h;
}

// floor(n / d) for d > 0.
static int64_t floor_divided(int64_t n, int64_t d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}
#endif

void copy_buffer_to_window(int whole) {
    LibraryState &s = library_state;
#ifdef _WIN32
    if (s.screen.covering) {
        int vw, vh;
        visible_size(&vw, &vh);
        const ScreenState &screen = s.screen;
        if (whole) {
            // Black around the picture: the four bands left over.
            RECT client;
            GetClientRect(s.window.graphics, &client);
            int right = screen.left + screen.width, bottom = screen.top + screen.height;
            const RECT bands[4] = {{0, 0, client.right, screen.top},
                                   {0, bottom, client.right, client.bottom},
                                   {0, screen.top, screen.left, bottom},
                                   {right, screen.top, client.right, bottom}};
            HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
            for (const RECT &band : bands)
                if (band.left < band.right && band.top < band.bottom)
                    FillRect(s.window.graphics_dc, &band, black);
        }
        // Crisp: each window pixel takes the one buffer pixel under it.
        SetStretchBltMode(s.window.graphics_dc, COLORONCOLOR);
        StretchBlt(s.window.graphics_dc, screen.left, screen.top, screen.width, screen.height,
                   s.window.buffer_dc, 0, 0, vw, vh, SRCCOPY);
        return;
    }
#endif
    (void)whole;
    BitBlt(s.window.graphics_dc, 0, 0, s.picture.width, s.picture.height, s.window.buffer_dc, 0,
           0, SRCCOPY);
}

void window_to_buffer(int *x, int *y) {
#ifdef _WIN32
    const ScreenState &screen = library_state.screen;
    if (!screen.covering || screen.width <= 0 || screen.height <= 0) return;
    int vw, vh;
    visible_size(&vw, &vh);
    *x = (int)floor_divided((int64_t)(*x - screen.left) * vw, screen.width);
    *y = (int)floor_divided((int64_t)(*y - screen.top) * vh, screen.height);
#else
    (void)x;
    (void)y;
#endif
}

int screen_resized(void) {
#ifdef _WIN32
    // While the window covers its screen, the picture keeps its origin and its visible part:
    // the new size only moves where it is shown.
    if (library_state.screen.covering) {
        place_scaled_picture();
        InvalidateRect(library_state.window.graphics, nullptr, FALSE);
        return 1;
    }
#endif
    return 0;
}

// Covers the screen with the graphics window, or puts it back: false when the system cannot.
// The window may have left full screen without the program (Escape in a page), so the window's
// own state is asked every time, not the last call's.
static int show_fullscreen(int on) {
#ifdef _WIN32
    // A pop-up over the whole of the monitor the window is on, its menu bar kept; off: the style
    // and place it had.
    ScreenState &screen = library_state.screen;
    HWND hwnd = library_state.window.graphics;
    if (!on) {
        if (!screen.covering) return 1;
        screen.covering = 0;
        SetWindowLongPtrA(hwnd, GWL_STYLE, screen.style);
        SetWindowPlacement(hwnd, &screen.place);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER |
                         SWP_FRAMECHANGED);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 1;
    }
    if (screen.covering) return 1;
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    WINDOWPLACEMENT place;
    place.length = sizeof place;
    if (!GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowPlacement(hwnd, &place))
        return 0;
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    screen.style = style;
    screen.place = place;
    screen.covering = 1;
    SetWindowLongPtrA(hwnd, GWL_STYLE, (style & ~(LONG_PTR)WS_OVERLAPPEDWINDOW) | WS_POPUP);
    const RECT &m = monitor.rcMonitor;
    if (!SetWindowPos(hwnd, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                      SWP_NOOWNERZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW)) {
        screen.covering = 0;
        SetWindowLongPtrA(hwnd, GWL_STYLE, style);
        SetWindowPlacement(hwnd, &place);
        return 0;
    }
    place_scaled_picture();
    InvalidateRect(hwnd, nullptr, FALSE);
    return 1;
#else
    return TavixSetFullscreen(library_state.window.graphics, on ? TRUE : FALSE) ? 1 : 0;
#endif
}

int TAVIX_set_fullscreen(int on) {
    LibraryState &s = library_state;
    if (library_finished("TAVIX_set_fullscreen")) return 0;
    int want = on ? 1 : 0;
    if (s.draw.logging) TAVIX_console_printf("Full screen %s\n", want ? "on" : "off");
    if (!s.window.graphics) {
        s.screen.fullscreen = (uint8_t)want;  // applied at the start
        return 1;
    }
    if (!show_fullscreen(want)) {
        TAVIX_console_printf("Full screen %s not possible here: the window stays as it is\n",
                             want ? "on" : "off");
        return 0;
    }
    s.screen.fullscreen = (uint8_t)want;
    return 1;
}

void apply_screen_choices(void) {
    LibraryState &s = library_state;
    if (s.screen.cursor_hidden) ShowCursor(FALSE);
    if (s.screen.fullscreen && !show_fullscreen(1)) {
        s.screen.fullscreen = 0;
        TAVIX_console_printf("Full screen on not possible here: the window stays as it is\n");
    }
}
