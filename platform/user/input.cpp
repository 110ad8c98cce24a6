// Keyboard and mouse input: the backend's key, text, mouse and wheel events become WM_KEYDOWN/WM_KEYUP,
// WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_MOUSEWHEEL and friends (after the menus had their look),
// TranslateMessage's characters in Windows-1252, and the mouse capture.
#include "platform/user/input.h"

#include "platform/kernel/codepage.h"
#include "platform/user/menu_track.h"
#include "platform/user/present.h"
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

// ---- Key positions ------------------------------------------------------------------------------

namespace {

// What each key position (USB HID usage, the index) is to Windows: its PC set-1 scan code, plus
// 0x100 for an extended key, and its virtual key on the US layout. Positions no Windows key has
// are left out (zero).
struct KeyPosition {
    uint16_t scan;
    uint8_t vk;
};
struct KeyRow {
    int usage;
    KeyPosition key;
};
const KeyRow KEY_ROWS[] = {
    // Letters A to Z (0x04 to 0x1D) and digits 1 to 9, 0 (0x1E to 0x27) are filled in below.
    {0x28, {0x1C, VK_RETURN}},  {0x29, {0x01, VK_ESCAPE}},      {0x2A, {0x0E, VK_BACK}},
    {0x2B, {0x0F, VK_TAB}},     {0x2C, {0x39, VK_SPACE}},       {0x2D, {0x0C, VK_OEM_MINUS}},
    {0x2E, {0x0D, VK_OEM_PLUS}}, {0x2F, {0x1A, VK_OEM_4}},      {0x30, {0x1B, VK_OEM_6}},
    {0x31, {0x2B, VK_OEM_5}},   {0x32, {0x2B, VK_OEM_5}},       {0x33, {0x27, VK_OEM_1}},
    {0x34, {0x28, VK_OEM_7}},   {0x35, {0x29, VK_OEM_3}},       {0x36, {0x33, VK_OEM_COMMA}},
    {0x37, {0x34, VK_OEM_PERIOD}}, {0x38, {0x35, VK_OEM_2}},    {0x39, {0x3A, VK_CAPITAL}},
    // F1 to F12 (0x3A to 0x45) are filled in below.
    {0x46, {0x137, 0x2C}},      {0x47, {0x46, 0x91}},           {0x48, {0x45, VK_PAUSE}},
    {0x49, {0x152, VK_INSERT}}, {0x4A, {0x147, VK_HOME}},       {0x4B, {0x149, VK_PRIOR}},
    {0x4C, {0x153, VK_DELETE}}, {0x4D, {0x14F, VK_END}},        {0x4E, {0x151, VK_NEXT}},
    {0x4F, {0x14D, VK_RIGHT}},  {0x50, {0x14B, VK_LEFT}},       {0x51, {0x150, VK_DOWN}},
    {0x52, {0x148, VK_UP}},     {0x53, {0x145, 0x90}},          {0x54, {0x135, VK_DIVIDE}},
    {0x55, {0x37, VK_MULTIPLY}}, {0x56, {0x4A, VK_SUBTRACT}},   {0x57, {0x4E, VK_ADD}},
    {0x58, {0x11C, VK_RETURN}}, {0x59, {0x4F, VK_NUMPAD0 + 1}}, {0x5A, {0x50, VK_NUMPAD0 + 2}},
    {0x5B, {0x51, VK_NUMPAD0 + 3}}, {0x5C, {0x4B, VK_NUMPAD0 + 4}}, {0x5D, {0x4C, VK_NUMPAD0 + 5}},
    {0x5E, {0x4D, VK_NUMPAD0 + 6}}, {0x5F, {0x47, VK_NUMPAD0 + 7}}, {0x60, {0x48, VK_NUMPAD0 + 8}},
    {0x61, {0x49, VK_NUMPAD0 + 9}}, {0x62, {0x52, VK_NUMPAD0}},  {0x63, {0x53, VK_DECIMAL}},
    {0x64, {0x56, VK_OEM_102}}, {0x65, {0x15D, 0x5D}},
    // F13 to F24 (0x68 to 0x73) are filled in below.
    {0xE0, {0x1D, VK_CONTROL}}, {0xE1, {0x2A, VK_SHIFT}},       {0xE2, {0x38, VK_MENU}},
    {0xE3, {0x15B, 0x5B}},      {0xE4, {0x11D, VK_CONTROL}},    {0xE5, {0x36, VK_SHIFT}},
    {0xE6, {0x138, VK_MENU}},   {0xE7, {0x15C, 0x5C}},
};
const int KEY_POSITIONS = 0xE8;

struct KeyTable {
    KeyPosition at[KEY_POSITIONS] = {};
    KeyTable() {
        static const uint8_t LETTER_SCANS[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22,
                                                 0x23, 0x17, 0x24, 0x25, 0x26, 0x32, 0x31,
                                                 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16,
                                                 0x2F, 0x11, 0x2D, 0x15, 0x2C};
        for (int i = 0; i < 26; ++i) at[0x04 + i] = {LETTER_SCANS[i], (uint8_t)('A' + i)};
        for (int i = 0; i < 10; ++i)  // 1 to 9, then 0
            at[0x1E + i] = {(uint16_t)(0x02 + i), (uint8_t)(i == 9 ? '0' : '1' + i)};
        static const uint8_t F_SCANS[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
                                            0x41, 0x42, 0x43, 0x44, 0x57, 0x58};
        for (int i = 0; i < 12; ++i) at[0x3A + i] = {F_SCANS[i], (uint8_t)(VK_F1 + i)};
        for (int i = 0; i < 12; ++i) at[0x68 + i] = {0, (uint8_t)(VK_F1 + 12 + i)};
        for (const KeyRow &row : KEY_ROWS) at[row.usage] = row.key;
    }
};

// The virtual key a character names on any layout: its letter or digit, or the US layout's
// punctuation key that makes it; 0 for any other.
int virtual_key_of_character(int character) {
    if (character >= 'a' && character <= 'z') return 'A' + (character - 'a');
    if ((character >= 'A' && character <= 'Z') || (character >= '0' && character <= '9'))
        return character;
    switch (character) {
        case ';': return VK_OEM_1;
        case '=': return VK_OEM_PLUS;
        case ',': return VK_OEM_COMMA;
        case '-': return VK_OEM_MINUS;
        case '.': return VK_OEM_PERIOD;
        case '/': return VK_OEM_2;
        case '`': return VK_OEM_3;
        case '[': return VK_OEM_4;
        case '\\': return VK_OEM_5;
        case ']': return VK_OEM_6;
        case '\'': return VK_OEM_7;
        default: return 0;
    }
}

}  // namespace

KeyCodes key_codes_of(int usage, int character) {
    static const KeyTable table;
    if (usage < 0 || usage >= KEY_POSITIONS) return KeyCodes{0, 0};
    KeyCodes codes = {table.at[usage].scan, table.at[usage].vk};
    // The typing block follows the layout: its key is named by the character it makes.
    bool typing = (usage >= 0x04 && usage <= 0x38) || usage == 0x64;
    if (int vk = typing ? virtual_key_of_character(character) : 0) codes.vk = vk;
    return codes;
}

void input_key_at(HWND hwnd, bool down, int usage, int character, bool repeat,
                  unsigned modifiers) {
    KeyCodes codes = key_codes_of(usage, character);
    input_key(hwnd, down, codes.vk, codes.scan, repeat, modifiers);
}

// ---- From the backend -----------------------------------------------------------------------------

void input_mouse(HWND hwnd, InputEvent::Type type, int button, int x, int y, unsigned buttons_held,
                 unsigned modifiers) {
    Window *w = window_get(hwnd);
    if (!w) return;
    POINT at = window_point_of(w, x, y);
    x = at.x;
    y = at.y;
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
