// Window classes and top-level windows: creation and destruction with their synchronous
// messages, showing, focus, geometry with the classic caption/frame/menu metrics, the default
// window procedure, and the window view that painting and the menus use.
#include "platform/user/window.h"

#include "platform/backend/backend.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/fine.h"
#include "platform/kernel/handles.h"
#include "platform/surface.h"
#include "platform/user/menu_track.h"
#include "platform/user/platform.h"
#include "platform/user/present.h"
#include "platform/user/queue.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace {

struct WindowClass {
    std::string name;   // compared without regard to case, as Windows does
    WNDPROC proc;       // window procedure
    UINT style;         // CS_* bits
    HBRUSH background;  // erases the client area, may be null
    ATOM atom;          // what RegisterClassA returned
};

// Surfaces are capped so that an absurd window size cannot exhaust memory.
const int MAX_SURFACE_SIDE = 16384;

struct WindowTable {
    std::vector<WindowClass> classes;  // registered classes, in registration order
    std::vector<Window *> windows;     // live windows, oldest first
    HWND focus;                        // window with the keyboard focus, or null
    HICON stock_icon;                  // the one stock icon handle
    HCURSOR stock_cursor;              // the one stock cursor handle
};
WindowTable &table = *new WindowTable();  // never destroyed: windows live to the end

// Windows tells a class atom (MAKEINTATOM) from a class name by the value alone: below 0x10000
// it is an atom. That holds where the lowest 64 KiB of the address space is never mapped (Windows,
// Linux); on WebAssembly the program's own constants, class names among them, lie there. There a
// small value is a name when the text at it names a class, and an atom only otherwise.
#if defined(__wasm__)
const bool LOW_ADDRESSES_HOLD_DATA = true;
#else
const bool LOW_ADDRESSES_HOLD_DATA = false;
#endif

bool may_be_atom(LPCSTR name) {
    return (uintptr_t)name < 0x10000;
}

const WindowClass *find_class(LPCSTR name) {
    if (!name) return nullptr;
    if (!may_be_atom(name) || LOW_ADDRESSES_HOLD_DATA)
        for (const WindowClass &c : table.classes)
            if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    if (may_be_atom(name))
        for (const WindowClass &c : table.classes)
            if ((uintptr_t)name == c.atom) return &c;
    return nullptr;
}

int menu_bar_height(const Window *w) {
    return w->menu ? MENU_BAR_HEIGHT : 0;
}

// Makes the copy left unmade in the window, if any (window_leave_copy).
void make_copy_left(Window *w) {
    GdiBitmap *bitmap = w->copy_source;
    if (!bitmap) return;
    w->copy_source = nullptr;
    dc_copy_to_window(w->hwnd, &w->surface, w->copy_at, bitmap, w->copy_block, w->surface.version);
}

void set_surface_size(Window *w, int width, int height) {
    make_copy_left(w);
    width = std::clamp(width, 1, MAX_SURFACE_SIDE);
    height = std::clamp(height, 1, MAX_SURFACE_SIDE);
    std::vector<uint32_t> pixels((size_t)width * (size_t)height, 0x00FFFFFFu);
    int keep_w = std::min(width, w->surface.width), keep_h = std::min(height, w->surface.height);
    for (int row = 0; row < keep_h; ++row)
        memcpy(&pixels[(size_t)row * width], &w->pixels[(size_t)row * w->surface.width],
               (size_t)keep_w * sizeof(uint32_t));
    w->pixels.swap(pixels);
    w->surface.width = width;
    w->surface.height = height;
    w->surface.pixels = w->pixels.data();
    ++w->surface.version;
    // On a scaled screen the window is shown from a companion that size times larger, where
    // text is drawn sharp (platform/gdi/fine.h).
    fine_attach(&w->surface, screen_scale());
    w->changed = true;
}

void send_size(HWND hwnd) {
    Window *w = window_get(hwnd);
    if (!w) return;
    int cw, ch;
    window_client_size(w, &cw, &ch);
    w->sized = true;
    window_call(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cw, ch));
}

HANDLE stock_handle(HANDLE *slot) {
    static int marker;
    if (!*slot) *slot = handle_new(HANDLE_ICON, &marker, true);
    return *slot;
}

}  // namespace

// ---- Shared with the rest of platform/user ------------------------------------------------------

Window *window_get(HWND hwnd) {
    return (Window *)handle_get(hwnd, HANDLE_WINDOW);
}

const std::vector<Window *> &window_list() {
    return table.windows;
}

void window_decoration(DWORD style, int *frame, int *caption) {
    *caption = (style & WS_CAPTION) == WS_CAPTION ? CAPTION_HEIGHT : 0;
    if (style & WS_THICKFRAME)
        *frame = SIZING_FRAME;
    else if (style & (WS_DLGFRAME | WS_CAPTION))
        *frame = FIXED_FRAME;
    else if (style & WS_BORDER)
        *frame = 1;
    else
        *frame = 0;
}

LRESULT window_call(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window *w = window_get(hwnd);
    if (!w || !w->proc) return 0;
    // The procedure may destroy the window: nothing of *w is used after the call.
    WNDPROC proc = w->proc;
    return proc(hwnd, msg, wp, lp);
}

void window_client_size(const Window *w, int *width, int *height) {
    *width = w->surface.width;
    *height = std::max(0, w->surface.height - menu_bar_height(w));
}

void windows_present_changed() {
    for (Window *w : table.windows) {
        bool damaged = w->damage.left < w->damage.right && w->damage.top < w->damage.bottom;
        if (!(w->changed || damaged) || !w->visible || !w->backend_id) continue;
        RECT area = w->changed ? RECT{0, 0, w->surface.width, w->surface.height} : w->damage;
        // What the display shows already is not sent again; all of the window is when the
        // backend's picture of it is new (first showing, resize).
        w->presented = present_window(w, area);
        w->changed = false;
        w->damage = RECT{0, 0, 0, 0};
    }
}

void window_screen_size(int *width, int *height) {
    backend->screen_size(width, height);
    *width /= screen_scale();
    *height /= screen_scale();
}

void window_resize_surface(HWND hwnd, int width, int height) {
    Window *w = window_get(hwnd);
    if (!w) return;
    if (width == w->surface.width && height == w->surface.height) return;
    int frame, caption;
    window_decoration(w->style, &frame, &caption);
    set_surface_size(w, width, height);
    w->width = w->surface.width + 2 * frame;
    w->height = w->surface.height + 2 * frame + caption;
    if (w->menu) menu_paint_bar(hwnd);
    send_size(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

// ---- What the painting, menu and GDI code see of a window ---------------------------------------

Surface *window_surface(HWND hwnd) {
    Surface *surface = window_pixels(hwnd);
    if (surface) ++surface->version;  // whoever asks may draw on it
    return surface;
}

Surface *window_pixels(HWND hwnd) {
    Window *w = window_get(hwnd);
    if (!w) return nullptr;
    make_copy_left(w);
    return &w->surface;
}

Surface *window_surface_as_is(HWND hwnd) {
    Window *w = window_get(hwnd);
    return w ? &w->surface : nullptr;
}

bool window_leave_copy(HWND hwnd, GdiBitmap *bitmap, RECT block, POINT at) {
    Window *w = window_get(hwnd);
    if (!w || backend->shows_windows) return false;
    if (w->copy_source &&
        !(w->copy_source == bitmap && w->copy_block.left == block.left &&
          w->copy_block.top == block.top && w->copy_block.right == block.right &&
          w->copy_block.bottom == block.bottom && w->copy_at.x == at.x &&
          w->copy_at.y == at.y))
        make_copy_left(w);
    w->copy_source = bitmap;
    w->copy_block = block;
    w->copy_at = at;
    window_mark_damaged(hwnd, RECT{at.x, at.y, at.x + (block.right - block.left),
                                   at.y + (block.bottom - block.top)});
    return true;
}

void windows_make_copies_of(GdiBitmap *bitmap) {
    for (Window *w : window_list())
        if (w->copy_source == bitmap) make_copy_left(w);
}

bool window_client_area(HWND hwnd, RECT *area) {
    Window *w = window_get(hwnd);
    if (!w || !area) return false;
    int cw, ch;
    window_client_size(w, &cw, &ch);
    area->left = 0;
    area->top = w->surface.height - ch;
    area->right = cw;
    area->bottom = w->surface.height;
    return true;
}

void window_mark_changed(HWND hwnd) {
    if (Window *w = window_get(hwnd)) w->changed = true;
}

void window_mark_damaged(HWND hwnd, const RECT &area) {
    Window *w = window_get(hwnd);
    if (!w || area.left >= area.right || area.top >= area.bottom) return;
    RECT &d = w->damage;
    if (d.left >= d.right || d.top >= d.bottom) {
        d = area;
        return;
    }
    d.left = std::min(d.left, area.left);
    d.top = std::min(d.top, area.top);
    d.right = std::max(d.right, area.right);
    d.bottom = std::max(d.bottom, area.bottom);
}

void window_set_overlay(HWND hwnd, const Surface *overlay, int x, int y) {
    Window *w = window_get(hwnd);
    if (!w) return;
    w->overlay = overlay;
    w->overlay_x = x;
    w->overlay_y = y;
    w->changed = true;
}

void window_attach_menu_bar(HWND hwnd, HMENU menu) {
    Window *w = window_get(hwnd);
    if (!w || w->menu == menu) return;
    bool moved = (w->menu == nullptr) != (menu == nullptr);
    w->menu = menu;
    w->changed = true;
    if (menu) menu_paint_bar(hwnd);
    if (!moved) return;
    // Before the first showing the size is reported by ShowWindow; afterwards the client area
    // moved and the window hears of it now.
    if (w->sized) send_size(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

HMENU window_menu_bar(HWND hwnd) {
    Window *w = window_get(hwnd);
    return w ? w->menu : nullptr;
}

void window_invalidate_client(HWND hwnd, const RECT *rect) {
    InvalidateRect(hwnd, rect, TRUE);
}

// ---- USER32
// ----------------------------------------------------------------------------------------

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc) {
    platform_ensure_started();
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName ||
        (may_be_atom(wc->lpszClassName) && !LOW_ADDRESSES_HOLD_DATA) || !wc->lpszClassName[0])
        return 0;
    if (find_class(wc->lpszClassName)) return 0;
    if (table.classes.size() >= 0x3FFF) return 0;
    WindowClass c;
    c.name = wc->lpszClassName;
    c.proc = wc->lpfnWndProc;
    c.style = wc->style;
    c.background = wc->hbrBackground;
    c.atom = (ATOM)(0xC000 + table.classes.size());
    table.classes.push_back(c);
    return c.atom;
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    platform_ensure_started();
    const WindowClass *cls = class_name ? find_class(class_name) : nullptr;
    if (!cls) return nullptr;
    // Only top-level windows exist here; a child window has no surface of its own to live in.
    if ((style & WS_CHILD) || (parent && !window_get(parent))) return nullptr;

    int screen_w, screen_h;
    window_screen_size(&screen_w, &screen_h);
    bool default_pos = x == CW_USEDEFAULT;
    if (default_pos) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = screen_w * 3 / 4;
        height = screen_h * 3 / 4;
    }
    int frame, caption;
    window_decoration(style, &frame, &caption);

    Window *w = new Window();
    w->scale = screen_scale();
    w->origin = POINT{0, 0};
    w->proc = cls->proc;
    w->background = cls->background;
    w->class_style = cls->style;
    w->style = style & ~WS_VISIBLE;
    w->title = title ? title : "";
    w->x = x;
    w->y = y;
    w->surface = Surface{0, 0, nullptr};
    set_surface_size(w, width - 2 * frame, height - 2 * frame - caption);
    w->width = w->surface.width + 2 * frame;
    w->height = w->surface.height + 2 * frame + caption;
    w->hwnd = (HWND)handle_new(HANDLE_WINDOW, w);
    if (!w->hwnd) {
        fine_detach(&w->surface);
        delete w;
        return nullptr;
    }
    int scale = w->scale;
    w->backend_id = backend->window_create(
        w->hwnd, w->title.c_str(), default_pos ? CW_USEDEFAULT : (x + frame) * scale,
        (y + frame + caption) * scale, w->surface.width * scale, w->surface.height * scale, scale,
        (style & WS_THICKFRAME) != 0);
    table.windows.push_back(w);

    HWND hwnd = w->hwnd;
    CREATESTRUCTA create = {param, instance, menu,        parent, w->height,  w->width,
                            w->y,  w->x,     (LONG)style, title,  class_name, ex_style};
    if (window_call(hwnd, WM_CREATE, 0, (LPARAM)&create) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!window_get(hwnd)) return nullptr;  // destroyed while being created
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    if (w->destroying) return TRUE;
    w->destroying = true;
    if (w->visible) {
        w->visible = false;
        if (w->backend_id) backend->window_show(w->backend_id, false, false);
    }
    if (table.focus == hwnd) table.focus = nullptr;
    window_call(hwnd, WM_DESTROY, 0, 0);
    menu_window_destroyed(hwnd);
    queue_forget_window(hwnd);
    w = window_get(hwnd);
    if (!w) return TRUE;
    table.windows.erase(std::find(table.windows.begin(), table.windows.end(), w));
    handle_free(hwnd);
    if (w->backend_id) backend->window_destroy(w->backend_id);
    fine_detach(&w->surface);
    delete w;
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    return window_get(hwnd) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    Window *w = window_get(hwnd);
    return w && w->visible;
}

BOOL WINAPI ShowWindow(HWND hwnd, int show) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    BOOL was_visible = w->visible;
    bool want = show != SW_HIDE;
    if (want == (bool)was_visible) return was_visible;
    window_call(hwnd, WM_SHOWWINDOW, want, 0);
    if (!(w = window_get(hwnd))) return was_visible;
    if (!want) {
        w->visible = false;
        if (w->backend_id) backend->window_show(w->backend_id, false, false);
        if (table.focus == hwnd) SetFocus(nullptr);
        return was_visible;
    }
    w->visible = true;
    w->changed = true;
    if (!w->sized) send_size(hwnd);
    if (!(w = window_get(hwnd))) return was_visible;
    if (w->menu) menu_paint_bar(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
    bool activate = show != SW_SHOWNA && show != SW_SHOWNOACTIVATE && show != SW_SHOWMINNOACTIVE &&
                    show != SW_MINIMIZE;
    if (w->backend_id) backend->window_show(w->backend_id, true, activate);
    if (activate) SetFocus(hwnd);
    return was_visible;
}

HWND WINAPI SetFocus(HWND hwnd) {
    if (hwnd && !window_get(hwnd)) return nullptr;
    HWND previous = table.focus;
    if (hwnd == previous) return previous;
    table.focus = hwnd;
    if (previous) window_call(previous, WM_KILLFOCUS, (WPARAM)hwnd, 0);
    if (hwnd && table.focus == hwnd) window_call(hwnd, WM_SETFOCUS, (WPARAM)previous, 0);
    return previous;
}

HWND WINAPI GetFocus(void) {
    if (table.focus && !window_get(table.focus)) table.focus = nullptr;
    return table.focus;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window *w = window_get(hwnd);
    if (!w) return 0;
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSKEYDOWN:
            // Alt+F4 closes the window.
            if (wp == VK_F1 + 3 && (lp & (1L << 29))) PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_ERASEBKGND: {
            if (!w->background || !wp) return 0;
            RECT area;
            if (w->painting) {
                area = *w->painting;
            } else {
                int cw, ch;
                window_client_size(w, &cw, &ch);
                area = RECT{0, 0, cw, ch};
            }
            FillRect((HDC)wp, &area, w->background);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return 0;
    }
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window *w = window_get(hwnd);
    if (!w || !rect) return FALSE;
    int cw, ch;
    window_client_size(w, &cw, &ch);
    *rect = RECT{0, 0, cw, ch};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window *w = window_get(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{w->x, w->y, w->x + w->width, w->y + w->height};
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    platform_ensure_started();
    int screen_w, screen_h;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CYSCREEN:
            window_screen_size(&screen_w, &screen_h);
            return index == SM_CXSCREEN ? screen_w : screen_h;
        case SM_CYCAPTION:
            return CAPTION_HEIGHT;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return FIXED_FRAME;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return SIZING_FRAME;
        case SM_CYMENU:
            return MENU_BAR_HEIGHT;
        default:
            return 0;
    }
}

// Only the system's stock resources exist: a module has no icons or cursors of its own here.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    uintptr_t id = (uintptr_t)name;
    if (instance || id < 32512 || id > 32518) return nullptr;
    return (HICON)stock_handle((HANDLE *)&table.stock_icon);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    uintptr_t id = (uintptr_t)name;
    if (instance || id < 32512 || id > 32651) return nullptr;
    return (HCURSOR)stock_handle((HANDLE *)&table.stock_cursor);
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    if (w->backend_id) backend->window_set_title(w->backend_id, w->title.c_str());
    return TRUE;
}

int WINAPI ShowCursor(BOOL show) {
    platform_ensure_started();
    // The pointer shows while the count is 0 or more, as on Windows; the backend hears only of
    // the count crossing that line.
    static int count = 0;
    bool was_shown = count >= 0;
    count += show ? 1 : -1;
    if ((count >= 0) != was_shown) backend->show_cursor(count >= 0);
    return count;
}

// Takes the backend's word that w now covers its screen (on) with a picture of width x height
// screen pixels, or is back as it was. 0 x 0: the backend shows the picture over the screen
// itself, and the window keeps composing it as before. False when the surface does not fit.
static bool take_fullscreen(Window *w, bool on, int width, int height) {
    if (!on || (width == 0 && height == 0)) {
        w->fullscreen = on;
        w->scale = screen_scale();
        w->origin = POINT{0, 0};
        w->changed = true;
        return true;
    }
    if (!window_fit_screen(w, width, height)) return false;
    w->fullscreen = true;
    return true;
}

BOOL WINAPI TavixSetFullscreen(HWND hwnd, BOOL on) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    if ((bool)on == w->fullscreen) return TRUE;
    if (!w->backend_id) return FALSE;
    int width = 0, height = 0;
    if (!backend->window_set_fullscreen(w->backend_id, on, &width, &height)) return FALSE;
    if (take_fullscreen(w, on, width, height)) return TRUE;
    // The surface is larger than the screen: the window goes back as it was.
    backend->window_set_fullscreen(w->backend_id, false, &width, &height);
    return FALSE;
}

// ---- Window events from the backend -----------------------------------------------------------

void input_close_requested(HWND hwnd) {
    if (window_get(hwnd)) queue_post_input(hwnd, WM_CLOSE, 0, 0, KEYCHAR_DERIVE);
}

void input_exposed(HWND hwnd) {
    Window *w = window_get(hwnd);
    if (!w) return;
    w->changed = true;
    if (w->menu) menu_paint_bar(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void input_fullscreen(HWND hwnd, bool on, int width, int height) {
    Window *w = window_get(hwnd);
    if (w && on != w->fullscreen) take_fullscreen(w, on, width, height);
}

void input_resized(HWND hwnd, int width, int height) {
    Window *w = window_get(hwnd);
    if (!w) return;
    // A window covering its screen keeps its surface and fits it into the new picture instead.
    if (w->fullscreen) {
        if (!window_fit_screen(w, width, height)) {
            w->scale = 1;
            w->origin = POINT{0, 0};
            w->changed = true;
        }
        return;
    }
    int scale = std::max(1, w->scale);
    width /= scale;
    height /= scale;
    // A window without a sizing frame keeps its size, as window managers that honour the size
    // hints see to; a sizing one grows no larger than the screen. Either way a window forced to
    // a huge size never costs more pixels than the screen can show, here or in the backend.
    int keep_w = width, keep_h = height;
    if (!(w->style & WS_THICKFRAME)) {
        keep_w = w->surface.width;
        keep_h = w->surface.height;
    } else {
        int screen_w, screen_h;
        window_screen_size(&screen_w, &screen_h);
        keep_w = std::min(width, screen_w);
        keep_h = std::min(height, screen_h);
    }
    if ((keep_w != width || keep_h != height) && w->backend_id)
        backend->window_set_size(w->backend_id, keep_w * scale, keep_h * scale);
    window_resize_surface(hwnd, keep_w, keep_h);
}

void input_moved(HWND hwnd, int x, int y) {
    Window *w = window_get(hwnd);
    if (!w) return;
    x = window_pixel_of(x, screen_scale());
    y = window_pixel_of(y, screen_scale());
    int frame, caption;
    window_decoration(w->style, &frame, &caption);
    w->x = x - frame;
    w->y = y - frame - caption;
}

void input_focus(HWND hwnd) {
    if (window_get(hwnd)) SetFocus(hwnd);
}
