// Painting: the invalid part of each window (InvalidateRect, ValidateRect), BeginPaint/EndPaint
// with the class background erased through WM_ERASEBKGND, and window device contexts (GetDC).
#include "platform/gdi/dc.h"
#include "platform/user/platform.h"
#include "platform/user/window.h"
#include "platform/win32.h"

#include <algorithm>

namespace {

RECT client_rect(const Window *w) {
    int cw, ch;
    window_client_size(w, &cw, &ch);
    return RECT{0, 0, cw, ch};
}

bool clip_to(RECT *r, const RECT &bounds) {
    r->left = std::max(r->left, bounds.left);
    r->top = std::max(r->top, bounds.top);
    r->right = std::min(r->right, bounds.right);
    r->bottom = std::min(r->bottom, bounds.bottom);
    return r->left < r->right && r->top < r->bottom;
}

void invalidate(Window *w, const RECT *rect, BOOL erase) {
    RECT area = client_rect(w);
    if (rect && !clip_to(&(area = *rect), client_rect(w))) return;
    if (w->invalid) {
        RECT &inv = w->invalid_rect;
        inv.left = std::min(inv.left, area.left);
        inv.top = std::min(inv.top, area.top);
        inv.right = std::max(inv.right, area.right);
        inv.bottom = std::max(inv.bottom, area.bottom);
    } else {
        w->invalid_rect = area;
        w->invalid = true;
    }
    if (erase) w->erase = true;
    ++w->invalidations;
}

}  // namespace

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase) {
    if (!hwnd) {
        // A null window invalidates every window, as on Windows.
        for (Window *w : window_list()) invalidate(w, nullptr, erase);
        return TRUE;
    }
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    invalidate(w, rect, erase);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT *rect) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    if (!w->invalid) return TRUE;
    RECT &inv = w->invalid_rect;
    if (!rect || (rect->left <= inv.left && rect->top <= inv.top && rect->right >= inv.right &&
                  rect->bottom >= inv.bottom)) {
        w->invalid = w->erase = false;
        return TRUE;
    }
    // The invalid part is kept as one rectangle: a validated band that spans it entirely cuts it
    // down; anything else leaves it as it is (painting more than needed is harmless).
    if (rect->left <= inv.left && rect->right >= inv.right) {
        if (rect->top <= inv.top && rect->bottom > inv.top)
            inv.top = rect->bottom;
        else if (rect->bottom >= inv.bottom && rect->top < inv.bottom)
            inv.bottom = rect->top;
    } else if (rect->top <= inv.top && rect->bottom >= inv.bottom) {
        if (rect->left <= inv.left && rect->right > inv.left)
            inv.left = rect->right;
        else if (rect->right >= inv.right && rect->left < inv.right)
            inv.right = rect->left;
    }
    if (inv.left >= inv.right || inv.top >= inv.bottom) w->invalid = w->erase = false;
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    Window *w = window_get(hwnd);
    if (!w) return FALSE;
    if (w->visible && w->invalid) {
        unsigned invalidations = w->invalidations;
        window_call(hwnd, WM_PAINT, 0, 0);
        if ((w = window_get(hwnd)) && w->invalidations == invalidations)
            w->invalid = w->erase = false;
    }
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window *w = window_get(hwnd);
    if (!w || !ps) return nullptr;
    HDC dc = dc_create_for_window(hwnd, true);
    if (!dc) return nullptr;
    *ps = PAINTSTRUCT();
    ps->hdc = dc;
    ps->rcPaint = w->invalid ? w->invalid_rect : RECT{0, 0, 0, 0};
    bool erase = w->invalid && w->erase;
    // The window counts as painted from here on; what is invalidated while painting comes back.
    w->invalid = w->erase = false;
    if (erase) {
        RECT area = ps->rcPaint;
        w->painting = &area;
        LRESULT erased = window_call(hwnd, WM_ERASEBKGND, (WPARAM)dc, 0);
        if ((w = window_get(hwnd))) w->painting = nullptr;
        ps->fErase = erased == 0;
    }
    if (w) w->changed = true;
    return dc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *ps) {
    if (!ps) return FALSE;
    dc_destroy(ps->hdc);
    window_mark_changed(hwnd);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd) {
    platform_ensure_started();
    if (hwnd && !window_get(hwnd)) return nullptr;
    return dc_create_for_window(hwnd, true);
}

int WINAPI ReleaseDC(HWND, HDC dc) {
    // Only a window's or the screen's context is released; a memory context stays DeleteDC's.
    if (GetObjectType(dc) != OBJ_DC) return 0;
    dc_destroy(dc);
    return 1;
}
