// The menu's mouse and keyboard handling without a display: input events go through the input
// hook as the SDL glue delivers them, and the test reads which commands were posted, which events
// the menu kept from the window, and whether the pop-up is showing.
#include "tests/programs/platform_run_menu.h"
#include "platform/surface.h"
#include "platform/user/input.h"
#include "platform/user/menu_track.h"
#include "platform/user/window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Where things lie in the window's surface (the bar is 19 pixels, the pop-up has a 3-pixel
// border, text rows are 18 and separators 9 pixels high).
const int kTitleX = 15, kTitleY = 9;
bool is_separator(int index) {
    return index == 3 || index == 5 || index == 9 || index == 11;
}
// The middle row of item `index`, surface coordinates.
int item_y(int index) {
    int y = 19 + 3;
    for (int i = 0; i < index; ++i) y += is_separator(i) ? 9 : 18;
    return y + (is_separator(index) ? 4 : 9);
}

class MenuTracking : public ::testing::Test {
   protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "MenuTrackTest";
            ASSERT_TRUE(RegisterClassA(&wc));
            registered = true;
        }
        hwnd = CreateWindowExA(0, "MenuTrackTest", "menus", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                               0, 0, 601, 540, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        bar = build_run_menu_bar(&run);
        ASSERT_TRUE(SetMenu(hwnd, bar));
        ShowWindow(hwnd, SW_SHOW);
        drain();
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        drain();
    }
    // Takes every queued message; returns the ids of the WM_COMMANDs among them.
    std::vector<int> drain() {
        std::vector<int> commands;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_COMMAND) commands.push_back((int)(msg.wParam & 0xFFFF));
            DispatchMessageA(&msg);
        }
        return commands;
    }
    bool send(InputEvent::Type type, int vk, bool alt = false) {
        InputEvent e = {type, 0, 0, 0, vk, alt, false};
        return menu_filter_input(hwnd, e);
    }
    // A key pressed and released; true when the menu took the press.
    bool key(int vk, bool alt = false) {
        bool taken = send(InputEvent::KEY_DOWN, vk, alt);
        bool up_taken = send(InputEvent::KEY_UP, vk, alt);
        EXPECT_EQ(taken, up_taken) << "key-up of vk " << vk << " went elsewhere than its key-down";
        return taken;
    }
    // Alt+letter as a hand types it: Alt down, letter down and up, Alt up.
    bool alt_key(int vk) {
        send(InputEvent::KEY_DOWN, VK_MENU, true);
        bool taken = key(vk, true);
        send(InputEvent::KEY_UP, VK_MENU, false);
        return taken;
    }
    bool mouse(InputEvent::Type type, int x, int y) {
        InputEvent e = {type, x, y, 1, 0, false, false};
        return menu_filter_input(hwnd, e);
    }
    bool click(int x, int y) {
        bool down = mouse(InputEvent::MOUSE_DOWN, x, y);
        bool up = mouse(InputEvent::MOUSE_UP, x, y);
        EXPECT_EQ(down, up) << "press and release at " << x << "," << y << " went apart";
        return down;
    }
    bool popup_open() {
        Window *w = window_get(hwnd);
        return w && w->overlay != nullptr;
    }

    HWND hwnd = nullptr;
    HMENU bar = nullptr, run = nullptr;
};

// A step of keyboard use: a key, with Alt held or not.
struct Key {
    int vk;
    bool alt;
};

TEST_F(MenuTracking, KeyboardSequencesChooseTheRightCommand) {
    struct Case {
        const char *what;
        std::vector<Key> keys;
        std::vector<int> commands;
        bool open_after;
    } cases[] = {
        {"Alt+R then Q", {{'R', true}, {'Q', false}}, {8}, false},
        {"Alt+R then lower-case mnemonics by key", {{'R', true}, {'F', false}}, {3}, false},
        {"Alt+R then P (Playback; One is on O)", {{'R', true}, {'P', false}}, {6}, false},
        {"F10 selects the bar, Enter opens on the first item, Enter chooses",
         {{VK_F10, false}, {VK_RETURN, false}, {VK_RETURN, false}},
         {1},
         false},
        {"arrows skip the separator",
         {{VK_F10, false},
          {VK_DOWN, false},
          {VK_DOWN, false},
          {VK_DOWN, false},
          {VK_DOWN, false},
          {VK_RETURN, false}},
         {4},
         false},
        {"Up from the first wraps to a grayed line, which Enter cannot choose",
         {{'R', true}, {VK_UP, false}, {VK_RETURN, false}},
         {},
         true},
        {"grayed lines share the mnemonic-less id 9 and never post it",
         {{'R', true}, {VK_UP, false}, {VK_UP, false}, {VK_RETURN, false}},
         {},
         true},
        {"Down past the last wraps to the first",
         {{'R', true}, {VK_UP, false}, {VK_DOWN, false}, {VK_RETURN, false}},
         {1},
         false},
        {"Right with one title reopens it",
         {{'R', true}, {VK_RIGHT, false}, {VK_RETURN, false}},
         {1},
         false},
        {"Esc closes the pop-up, Esc again leaves the bar",
         {{'R', true}, {VK_ESCAPE, false}, {VK_ESCAPE, false}},
         {},
         false},
        {"F10 while open leaves the menu", {{'R', true}, {VK_F10, false}}, {}, false},
        {"Esc from the pop-up keeps the bar; Down opens again",
         {{'R', true}, {VK_ESCAPE, false}, {VK_DOWN, false}, {VK_DOWN, false}, {VK_RETURN, false}},
         {2},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const Key &k : c.keys) {
            bool taken = k.alt ? alt_key(k.vk) : key(k.vk);
            EXPECT_TRUE(taken) << "vk " << k.vk << " reached the window";
        }
        EXPECT_EQ(drain(), c.commands);
        EXPECT_EQ(popup_open(), c.open_after);
        // Leave the menu whatever state the case ended in.
        while (key(VK_ESCAPE)) {
        }
        drain();
        EXPECT_FALSE(popup_open());
    }
}

TEST_F(MenuTracking, AltAloneSelectsTheBarAndOtherKeysPassWhenIdle) {
    EXPECT_FALSE(key('A')) << "a plain key belongs to the window";
    EXPECT_FALSE(alt_key('X')) << "Alt with a letter no title has belongs to the window";
    EXPECT_FALSE(menu_took_last_key(hwnd));
    // Alt pressed and released alone selects the bar: the next letter is a title's mnemonic.
    send(InputEvent::KEY_DOWN, VK_MENU, true);
    send(InputEvent::KEY_UP, VK_MENU);
    EXPECT_TRUE(key('R'));
    EXPECT_TRUE(menu_took_last_key(hwnd)) << "the text of R must not become a character";
    EXPECT_TRUE(popup_open());
    // Ctrl's release is the window's even while the menu is open, so it never sticks down.
    EXPECT_FALSE(send(InputEvent::KEY_UP, VK_CONTROL));
    EXPECT_TRUE(key('Q'));
    EXPECT_EQ(drain(), std::vector<int>{8});
    // Alt pressed and released alone twice: selected, then left again.
    for (int i = 0; i < 2; ++i) {
        send(InputEvent::KEY_DOWN, VK_MENU, true);
        send(InputEvent::KEY_UP, VK_MENU);
    }
    EXPECT_FALSE(key('A'));
    EXPECT_FALSE(menu_took_last_key(hwnd));
}

TEST_F(MenuTracking, MouseOpensChoosesAndCloses) {
    // Click the title, then Animate.
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(popup_open());
    EXPECT_TRUE(click(60, item_y(0)));
    EXPECT_EQ(drain(), std::vector<int>{1});
    EXPECT_FALSE(popup_open());

    // A grayed line and a separator choose nothing and keep the pop-up open.
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(click(60, item_y(14)));
    EXPECT_TRUE(click(60, item_y(3)));
    EXPECT_TRUE(drain().empty());
    EXPECT_TRUE(popup_open());
    // A click outside closes it, and is not the window's; the next one is.
    EXPECT_TRUE(click(500, 400));
    EXPECT_FALSE(popup_open());
    EXPECT_FALSE(click(500, 400));
    EXPECT_TRUE(drain().empty());

    // A second click on the open title closes it.
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_FALSE(popup_open());

    // Press on the title, drag down to Advance one frame, let go there: chosen.
    EXPECT_TRUE(mouse(InputEvent::MOUSE_DOWN, kTitleX, kTitleY));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_MOVE, 40, item_y(1)));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_MOVE, 40, item_y(2)));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_UP, 40, item_y(2)));
    EXPECT_EQ(drain(), std::vector<int>{3});

    // Hovering picks the item Enter chooses; a separator under the pointer picks none.
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_MOVE, 40, item_y(8)));
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_EQ(drain(), std::vector<int>{7});
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_MOVE, 40, item_y(9)));
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_TRUE(drain().empty());
    EXPECT_TRUE(popup_open());
    EXPECT_TRUE(key(VK_ESCAPE));
    EXPECT_TRUE(key(VK_ESCAPE));

    // Moves and clicks in the client area are the window's while nothing is open; the bar's
    // never are.
    EXPECT_FALSE(mouse(InputEvent::MOUSE_MOVE, 300, 300));
    EXPECT_FALSE(click(300, 300));
    EXPECT_TRUE(mouse(InputEvent::MOUSE_MOVE, 300, 5));
    EXPECT_TRUE(click(300, 5));
    EXPECT_FALSE(popup_open());
}

TEST_F(MenuTracking, CheckMarksAndClosingRepaintTheWindow) {
    // The check mark follows CheckMenuItem into the next opening of the pop-up.
    EXPECT_EQ(CheckMenuItem(run, 4, MF_UNCHECKED), (DWORD)MF_CHECKED);
    EXPECT_TRUE(alt_key('R'));
    Window *w = window_get(hwnd);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->overlay, nullptr);
    const Surface *popup = w->overlay;
    EXPECT_EQ(w->overlay_x, 0);
    EXPECT_EQ(w->overlay_y, 19);
    auto black_in_check_column = [&popup](int item) {
        int n = 0, y0 = item_y(item) - 19 - 5;
        for (int y = y0; y < y0 + 10; ++y)
            for (int x = 3; x < 21; ++x) n += popup->pixels[y * popup->width + x] == 0;
        return n;
    };
    EXPECT_EQ(black_in_check_column(4), 0);
    EXPECT_TRUE(key(VK_ESCAPE));
    EXPECT_TRUE(key(VK_ESCAPE));
    drain();
    CheckMenuItem(run, 4, MF_CHECKED);
    EXPECT_TRUE(alt_key('R'));
    popup = window_get(hwnd)->overlay;
    ASSERT_NE(popup, nullptr);
    EXPECT_GT(black_in_check_column(4), 8);
    int popup_w = popup->width, popup_h = popup->height;

    // Closing invalidates what the pop-up covered: the window gets WM_PAINT for it.
    EXPECT_TRUE(key(VK_ESCAPE));
    w = window_get(hwnd);
    EXPECT_TRUE(w->invalid);
    EXPECT_LE(w->invalid_rect.left, 0);
    EXPECT_LE(w->invalid_rect.top, 0);
    EXPECT_GE(w->invalid_rect.right, popup_w);
    EXPECT_GE(w->invalid_rect.bottom, popup_h);
    EXPECT_TRUE(key(VK_ESCAPE));
}

TEST_F(MenuTracking, DestroyingTheMenuOrTheWindowWhileOpenIsHarmless) {
    EXPECT_TRUE(alt_key('R'));
    EXPECT_TRUE(DestroyMenu(bar));
    // The next input finds the menu gone: the pop-up closes, the key is the window's.
    EXPECT_FALSE(key(VK_DOWN));
    EXPECT_FALSE(popup_open());
    EXPECT_TRUE(drain().empty());

    // A window going away takes its open pop-up and its menu bar with it.
    HMENU other_run = nullptr;
    HMENU other = build_run_menu_bar(&other_run);
    ASSERT_TRUE(SetMenu(hwnd, other));
    EXPECT_EQ(GetMenu(hwnd), other);
    EXPECT_TRUE(click(kTitleX, kTitleY));
    EXPECT_TRUE(popup_open());
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(GetMenuItemCount(other), -1);
    EXPECT_EQ(GetMenuItemCount(other_run), -1);
    EXPECT_FALSE(SetMenu(hwnd, nullptr));
    EXPECT_FALSE(DrawMenuBar(hwnd));
    EXPECT_EQ(GetMenu(hwnd), nullptr);
}

}  // namespace
