// Keyboard and mouse input: SDL's key, text, mouse and wheel events become WM_KEYDOWN/WM_KEYUP,
// WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_MOUSEWHEEL and friends (after the menus had their look),
// TranslateMessage's characters in Windows-1252, and the mouse capture.
#include "platform/user/input.h"

#include "platform/kernel/codepage.h"
#include "platform/user/menu_track.h"
#include "platform/user/queue.h"
#include "platform/user/window.h"

namespace {

// Key flags of a key message's long parameter.
const LPARAM KEY_EXTENDED = 1L << 24;
const LPARAM KEY_ALT_HELD = 1L << 29;
const LPARAM KEY_WAS_DOWN = 1L << 30;
const LPARAM KEY_RELEASED = (LPARAM)(1UL << 31);

// wParam bits of mouse messages.
const WPARAM MOUSE_LEFT = 0x01, MOUSE_RIGHT = 0x02, MOUSE_SHIFT = 0x04, MOUSE_CONTROL = 0x08,
             MOUSE_MIDDLE = 0x10;

struct KeyboardState {
    bool down[256];  // virtual keys held, as seen by the messages retrieved so far
    bool caps_lock;  // Caps Lock is on
    // Character each scan code (with its extended bit, 9 bits) made when its last key-down came
    // from SDL; a key-down re-posted with the same long parameter makes the same character.
    int scan_char[512];
    int scan_vk[512];  // virtual key of that key-down, so a different key with the scan code
                       // (a synthetic message) does not inherit the character
};
KeyboardState keyboard;
bool keyboard_ready;

void init_keyboard() {
    if (keyboard_ready) return;
    keyboard_ready = true;
    for (int i = 0; i < 512; ++i) {
        keyboard.scan_char[i] = KEYCHAR_DERIVE;
        keyboard.scan_vk[i] = -1;
    }
}

int scan_index(LPARAM lp) {
    return (int)((lp >> 16) & 0x1FF);
}

// US-layout characters of the non-letter keys, unshifted and shifted.
struct KeyCharacters {
    int vk;
    char plain, shifted;
};
const KeyCharacters NON_LETTER_KEYS[] = {
    {VK_SPACE, ' ', ' '},     {VK_MULTIPLY, '*', '*'},   {VK_ADD, '+', '+'},
    {VK_SUBTRACT, '-', '-'},  {VK_DECIMAL, '.', '.'},    {VK_DIVIDE, '/', '/'},
    {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
    {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'},
};

int printable_for(int vk, bool shift) {
    static const char digits_shifted[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return shift ? digits_shifted[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
    for (const KeyCharacters &k : NON_LETTER_KEYS)
        if (k.vk == vk) return shift ? k.shifted : k.plain;
    return -1;
}

// Characters that keys make whatever the text input says.
int control_char_for(int vk, bool ctrl, bool alt) {
    switch (vk) {
        case VK_RETURN:
            return 13;
        case VK_BACK:
            return 8;
        case VK_TAB:
            return 9;
        case VK_ESCAPE:
            return 27;
        default:
            break;
    }
    if (ctrl && !alt && vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;
    return KEYCHAR_DERIVE;
}

bool shift_held() {
    return keyboard.down[VK_SHIFT] || keyboard.down[VK_LSHIFT] || keyboard.down[VK_RSHIFT];
}
bool ctrl_held() {
    return keyboard.down[VK_CONTROL] || keyboard.down[VK_LCONTROL] || keyboard.down[VK_RCONTROL];
}

WPARAM mouse_flags(unsigned buttons_held, unsigned modifiers) {
    WPARAM flags = 0;
    if (buttons_held & 1) flags |= MOUSE_LEFT;
    if (buttons_held & 2) flags |= MOUSE_MIDDLE;
    if (buttons_held & 4) flags |= MOUSE_RIGHT;
    if (modifiers & KEYMOD_SHIFT) flags |= MOUSE_SHIFT;
    if (modifiers & KEYMOD_CTRL) flags |= MOUSE_CONTROL;
    return flags;
}

HWND capture_window;  // the window SetCapture named, or null

// Where surface pixel (x, y) of the window lies on the screen: its outer top-left plus the frame
// and caption the window manager draws around the surface.
POINT screen_of(const Window *w, int x, int y) {
    int frame, caption;
    window_decoration(w->style, &frame, &caption);
    return POINT{w->x + frame + x, w->y + frame + caption + y};
}

}  // namespace

// ---- Capture and coordinates ------------------------------------------------------------------

HWND WINAPI SetCapture(HWND hwnd) {
    HWND previous = GetCapture();
    capture_window = window_get(hwnd) ? hwnd : nullptr;
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    capture_window = nullptr;
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    if (capture_window && !window_get(capture_window)) capture_window = nullptr;
    return capture_window;
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
    Window *w = window_get(hwnd);
    if (!w || !point) return FALSE;
    RECT client;
    window_client_area(hwnd, &client);
    POINT origin = screen_of(w, client.left, client.top);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

// ---- From SDL ---------------------------------------------------------------------------------

void input_mouse(HWND hwnd, InputEvent::Type type, int button, int x, int y, unsigned buttons_held,
                 unsigned modifiers) {
    Window *w = window_get(hwnd);
    if (!w) return;
    POINT screen = screen_of(w, x, y);
    queue_set_mouse_position(screen.x, screen.y);
    InputEvent event = {type, x, y, button, 0, false, false};
    if (menu_filter_input(hwnd, event)) return;
    if (!(w = window_get(hwnd))) return;
    // A window that holds the capture gets the pointer wherever it is, in its client coordinates
    // (negative left of and above the client area); the others only inside their client area.
    HWND captured = GetCapture();
    if (captured && captured != hwnd && (w = window_get(captured))) {
        POINT at = screen;
        ScreenToClient(captured, &at);
        RECT area;
        window_client_area(captured, &area);
        hwnd = captured;
        x = at.x + area.left;
        y = at.y + area.top;
    }
    RECT client;
    window_client_area(hwnd, &client);
    if (hwnd != captured &&
        (x < client.left || x >= client.right || y < client.top || y >= client.bottom))
        return;
    UINT message;
    switch (type) {
        case InputEvent::MOUSE_MOVE:
            message = WM_MOUSEMOVE;
            break;
        case InputEvent::MOUSE_DOWN:
            message = button == 1 ? WM_LBUTTONDOWN : button == 3 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
            break;
        case InputEvent::MOUSE_UP:
            message = button == 1 ? WM_LBUTTONUP : button == 3 ? WM_RBUTTONUP : WM_MBUTTONUP;
            break;
        default:
            return;
    }
    if ((type != InputEvent::MOUSE_MOVE) && (button < 1 || button > 3)) return;
    queue_post_input(hwnd, message, mouse_flags(buttons_held, modifiers),
                     MAKELPARAM(x - client.left, y - client.top), KEYCHAR_DERIVE);
}

void input_wheel(HWND hwnd, int notches, unsigned buttons_held, unsigned modifiers) {
    if (!window_get(hwnd) || notches == 0) return;
    // Windows sends the wheel to the focus window when it is one of the program's; the position
    // is the pointer's on the screen, not in the client area.
    HWND focus = GetFocus();
    if (focus) hwnd = focus;
    POINT at = queue_mouse_position();
    int delta = notches * WHEEL_DELTA;
    if (delta > 32767) delta = 32767;
    if (delta < -32768) delta = -32768;
    WPARAM wp = MAKEWPARAM(mouse_flags(buttons_held, modifiers), (WORD)(short)delta);
    queue_post_input(hwnd, WM_MOUSEWHEEL, wp, MAKELPARAM(at.x, at.y), KEYCHAR_DERIVE);
}

void input_focus_lost(HWND hwnd) {
    // Only the window that has the focus loses it; a stale notice for another changes nothing.
    if (window_get(hwnd) && GetFocus() == hwnd) SetFocus(nullptr);
}

void input_key(HWND hwnd, bool down, int vk, int scan, bool repeat, unsigned modifiers) {
    init_keyboard();
    if (!window_get(hwnd) || vk <= 0 || vk > 0xFE) return;
    if (vk == VK_CAPITAL) keyboard.caps_lock = (modifiers & KEYMOD_CAPS) != 0;
    bool alt = (modifiers & KEYMOD_ALT) != 0;
    InputEvent event = {down ? InputEvent::KEY_DOWN : InputEvent::KEY_UP, 0, 0, 0, vk, alt, repeat};
    if (menu_filter_input(hwnd, event)) return;
    if (!window_get(hwnd)) return;
    LPARAM lp = 1 | ((LPARAM)(scan & 0xFF) << 16);
    if (scan & 0x100) lp |= KEY_EXTENDED;
    if (alt) lp |= KEY_ALT_HELD;
    if (!down)
        lp |= KEY_WAS_DOWN | KEY_RELEASED;
    else if (repeat)
        lp |= KEY_WAS_DOWN;
    // With Alt held (but not Ctrl, which makes AltGr) keys are system keys, and so are Alt and
    // F10 themselves.
    bool system = (alt && !(modifiers & KEYMOD_CTRL)) || vk == VK_MENU || vk == VK_F10;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    int ch = down ? control_char_for(vk, (modifiers & KEYMOD_CTRL) != 0, alt) : KEYCHAR_DERIVE;
    queue_post_input(hwnd, message, (WPARAM)vk, lp, ch);
}

void input_text(HWND hwnd, const char *utf8) {
    if (!window_get(hwnd) || !utf8) return;
    if (menu_took_last_key(hwnd)) return;
    std::vector<int> chars = keyboard_cp1252_from_utf8(utf8);
    if (chars.empty()) return;
    // The text belongs to the key-down just queued; text that came on its own (an input method,
    // a compose sequence) arrives as characters of its own.
    size_t first = 0;
    if (queue_attach_char(hwnd, chars[0] < 0 ? KEYCHAR_NONE : chars[0])) first = 1;
    for (size_t i = first; i < chars.size(); ++i)
        if (chars[i] >= 0) PostMessageA(hwnd, WM_CHAR, (WPARAM)chars[i], 1);
    // A window that says it takes WM_UNICHAR gets every character as its code point too, after
    // the key's own WM_CHAR.
    if (SendMessageA(hwnd, WM_UNICHAR, UNICODE_NOCHAR, 0) != TRUE || !window_get(hwnd)) return;
    for (int code : keyboard_code_points_from_utf8(utf8))
        if (code >= 0) queue_post_input(hwnd, WM_UNICHAR, (WPARAM)code, 0, KEYCHAR_DERIVE);
}

// ---- Translation --------------------------------------------------------------------------------

void keyboard_message_retrieved(const MSG &msg, bool from_input, int ch) {
    init_keyboard();
    int vk = (int)(msg.wParam & 0xFF);
    bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    if (!from_input && down && vk == VK_CAPITAL && !(msg.lParam & KEY_WAS_DOWN))
        keyboard.caps_lock = !keyboard.caps_lock;
    keyboard.down[vk] = down;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) keyboard.down[VK_SHIFT] = down;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) keyboard.down[VK_CONTROL] = down;
    if (!down) return;
    int scan = scan_index(msg.lParam);
    if (from_input) {
        keyboard.scan_char[scan] = ch;
        keyboard.scan_vk[scan] = vk;
    } else if (keyboard.scan_vk[scan] != vk) {
        keyboard.scan_char[scan] = KEYCHAR_DERIVE;
        keyboard.scan_vk[scan] = -1;
    }
}

int keyboard_char_for(const MSG &msg) {
    init_keyboard();
    int vk = (int)(msg.wParam & 0xFF);
    int scan = scan_index(msg.lParam);
    if (scan != 0 && keyboard.scan_vk[scan] == vk) {
        int ch = keyboard.scan_char[scan];
        if (ch == KEYCHAR_NONE) return -1;
        if (ch >= 0) return ch;
    }
    // A key-down that never came from SDL: what the key makes with the current Shift, Ctrl and
    // Caps Lock.
    bool alt = (msg.lParam & KEY_ALT_HELD) != 0;
    int ch = control_char_for(vk, ctrl_held(), alt);
    if (ch >= 0) return ch;
    if (ctrl_held()) return -1;
    if (vk >= 'A' && vk <= 'Z') return shift_held() != keyboard.caps_lock ? vk : vk + ('a' - 'A');
    return printable_for(vk, shift_held());
}

std::vector<int> keyboard_cp1252_from_utf8(const char *utf8) {
    std::vector<int> out = keyboard_code_points_from_utf8(utf8);
    for (int &c : out)
        if (c >= 0) c = cp1252_from_unicode((uint32_t)c);
    return out;
}

std::vector<int> keyboard_code_points_from_utf8(const char *utf8) {
    std::vector<int> out;
    const unsigned char *p = (const unsigned char *)utf8;
    while (*p) {
        uint32_t cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            out.push_back(-1);
            ++p;
            continue;
        }
        ++p;
        bool bad = false;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (bad) {
            out.push_back(-1);
            continue;
        }
        out.push_back(cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? -1 : (int)cp);
    }
    return out;
}
