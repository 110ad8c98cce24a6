// The library's one state record and the internal routines its subsystems call in one another.
// Every field is written and read on the client's thread only; the window procedures run inside
// the platform calls the library makes.
#ifndef TAVIX_CORE_STATE_H
#define TAVIX_CORE_STATE_H

#include "library/tavix.h"

#include <cstdint>
#include <cstdio>

#define TAVIX_NO_EVENT (-1)       // nothing pending yet; never returned to the client
#define TAVIX_TIMER_ID 2          // the graphics window's animation timer
#define TAVIX_TIMER_PERIOD 100    // ms between timer notices
#define CONSOLE_RING_SIZE 25      // console messages kept
#define CONSOLE_TEXT_SIZE 1024    // bytes of one formatted console message, with its zero
#define CONSOLE_BATCH_SIZE 16384  // bytes of console lines gathered for one drawing
#define COLOUR_COUNT 24

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

struct LibraryState {
    int32_t dirty;                   // back buffer changed since last copied to the window (0/1)
    int32_t console_first;           // ring slot of the oldest console message, -1 while empty
    COLORREF colours[COLOUR_COUNT];  // colour value (0x00BBGGRR) of each colour index
    const char *colour_names[COLOUR_COUNT];  // name of each colour index, for log lines
    int32_t logging;                         // every drawing call prints a log line (0/1)
    uint8_t quit_requested;                  // every later wait returns TAVIX_QUIT; never cleared
    uint8_t running;                         // the animation runs: a periodic event per timer tick
    uint8_t single_step;                     // one periodic event has been requested
    int32_t origin_x;                        // client pixel x of library point (0, 0)
    int32_t origin_y;                        // client pixel y of library point (0, 0)
    PendingEvent pending;                    // the event the current wait is assembling
    HWND graphics_window;    // the graphics window; non-null means the library is open
    HWND console_window;     // the console window
    int32_t console_end;     // ring slot the next console message takes
    uint8_t recording;       // delivered events are written to the script file
    uint8_t play_one;        // the next wait delivers one event from the script file
    uint8_t playing_back;    // every wait delivers events from the script file
    int32_t timer_tick;      // a timer notice arrived since the last arming (0/1)
    FILE *script_file;       // the one stream on the script file, null while closed
    int32_t periodic_count;  // periodic events not yet written (recording) or still to play
    int32_t ctrl_down;       // Ctrl is held, as last reported to the graphics window (0/1)
    HGLOBAL console_lines[CONSOLE_RING_SIZE];  // the console ring's message blocks
    HDC buffer_dc;                // memory context holding the back buffer; all drawing goes here
    HDC window_dc;                // the graphics window's client context, held from start to finish
    HBITMAP buffer_bitmap;        // the back buffer's 601 x 540 bitmap
    HMENU run_menu;               // the "&Run" pop-up menu, whose check marks the menu code keeps
    uint8_t quit_pending;         // a quit taken in the pass that played a scripted event; the next
                                  // wait returns it first
    int32_t console_batch_lines;  // lines printed to the shown console and not yet drawn
    int32_t console_batch_used;   // bytes of console_batch those lines take
    char console_batch[CONSOLE_BATCH_SIZE];  // their texts, oldest first, each with its zero
    // Settings read once from the environment by TAVIX_start.
    const char *script_name;    // the file recording and playback use (TAVIX_SCRIPT)
    const char *snapshot_path;  // where TAVIX_finish saves the picture, null for nowhere
    uint8_t headless;           // only scripts bring input: a wait nothing else could end quits
    uint8_t replaying;          // a playback started by TAVIX_REPLAY: its end posts quit
    uint8_t console_to_stderr;  // every console line is also written to standard error
};

extern LibraryState library_state;

// ---- Event core (core/) --------------------------------------------------------------------
int pump_one_message(void);  // 1 when it took a message from the queue
void present_buffer(void);
LRESULT CALLBACK graphics_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT CALLBACK console_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

// ---- Run menu and accelerators (core/menu.cpp) ---------------------------------------------
void build_run_menu(HWND hwnd);
void handle_key_down(WPARAM key);
void handle_key_up(WPARAM key);
void handle_command(int id);
void stop_playback(void);
// Ends a recording as its menu item does (the switch and its check mark), leaving the stream be.
void stop_recording(void);

// ---- Script recorder (script/) -------------------------------------------------------------
void record_event(int type, int x, int y, char key);
void write_script_line(int type, int x, int y, char key);
int read_script_event(void);
void close_script(void);

// ---- Settings and pictures (core/settings.cpp, core/picture.cpp) ---------------------------
void read_settings(void);   // before the windows exist
void apply_settings(void);  // once they exist: starts a replay
int save_picture(const char *path);
// Encodes width x height pixels (0x00RRGGBB, top row first) as PNG into a new malloc'd buffer.
// Returns 1 with *data and *size set, or 0 with *reason saying why.
int encode_png(const uint32_t *pixels, int width, int height, unsigned char **data, size_t *size,
               const char **reason);

// ---- Console (console/) --------------------------------------------------------------------
void print_console_line(char *text);
void draw_console_batch(void);  // draws the gathered lines; before any present or console paint
void copy_console_line(const char *text);  // to standard error, as one line
LRESULT paint_console(void);

// ---- Drawing (draw/) -----------------------------------------------------------------------
int check_colour(int colour);

#endif
