// The library's one state record and the internal routines its subsystems call in one another.
// Every field is written and read on the client's thread only; the window procedures run inside
// the platform calls the library makes.
#ifndef TAVIX_CORE_STATE_H
#define TAVIX_CORE_STATE_H

#include "library/script/script_line.h"
#include "library/sound/sound.h"
#include "library/tavix.h"
#include "platform/win32.h"

// <windows.h> makes DrawState a macro (DrawStateA); the record below has a type of that name.
#ifdef DrawState
#undef DrawState
#endif

#include <cstdint>
#include <cstdio>

#define TAVIX_NO_EVENT (-1)       // nothing pending yet; never returned to the client
#define TAVIX_TIMER_ID 2          // the graphics window's animation timer
#define TAVIX_TIMER_PERIOD 100    // ms between timer notices
#define CONSOLE_RING_SIZE 25      // console messages kept
#define CONSOLE_TEXT_SIZE 1024    // bytes of one formatted console message, with its zero
#define CONSOLE_BATCH_SIZE 16384  // bytes of console lines gathered for one drawing
#define COLOUR_COUNT 24
#define KEPT_EVENT_COUNT 4096   // events a delay or a focus loss may keep for the next waits
#define TAVIX_DELAY_TIMER_ID 3  // the timer that ends a TAVIX_delay
#define TAVIX_PAD_TIMER_ID 4    // wakes the waits to read the pads, once they are open
#define PAD_READ_PERIOD 16      // ms between those wake-ups
#define PAD_PROBE_PERIOD 1000   // ms between reads of an empty slot (slow on Windows)

// Run menu command ids.
#define ID_ANIMATE 1
#define ID_HALT 2
#define ID_STEP 3
#define ID_LOGGING 4
#define ID_RECORD 5
#define ID_PLAYBACK 6
#define ID_PLAY_ONE 7
#define ID_QUIT 8
#define ID_INFO 9

struct PendingEvent {
    int32_t x;        // library x of a click
    int32_t y;        // library y of a click
    signed char key;  // the typed character; above 127 reads negative
    int32_t type;     // event code, TAVIX_NO_EVENT while nothing is pending
};

// The record is nested by subsystem; each part names the files that own it. Rules that span
// fields:
// - window.graphics, window.buffer_dc and window.buffer_bitmap are null until the start and valid
//   from then on; window.graphics_dc only from the start to the finish, which forgets it.
// - window.dirty is set by every drawing call and cleared when the back buffer is copied to the
//   window.
// - Recording and playback never run together: script.recording is never set while
//   script.playing_back or script.play_one is, because both would use the one script.file (the
//   Run menu refuses the second). script.file is a writing stream while recording, a reading one
//   while playing, or null.
// - script.unwritten counts only while recording and script.owed only while playing back; both
//   are emptied with the stream (close_script). A run in script.unwritten is written before any
//   other line: at most one of its runs (clock readings, empty polls, gamepad reads) and
//   script.periodic_count is non-zero at a time.
// - script.periodic_count is the one run of ticks of either direction: ticks not yet written while
//   recording, ticks still to hand out while playing back. It is emptied with the stream and when
//   a recording starts or ends.
// - script.peeked holds a line of the reading stream only: it is cleared with the stream.
// - script.replaying is set only together with script.playing_back (TAVIX_REPLAY): the script's
//   end then posts the quit; stopping the playback from the menu clears it.
// - script.recording_from_start is set only by the recording TAVIX_RECORD starts with the program;
//   every start of a recording from the Run menu clears it. A script opened while it is clear and
//   events.game_calls_used is set begins with a comment saying that a replay may end otherwise.
// - events.quit_requested is the program's own quit (TAVIX_set_animation): once set, every wait
//   returns TAVIX_QUIT, whatever it assembled. events.quit_pending is one quit message taken in
//   the pass that also delivered a scripted event: the next wait starts with it as its event and
//   clears it. The two are independent; neither sets the other.
// - events.kept is a ring: the kept_count events from slot kept_first, going round, oldest first.
//   events.keys_held and the mouse fields follow the events delivered; the *_live fields follow
//   the messages dispatched, which may run ahead of them.
// - clock.replay_clock answers TAVIX_time only while playing back; clock.start_tick otherwise.
// - The console ring is empty while console.first is -1 (console.end is then the slot the first
//   message takes). Otherwise it holds the slots from console.first up to, not including,
//   console.end, going round; console.first == console.end means full: all slots hold a message
//   and the next one replaces the oldest.
// - Image number n names draw.images[n - 1] for every n up to draw.image_slots; a freed image
//   keeps its slot, with no bitmap, and its number is never handed out again.
// - canvas.image is 0 or the number of an image that is loaded: freeing that image sets it to 0.
// - A see-through colour's number is RGBA_COLOUR_TAG | n for an n below canvas.rgba_count;
//   canvas.rgba never holds a colour of alpha 255 (those are TAVIX_rgb's numbers) and never the
//   same colour twice.
// - settings are written only by read_settings, once, before the windows exist.
// - life.finished is set once by TAVIX_finish and never cleared; life.exit_status only ever falls
//   to a lower non-zero code (set_exit_status).

// The graphics and console windows and the back buffer (core/start.cpp, core/winproc.cpp).
struct WindowState {
    HWND graphics = nullptr;    // the graphics window; non-null means the library is open
    HWND console = nullptr;     // the console window
    HDC graphics_dc = nullptr;  // the graphics window's client context, held from start to finish
    HDC buffer_dc = nullptr;    // memory context holding the back buffer; all drawing goes here
    HBITMAP buffer_bitmap = nullptr;  // the back buffer's bitmap, the picture's size
    int32_t origin_x = 0;             // client pixel x of library point (0, 0)
    int32_t origin_y = 0;             // client pixel y of library point (0, 0)
    int32_t dirty = 1;                // back buffer changed since last copied to the window (0/1)
    int32_t client_width = 0;         // the graphics window's client size in pixels, as last
    int32_t client_height = 0;        // reported: the part of the buffer the window shows
};

// Colours, the drawing log and images (draw/).
struct DrawState {
    COLORREF colours[COLOUR_COUNT] = {  // colour value (0x00BBGGRR) of each colour index
        0x00000000, 0x00FFFFFF, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000FFFF,
        0x00FF00FF, 0x00FFFF00, 0x00CC0099, 0x00993300, 0x00996699, 0x00FFFF99,
        0x00CCFF99, 0x000066FF, 0x00336699, 0x00CC99FF, 0x0099FFFF, 0x003399CC,
        0x006699FF, 0x00336600, 0x0099CC33, 0x00339999, 0x00808080, 0x00CCCCCC};
    const char *colour_names[COLOUR_COUNT] = {  // name of each colour index, for log lines
        "black",     "white",        "red",       "green",     "blue",       "yellow",
        "magenta",   "cyan",         "purple",    "navy blue", "dusty plum", "ice blue",
        "turquoise", "orange",       "brown",     "pink",      "chalk",      "gold",
        "peach",     "forest green", "sea green", "olive",     "50% gray",   "20% gray"};
    int32_t logging = 1;  // every drawing call prints a log line (0/1); the menu toggles it
    uint8_t *rgb_given = nullptr;  // one bit per 0xRRGGBB that TAVIX_rgb returned; null until then
    struct LoadedImage *images = nullptr;  // image number n is images[n - 1]; malloc'd, grows
    int32_t image_slots = 0;     // image numbers handed out: entries in images, loaded or freed
    int32_t image_capacity = 0;  // entries allocated in images
    HDC image_dc = nullptr;      // memory context an image is selected into while it is drawn
};

// A memory context with a DIB section of its own, grown as needed: the mask shapes are drawn
// into, or a block of the picture read for blending (draw/canvas.cpp).
struct ScratchBlock {
    HDC dc = nullptr;            // memory context holding bitmap; null until first needed
    HBITMAP bitmap = nullptr;    // a 32-bit top-down DIB section of width x height
    uint32_t *pixels = nullptr;  // its pixels, row after row of width
    int32_t width = 0;           // pixels
    int32_t height = 0;          // pixels
};

// Where drawing goes, and what see-through colours and pictures off screen need (draw/canvas.cpp,
// draw/colour.cpp, draw/sprite.cpp).
struct CanvasState {
    int32_t image = 0;     // image number every drawing call draws into; 0 for the picture
    ScratchBlock mask;     // a shape's coverage: drawn white on black, green read as coverage
    ScratchBlock copy;     // a block of the picture, read, blended and written back
    uint32_t *rgba = nullptr;     // TAVIX_rgba's see-through colours, 0xAARRGGBB, by number
    int32_t rgba_count = 0;       // entries of rgba in use
    int32_t rgba_room = 0;        // entries rgba has room for
    int32_t *rgba_lookup = nullptr;  // open-addressed hash of rgba: entry + 1, 0 empty
    int32_t rgba_lookup_size = 0;    // slots of rgba_lookup, a power of two (or 0)
};

// The events the waits assemble and deliver, and the input state they follow (core/wait.cpp,
// core/events.cpp, core/winproc.cpp).
struct EventState {
    PendingEvent pending = {0, 0, 0, 0};  // the event the current wait is assembling
    uint8_t running = 0;                  // the animation runs: a periodic event per timer tick
    uint8_t single_step = 0;              // one periodic event has been requested
    int32_t timer_tick = 0;               // a timer notice arrived since the last arming (0/1)
    uint8_t quit_requested = 0;           // every later wait returns TAVIX_QUIT; never cleared
    uint8_t quit_pending = 0;  // a quit taken in the pass that played a scripted event; the next
                               // wait returns it first
    TAVIX_Event kept[KEPT_EVENT_COUNT] = {};  // events kept for the next waits, a ring
    int32_t kept_first = 0;                   // ring slot of the oldest kept event
    int32_t kept_count = 0;                   // kept events not yet delivered
    uint8_t collecting = 0;  // inside TAVIX_wait, TAVIX_poll or TAVIX_delay: input is kept
    uint8_t poll_armed = 0;  // an empty TAVIX_poll left a periodic event armed for the next one
    uint8_t keys_held[256] = {};     // each virtual key held (0/1), as the delivered events say
    int32_t mouse_x = 0;             // library x of the mouse, as the delivered events say
    int32_t mouse_y = 0;             // library y of the mouse, as the delivered events say
    int32_t mouse_buttons = 0;       // TAVIX_BUTTON_ bits held, as the delivered events say
    uint8_t keys_live[256] = {};     // each virtual key held, as the messages dispatched so far say
    int32_t mouse_live_x = 0;        // library x of the mouse in the messages dispatched so far
    int32_t mouse_live_y = 0;        // library y of the mouse in the messages dispatched so far
    int32_t mouse_live_buttons = 0;  // TAVIX_BUTTON_ bits held in them
    int32_t wheel_rest = 0;          // wheel delta below one notch, carried to the next message
    DWORD message_time = 0;          // GetTickCount time of the message being dispatched
    uint8_t key_case_warned = 0;     // TAVIX_key_down has said once that 'a'..'z' are not letters
    uint8_t game_calls_used = 0;     // the program has called TAVIX_wait, TAVIX_poll, TAVIX_time,
                                     // TAVIX_delay, TAVIX_random or TAVIX_seed
};

// Gamepads (core/pads.cpp). The live fields follow the pads as last read, and the reads answer
// from them; present and held follow the pad events delivered, as events.keys_held does. Nothing
// is read while playing back: the script alone says what the pads did.
#define PAD_COUNT 4
#define PAD_BUTTON_COUNT 14
#define PAD_AXIS_COUNT 6
typedef DWORD(WINAPI *PadStateCall)(DWORD pad, XINPUT_STATE *state);
struct PadsState {
    uint8_t opened = 0;                   // a gamepad call was made: pads are read, events made
    PadStateCall read_state = nullptr;    // XInputGetState, null when the system has none
    DWORD probed_at = 0;                  // GetTickCount when the empty slots were last read
    uint8_t replayed = 0;  // a playback ran since the pads were last read: the live fields are
                           // taken from the program's state before the next read
    uint8_t live_present[PAD_COUNT] = {};  // a pad is in the slot (0/1), as last read
    uint16_t live_buttons[PAD_COUNT] = {};  // bit n: button n held, as last read
    int16_t live_axes[PAD_COUNT][PAD_AXIS_COUNT] = {};  // each axis, -1000 to 1000, as last read
    uint8_t present[PAD_COUNT] = {};  // a pad is in the slot, as the delivered events say
    uint16_t held[PAD_COUNT] = {};    // bit n: button n held, as the delivered events say
    uint16_t answered_buttons[PAD_COUNT] = {};  // bit n: what the last read of button n returned
    int16_t answered_axes[PAD_COUNT][PAD_AXIS_COUNT] = {};  // what each axis read last returned
};

// The Run menu and its accelerators (core/menu.cpp).
struct MenuState {
    HMENU run_menu = nullptr;  // the "&Run" pop-up menu; only the menu code touches it
    int32_t ctrl_down = 0;     // Ctrl is held, as last reported to the graphics window (0/1)
};

// Time as the program sees it (core/clock.cpp, core/events.cpp).
struct ClockState {
    DWORD start_tick = 0;                      // GetTickCount at TAVIX_start: TAVIX_time's zero
    int32_t tick_period = TAVIX_TIMER_PERIOD;  // ms between animation timer notices
    long replay_clock = 0;  // playback: TAVIX_time's answer, ms; a time line sets it, and what
                            // the playback delivers moves it on (advance_replay_clock)
};

// Paced frames (TAVIX_frame, core/clock.cpp). last_time is a clock reading (TAVIX_time's, the
// recorded one in a playback); last_return is the finer clock the pacing waits by.
struct FrameState {
    uint8_t started = 0;    // a frame has returned: the next one is paced from it
    long last_time = 0;     // TAVIX_time's reading at the last frame's return, ms
    DWORD last_return = 0;  // timeGetTime at the last live frame's return, ms
};

// The picture's size: TAVIX_WIDTH x TAVIX_HEIGHT unless TAVIX_set_picture_size chose another
// before TAVIX_start (core/screen.cpp). Fixed from the start on.
struct PictureState {
    int32_t width = TAVIX_WIDTH;    // the back buffer's width in pixels
    int32_t height = TAVIX_HEIGHT;  // and height
    uint8_t chosen = 0;             // TAVIX_set_picture_size set them: the window shows all of it
};

// How the graphics window is shown (core/screen.cpp).
struct ScreenState {
    uint8_t cursor_hidden = 0;  // the pointer is hidden over the window (TAVIX_show_cursor)
    uint8_t fullscreen = 0;     // the window covers the screen (TAVIX_set_fullscreen)
#ifdef _WIN32
    // Windows covers the screen here (the layer does it itself): the window as it was, and
    // where the part of the buffer it showed lies scaled in its client area now.
    uint8_t covering = 0;       // the window is a pop-up over its monitor
    LONG_PTR style = 0;         // its style before
    WINDOWPLACEMENT place = {}; // and its place
    int32_t left = 0, top = 0, width = 0, height = 0;  // the scaled picture, client pixels
#endif
};

// TAVIX_random's generator (core/clock.cpp).
struct RandomState {
    uint32_t state = 0;  // the generator's state
    uint8_t seeded = 0;  // the generator has been seeded (by the program or the clock)
};

// The script recorder and player (script/, core/menu.cpp).
struct ScriptState {
    uint8_t recording = 0;       // delivered events are written to the script file
    uint8_t playing_back = 0;    // every wait delivers events from the script file
    uint8_t play_one = 0;        // the next wait delivers one event from the script file
    uint8_t replaying = 0;       // a playback started by TAVIX_REPLAY: its end posts quit
    FILE *file = nullptr;        // the one stream on the script file, null while closed
    int32_t periodic_count = 0;  // ticks not yet written (recording) or still to hand out (playing)
    uint8_t seed_written = 0;    // this recording already holds the generator's state
    struct {
        int32_t clock_reads = 0;  // TAVIX_time calls that returned clock_value, not yet written
        long clock_value = 0;     // what those calls returned
        int32_t empty_polls = 0;  // empty TAVIX_poll results not yet written
        int32_t pad_reads = 0;    // gamepad reads that returned pad_value, not yet written
        int32_t pad_value = 0;    // what those reads returned
    } unwritten;                  // recording: the runs a line will hold
    struct {
        int32_t clock_reads = 0;       // TAVIX_time calls still to answer with clock.replay_clock
        int32_t empty_polls = 0;       // empty TAVIX_poll results still to give
        int32_t pad_reads = 0;         // gamepad reads still to answer with pad_value
        int32_t pad_value = 0;         // their answer
    } owed;                            // playing back: what the run last read still hands out
    uint8_t peeked = 0;                // peek holds the next line of the script, not yet taken
    char peek[SCRIPT_LINE_SIZE] = {};  // that line
    int32_t peek_number = 0;           // its line number in the file
    int32_t taken_number = 0;          // line number of the script line taken last (playback)
    int32_t line_number = 0;           // lines of the script stream read so far (playback)
    uint8_t recording_from_start = 0;  // this recording began with the program (TAVIX_RECORD), so
                                       // its script needs no word that a replay may end otherwise
};

// The console window's messages (console/ring.cpp).
struct ConsoleState {
    HGLOBAL lines[CONSOLE_RING_SIZE] = {};  // the ring's message blocks
    int32_t first = -1;                     // ring slot of the oldest message, -1 while empty
    int32_t end = 0;                        // ring slot the next message takes
    int32_t batch_lines = 0;                // lines printed to the shown console and not yet drawn
    int32_t batch_used = 0;                 // bytes of batch those lines take
    char batch[CONSOLE_BATCH_SIZE] = {};    // their texts, oldest first, each with its zero
};

// Fonts and any language's text (draw/text.cpp, console/ring.cpp, core/events.cpp).
struct TextSettings {
    uint8_t utf8 = 0;          // texts are read as UTF-8 (else Windows-1252)
    uint8_t text_events = 0;   // the program asked for TAVIX_TEXT events (TAVIX_set_utf8 called)
    uint16_t high_surrogate = 0;  // Windows: the first half of a character typed, its second to come
    char face[32] = "";        // the face of TAVIX_set_font, empty for the library's own
    int32_t style = 0;         // TAVIX_FONT_BOLD | TAVIX_FONT_ITALIC
    uint32_t font_number = 0;  // 0 for the default font, else one number per TAVIX_set_font
    uint32_t fonts_made = 0;   // the last number given
    // One bit per console line gathered in the console's batch: set for a UTF-8 one.
    uint8_t console_batch_utf8[CONSOLE_BATCH_SIZE / 8] = {};
};

// Settings read once from the environment by TAVIX_start (core/settings.cpp).
struct SettingsState {
    const char *script_name = SCRIPT_FILE_NAME;  // the file recording and playback use
    const char *snapshot_path = nullptr;  // where TAVIX_finish saves the picture, null for nowhere
    uint8_t headless = 0;           // only scripts bring input: a wait nothing else could end quits
    uint8_t console_to_stderr = 0;  // every console line is also written to standard error
    uint8_t snapshot_visible = 0;   // the snapshot holds the visible client area only
    uint8_t tell_replay_line = 0;   // TAVIX_REPLAY_LINE: a replay that ends before its script
                                    // does says on standard error the line it had reached
    uint8_t record_at_start = 0;    // TAVIX_RECORD: the start switches recording on
    uint8_t seed_from_environment = 0;  // TAVIX_SEED gave the seed an unseeded generator takes
    uint32_t environment_seed = 0;      // that seed
};

// The library's life and the program's end (core/start.cpp, core/exit.cpp).
struct LifeState {
    uint8_t finished = 0;        // TAVIX_finish has run: the calls that need the windows do nothing
    uint8_t snapshot_taken = 0;  // TAVIX_finish (or the exit) has written the snapshot
    int32_t exit_status = 0;     // status the program exits with when it ends: 0, or EXIT_*
};

struct LibraryState {
    WindowState window;
    DrawState draw;
    CanvasState canvas;  // the drawing target, scratch blocks, see-through colours
    EventState events;
    MenuState menu;
    ClockState clock;
    FrameState frame;
    PictureState picture;
    ScreenState screen;
    RandomState random;
    ScriptState script;
    ConsoleState console;
    PadsState pads;
    SoundState sound;  // loaded sounds, the voices being heard and where they go (sound/sound.h)
    SettingsState settings;
    LifeState life;
    TextSettings text;
};

extern LibraryState library_state;

// ---- Event core (core/) --------------------------------------------------------------------
int pump_one_message(void);  // 1 when it took a message from the queue
// A character typed: its TAVIX_TEXT event (none for a control character, a surrogate or past
// Unicode) (core/events.cpp).
void note_typed_text(WPARAM code);
void present_buffer(void);
LRESULT CALLBACK graphics_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT CALLBACK console_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

// ---- Run menu and accelerators (core/menu.cpp) ---------------------------------------------
void build_run_menu(HWND hwnd);
void handle_key_down(WPARAM key);
// 1 when a key-down of key now would be a Ctrl accelerator of the Run menu (Ctrl held, or
// thought held): the program is not given that key-down.
int run_menu_takes_key(WPARAM key);
void handle_key_up(WPARAM key);
void handle_command(int id);
void stop_playback(void);
// After a playback the user takes over: each key the program holds that is not held now (the
// script left it held, or it was let go during the playback) gets its key-up.
void release_keys_let_go(void);
// Ends a recording as its menu item does (the switch and its check mark), leaving the stream be.
void stop_recording(void);

// ---- Script recorder (script/) -------------------------------------------------------------
void record_event(int type, int x, int y, char key);
void write_script_line(int type, int x, int y, char key);
int read_script_event(void);
void close_script(void);

// ---- Life of the library (core/start.cpp) --------------------------------------------------
// 1 once TAVIX_finish has run, after printing one console line that names the call refused.
int library_finished(const char *call);

// ---- Games and drawing programs (core/events.cpp, core/clock.cpp, script/script_extra.cpp) --
// Turns a graphics window message into the events TAVIX_wait delivers and the held-key and mouse
// state; keeps the events while collecting. Called before the message's own handling.
void note_input_message(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
// The one wait loop of TAVIX_next_event (WAIT_PLAIN), TAVIX_wait (WAIT_BLOCK) and TAVIX_poll
// (WAIT_POLL): the quit, the kept events, one message per pass, the script while playing back,
// the tick of a running animation and the sleep until a message. The plain view leaves its event
// in events.pending; the richer ones in *event. 0 for an empty poll, else 1.
#define WAIT_PLAIN 0
#define WAIT_BLOCK 1
#define WAIT_POLL 2
int wait_for_event(int kind, TAVIX_Event *event);
// The oldest kept event that TAVIX_next_event can deliver (a left click, a character, quit) into
// pending, dropping the other kinds before it; 0 when there is none.
int take_kept_plain_event(void);
// A scripted event delivered by TAVIX_wait or TAVIX_poll: the held keys and mouse follow it.
void apply_delivered_event(const TAVIX_Event *event);
long live_time(void);
// Recording the richer wait: an event, an empty poll, a TAVIX_time result, the generator state.
void record_rich_event(const TAVIX_Event *event);
void record_empty_poll(void);
void record_time(long value);
void record_seed(uint32_t state);
// Writes whichever run of empty polls or clock readings is pending (before any other line).
void flush_extra_runs(void);
// Playback for the richer wait: 1 with *event, 2 for an empty poll, 0 as read_script_event.
int read_script_rich(TAVIX_Event *event);
// Playback of TAVIX_time and TAVIX_random: the recorded clock; the recorded state, if the
// script's next line holds one (1) or not (0).
long replay_time(void);
// A frame's clock reading in a playback: the recorded one, or, where none was recorded, the
// clock moved on by the frame's length.
long replay_frame_time(int period);
// Where no time line says what the clock read, a playback's clock moves on by what the program is
// handed: a tick's interval for each tick, a delay's length, REPLAY_STEP for any other event, an
// empty poll or a clock reading. So a program that waits for the clock ends, and every replay of
// a script sees the same times.
#define REPLAY_STEP 1  // ms
void advance_replay_clock(long milliseconds);
// The replay clock's step for a delivered event of the given type.
void advance_replay_clock_for(int type);
int replay_seed(uint32_t *state);
// Opens the script file for reading unless a stream is open; 0, with its message and the
// playback stopped, when it cannot be opened.
int open_script_for_reading(void);
// The next line of the script, the peeked one first; 0 at its end.
int take_script_line(char *line);
// Writes one formatted line to the script file, opening it first; as write_script_line.
void write_script_text(const char *line);
// TAVIX_SEED from the environment: 1 with *seed when it is set and valid.
int seed_setting(uint32_t *seed);

// ---- Gamepads (core/pads.cpp, core/events.cpp, script/script_extra.cpp) ---------------------
// Reads the open pads (at every pump): their changes become pad events, as live input does.
void poll_pads(void);
// What a delivered pad event changes in the pads' present and held fields.
void apply_pad_event(const TAVIX_Event *event);
// A pad's event as live input; keep_only: only kept for the richer wait, the program's state
// already following it (the pads found when they are opened).
void deliver_pad_event(int type, int pad, int button, int keep_only);
// Recording and playback of what a gamepad read returned: 1 with *value when the script's next
// line holds reads.
void record_pad_read(int value);
int replay_pad_read(int *value);

// ---- Settings and pictures (core/settings.cpp, core/picture.cpp) ---------------------------
void read_settings(void);   // before the windows exist
void apply_settings(void);  // once they exist: starts a replay
// The graphics window's title: the program's (TAVIX_set_title) or the default (core/screen.cpp).
const char *window_title(void);
// What the program chose for the window before the start, applied once the window exists.
void apply_screen_choices(void);
// The part of the back buffer the window shows, from its top left, in pixels (core/picture.cpp).
void visible_size(int *width, int *height);
// Copies the back buffer to the graphics window; whole: the margins around a scaled picture too
// (core/screen.cpp).
void copy_buffer_to_window(int whole);
// A client pixel of the graphics window as the buffer pixel it shows (core/screen.cpp).
void window_to_buffer(int *x, int *y);
// The graphics window's client area changed size; 1 when the screen code took it (core/screen.cpp).
int screen_resized(void);
int save_picture(const char *path);
int save_picture_area(const char *path, int visible_only);  // the visible area, or the whole
const char *picture_unwritable(const char *path);  // why a save there fails; null when it would not
FILE *open_regular_file(const char *path, bool writing,
                        const char **why);  // a binary stream on a regular file, or null and why
const char *picture_failure(void);          // the reason the last failed save gave

// ---- The end of the program (core/exit.cpp) ------------------------------------------------
#define EXIT_REPLAY_UNREADABLE 3  // the TAVIX_REPLAY file cannot be read
#define EXIT_REPLAY_INCOMPLETE 4  // the replay stopped at a refused line
#define EXIT_SNAPSHOT_FAILED 5    // the snapshot could not be written
#define EXIT_SOUND_FAILED 6       // the TAVIX_SOUND file could not be written
void watch_exit(void);            // at start: the snapshot and status at exit, the word on a signal
void take_snapshot(void);         // the snapshot asked for, once; a failure sets the exit status
void set_exit_status(int status);  // the most telling failure so far wins: the lowest code
void write_run_on_signal(void);    // script/: the pending run of ticks, async-signal-safe
void keep_sound_on_signal(void);   // sound/: the sound file so far put in place, async-signal-safe
// Encodes width x height pixels (0x00RRGGBB, top row first; with alpha 0xAARRGGBB, not
// premultiplied, kept in the file) as PNG into a new malloc'd buffer. Returns 1 with *data and
// *size set, or 0 with *reason saying why.
int encode_png(const uint32_t *pixels, int width, int height, bool alpha, unsigned char **data,
               size_t *size, const char **reason);
// Writes pixels (0x00RRGGBB, or 0xAARRGGBB with alpha) as a PNG file at path, replacing a file
// there only once the new one is whole. 1, or 0 with *reason saying why.
int write_png_file(const char *path, const uint32_t *pixels, int width, int height, bool alpha,
                   const char **reason);

// ---- Console (console/) --------------------------------------------------------------------
void print_console_line(char *text);
void draw_console_batch(void);  // draws the gathered lines; before any present or console paint
void copy_console_line(const char *text);  // to standard error, as one line
LRESULT paint_console(void);

// ---- Drawing (draw/) -----------------------------------------------------------------------
int check_colour(int colour);

// ---- Fonts and any language's text (draw/text.cpp) -----------------------------------------
// The family name in a TrueType or OpenType file's naming table (the first font of a
// collection), at most room - 1 plain ASCII characters; null, or the reason there is none.
const char *font_family_of(FILE *stream, char *family, size_t room);
HFONT make_text_font(int size);  // the font TAVIX_set_font asked for, at a size in pixels
// UTF-16 of length bytes of UTF-8 into out (room for length units is enough); a byte that starts
// no character, or a sequence cut short, is one U+FFFD. Returns the units written.
size_t utf16_from_utf8(const char *text, size_t length, WCHAR *out);

// ---- Any colour, images (draw/colour.cpp, draw/image.cpp, core/png_*.cpp) -------------------
#define RGB_COLOUR_TAG 0x3C000000u     // top byte of TAVIX_rgb's colour numbers
#define RGBA_COLOUR_TAG 0x3D000000u    // top byte of TAVIX_rgba's see-through colour numbers
#define IMAGE_SIDE_LIMIT 4096          // widest and tallest image TAVIX_load_image takes, pixels
bool is_rgb_colour(int colour);        // a number TAVIX_rgb has returned
bool is_rgba_colour(int colour);       // a see-through number TAVIX_rgba has returned
int colour_alpha(int colour);          // a checked colour's alpha: 255 but for see-through ones
COLORREF colour_value(int colour);     // a checked colour's value (0x00BBGGRR)
const char *colour_label(int colour);  // its name in log lines: the table's, or "#RRGGBB"
// Decodes the PNG file at path, of the width and height its header gives, into pixels (width x
// height, 0xAARRGGBB, alpha not premultiplied, top row first). 1, or 0 with *reason set.
int decode_png(const char *path, int width, int height, uint32_t *pixels, const char **reason);

#endif
