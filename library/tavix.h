/* TAVIX: a small graphics and event library for simple interactive programs.
 *
 * A client gets two windows: "TAVIX Graphics", whose picture is a fixed 601 x 540 back buffer,
 * and "TAVIX Text", a console that shows the library's messages and keeps the last 25. Drawing
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
/* Writes the back buffer, all 601 x 540 pixels, to a PNG file. 1 on success; else 0, with a
 * console line that names the file and the reason, and no file left behind. */
int TAVIX_save_picture(const char *path);

/* ---- Events -------------------------------------------------------------------------------- */

/* Waits for the next event; fills x, y (library coordinates) and key; returns its code. */
int TAVIX_next_event(int *x, int *y, char *key);
/* Runs, halts or steps the animation, or requests quit. 0 before TAVIX_start, else 1. */
int TAVIX_set_animation(int code);
/* Switches the log line of every drawing call on or off. 0 before TAVIX_start, else 1. */
int TAVIX_set_logging(int on);

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

#ifdef __cplusplus
}
#endif

#endif /* TAVIX_H */
