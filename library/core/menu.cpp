// The graphics window's "&Run" menu, its Ctrl-key accelerators and the commands both carry out:
// animation control, logging, script recording and playback, quit. Only the Logging, Record and
// Playback items ever carry a check mark, and each mirrors its switch in the state record.
#include "library/core/state.h"
#include "library/script/script_line.h"

#define TAVIX_CONTACT "https://github.com/tavix/tavix/issues"

struct RunMenuItem {
    UINT flags;
    UINT id;
    const char *text;  // null for a separator
};

static const RunMenuItem run_menu_items[] = {
    {MF_STRING, ID_ANIMATE, "&Animate\tCtrl+A"},
    {MF_STRING, ID_HALT, "&Halt animation\tCtrl+H"},
    {MF_STRING, ID_STEP, "Advance one &frame\tCtrl+F"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_CHECKED, ID_LOGGING, "&Logging\tCtrl+L"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_STRING, ID_RECORD, "&Record Script\tCtrl+R"},
    {MF_STRING, ID_PLAYBACK, "&Playback Script\tCtrl+P"},
    {MF_STRING, ID_PLAY_ONE, "Play &One Script\tCtrl+O"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_STRING, ID_QUIT, "&Quit\tCtrl+Q"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_GRAYED, ID_INFO, "TAVIX v2.2 July 1997"},
    {MF_GRAYED, ID_INFO, "MAC: " TAVIX_CONTACT},
    {MF_GRAYED, ID_INFO, "WINDOWS: " TAVIX_CONTACT},
    {MF_GRAYED, ID_INFO, "UPDATES: " TAVIX_CONTACT},
};

// The Ctrl+letter accelerators. Key-down notices carry the upper-case letter whatever Shift or
// Caps Lock say, so one row per letter covers both cases.
struct Accelerator {
    WPARAM key;
    int id;
};

static const Accelerator accelerators[] = {
    {'A', ID_ANIMATE}, {'H', ID_HALT},     {'F', ID_STEP},     {'L', ID_LOGGING},
    {'R', ID_RECORD},  {'P', ID_PLAYBACK}, {'O', ID_PLAY_ONE}, {'Q', ID_QUIT},
};

void build_run_menu(HWND hwnd) {
    HMENU bar = CreateMenu();
    library_state.menu.run_menu = CreatePopupMenu();
    for (const RunMenuItem &item : run_menu_items)
        AppendMenuA(library_state.menu.run_menu, item.flags, item.id, item.text);
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)library_state.menu.run_menu, "&Run");
    SetMenu(hwnd, bar);
    DrawMenuBar(hwnd);
}

static void set_run_check(UINT id, int on) {
    CheckMenuItem(library_state.menu.run_menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// The command a key-down of key carries out now, 0 for none.
static int accelerator_command(WPARAM key) {
    if (!library_state.menu.ctrl_down) return 0;
    for (const Accelerator &accelerator : accelerators)
        if (accelerator.key == key) return accelerator.id;
    return 0;
}

int run_menu_takes_key(WPARAM key) {
    return accelerator_command(key) != 0;
}

void handle_key_down(WPARAM key) {
    if (key == VK_CONTROL) {
        library_state.menu.ctrl_down = 1;
        return;
    }
    if (int id = accelerator_command(key)) handle_command(id);
}

void handle_key_up(WPARAM key) {
    if (key == VK_CONTROL) library_state.menu.ctrl_down = 0;
}

static void toggle_logging(void) {
    library_state.draw.logging = library_state.draw.logging ? 0 : 1;
    set_run_check(ID_LOGGING, library_state.draw.logging);
}

// Recording and playback never run at once: they would share the one stream, so a recording
// could write into the script being read, or count again the ticks the player hands out. Each
// refuses while the other is on, and says so.
static int playback_active(void) {
    return library_state.script.playing_back || library_state.script.play_one;
}

static void toggle_recording(void) {
    LibraryState &s = library_state;
    if (s.script.recording) {
        flush_extra_runs();
        s.script.recording = 0;
        set_run_check(ID_RECORD, 0);
        if (s.script.periodic_count > 0) {
            write_script_line(TAVIX_PERIODIC, s.events.pending.x, s.events.pending.y,
                              s.events.pending.key);
            s.script.periodic_count = 0;
        }
        close_script();
        return;
    }
    if (playback_active()) {
        TAVIX_console_printf("Cannot record to script file %s while it is playing back\n",
                             library_state.settings.script_name);
        return;
    }
    // A stream left open by an ended or single-event playback is a reading one: drop it, so the
    // recording opens the file afresh and does not inherit a half-played run.
    if (s.script.file) close_script();
    s.script.periodic_count = 0;
    s.script.recording = 1;
    s.script.recording_from_start = 0;
    set_run_check(ID_RECORD, 1);
}

static void toggle_playback(void) {
    LibraryState &s = library_state;
    if (s.script.playing_back) {
        s.script.playing_back = 0;
        s.script.replaying = 0;  // the user took over: its end no longer ends the program
        set_run_check(ID_PLAYBACK, 0);
        close_script();
        release_keys_let_go();
        return;
    }
    if (s.script.recording) {
        TAVIX_console_printf("Cannot play script file %s while recording\n",
                             library_state.settings.script_name);
        return;
    }
    s.events.running = 0;
    s.events.single_step = 0;
    s.script.playing_back = 1;
    set_run_check(ID_PLAYBACK, 1);
}

static void play_one_event(void) {
    LibraryState &s = library_state;
    if (s.script.recording) {
        TAVIX_console_printf("Cannot play script file %s while recording\n",
                             library_state.settings.script_name);
        return;
    }
    s.script.play_one = 1;
    s.events.running = 0;
    s.events.single_step = 0;
}

void handle_command(int id) {
    LibraryState &s = library_state;
    switch (id) {
        case ID_ANIMATE:
            s.events.running = 1;
            break;
        case ID_HALT:
            s.events.running = 0;
            break;
        case ID_STEP:
            s.events.running = 0;
            s.events.single_step = 1;
            break;
        case ID_LOGGING:
            toggle_logging();
            break;
        case ID_RECORD:
            toggle_recording();
            break;
        case ID_PLAYBACK:
            toggle_playback();
            break;
        case ID_PLAY_ONE:
            play_one_event();
            break;
        case ID_QUIT:
            PostQuitMessage(0);
            break;
        default:
            break;
    }
}

int TAVIX_set_logging(int on) {
    if (!library_state.window.graphics) return 0;
    library_state.draw.logging = on ? 1 : 0;
    set_run_check(ID_LOGGING, library_state.draw.logging);
    // Switching logging on from the program shows where the log lines go; off leaves it be.
    if (library_state.draw.logging && !library_state.life.finished) TAVIX_show_console(1);
    return 1;
}

void stop_playback(void) {
    library_state.script.playing_back = 0;
    library_state.script.play_one = 0;
    set_run_check(ID_PLAYBACK, 0);
    // A replay asked for from the environment ends the program with its script.
    if (library_state.script.replaying) {
        library_state.script.replaying = 0;
        PostQuitMessage(0);
    } else {
        release_keys_let_go();
    }
}

void stop_recording(void) {
    library_state.script.recording = 0;
    set_run_check(ID_RECORD, 0);
}
