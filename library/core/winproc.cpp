// The two window procedures: the graphics window turns clicks, characters, timer notices, size
// and paint notices into library state; the console window passes its keys on to the graphics
// window and repaints its lines.
#include "library/core/state.h"

static void set_origin(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    library_state.window.origin_x = client.left + (client.right - client.left) / 2;
    library_state.window.origin_y = client.top + (client.bottom - client.top) / 2;
    library_state.window.client_width = client.right - client.left;
    library_state.window.client_height = client.bottom - client.top;
}

static void paint_graphics_window(HWND hwnd) {
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    // The whole buffer goes through the context held since start, whatever part is invalid;
    // BeginPaint/EndPaint only mark the window as painted.
    copy_buffer_to_window(1);
    EndPaint(hwnd, &paint);
    library_state.window.dirty = 0;
}

#ifdef _WIN32
// The byte the code page has for a character, as an ANSI window is given it; -1 where it has
// none of its own (no stand-in, no look-alike), as the layer gives none there either.
static int code_page_byte(uint32_t code) {
    if (code > 0xFFFF) return -1;
    WCHAR wide = (WCHAR)code;
    char bytes[4];
    BOOL stand_in = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                nullptr, &stand_in);
    return n == 1 && !stand_in ? (unsigned char)bytes[0] : -1;
}

// A character of the graphics window, a Unicode one: a UTF-16 unit, a character past U+FFFF
// coming as two. The classic key event gets the code page's byte for it, typed text its code
// point; Ctrl combinations are the Run menu's accelerators, neither.
static LRESULT graphics_char(HWND hwnd, WPARAM wp, LPARAM lp) {
    TextSettings &text = library_state.text;
    uint32_t unit = (uint32_t)(wp & 0xFFFF), code = unit;
    uint32_t high = text.high_surrogate;
    text.high_surrogate = 0;
    if (library_state.menu.ctrl_down == 1) return 0;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        text.high_surrogate = (uint16_t)unit;
        return 0;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!high) return 0;  // half a character: nothing
        code = 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
    }
    int byte = code_page_byte(code);
    if (byte >= 0) {
        note_input_message(hwnd, WM_CHAR, (WPARAM)byte, lp);
        library_state.events.pending.type = TAVIX_KBD;
        library_state.events.pending.key = (signed char)byte;
    }
    if (text.text_events) note_typed_text(code);
    return 0;
}
#endif

LRESULT CALLBACK graphics_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    PendingEvent *pending = &library_state.events.pending;
#ifdef _WIN32
    if (message == WM_CHAR) return graphics_char(hwnd, wp, lp);
#endif
    // The richer wait's view of input comes first; the handling below is the same for every
    // program.
    note_input_message(hwnd, message, wp, lp);
    switch (message) {
        case WM_CREATE:
            build_run_menu(hwnd);
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, TAVIX_TIMER_ID);
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            // The notice's own width and height are not used: the client rectangle is the truth.
            if (!screen_resized()) set_origin(hwnd);
            return 0;
        case WM_PAINT:
            paint_graphics_window(hwnd);
            return 0;
        case WM_KEYDOWN:
            handle_key_down(wp);
            return 0;
        case WM_KEYUP:
            handle_key_up(wp);
            return 0;
        case WM_CHAR:
            // Ctrl combinations are the Run menu's accelerators, never key events.
            if (library_state.menu.ctrl_down == 1) return 0;
            pending->type = TAVIX_KBD;
            pending->key = (signed char)(wp & 0xFF);
            return 0;
        case WM_UNICHAR:
            // Asked whether it takes typed text as code points: it does once the program asks
            // for TAVIX_TEXT events.
            if (wp == UNICODE_NOCHAR) return library_state.text.text_events ? TRUE : FALSE;
            return FALSE;
        case WM_COMMAND:
            handle_command(LOWORD(wp));
            return 0;
        case WM_TIMER:
            // The pads' timer only wakes the wait to read them: it is no animation tick.
            if (wp == TAVIX_PAD_TIMER_ID) return 0;
            library_state.events.timer_tick = 1;
            return 0;
        case MM_WOM_DONE:
            sound_buffer_done();
            return 0;
        case WM_LBUTTONDOWN: {
            // Both halves are unsigned 16-bit numbers; the key stays as the wait reset it.
            int client_x = LOWORD(lp);
            int client_y = HIWORD(lp);
            window_to_buffer(&client_x, &client_y);
            pending->type = TAVIX_MOUSE;
            pending->x = client_x - library_state.window.origin_x;
            pending->y = library_state.window.origin_y - client_y;
            return 0;
        }
        default:
#ifdef _WIN32
            return DefWindowProcW(hwnd, message, wp, lp);
#else
            return DefWindowProcA(hwnd, message, wp, lp);
#endif
    }
}

LRESULT CALLBACK console_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            // Queued, not handled here: the pump then translates the key for the graphics window,
            // so Ctrl tracking, accelerators and characters work whichever window has the focus.
            PostMessageA(library_state.window.graphics, message, wp, lp);
            return 0;
        case WM_KILLFOCUS:
            // Keys held while the console had the focus were the graphics window's keys too.
            if (hwnd == library_state.window.console) note_input_message(hwnd, message, wp, lp);
            return DefWindowProcA(hwnd, message, wp, lp);
        case WM_PAINT:
            if (hwnd != library_state.window.console) {
                // A console window the library no longer tracks: validate it, or its paint
                // notice would come back forever.
                PAINTSTRUCT paint;
                BeginPaint(hwnd, &paint);
                EndPaint(hwnd, &paint);
                return 0;
            }
            return paint_console();
        default:
            return DefWindowProcA(hwnd, message, wp, lp);
    }
}
