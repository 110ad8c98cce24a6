// The Run menu: its items, the check marks after each command and after TAVIX_set_logging, and
// the Ctrl-key accelerators as the graphics window receives them.
#include "tests/script/library_fixture.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Runs before any test opens the library.
TEST(RunMenuBeforeStart, SetLoggingRefusesWhileClosed) {
    ASSERT_EQ(library_state.window.graphics, nullptr);
    EXPECT_EQ(TAVIX_set_logging(0), 0);
    EXPECT_EQ(library_state.draw.logging, 1);
}

using RunMenuTest = LibraryTest;

TEST_F(RunMenuTest, HoldsTheItemsInOrder) {
    HMENU bar = GetMenu(library_state.window.graphics);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(GetSubMenu(bar, 0), library_state.menu.run_menu);
    char text[128] = {};
    GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Run");

    const struct {
        UINT id;
        const char *text;  // null for a separator
        bool grayed;
    } items[] = {
        {ID_ANIMATE, "&Animate\tCtrl+A", false},
        {ID_HALT, "&Halt animation\tCtrl+H", false},
        {ID_STEP, "Advance one &frame\tCtrl+F", false},
        {0, nullptr, false},
        {ID_LOGGING, "&Logging\tCtrl+L", false},
        {0, nullptr, false},
        {ID_RECORD, "&Record Script\tCtrl+R", false},
        {ID_PLAYBACK, "&Playback Script\tCtrl+P", false},
        {ID_PLAY_ONE, "Play &One Script\tCtrl+O", false},
        {0, nullptr, false},
        {ID_QUIT, "&Quit\tCtrl+Q", false},
        {0, nullptr, false},
        {ID_INFO, "TAVIX v2.2 July 1997", true},
        {ID_INFO, "MAC: https://github.com/tavix/tavix/issues", true},
        {ID_INFO, "WINDOWS: https://github.com/tavix/tavix/issues", true},
        {ID_INFO, "UPDATES: https://github.com/tavix/tavix/issues", true},
    };
    HMENU run = library_state.menu.run_menu;
    ASSERT_EQ(GetMenuItemCount(run), 16);
    for (int i = 0; i < 16; i++) {
        SCOPED_TRACE(i);
        UINT state = GetMenuState(run, i, MF_BYPOSITION);
        if (!items[i].text) {
            EXPECT_TRUE(state & MF_SEPARATOR);
            continue;
        }
        EXPECT_EQ(GetMenuItemID(run, i), items[i].id);
        GetMenuStringA(run, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
        EXPECT_EQ((state & MF_GRAYED) != 0, items[i].grayed);
    }
}

TEST_F(RunMenuTest, CheckMarksFollowEachCommand) {
    write_file("TAVIX_PERIODIC(100);\n");
    const struct {
        int id;
        bool logging, recording, playback;
    } steps[] = {
        {ID_LOGGING, false, false, false}, {ID_LOGGING, true, false, false},
        {ID_RECORD, true, true, false},    {ID_ANIMATE, true, true, false},
        {ID_HALT, true, true, false},      {ID_STEP, true, true, false},
        {ID_PLAYBACK, true, true, false},  // refused while recording
        {ID_RECORD, true, false, false},   {ID_PLAYBACK, true, false, true},
        {ID_PLAY_ONE, true, false, true},  {ID_INFO, true, false, true},
        {ID_LOGGING, false, false, true},  {ID_PLAYBACK, false, false, false},
        {12345, false, false, false},
    };
    EXPECT_TRUE(checked(ID_LOGGING));  // as built, matching logging's start
    for (const auto &step : steps) {
        SCOPED_TRACE(step.id);
        handle_command(step.id);
        EXPECT_EQ(checked(ID_LOGGING), step.logging);
        EXPECT_EQ(library_state.draw.logging, step.logging ? 1 : 0);
        EXPECT_EQ(checked(ID_RECORD), step.recording);
        EXPECT_EQ(library_state.script.recording, step.recording ? 1 : 0);
        EXPECT_EQ(checked(ID_PLAYBACK), step.playback);
        EXPECT_EQ(library_state.script.playing_back, step.playback ? 1 : 0);
        for (UINT other : {ID_ANIMATE, ID_HALT, ID_STEP, ID_PLAY_ONE, ID_QUIT, ID_INFO})
            EXPECT_FALSE(checked(other));
    }
}

TEST_F(RunMenuTest, AnimationCommands) {
    const struct {
        int id;
        int running_before, step_before;
        int running, single_step, play_one;
    } cases[] = {
        {ID_ANIMATE, 0, 1, 1, 1, 0},  {ID_HALT, 1, 1, 0, 1, 0},     {ID_STEP, 1, 0, 0, 1, 0},
        {ID_PLAY_ONE, 1, 1, 0, 0, 1}, {ID_PLAYBACK, 1, 1, 0, 0, 0}, {ID_RECORD, 1, 1, 1, 1, 0},
        {ID_INFO, 1, 1, 1, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.id);
        reset_library();
        if (c.running_before) TAVIX_set_animation(TAVIX_ANIM_RUN);
        if (c.step_before) TAVIX_set_animation(TAVIX_ANIM_STEP);
        handle_command(c.id);
        EXPECT_EQ(library_state.events.running, c.running);
        EXPECT_EQ(library_state.events.single_step, c.single_step);
        EXPECT_EQ(library_state.script.play_one, c.play_one);
    }
}

TEST_F(RunMenuTest, QuitPostsTheQuitMessage) {
    handle_command(ID_QUIT);
    library_state.events.pending.type = TAVIX_NO_EVENT;
    drain_queue();
    EXPECT_EQ(library_state.events.pending.type, TAVIX_QUIT);
    EXPECT_NE(library_state.window.graphics, nullptr);
    EXPECT_TRUE(IsWindow(library_state.window.graphics));  // the window stays
}

TEST_F(RunMenuTest, SetLoggingChecksAndShowsTheConsole) {
    HWND console = library_state.window.console;
    ShowWindow(console, SW_HIDE);
    EXPECT_EQ(TAVIX_set_logging(0), 1);
    EXPECT_EQ(library_state.draw.logging, 0);
    EXPECT_FALSE(checked(ID_LOGGING));
    EXPECT_FALSE(IsWindowVisible(console));  // switching off never shows it

    EXPECT_EQ(TAVIX_set_logging(7), 1);
    EXPECT_EQ(library_state.draw.logging, 1);
    EXPECT_TRUE(checked(ID_LOGGING));
    EXPECT_TRUE(IsWindowVisible(console));

    EXPECT_EQ(TAVIX_set_logging(0), 1);
    EXPECT_FALSE(checked(ID_LOGGING));
    EXPECT_TRUE(IsWindowVisible(console));  // nor hides it

    // The menu's own switch never shows the console.
    ShowWindow(console, SW_HIDE);
    handle_command(ID_LOGGING);
    EXPECT_EQ(library_state.draw.logging, 1);
    EXPECT_TRUE(checked(ID_LOGGING));
    EXPECT_FALSE(IsWindowVisible(console));
    ShowWindow(console, SW_SHOW);
}

// Keys as the window gets them, through the queue and the graphics window procedure.
void key_down(WPARAM vk, HWND to = library_state.window.graphics) {
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    LibraryTest::drain_queue();
}
void key_up(WPARAM vk, HWND to = library_state.window.graphics) {
    PostMessageA(to, WM_KEYUP, vk, (LPARAM)0xC0000001);
    LibraryTest::drain_queue();
}

TEST_F(RunMenuTest, CtrlLettersCarryOutTheirCommands) {
    const struct {
        WPARAM key;
        bool shift;
        int running, single_step, logging, recording;
    } cases[] = {
        {'A', false, 1, 0, 1, 0},        {'A', true, 1, 0, 1, 0},  // Shift makes no difference
        {'H', false, 0, 0, 1, 0},        {'F', true, 0, 1, 1, 0},  {'L', false, 0, 0, 0, 0},
        {'R', false, 0, 0, 1, 1},        {'B', false, 0, 0, 1, 0},  // not an accelerator
        {'A' + 0x20, false, 0, 0, 1, 0},  // 0x61 is the keypad's 1, not a letter
        {VK_F1, false, 0, 0, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        reset_library();
        key_down(VK_CONTROL);
        if (c.shift) key_down(VK_SHIFT);
        key_down(c.key);
        key_up(c.key);
        if (c.shift) key_up(VK_SHIFT);
        key_up(VK_CONTROL);
        EXPECT_EQ(library_state.menu.ctrl_down, 0);
        EXPECT_EQ(library_state.events.running, c.running);
        EXPECT_EQ(library_state.events.single_step, c.single_step);
        EXPECT_EQ(library_state.draw.logging, c.logging);
        EXPECT_EQ(library_state.script.recording, c.recording);
        EXPECT_EQ(checked(ID_LOGGING), c.logging == 1);
        EXPECT_EQ(checked(ID_RECORD), c.recording == 1);
    }
}

// The key events a program takes with TAVIX_poll, as "D11 U52": down or up, the key in hex.
std::string polled_keys() {
    std::string seen;
    TAVIX_Event e;
    for (int guard = 0; guard < 100 && TAVIX_poll(&e); guard++) {
        char item[16];
        if (e.type != TAVIX_KEY_DOWN && e.type != TAVIX_KEY_UP) continue;
        snprintf(item, sizeof item, "%s%c%X", seen.empty() ? "" : " ",
                 e.type == TAVIX_KEY_DOWN ? 'D' : 'U', e.key);
        seen += item;
    }
    return seen;
}

// The same, from the key event lines of the script file.
std::string recorded_keys(const std::string &file) {
    std::string seen;
    size_t at = 0;
    for (size_t end; (end = file.find('\n', at)) != std::string::npos; at = end + 1) {
        int type, x, y, key;
        char item[16];
        if (sscanf(file.c_str() + at, "TAVIX_EVENT(%d, %d, %d, %d,", &type, &x, &y, &key) != 4 ||
            (type != TAVIX_KEY_DOWN && type != TAVIX_KEY_UP))
            continue;
        snprintf(item, sizeof item, "%s%c%X", seen.empty() ? "" : " ",
                 type == TAVIX_KEY_DOWN ? 'D' : 'U', key);
        seen += item;
    }
    return seen;
}

// The menu takes Ctrl+letter: the program never sees the letter go down, in the events or the
// keys held, and a recording never holds it; as on Windows, the letter's release still comes.
TEST_F(RunMenuTest, AcceleratorsAreNotTheProgramsKeys) {
    write_file("");  // Ctrl+P and Ctrl+O meet the end of the script at once
    for (char letter : {'A', 'H', 'F', 'L', 'R', 'P', 'O', 'Q'}) {
        SCOPED_TRACE(letter);
        reset_library();
        remove(SCRIPT_FILE_NAME);
        write_file("");
        // Recording already runs, except for Ctrl+R, which starts it.
        if (letter != 'R') handle_command(ID_RECORD);
        HWND g = library_state.window.graphics;
        PostMessageA(g, WM_KEYDOWN, VK_CONTROL, 0x001D0001);
        PostMessageA(g, WM_KEYDOWN, letter, 0x00130001);
        harness::post_action([letter] { EXPECT_EQ(TAVIX_key_down(letter), 0); });
        PostMessageA(g, WM_KEYUP, letter, (LPARAM)0xC0130001u);
        PostMessageA(g, WM_KEYUP, VK_CONTROL, (LPARAM)0xC01D0001u);
        std::string keys = polled_keys();
        char up[8];
        snprintf(up, sizeof up, "U%X", letter);
        EXPECT_EQ(keys, std::string("D11 ") + up + " U11");
        if (library_state.script.recording) handle_command(ID_RECORD);
        EXPECT_EQ(recorded_keys(read_file()), letter == 'R' ? std::string(up) + " U11" : keys);
    }
    reset_library();
}

// 'a' to 'z' are other keys' codes: asking for one while its letter is held (and the key it
// names is not) is told on the console, once a program.
TEST_F(RunMenuTest, LowerCaseLetterCodesAreToldOnce) {
    const struct {
        bool fresh;                // a program that has not been told yet
        std::vector<WPARAM> held;  // keys held, as the program was given them
        int asked;
        int result;
        const char *message;  // "" for none
    } cases[] = {
        {true, {}, 'w', 0, ""},
        {true, {'W'}, 'W', 1, ""},
        {true, {'W', TAVIX_KEY_F8}, 'w', 1, ""},  // F8 is held too: a program may mean it
        {true,
         {'W'},
         'w',
         0,
         "TAVIX_key_down('w') is the F8 key, not W: use TAVIX_key_down('W')\n"},
        {false, {'A'}, 'a', 0, ""},  // told once
        {true,
         {'A'},
         'a',
         0,
         "TAVIX_key_down('a') is the keypad 1 key, not A: use TAVIX_key_down('A')\n"},
        {true,
         {'O'},
         'o',
         0,
         "TAVIX_key_down('o') is the keypad / key, not O: use TAVIX_key_down('O')\n"},
        {true,
         {'Z'},
         'z',
         0,
         "TAVIX_key_down('z') is the F11 key, not Z: use TAVIX_key_down('Z')\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.asked);
        if (c.fresh) library_state.events.key_case_warned = 0;
        for (WPARAM key : c.held) key_down(key);
        int mark = console_mark();
        EXPECT_EQ(TAVIX_key_down(c.asked), c.result);
        EXPECT_EQ(printed_since(mark), *c.message ? 1 : 0);
        if (*c.message) {
            EXPECT_EQ(last_message(), c.message);
        }
        for (WPARAM key : c.held) key_up(key);
    }
}

TEST_F(RunMenuTest, AutoRepeatTogglesEachTime) {
    key_down(VK_CONTROL);
    key_down('R');
    EXPECT_EQ(library_state.script.recording, 1);
    key_down('R');  // the repeat of a held key
    EXPECT_EQ(library_state.script.recording, 0);
    key_down('R');
    EXPECT_EQ(library_state.script.recording, 1);
    EXPECT_TRUE(checked(ID_RECORD));
}

TEST_F(RunMenuTest, CtrlReleasedElsewhereStaysDown) {
    key_down(VK_CONTROL);
    // The release went to another program's window: nothing arrives here. Other keys' releases
    // do not clear it.
    key_up('X');
    key_up(VK_SHIFT);
    EXPECT_EQ(library_state.menu.ctrl_down, 1);

    // Typed characters are dropped and the letters still act as accelerators.
    PostMessageA(library_state.window.graphics, WM_CHAR, 'a', 1);
    drain_queue();
    EXPECT_EQ(library_state.events.pending.type, TAVIX_NO_EVENT);
    key_down('A');
    EXPECT_EQ(library_state.events.running, 1);

    // Until Ctrl goes down and up again in one of the library's windows: here the console,
    // which passes its keys on.
    key_down(VK_CONTROL, library_state.window.console);
    key_up(VK_CONTROL, library_state.window.console);
    EXPECT_EQ(library_state.menu.ctrl_down, 0);
    key_down('H');
    EXPECT_EQ(library_state.events.running, 1);
}

}  // namespace
