/* TAVIX: a small graphics and event library for simple interactive programs.
 *
 * A client gets two windows: "TAVIX Graphics", whose picture is a back buffer of 601 x 540 pixels
 * (or the size the program chose), and "TAVIX Text", a console that shows the library's messages and keeps the last 25. Drawing
 * uses library coordinates: integer pixels, (0, 0) at the centre of the graphics window's client
 * area, x to the right, y upwards. TAVIX_next_event hands the client one event at a time. */
#ifndef TAVIX_H
#define TAVIX_H

#include <stddef.h> /* NULL, for the start-up values of a program that starts from main */

#include "tavix_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Start-up types ------------------------------------------------------------------------ */

/* TAVIX_start takes a Windows program's four start-up values. Only their types are declared, as
 * <windows.h> declares them, so that a program's own names stay free and a program may include
 * <windows.h> too, before or after this header. */
#ifndef WINAPI
#if defined(_WIN32) && !defined(_ARM_)
#define WINAPI __stdcall
#else
#define WINAPI
#endif
#endif
#if !defined(TAVIX_PLATFORM_WIN32_H) && !defined(_MINWINDEF_) && !defined(_WINDEF_)
#if defined(_WIN32) && defined(NO_STRICT)
typedef void *HINSTANCE;
#else
struct HINSTANCE__;
typedef struct HINSTANCE__ *HINSTANCE;
#endif
typedef char *LPSTR;
#endif
/* A program may start from WinMain instead of main; on Linux the library's main calls it. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                   int show_mode);

/* ---- Constants ----------------------------------------------------------------------------- */

/* Events returned by TAVIX_next_event. */
#define TAVIX_MOUSE 1    /* left button pressed in the graphics window; x, y where */
#define TAVIX_KBD 2      /* a character typed, in key */
#define TAVIX_PERIODIC 3 /* one animation tick */
#define TAVIX_QUIT 4     /* the program should end */

/* Codes for TAVIX_set_animation. */
#define TAVIX_ANIM_HALT 0 /* stop the ticks */
#define TAVIX_ANIM_STEP 1 /* one tick, then halted unless running */
#define TAVIX_ANIM_RUN 2  /* a tick every 100 ms */
/* TAVIX_ANIM_QUIT: every later wait returns TAVIX_QUIT, but only once a real event (a tick, a
   key, a click) ends it; the wait is not shortened, and the event's x, y and key come with it. */
#define TAVIX_ANIM_QUIT 5

/* Size of the graphics window (outer) and of its back buffer, in pixels. */
#define TAVIX_WIDTH 601
#define TAVIX_HEIGHT 540

/* The 24 colour indices: constants, not macros, so that a program's own scoped enum may reuse
 * the names. */
enum {
    BLACK = 0,
    WHITE = 1,
    RED = 2,
    GREEN = 3,
    BLUE = 4,
    YELLOW = 5,
    MAGENTA = 6,
    CYAN = 7,
    PURPLE = 8,
    NAVY_BLUE = 9,
    DUSTY_PLUM = 10,
    ICE_BLUE = 11,
    TURQUOISE = 12,
    ORANGE = 13,
    BROWN = 14,
    PINK = 15,
    CHALK = 16,
    GOLD = 17,
    PEACH = 18,
    FOREST_GREEN = 19,
    SEA_GREEN = 20,
    OLIVE = 21,
    GRAY_50 = 22,
    GRAY_20 = 23
};

/* ---- Library ------------------------------------------------------------------------------- */

/* Opens the library: both windows, the back buffer, the 100 ms timer. Returns 1. */
int TAVIX_start(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode);
/* Gives back the window's context and closes the script file. Returns 1. */
int TAVIX_finish(void);
/* Shows (non-zero) or hides (0) the console window. */
int TAVIX_show_console(int show);
/* Writes the back buffer, all of the picture's pixels, to a PNG file. 1 on success; else 0, with a
 * console line that names the file and the reason, and no file left behind. */
int TAVIX_save_picture(const char *path);

/* ---- The window ---------------------------------------------------------------------------- */

/* Before TAVIX_start: the picture becomes width x height pixels (64 to 4096 each; default
 * TAVIX_WIDTH x TAVIX_HEIGHT) and the window shows all of it; (0, 0) stays at its centre, y up.
 * 1 when set; 0 after TAVIX_start, which keeps the size in force. */
int TAVIX_set_picture_size(int width, int height);
/* The picture's size in force, in pixels. */
int TAVIX_picture_width(void);
int TAVIX_picture_height(void);
/* The library coordinates of the picture's part the window shows: its leftmost and rightmost
 * columns, its bottom and top rows (any pointer may be null). All 0 before TAVIX_start. */
void TAVIX_visible_area(int *left, int *bottom, int *right, int *top);
/* The graphics window's title (UTF-8; at most 255 bytes). 1 when set; 0 for a null title. */
int TAVIX_set_title(const char *title);
/* Shows (non-zero) or hides (0) the mouse pointer over the graphics window. 1 when done. */
int TAVIX_show_cursor(int show);
/* Shows the picture over the whole screen (non-zero), as large as whole pixels allow, centred
 * on black, mouse positions still in library coordinates; 0 puts the window back as it was.
 * Before TAVIX_start it is remembered for the start. 1 when done; 0 when not possible. */
int TAVIX_set_fullscreen(int on);

/* ---- Events -------------------------------------------------------------------------------- */

/* Waits for the next event; fills x, y (library coordinates) and key; returns its code. */
int TAVIX_next_event(int *x, int *y, char *key);
/* Runs, halts or steps the animation, or requests quit. 0 before TAVIX_start, else 1. */
int TAVIX_set_animation(int code);
/* Switches the log line of every drawing call on or off. 0 before TAVIX_start, else 1. */
int TAVIX_set_logging(int on);

/* ---- Games and drawing programs: the richer wait, held keys, the clock, randomness ---------- */

/* Events that only TAVIX_wait and TAVIX_poll deliver (besides the four above; through them
 * TAVIX_MOUSE is a press of any button). TAVIX_KEY_DOWN and TAVIX_KEY_UP are also the codes of
 * the down and up arrow keys below: one value each, so both readings of the names hold. */
#define TAVIX_MOUSE_UP 5    /* a mouse button was let go; button says which */
#define TAVIX_MOUSE_MOVE 6  /* the mouse moved over the picture; button: the TAVIX_BUTTON_ held */
#define TAVIX_WHEEL 7       /* the wheel turned; button: notches, away from the user > 0 */
#define TAVIX_TEXT 8        /* a character typed (dead keys and input methods composed); key: its
                               Unicode code point. Only after TAVIX_set_utf8 has been called */
#define TAVIX_KEY_UP 0x26   /* a key was let go (also every held key when the focus goes) */
#define TAVIX_KEY_DOWN 0x28 /* a key went down, or repeats while held; key: its TAVIX_KEY_ code */

/* What TAVIX_wait and TAVIX_poll fill in. */
typedef struct TAVIX_Event {
    int type;      /* TAVIX_MOUSE, TAVIX_KBD, TAVIX_PERIODIC, TAVIX_QUIT or a code above */
    int x, y;      /* library coordinates of the mouse when it happened */
    int key;       /* TAVIX_KBD: the character, 0..255; key events: a TAVIX_KEY_ code;
                      TAVIX_TEXT: a Unicode code point */
    int button;    /* 1 left, 2 middle, 3 right; TAVIX_WHEEL: steps, away from the user > 0 */
    int modifiers; /* TAVIX_MOD_SHIFT | TAVIX_MOD_CTRL | TAVIX_MOD_ALT held at the time */
    long time;     /* TAVIX_time() when it happened */
} TAVIX_Event;

/* Modifier bits of TAVIX_Event.modifiers. */
#define TAVIX_MOD_SHIFT 1
#define TAVIX_MOD_CTRL 2
#define TAVIX_MOD_ALT 4
#define TAVIX_MOD_REPEAT 8 /* TAVIX_KEY_DOWN only: an auto-repeat of a key already held */

/* Buttons of TAVIX_mouse's result (TAVIX_MOUSE_MOVE's button holds the same bits). */
#define TAVIX_BUTTON_LEFT 1
#define TAVIX_BUTTON_RIGHT 2
#define TAVIX_BUTTON_MIDDLE 4

/* Key codes: the Windows virtual-key codes. Letters are 'A'..'Z', digits '0'..'9'. */
#define TAVIX_KEY_BACKSPACE 0x08
#define TAVIX_KEY_TAB 0x09
#define TAVIX_KEY_ENTER 0x0D
#define TAVIX_KEY_SHIFT 0x10
#define TAVIX_KEY_CONTROL 0x11
#define TAVIX_KEY_ALT 0x12
#define TAVIX_KEY_ESCAPE 0x1B
#define TAVIX_KEY_SPACE 0x20
#define TAVIX_KEY_PAGE_UP 0x21
#define TAVIX_KEY_PAGE_DOWN 0x22
#define TAVIX_KEY_END 0x23
#define TAVIX_KEY_HOME 0x24
#define TAVIX_KEY_LEFT 0x25
/* TAVIX_KEY_UP (0x26), the up arrow, and TAVIX_KEY_DOWN (0x28), the down arrow: see above. */
#define TAVIX_KEY_RIGHT 0x27
#define TAVIX_KEY_INSERT 0x2D
#define TAVIX_KEY_DELETE 0x2E
#define TAVIX_KEY_F1 0x70
#define TAVIX_KEY_F2 0x71
#define TAVIX_KEY_F3 0x72
#define TAVIX_KEY_F4 0x73
#define TAVIX_KEY_F5 0x74
#define TAVIX_KEY_F6 0x75
#define TAVIX_KEY_F7 0x76
#define TAVIX_KEY_F8 0x77
#define TAVIX_KEY_F9 0x78
#define TAVIX_KEY_F10 0x79
#define TAVIX_KEY_F11 0x7A
#define TAVIX_KEY_F12 0x7B

/* Waits for the next event of any kind, as TAVIX_next_event does; fills it, returns its type. */
int TAVIX_wait(TAVIX_Event *event);
/* As TAVIX_wait, but returns 0 at once (event->type 0) when nothing is pending. */
int TAVIX_poll(TAVIX_Event *event);
/* 1 while the key (a TAVIX_KEY_ code, 'A'..'Z', '0'..'9') is held, else 0. Letters are upper
 * case only: 'w' is the code of F8 (and 'a'..'o' the numeric pad's keys, 'p'..'z' F1..F11), so
 * TAVIX_key_down('w') is 0 while W is held; write TAVIX_key_down('W'). */
int TAVIX_key_down(int key);
/* The mouse's library position now (either pointer may be null); returns the TAVIX_BUTTON_ held. */
int TAVIX_mouse(int *x, int *y);
/* Sets the animation tick's interval in milliseconds (10 to 60000; default 100). */
void TAVIX_set_tick(int milliseconds);
/* Milliseconds since TAVIX_start (in a replay: the recorded clock). */
long TAVIX_time(void);
/* Shows the picture, waits that long with the windows alive; input is kept for the next wait. */
void TAVIX_delay(int milliseconds);
/* Shows the picture, then returns once 1000 / per_second ms (1 to 1000 frames a second) have
 * passed since the previous call returned, the windows alive and input kept for the next wait.
 * Returns the milliseconds since that previous return (the first call: one frame's). */
int TAVIX_frame(int per_second);
/* A number from 0 to n - 1 from the library's own generator (TAVIX_SEED=N fixes its seed). */
int TAVIX_random(int n);
/* Seeds TAVIX_random: the same seed gives the same numbers. */
void TAVIX_seed(unsigned seed);

/* ---- Console ------------------------------------------------------------------------------- */

/* Prints one formatted line to the console. Returns the number of characters formatted. */
int TAVIX_console_printf(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* ---- Drawing ------------------------------------------------------------------------------- */

/* One pixel. */
int TAVIX_draw_pixel(int colour, int x, int y);
/* A filled circle of 2 * radius + 1 pixels across. */
int TAVIX_draw_circle(int colour, int x, int y, int radius);
/* A triangle: filled for width 0, else its outline with a pen that wide. */
int TAVIX_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);
/* A rectangle between two opposite corners: filled for width 0, else its outline. */
int TAVIX_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
/* A line; width 0 is one pixel wide. */
int TAVIX_draw_line(int colour, int x1, int y1, int x2, int y2, int width);
/* Text whose first line sits directly above (x, y); size 0 to 127 pixels, 0 the default. */
int TAVIX_draw_text(int colour, int x, int y, int size, const char *text);
/* Formatted text, as TAVIX_draw_text; returns the number of characters formatted. */
int TAVIX_draw_formatted(int colour, int x, int y, int size, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
/* Fills the back buffer white, with a one-pixel black frame. */
int TAVIX_clear_window(void);

/* ---- Sound -------------------------------------------------------------------------------- */

/* Reads a WAV file (PCM, 8 or 16 bits, mono or stereo); its sound number, or 0 with a console
 * line that names the file and the reason. */
int TAVIX_load_sound(const char *path);
/* Forgets a loaded sound, silencing it where it plays. 1, or 0 for a number not loaded. */
int TAVIX_free_sound(int sound);
/* Starts a loaded sound and returns at once; sounds and beeps mix, up to 16 at once. */
int TAVIX_play_sound(int sound);
/* Silences every sound and beep. Returns 1. */
int TAVIX_stop_sounds(void);
/* Starts a tone of 20 to 20000 Hz for up to 60000 ms and returns at once. */
int TAVIX_beep(int frequency, int milliseconds);

/* ---- Gamepads ------------------------------------------------------------------------------ */

/* Up to four standard controllers, pads 0 to 3. The first gamepad call opens them; from then on
 * TAVIX_wait and TAVIX_poll also deliver the pad events below (key: the pad, button: the button),
 * beginning with a TAVIX_PAD_ADDED for each pad already connected. */
#define TAVIX_PAD_DOWN 9     /* event: a pad's button went down */
#define TAVIX_PAD_UP 10      /* event: a pad's button was let go; also the button d-pad up */
#define TAVIX_PAD_ADDED 11   /* event: a pad was connected */
#define TAVIX_PAD_REMOVED 12 /* event: a pad was disconnected (its held buttons are let go first) */

/* Buttons of a standard controller. The d-pad's down is button 11: the name TAVIX_PAD_DOWN is
 * taken by the event above (as TAVIX_KEY_DOWN is both a key and an event), so the d-pad's four
 * buttons also have names of their own, TAVIX_PAD_DPAD_UP to TAVIX_PAD_DPAD_RIGHT. */
#define TAVIX_PAD_A 0
#define TAVIX_PAD_B 1
#define TAVIX_PAD_X 2
#define TAVIX_PAD_Y 3
#define TAVIX_PAD_BACK 4
#define TAVIX_PAD_START 5
#define TAVIX_PAD_LEFT_STICK 6
#define TAVIX_PAD_RIGHT_STICK 7
#define TAVIX_PAD_LEFT_SHOULDER 8
#define TAVIX_PAD_RIGHT_SHOULDER 9
/* TAVIX_PAD_UP (10), the d-pad's up: see above; its down is 11. */
#define TAVIX_PAD_LEFT 12
#define TAVIX_PAD_RIGHT 13
#define TAVIX_PAD_DPAD_UP 10
#define TAVIX_PAD_DPAD_DOWN 11
#define TAVIX_PAD_DPAD_LEFT 12
#define TAVIX_PAD_DPAD_RIGHT 13

/* Axes: the sticks -1000 to 1000 (right and up are positive), the triggers 0 to 1000. */
#define TAVIX_AXIS_LEFT_X 0
#define TAVIX_AXIS_LEFT_Y 1
#define TAVIX_AXIS_RIGHT_X 2
#define TAVIX_AXIS_RIGHT_Y 3
#define TAVIX_AXIS_LEFT_TRIGGER 4
#define TAVIX_AXIS_RIGHT_TRIGGER 5

/* 1 while the button of the pad is held, else 0 (and 0 for a pad not connected). */
int TAVIX_gamepad_button(int pad, int button);
/* Where the axis of the pad stands, -1000 to 1000 (0 for a pad not connected). */
int TAVIX_gamepad_axis(int pad, int axis);

/* ---- Any colour, outlines and curves, images, measuring ------------------------------------ */

/* A colour number for red, green, blue (0 to 255 each), taken by every drawing call. */
int TAVIX_rgb(int red, int green, int blue);
/* An ellipse: filled for width 0 (equal radii cover what TAVIX_draw_circle covers), else its
 * outline with a pen that wide. */
int TAVIX_draw_ellipse(int colour, int x, int y, int x_radius, int y_radius, int width);
/* An arc from start to end degrees, counter-clockwise from the positive x axis; width 0 fills
 * the pie slice. Equal angles give the whole ellipse. */
int TAVIX_draw_arc(int colour, int x, int y, int x_radius, int y_radius, int start_degrees,
                   int end_degrees, int width);
/* A polygon of count (3 to 1000) corners, points holding x, y pairs; filled for width 0. */
int TAVIX_draw_polygon(int colour, int count, const int *points, int width);
/* Paints over the connected area of the colour found at (x, y) (a flood fill). */
int TAVIX_fill_area(int colour, int x, int y);
/* The colour of the picture at (x, y) as 0xRRGGBB, or -1 outside the picture. */
int TAVIX_get_pixel(int x, int y);
/* Reads a PNG file (at most 4096 x 4096 pixels); its image number, above 0, or 0 with a
 * console line that names the file and the reason. */
int TAVIX_load_image(const char *path);
/* Draws an image with its upper-left corner at (x, y), its alpha blended over the picture. */
int TAVIX_draw_image(int image, int x, int y);
/* An image's width in pixels (0 for an image number not loaded). */
int TAVIX_image_width(int image);
/* An image's height in pixels (0 for an image number not loaded). */
int TAVIX_image_height(int image);
/* Frees an image; its number may be given to a later image. */
int TAVIX_free_image(int image);
/* The width in pixels of the box TAVIX_draw_text paints for that size and text. */
int TAVIX_text_width(int size, const char *text);
/* The height in pixels of that box: the number of lines times the line height. */
int TAVIX_text_height(int size, const char *text);

/* ---- Sprites, pictures off screen, see-through colours, collisions -------------------------- */

/* Flags of TAVIX_draw_image_transformed. */
#define TAVIX_FLIP_X 1 /* mirrored left to right */
#define TAVIX_FLIP_Y 2 /* mirrored top to bottom */
#define TAVIX_SMOOTH 4 /* blended between pixels (bilinear); else the nearest pixel, for pixel art */

/* Draws the part of an image w x h pixels from (sx, sy), in image pixels from its upper-left
 * corner (a cell of a sprite sheet), with its upper-left corner at (x, y). */
int TAVIX_draw_image_part(int image, int sx, int sy, int w, int h, int x, int y);
/* Draws an image with its centre at (x, y), scaled (0 to 1024), turned counter-clockwise by
 * degrees, flipped as the TAVIX_FLIP_ flags say; the same pixels on every system. */
int TAVIX_draw_image_transformed(int image, int x, int y, double scale, double degrees, int flags);
/* Makes a transparent image of width x height pixels (1 to 4096 each) to draw into; its number. */
int TAVIX_create_image(int width, int height);
/* Every drawing call then draws into that image (0: into the picture again); returns the image
 * drawn into before. In an image, (0, 0) is the pixel width / 2 from its left and height / 2 from
 * its top, y upwards. A colour drawn there carries its alpha: opaque colours make opaque pixels. */
int TAVIX_draw_into(int image);
/* Writes an image, alpha included, to a PNG file. 1 on success; else 0, with a console line. */
int TAVIX_save_image(int image, const char *path);
/* A see-through colour number: alpha 0 (invisible) to 255 (TAVIX_rgb's colour exactly). */
int TAVIX_rgba(int red, int green, int blue, int alpha);
/* 1 when the rectangles TAVIX_draw_rectangle fills between (x1, y1), (x2, y2) and between (x3, y3),
 * (x4, y4) share a pixel, else 0. */
int TAVIX_rects_overlap(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
/* 1 when the discs TAVIX_draw_circle fills share a pixel, else 0. */
int TAVIX_circles_overlap(int x1, int y1, int r1, int x2, int y2, int r2);
/* 1 when TAVIX_draw_rectangle's filled rectangle between (x1, y1) and (x2, y2) covers (x, y). */
int TAVIX_point_in_rect(int x, int y, int x1, int y1, int x2, int y2);
/* 1 when TAVIX_draw_circle's disc at (cx, cy) of radius r covers (x, y). */
int TAVIX_point_in_circle(int x, int y, int cx, int cy, int r);

/* ---- Fonts and any language's text --------------------------------------------------------- */

/* Styles of TAVIX_set_font, taken where the face has them. */
#define TAVIX_FONT_BOLD 1
#define TAVIX_FONT_ITALIC 2

/* The font of every later text drawn and measured: an installed face's name ("DejaVu Serif") or
 * a TrueType or OpenType file's path (one holding '/' or '\\', or ending ".ttf", ".otf",
 * ".ttc"). TAVIX_set_font(0, 0) returns to the default font. 1, or 0 with a console line when the
 * file is no font the library can use (the font is then left as it was). */
int TAVIX_set_font(const char *name_or_file, int style);
/* On (non-zero), every later text (drawing, measuring, the console) is read as UTF-8, any
 * language the font has glyphs for; a byte that is not UTF-8 shows as U+FFFD. Off, as at the
 * start, a text is Windows-1252. Calling it also asks for TAVIX_TEXT events. Returns 1. */
int TAVIX_set_utf8(int on);

#ifdef __cplusplus
}
#endif

#endif /* TAVIX_H */
