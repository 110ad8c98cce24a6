// The richer wait for games and drawing programs: every key going down and up, every mouse
// button, motion and the wheel as TAVIX_Event records, the keys and buttons held now, and the
// events kept while a delay (or a focus loss, which lets go of every key) makes more than one.
#include "library/core/state.h"

#ifdef _WIN32
#include <windowsx.h>  // GET_X_LPARAM, GET_Y_LPARAM
#endif

#include <cstring>

static int playback_on(void) {
    return library_state.script.playing_back || library_state.script.play_one;
}

static int held_modifiers(void) {
    const uint8_t *held = library_state.events.keys_live;
    return (held[VK_SHIFT] ? TAVIX_MOD_SHIFT : 0) | (held[VK_CONTROL] ? TAVIX_MOD_CTRL : 0) |
           (held[VK_MENU] ? TAVIX_MOD_ALT : 0);
}

static void keep_event(const TAVIX_Event &event) {
    LibraryState &s = library_state;
    if (s.events.kept_count > 0 && event.type == TAVIX_MOUSE_MOVE) {
        // Motion may be coalesced: a move right behind another replaces it.
        TAVIX_Event &last =
            s.events.kept[(s.events.kept_first + s.events.kept_count - 1) % KEPT_EVENT_COUNT];
        if (last.type == TAVIX_MOUSE_MOVE && last.button == event.button) {
            last = event;
            return;
        }
    }
    // A full ring keeps what came first; TAVIX_delay stops taking input before it fills.
    if (s.events.kept_count == KEPT_EVENT_COUNT) return;
    s.events.kept[(s.events.kept_first + s.events.kept_count) % KEPT_EVENT_COUNT] = event;
    s.events.kept_count++;
}

static int take_kept(TAVIX_Event *event) {
    LibraryState &s = library_state;
    if (s.events.kept_count == 0) return 0;
    *event = s.events.kept[s.events.kept_first];
    s.events.kept_first = (s.events.kept_first + 1) % KEPT_EVENT_COUNT;
    s.events.kept_count--;
    return 1;
}

int take_kept_plain_event(void) {
    TAVIX_Event event;
    while (take_kept(&event)) {
        PendingEvent &pending = library_state.events.pending;
        if (event.type == TAVIX_KBD) {
            pending.type = TAVIX_KBD;
            pending.key = (signed char)(event.key & 0xFF);
            return 1;
        }
        if (event.type == TAVIX_MOUSE && event.button == 1) {
            pending.type = TAVIX_MOUSE;
            pending.x = event.x;
            pending.y = event.y;
            return 1;
        }
        if (event.type == TAVIX_QUIT) {
            pending.type = TAVIX_QUIT;
            return 1;
        }
    }
    return 0;
}

static const int button_bits[4] = {0, TAVIX_BUTTON_LEFT, TAVIX_BUTTON_MIDDLE, TAVIX_BUTTON_RIGHT};

// What an event changes in a record of held keys and the mouse (the program's or the live one).
static void apply_event(const TAVIX_Event *event, uint8_t *keys, int32_t *x, int32_t *y,
                        int32_t *buttons) {
    int key = event->key & 0xFF;
    int bit = event->button >= 1 && event->button <= 3 ? button_bits[event->button] : 0;
    switch (event->type) {
        case TAVIX_KEY_DOWN:
            keys[key] = 1;
            return;
        case TAVIX_KEY_UP:
            keys[key] = 0;
            return;
        case TAVIX_MOUSE:
            *buttons |= bit;
            break;
        case TAVIX_MOUSE_UP:
            *buttons &= ~bit;
            break;
        case TAVIX_MOUSE_MOVE:
            *buttons = event->button;
            break;
        case TAVIX_WHEEL:
            break;
        default:
            return;
    }
    *x = event->x;
    *y = event->y;
}

void apply_delivered_event(const TAVIX_Event *event) {
    LibraryState &s = library_state;
    apply_event(event, s.events.keys_held, &s.events.mouse_x, &s.events.mouse_y,
                &s.events.mouse_buttons);
    if (event->type >= TAVIX_PAD_DOWN && event->type <= TAVIX_PAD_REMOVED) apply_pad_event(event);
}

// The event for a message now, with the mouse where it last was and the modifiers held.
static TAVIX_Event event_now(int type) {
    LibraryState &s = library_state;
    TAVIX_Event event = {};
    event.type = type;
    event.x = s.events.mouse_live_x;
    event.y = s.events.mouse_live_y;
    event.modifiers = held_modifiers();
    event.time = (long)(DWORD)(s.events.message_time - s.clock.start_tick);
    return event;
}

// Live input changes the live state at once; while a wait or delay collects it becomes an event,
// and the program's state follows when that event is delivered (so that it is the same in a
// replay, which has only the events); otherwise the program's state follows at once. During a
// playback the script alone says what is held, so live input changes nothing here.
static void deliver_live(TAVIX_Event event) {
    LibraryState &s = library_state;
    if (playback_on()) {
        // The script alone says what the program sees; a key or button let go meanwhile is let
        // go all the same, or it would count as held (a modifier of every later event) once the
        // script ends.
        if (event.type == TAVIX_KEY_UP || event.type == TAVIX_MOUSE_UP)
            apply_event(&event, s.events.keys_live, &s.events.mouse_live_x,
                        &s.events.mouse_live_y, &s.events.mouse_live_buttons);
        return;
    }
    // A key-up of a key not held: one already let go when the focus went (SDL also reports
    // those), or pressed before the window had the focus. A program has nothing to let go.
    if (event.type == TAVIX_KEY_UP && !s.events.keys_live[event.key & 0xFF]) return;
    apply_event(&event, s.events.keys_live, &s.events.mouse_live_x, &s.events.mouse_live_y,
                &s.events.mouse_live_buttons);
    // A modifier's own key-down already counts it as held (and its key-up no longer).
    if (event.type == TAVIX_KEY_DOWN || event.type == TAVIX_KEY_UP)
        event.modifiers = held_modifiers() | (event.modifiers & (TAVIX_MOD_REPEAT | TAVIX_MOD_ALT));
    if (s.events.collecting)
        keep_event(event);
    else
        apply_delivered_event(&event);
}

void deliver_pad_event(int type, int pad, int button, int keep_only) {
    TAVIX_Event event = event_now(type);
    event.key = pad;
    event.button = button;
    if (!keep_only) {
        deliver_live(event);
    } else if (!playback_on()) {
        keep_event(event);
    }
}

static void mouse_at(LPARAM lp, TAVIX_Event *event) {
    // Signed halves: with the capture, the pointer may be left of or above the client area.
    int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    window_to_buffer(&x, &y);
    event->x = x - library_state.window.origin_x;
    event->y = library_state.window.origin_y - y;
}

static void note_button(HWND hwnd, int type, int button, LPARAM lp) {
    TAVIX_Event event = event_now(type);
    event.button = button;
    mouse_at(lp, &event);
    deliver_live(event);
    // A drag that leaves the window still ends in it: the release comes wherever it happens.
    if (type == TAVIX_MOUSE)
        SetCapture(hwnd);
    else if (library_state.events.mouse_live_buttons == 0 && GetCapture() == hwnd)
        ReleaseCapture();
}

void release_keys_let_go(void) {
    LibraryState &s = library_state;
    for (int key = 0; key < 256; key++) {
        if (!s.events.keys_held[key] || s.events.keys_live[key]) continue;
        TAVIX_Event event = event_now(TAVIX_KEY_UP);
        event.key = key;
        if (s.events.collecting)
            keep_event(event);
        else
            apply_delivered_event(&event);
    }
}

// Every key counts as let go: each held one gets its key-up.
static void release_all_keys(void) {
    LibraryState &s = library_state;
    for (int key = 0; key < 256; key++) {
        if (!s.events.keys_live[key]) continue;
        TAVIX_Event event = event_now(TAVIX_KEY_UP);
        event.key = key;
        deliver_live(event);
    }
}

void note_typed_text(WPARAM code) {
    if (code < 0x20 || code == 0x7F || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return;
    TAVIX_Event event = event_now(TAVIX_TEXT);
    event.key = (int)code;
    deliver_live(event);
}

void note_input_message(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    LibraryState &s = library_state;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            // A Run menu accelerator's key-down is the menu's alone, as Windows' accelerator tables
            // translate it rather than dispatch it; the key's release still reaches the program,
            // as it does there, so the key counts as held until then.
            if (message == WM_KEYDOWN && run_menu_takes_key(wp)) {
                if (!playback_on()) s.events.keys_live[wp & 0xFF] = 1;
                break;
            }
            int down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            TAVIX_Event event = event_now(down ? TAVIX_KEY_DOWN : TAVIX_KEY_UP);
            event.key = (int)(wp & 0xFF);
            // Bit 30: the key was already down, so this key-down is an auto-repeat. Bit 29: Alt
            // is held, though the menus keep Alt's own key messages to themselves.
            if (down && (lp & (1L << 30))) event.modifiers |= TAVIX_MOD_REPEAT;
            if (lp & (1L << 29)) event.modifiers |= TAVIX_MOD_ALT;
            deliver_live(event);
            break;
        }
        case WM_CHAR:
            // Exactly the characters TAVIX_next_event gives: none while Ctrl is held. (Windows'
            // own characters come through the graphics window's Unicode handling, core/winproc.cpp,
            // which also makes their typed text.)
            if (s.menu.ctrl_down != 1) {
                TAVIX_Event event = event_now(TAVIX_KBD);
                event.key = (int)(wp & 0xFF);
                deliver_live(event);
            }
            break;
        case WM_UNICHAR:
            // Typed text, any code point (the layer posts it where Windows-1252 has no byte).
            if (wp != UNICODE_NOCHAR && s.text.text_events && s.menu.ctrl_down != 1) note_typed_text(wp);
            break;
        case WM_LBUTTONDOWN:
            note_button(hwnd, TAVIX_MOUSE, 1, lp);
            break;
        case WM_MBUTTONDOWN:
            note_button(hwnd, TAVIX_MOUSE, 2, lp);
            break;
        case WM_RBUTTONDOWN:
            note_button(hwnd, TAVIX_MOUSE, 3, lp);
            break;
        case WM_LBUTTONUP:
            note_button(hwnd, TAVIX_MOUSE_UP, 1, lp);
            break;
        case WM_MBUTTONUP:
            note_button(hwnd, TAVIX_MOUSE_UP, 2, lp);
            break;
        case WM_RBUTTONUP:
            note_button(hwnd, TAVIX_MOUSE_UP, 3, lp);
            break;
        case WM_MOUSEMOVE: {
            int held = ((wp & MK_LBUTTON) ? TAVIX_BUTTON_LEFT : 0) |
                       ((wp & MK_RBUTTON) ? TAVIX_BUTTON_RIGHT : 0) |
                       ((wp & MK_MBUTTON) ? TAVIX_BUTTON_MIDDLE : 0);
            // A release that happened where the window could not see it: its button-up first.
            for (int button = 1; button <= 3; button++)
                if ((s.events.mouse_live_buttons & button_bits[button]) &&
                    !(held & button_bits[button]))
                    note_button(hwnd, TAVIX_MOUSE_UP, button, lp);
            TAVIX_Event event = event_now(TAVIX_MOUSE_MOVE);
            event.button = held;
            mouse_at(lp, &event);
            deliver_live(event);
            break;
        }
        case WM_MOUSEWHEEL: {
            // Fine-grained wheels send parts of a notch: they add up to whole steps.
            s.events.wheel_rest += GET_WHEEL_DELTA_WPARAM(wp);
            int notches = s.events.wheel_rest / WHEEL_DELTA;
            s.events.wheel_rest -= notches * WHEEL_DELTA;
            POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(hwnd, &at);
            int x = at.x, y = at.y;
            window_to_buffer(&x, &y);
            TAVIX_Event event = event_now(TAVIX_WHEEL);
            event.x = x - s.window.origin_x;
            event.y = s.window.origin_y - y;
            event.button = notches;
            if (notches != 0) deliver_live(event);
            break;
        }
        case WM_KILLFOCUS:
            release_all_keys();
            break;
        default:
            break;
    }
}

// True when the pending event ends the wait: anything but a periodic event that has not yet
// seen a timer notice since it was armed.
static int event_ready(void) {
    const PendingEvent &pending = library_state.events.pending;
    return pending.type != TAVIX_NO_EVENT &&
           (pending.type != TAVIX_PERIODIC || library_state.events.timer_tick);
}

int wait_for_event(int kind, TAVIX_Event *event) {
    LibraryState &s = library_state;
    const int plain = kind == WAIT_PLAIN, block = kind != WAIT_POLL;
    PendingEvent *pending = &s.events.pending;
    pending->type = TAVIX_NO_EVENT;
    pending->key = 0;
    pending->x = pending->y = 0;
    // An empty poll leaves its armed tick to the next poll or wait of the richer kind.
    if (!plain) {
        if (s.events.poll_armed) pending->type = TAVIX_PERIODIC;
        s.events.poll_armed = 0;
    }
    // A quit that arrived together with the last wait's scripted event is this wait's event.
    if (s.events.quit_pending) {
        s.events.quit_pending = 0;
        pending->type = TAVIX_QUIT;
    }
    // The richer wait keeps every input event as it comes, to deliver in order; the plain one
    // takes clicks and characters from the window procedure's pending event.
    if (!plain) s.events.collecting = 1;
    int empty = 0;
    for (;;) {
        // Kept input (from a delay, a focus loss or this wait) comes first, in the order it
        // arrived; only a quit goes before it.
        if (pending->type != TAVIX_QUIT && s.events.kept_count > 0 &&
            (plain ? take_kept_plain_event() : take_kept(event)))
            break;
        if (event_ready() &&
            (plain || pending->type == TAVIX_QUIT || pending->type == TAVIX_PERIODIC)) {
            if (!plain) {
                *event = event_now(pending->type);
                event->time = live_time();
            }
            break;
        }
        int took_message = pump_one_message();
        if (s.events.kept_count > 0) continue;

        if (s.script.play_one || s.script.playing_back) {
            s.script.play_one = 0;
            int quit_taken = pending->type == TAVIX_QUIT;
            int read = plain ? read_script_event() : read_script_rich(event);
            // The recorded run of empty polls, met by a wait: the wait goes on past all of it at
            // once, however long the run.
            if (read == 2 && block) {
                s.script.owed.empty_polls = 0;
                continue;
            }
            if (read) {
                // The scripted event replaces what the pump left, but a quit must not be lost:
                // once the window is gone nothing else would ever end the program's loop.
                if (quit_taken && (plain ? pending->type : event->type) != TAVIX_QUIT)
                    s.events.quit_pending = 1;
                empty = read == 2;
                break;
            }
            stop_playback();
        }

        if ((s.events.single_step || s.events.running) && pending->type == TAVIX_NO_EVENT) {
            // A notice taken in this pass or earlier does not count: the periodic event waits
            // for a fresh one.
            s.events.timer_tick = 0;
            pending->type = TAVIX_PERIODIC;
            s.events.single_step = 0;
        }

        // Nothing was taken, so nothing changed but the arming above: the next pass could only
        // find the queue empty again. Sleep until a message (input, paint or timer) arrives.
        // Playback does not sleep: its events come from the file, not from the queue.
        if (!took_message && !s.script.play_one && !s.script.playing_back &&
            s.events.kept_count == 0 && !event_ready()) {
            // Headless, only a tick could still come; with no animation armed nothing can, and a
            // program polling in its own loop would run for ever.
            if (s.settings.headless && pending->type == TAVIX_NO_EVENT) {
                pending->type = TAVIX_QUIT;
                continue;
            }
            if (!block) {
                if (pending->type == TAVIX_PERIODIC) s.events.poll_armed = 1;
                empty = 1;
                break;
            }
            WaitMessage();
        }
    }
    s.events.collecting = 0;
    return !empty;
}

// One wait of TAVIX_wait (block) or TAVIX_poll, with every kind of event.
static int rich_wait(TAVIX_Event *out, int block) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    TAVIX_Event event = {};
    if (!s.window.graphics) {
        // Nothing can come before the library is open: the program should end, not hang.
        event.type = block ? TAVIX_QUIT : 0;
        if (out) *out = event;
        return event.type;
    }
    if (!wait_for_event(block ? WAIT_BLOCK : WAIT_POLL, &event)) {
        if (s.script.recording) record_empty_poll();
        memset(&event, 0, sizeof event);
        if (out) *out = event;
        return 0;
    }
    // Kept live events and scripted ones alike: the program's state follows what it is given.
    apply_delivered_event(&event);
    if (event.type == TAVIX_PERIODIC) advance_sound_clock(s.clock.tick_period);
    if (s.script.recording) record_rich_event(&event);
    if (s.events.quit_requested) event.type = TAVIX_QUIT;
    if (out) *out = event;
    return event.type;
}

int TAVIX_wait(TAVIX_Event *event) {
    return rich_wait(event, 1);
}

int TAVIX_poll(TAVIX_Event *event) {
    return rich_wait(event, 0);
}

// The keys whose codes are the lower-case letters, 'a' (0x61) to 'z' (0x7A).
static const char *const lower_case_code_keys[26] = {
    "keypad 1", "keypad 2", "keypad 3", "keypad 4", "keypad 5", "keypad 6",
    "keypad 7", "keypad 8", "keypad 9", "keypad *", "keypad +", "keypad separator",
    "keypad -", "keypad .", "keypad /", "F1",       "F2",       "F3",
    "F4",       "F5",       "F6",       "F7",       "F8",       "F9",
    "F10",      "F11"};

int TAVIX_key_down(int key) {
    LibraryState &s = library_state;
    if (key < 0 || key > 255) return 0;
    // Letters are their upper-case codes, and a program asking for 'w' while W is held (and the
    // key 'w' names is not) surely meant W: it is told once.
    if (key >= 'a' && key <= 'z' && s.events.keys_held[key - 'a' + 'A'] &&
        !s.events.keys_held[key] && !s.events.key_case_warned) {
        s.events.key_case_warned = 1;
        TAVIX_console_printf(
            "TAVIX_key_down('%c') is the %s key, not %c: use TAVIX_key_down('%c')\n", key,
            lower_case_code_keys[key - 'a'], key - 'a' + 'A', key - 'a' + 'A');
    }
    return s.events.keys_held[key];
}

int TAVIX_mouse(int *x, int *y) {
    if (x) *x = library_state.events.mouse_x;
    if (y) *y = library_state.events.mouse_y;
    return library_state.events.mouse_buttons;
}
