// Input: key positions and the key messages and characters TranslateMessage makes of them, also
// for key-downs re-posted to another window; mouse events from screen pixels to client
// coordinates.
#include "helpers.h"

#include "platform/backend/backend.h"
#include "platform/backend/events.h"
#include "platform/user/input.h"
#include "platform/user/present.h"
#include "platform/user/window.h"

#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const int SCAN_A = 0x1E;

LPARAM key_lparam(int scan, bool up = false) {
    LPARAM lp = 1 | ((LPARAM)scan << 16);
    if (up) lp |= (LPARAM)(3UL << 30);
    return lp;
}

// Retrieves, translates and dispatches everything queued; returns the characters each window's
// procedure received, in order.
std::vector<Seen> run_and_collect_chars() {
    seen_messages().clear();
    MSG msg;
    int guard = 0;
    while (guard++ < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return seen_of(WM_CHAR);
}

// Takes the next queued message without dispatching it.
MSG take() {
    MSG msg = {};
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    return msg;
}

}  // namespace

TEST(Keyboard, PostedKeyDownsTranslateFromTheVirtualKeyAndShift) {
    HWND hwnd = make_window();
    drain();
    struct Case {
        std::vector<std::pair<UINT, int>> keys;  // messages (down/up) and virtual keys, in order
        std::vector<int> chars;                  // WM_CHAR codes that result
    };
    const Case cases[] = {
        {{{WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}}, {'a'}},
        {{{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYUP, VK_SHIFT}}, {'A'}},
        {{{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, 'C'}, {WM_KEYUP, VK_CONTROL}}, {3}},
        {{{WM_KEYDOWN, VK_RETURN},
          {WM_KEYDOWN, VK_BACK},
          {WM_KEYDOWN, VK_TAB},
          {WM_KEYDOWN, VK_ESCAPE}},
         {13, 8, 9, 27}},
        {{{WM_KEYDOWN, '7'}, {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, '7'}, {WM_KEYUP, VK_SHIFT}},
         {'7', '&'}},
        {{{WM_KEYDOWN, VK_F1}, {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_SHIFT}, {WM_KEYUP, VK_SHIFT}},
         {}},
        {{{WM_KEYDOWN, VK_SPACE}, {WM_KEYDOWN, VK_OEM_COMMA}}, {' ', ','}},
    };
    for (const Case &c : cases) {
        for (auto &k : c.keys)
            PostMessageA(hwnd, k.first, (WPARAM)k.second, key_lparam(0, k.first == WM_KEYUP));
        std::vector<Seen> chars = run_and_collect_chars();
        std::vector<int> got;
        for (const Seen &s : chars) got.push_back((int)s.wp);
        EXPECT_EQ(got, c.chars) << "first key " << c.keys[0].second;
    }
    DestroyWindow(hwnd);
}

TEST(Keyboard, ARepostedKeyDownGivesTheOtherWindowTheSameCharacter) {
    HWND console = make_window(), graphics = make_window();
    drain();
    // Shift+A typed on the keyboard while the console has the focus; Shift is let go before the
    // graphics window's copy of the key-down is translated, which must still make 'A'.
    input_key(console, true, VK_SHIFT, 0x2A, false, KEYMOD_SHIFT);
    input_key(console, true, 'A', SCAN_A, false, KEYMOD_SHIFT);
    input_text(console, "A");
    input_key(console, false, VK_SHIFT, 0x2A, false, 0);
    MSG m = take();
    TranslateMessage(&m);
    m = take();
    ASSERT_EQ(m.wParam, (WPARAM)'A');
    TranslateMessage(&m);
    MSG ch = take();
    EXPECT_EQ(ch.message, (UINT)WM_CHAR);
    EXPECT_EQ(ch.hwnd, console);
    EXPECT_EQ(ch.wParam, (WPARAM)'A');
    MSG up = take();
    EXPECT_EQ(up.message, (UINT)WM_KEYUP);
    TranslateMessage(&up);

    PostMessageA(graphics, WM_KEYDOWN, m.wParam, m.lParam);
    std::vector<Seen> chars = run_and_collect_chars();
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(chars[0].hwnd, graphics);
    EXPECT_EQ(chars[0].wp, (WPARAM)'A');
    EXPECT_EQ(chars[0].lp, m.lParam);

    // A key-down that never came from the keyboard: both windows get what the key makes now.
    PostMessageA(console, WM_KEYDOWN, 'B', key_lparam(0x30));
    m = take();
    TranslateMessage(&m);
    PostMessageA(graphics, m.message, m.wParam, m.lParam);
    chars = run_and_collect_chars();
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].hwnd, console);
    EXPECT_EQ(chars[1].hwnd, graphics);
    EXPECT_EQ(chars[0].wp, (WPARAM)'b');
    EXPECT_EQ(chars[1].wp, (WPARAM)'b');
    DestroyWindow(console);
    DestroyWindow(graphics);
}

TEST(Keyboard, TextFromTheKeyboardIsTheCharacterEvenWhenReposted) {
    HWND console = make_window(), graphics = make_window();
    drain();
    // A key that makes 'é' (Windows-1252 0xE9) on this keyboard, the way SDL reports it.
    input_key(console, true, 'E', 0x12, false, 0);
    input_text(console, "\xC3\xA9");
    input_key(console, false, 'E', 0x12, false, 0);
    MSG down = take();
    ASSERT_EQ(down.message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(down.wParam, (WPARAM)'E');
    EXPECT_EQ((down.lParam >> 16) & 0xFF, 0x12);
    TranslateMessage(&down);
    PostMessageA(graphics, WM_KEYDOWN, down.wParam, down.lParam);
    std::vector<Seen> chars = run_and_collect_chars();
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].hwnd, console);
    EXPECT_EQ(chars[0].wp, 0xE9u);
    EXPECT_EQ(chars[1].hwnd, graphics);
    EXPECT_EQ(chars[1].wp, 0xE9u);

    // Text outside the code page makes no character at all.
    input_key(console, true, 'F', 0x21, false, 0);
    input_text(console, "\xD0\x96");
    EXPECT_TRUE(run_and_collect_chars().empty());

    // Ctrl+letter makes a control character whatever the text says; Enter makes 13.
    input_key(console, true, VK_CONTROL, 0x1D, false, KEYMOD_CTRL);
    input_key(console, true, 'Q', 0x10, false, KEYMOD_CTRL);
    input_key(console, false, VK_CONTROL, 0x1D, false, 0);
    input_key(console, true, VK_RETURN, 0x1C, false, 0);
    chars = run_and_collect_chars();
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wp, 17u);
    EXPECT_EQ(chars[1].wp, 13u);
    DestroyWindow(console);
    DestroyWindow(graphics);
}

TEST(Keyboard, KeysOfOtherLayoutsMakeKeyDownsThatCarryTheirCharacter) {
    // German ü and ß, French ù, the ISO key beside the left Shift: keys whose character the US
    // layout lacks still go down as the key at their position, so a window that re-posts its
    // key-downs (the console) hands their character on.
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode position;
        const char *text;
        int vk;
        int scan;
        unsigned ch;
    };
    const Case cases[] = {
        {0xFC, SDL_SCANCODE_LEFTBRACKET, "\xC3\xBC", VK_OEM_4, 0x1A, 0xFC},
        {0xDF, SDL_SCANCODE_MINUS, "\xC3\x9F", VK_OEM_MINUS, 0x0C, 0xDF},
        {0xF9, SDL_SCANCODE_APOSTROPHE, "\xC3\xB9", VK_OEM_7, 0x28, 0xF9},
        {0x3C, SDL_SCANCODE_NONUSBACKSLASH, "<", VK_OEM_102, 0x56, '<'},
    };
    HWND console = make_window(), graphics = make_window();
    drain();
    uint32_t id = window_get(console)->backend_id;
    ASSERT_NE(id, 0u);
    for (const Case &c : cases) {
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.windowID = id;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = c.sym;
        e.key.keysym.scancode = c.position;
        SDL_PushEvent(&e);
        SDL_Event text = {};
        text.type = SDL_TEXTINPUT;
        text.text.windowID = id;
        snprintf(text.text.text, sizeof text.text.text, "%s", c.text);
        SDL_PushEvent(&text);
        MSG down = take();
        ASSERT_EQ(down.message, (UINT)WM_KEYDOWN) << c.text;
        EXPECT_EQ(down.wParam, (WPARAM)c.vk) << c.text;
        EXPECT_EQ((down.lParam >> 16) & 0xFF, c.scan) << c.text;
        TranslateMessage(&down);
        PostMessageA(graphics, WM_KEYDOWN, down.wParam, down.lParam);
        std::vector<Seen> chars = run_and_collect_chars();
        ASSERT_EQ(chars.size(), 2u) << c.text;
        EXPECT_EQ(chars[0].hwnd, console);
        EXPECT_EQ(chars[0].wp, c.ch) << c.text;
        EXPECT_EQ(chars[1].hwnd, graphics);
        EXPECT_EQ(chars[1].wp, c.ch) << c.text;
    }
    DestroyWindow(console);
    DestroyWindow(graphics);
}

TEST(Keyboard, KeyMessagesCarryScanCodeRepeatAndReleaseBits) {
    HWND hwnd = make_window();
    drain();
    input_key(hwnd, true, 'A', SCAN_A, false, 0);
    input_key(hwnd, true, 'A', SCAN_A, true, 0);
    input_key(hwnd, false, 'A', SCAN_A, false, 0);
    input_key(hwnd, true, VK_RIGHT, 0x14D, false, 0);
    input_key(hwnd, true, 'X', 0x2D, false, KEYMOD_ALT);
    MSG m = take();
    EXPECT_EQ(m.message, (UINT)WM_KEYDOWN);
    EXPECT_EQ((DWORD)m.lParam, 0x001E0001u);
    m = take();
    EXPECT_EQ((DWORD)m.lParam, 0x401E0001u);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_KEYUP);
    EXPECT_EQ((DWORD)m.lParam, 0xC01E0001u);
    m = take();
    EXPECT_EQ(m.wParam, (WPARAM)VK_RIGHT);
    EXPECT_EQ((DWORD)m.lParam, 0x014D0001u);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ((DWORD)m.lParam, 0x202D0001u);
    DestroyWindow(hwnd);
    drain();
}

// Backends report a key by its position (SDL's scan codes are the USB usages the page's codes
// name too) and the layout's character on it; one table makes Windows' codes of both.
TEST(Keyboard, KeyPositionsBecomeScanCodesAndVirtualKeys) {
    struct Case {
        int usage, character;  // what a backend reports
        int scan, vk;          // what the key messages carry
    } cases[] = {
        {SDL_SCANCODE_A, 'a', 0x1E, 'A'},
        {SDL_SCANCODE_Q, 'a', 0x10, 'A'},            // AZERTY: the layout names a letter key
        {SDL_SCANCODE_Z, 0x44F, 0x2C, 'Z'},          // a letter no Latin layout has: the position
        {SDL_SCANCODE_M, ',', 0x32, VK_OEM_COMMA},   // punctuation follows the layout too
        {SDL_SCANCODE_SEMICOLON, 0xF6, 0x27, VK_OEM_1},
        {SDL_SCANCODE_1, '&', 0x02, '1'},
        {SDL_SCANCODE_0, 0, 0x0B, '0'},
        {SDL_SCANCODE_NONUSBACKSLASH, '<', 0x56, VK_OEM_102},
        {SDL_SCANCODE_RETURN, '\r', 0x1C, VK_RETURN},
        {SDL_SCANCODE_KP_ENTER, 0, 0x11C, VK_RETURN},
        {SDL_SCANCODE_KP_7, '7', 0x47, VK_NUMPAD0 + 7},  // the keypad keeps its own keys
        {SDL_SCANCODE_KP_0, 0, 0x52, VK_NUMPAD0},
        {SDL_SCANCODE_KP_DIVIDE, '/', 0x135, VK_DIVIDE},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0, 0x145, 0x90},
        {SDL_SCANCODE_PAUSE, 0, 0x45, VK_PAUSE},
        {SDL_SCANCODE_F1, 0, 0x3B, VK_F1},
        {SDL_SCANCODE_F12, 0, 0x58, VK_F1 + 11},
        {SDL_SCANCODE_F13, 0, 0, VK_F1 + 12},
        {SDL_SCANCODE_UP, 0, 0x148, VK_UP},
        {SDL_SCANCODE_DELETE, 127, 0x153, VK_DELETE},
        {SDL_SCANCODE_LSHIFT, 0, 0x2A, VK_SHIFT},
        {SDL_SCANCODE_RALT, 0, 0x138, VK_MENU},
        {SDL_SCANCODE_RGUI, 0, 0x15C, 0x5C},
        {SDL_SCANCODE_APPLICATION, 0, 0x15D, 0x5D},
        // Positions no Windows key has, and nonsense, make nothing.
        {0, 'a', 0, 0},
        {SDL_SCANCODE_MUTE, 0, 0, 0},
        {0xE8, 0, 0, 0},
        {-1, 'a', 0, 0},
        {1 << 30, 'a', 0, 0},
    };
    for (const Case &c : cases) {
        KeyCodes got = key_codes_of(c.usage, c.character);
        EXPECT_EQ(got.scan, c.scan) << "usage " << c.usage;
        EXPECT_EQ(got.vk, c.vk) << "usage " << c.usage;
    }
    // And they reach the queue as the key message of those codes.
    HWND hwnd = make_window();
    drain();
    input_key_at(hwnd, true, SDL_SCANCODE_KP_ENTER, 0, false, 0);
    input_key_at(hwnd, true, SDL_SCANCODE_MUTE, 0, false, 0);
    input_key_at(hwnd, false, SDL_SCANCODE_Q, 'a', false, 0);
    MSG m = take();
    EXPECT_EQ(m.wParam, (WPARAM)VK_RETURN);
    EXPECT_EQ((DWORD)m.lParam, 0x011C0001u);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_KEYUP);
    EXPECT_EQ(m.wParam, (WPARAM)'A');
    EXPECT_EQ((DWORD)m.lParam, 0xC0100001u);
    DestroyWindow(hwnd);
    drain();
}

TEST(Keyboard, Utf8ToWindows1252) {
    struct Case {
        const char *utf8;
        std::vector<int> chars;
    };
    const Case cases[] = {
        {"a", {'a'}},
        {"\xC3\xA9\xC3\xBF", {0xE9, 0xFF}},
        {"\xE2\x82\xAC", {0x80}},    // euro sign
        {"\xC5\xB8", {0x9F}},        // Y with diaeresis
        {"\xD0\x96", {-1}},          // Cyrillic: outside the code page
        {"\xF0\x9F\x98\x80", {-1}},  // emoji
        {"\xC2\x81", {-1}},          // a C1 control, unassigned in Windows-1252
        {"\xC3", {-1}},              // cut short
    };
    for (const Case &c : cases) EXPECT_EQ(keyboard_cp1252_from_utf8(c.utf8), c.chars) << c.utf8;
}

TEST(Mouse, ClicksArriveInClientCoordinatesBelowTheMenuBar) {
    HWND hwnd = make_window();
    window_attach_menu_bar(hwnd, (HMENU)hwnd);
    drain();
    input_mouse(hwnd, InputEvent::MOUSE_DOWN, 1, 30, 19 + 40, 1, 0);
    input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, 31, 19 + 41, 1, 0);
    input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, 32, 19 + 42, 1, 0);
    input_mouse(hwnd, InputEvent::MOUSE_UP, 1, 33, 19 + 43, 0, 0);
    input_mouse(hwnd, InputEvent::MOUSE_DOWN, 3, 0, 19, 4, KEYMOD_SHIFT);
    MSG m = take();
    EXPECT_EQ(m.message, (UINT)WM_LBUTTONDOWN);
    EXPECT_EQ(m.lParam, MAKELPARAM(30, 40));
    EXPECT_EQ(m.wParam, 1u);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_MOUSEMOVE);  // the two moves became one
    EXPECT_EQ(m.lParam, MAKELPARAM(32, 42));
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_LBUTTONUP);
    EXPECT_EQ(m.lParam, MAKELPARAM(33, 43));
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_RBUTTONDOWN);
    EXPECT_EQ(m.lParam, MAKELPARAM(0, 0));
    EXPECT_EQ(m.wParam, 2u | 4u);
    window_attach_menu_bar(hwnd, nullptr);
    DestroyWindow(hwnd);
    drain();
}

// A window covering the screen shows its picture as large as whole pixels allow, centred on
// black; clicks on it still arrive in its own pixels, and off puts it back as it was.
TEST(Mouse, AFullScreenWindowScalesItsPictureAndClicksMapBack) {
    HWND hwnd = make_window(WS_CAPTION | WS_SYSMENU, 160, 130);
    drain();
    Window *w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(TavixSetFullscreen(hwnd, TRUE));
    EXPECT_TRUE(TavixSetFullscreen(hwnd, TRUE));  // already on
    int sw = w->surface.width, sh = w->surface.height, s = w->scale;
    POINT at = w->origin;
    ScreenPixels shown = {};
    windows_present_changed();
    ASSERT_TRUE(backend->window_framebuffer(w->backend_id, 0, 0, &shown));
    // The largest whole scale that fits, centred.
    EXPECT_GT(s, 1);
    EXPECT_TRUE(sw * (s + 1) > shown.width || sh * (s + 1) > shown.height) << s;
    EXPECT_LE(std::abs(shown.width - 2 * at.x - sw * s), 1);
    EXPECT_LE(std::abs(shown.height - 2 * at.y - sh * s), 1);
    EXPECT_EQ(shown.pixels[0] & 0xFFFFFF, 0u);  // black around it
    EXPECT_EQ(shown.pixels[(size_t)(at.y + sh * s - 1) * shown.stride + at.x + sw * s - 1] &
                  0xFFFFFF,
              w->surface.pixels[(size_t)sh * sw - 1] & 0xFFFFFF);
    struct Case {
        int screen_x, screen_y, x, y;
    } cases[] = {
        {at.x, at.y, 0, 0},
        {at.x + 10 * s + s - 1, at.y + 7 * s, 10, 7},
        {at.x + sw * s - 1, at.y + sh * s - 1, sw - 1, sh - 1},
    };
    for (const Case &c : cases) {
        input_mouse(hwnd, InputEvent::MOUSE_DOWN, 1, c.screen_x, c.screen_y, 1, 0);
        input_mouse(hwnd, InputEvent::MOUSE_UP, 1, c.screen_x, c.screen_y, 0, 0);
        MSG m = take();
        EXPECT_EQ(m.message, (UINT)WM_LBUTTONDOWN);
        EXPECT_EQ(m.lParam, MAKELPARAM(c.x, c.y)) << c.screen_x << " " << c.screen_y;
        take();
    }
    // A resize while it covers the screen keeps the surface and fits it again.
    input_resized(hwnd, sw * 2, sh * 2 + 1);
    EXPECT_EQ(w->scale, 2);
    EXPECT_EQ(w->surface.width, sw);
    EXPECT_EQ(w->origin.y, 0);
    ASSERT_TRUE(TavixSetFullscreen(hwnd, FALSE));
    EXPECT_EQ(w->scale, screen_scale());
    EXPECT_EQ(w->origin.x, 0);
    EXPECT_EQ(w->origin.y, 0);
    EXPECT_EQ(w->surface.width, sw);
    // The user takes it out of full screen and back outside the program's calls (a page's
    // Escape, its button): the window follows, and the program's next call acts again.
    const struct {
        bool on, by_user;  // the change, and whether the user (else the program) makes it
        int width, height;
        bool fullscreen;
        int scale, origin_x;  // -1: as TavixSetFullscreen fitted it before
    } steps[] = {
        {true, false, 0, 0, true, -1, -1},
        {false, true, 0, 0, false, screen_scale(), 0},
        {true, false, 0, 0, true, -1, -1},  // acts again, fitted again
        {false, false, 0, 0, false, screen_scale(), 0},
        {true, true, 0, 0, true, screen_scale(), 0},  // the backend scales the picture itself
        {false, false, 0, 0, false, screen_scale(), 0},
        {true, true, sw * 3, sh * 3, true, 3, 0},
        {true, true, sw * 4, sh * 4, true, 3, 0},  // already on: nothing changes
        {false, true, 0, 0, false, screen_scale(), 0},
    };
    for (const auto &step : steps) {
        if (step.by_user)
            input_fullscreen(hwnd, step.on, step.width, step.height);
        else
            EXPECT_TRUE(TavixSetFullscreen(hwnd, step.on));
        EXPECT_EQ(w->fullscreen, step.fullscreen);
        EXPECT_EQ(w->scale, step.scale < 0 ? s : step.scale);
        EXPECT_EQ(w->origin.x, step.origin_x < 0 ? at.x : step.origin_x);
    }
    DestroyWindow(hwnd);
    // A picture larger than the screen cannot be shown whole: the window stays as it was.
    hwnd = make_window(WS_POPUP, 4000, 100);
    drain();
    w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(TavixSetFullscreen(hwnd, TRUE));
    EXPECT_FALSE(w->fullscreen);
    EXPECT_EQ(w->scale, screen_scale());
    EXPECT_EQ(w->origin.x, 0);
    DestroyWindow(hwnd);
    drain();
}

// Backends report positions in screen pixels; a window shown scale times larger, its picture
// moved by origin, gets the window pixel each falls on: rounded down, also left of the window.
TEST(Mouse, ScreenPositionsBecomeTheWindowPixelTheyFallOn) {
    HWND hwnd = make_window();
    drain();
    Window *w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    SetCapture(hwnd);  // positions outside the window reach it too
    struct Case {
        int scale, origin, screen, window;
    } cases[] = {
        {1, 0, 5, 5},  {3, 6, 6, 0},  {1, 0, -1, -1}, {3, 6, 8, 0},           {3, 6, 9, 1},
        {3, 6, 5, -1}, {3, 6, 2, -2}, {3, 6, 3, -1},  {2, 0, -32767, -16384},
    };
    for (const Case &c : cases) {
        w->scale = c.scale;
        w->origin = POINT{c.origin, c.origin};
        input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, c.screen, c.screen, 1, 0);
        MSG m = take();
        EXPECT_EQ(m.message, (UINT)WM_MOUSEMOVE) << c.screen;
        EXPECT_EQ((short)LOWORD(m.lParam), c.window) << c.scale << " " << c.screen;
        EXPECT_EQ((short)HIWORD(m.lParam), c.window) << c.scale << " " << c.screen;
    }
    ReleaseCapture();
    w->scale = 1;
    w->origin = POINT{0, 0};
    DestroyWindow(hwnd);
    drain();
}

TEST(Mouse, WheelCaptureAndFocusLossAsWindowsSendsThem) {
    HWND hwnd = make_window(), other = make_window();
    SetFocus(hwnd);
    drain();
    // Pointer at surface pixel (50, 60): the wheel carries it in screen coordinates, which
    // ScreenToClient brings back to the client pixel; one notch is WHEEL_DELTA, toward the user
    // negative, the buttons and Shift/Ctrl in the low word.
    input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, 50, 60, 0, 0);
    input_wheel(other, 1, 0, 0);
    input_wheel(hwnd, -2, 4, KEYMOD_SHIFT);
    MSG m = take();
    EXPECT_EQ(m.message, (UINT)WM_MOUSEMOVE);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_MOUSEWHEEL);
    EXPECT_EQ(m.hwnd, hwnd);  // the focus window, wherever the pointer is
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.wParam), WHEEL_DELTA);
    EXPECT_EQ(LOWORD(m.wParam), 0);
    POINT at = {GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    ASSERT_TRUE(ScreenToClient(hwnd, &at));
    EXPECT_EQ(at.x, 50);
    EXPECT_EQ(at.y, 60);
    m = take();
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.wParam), -2 * WHEEL_DELTA);
    EXPECT_EQ(LOWORD(m.wParam), MK_RBUTTON | MK_SHIFT);

    // Outside the client area nothing comes, unless the window holds the capture: then moves and
    // the release come in its client coordinates, negative to the left.
    input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, -5, 10, 1, 0);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, -5, 10, 1, 0);
    input_mouse(hwnd, InputEvent::MOUSE_UP, 1, 700, 10, 0, 0);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -5);
    EXPECT_EQ(m.wParam, (WPARAM)MK_LBUTTON);
    m = take();
    EXPECT_EQ(m.message, (UINT)WM_LBUTTONUP);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 700);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);

    // The window manager taking the focus away reaches the focus window as WM_KILLFOCUS; a
    // notice for a window without the focus changes nothing.
    seen_messages().clear();
    input_focus_lost(other);
    EXPECT_EQ(GetFocus(), hwnd);
    input_focus_lost(hwnd);
    EXPECT_EQ(GetFocus(), nullptr);
    ASSERT_EQ(seen_of(WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(seen_of(WM_KILLFOCUS)[0].hwnd, hwnd);
    DestroyWindow(hwnd);
    DestroyWindow(other);
    drain();
}
