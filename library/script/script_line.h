// The script file's line format: formatting one event as a line, reading the next line of a
// script stream, and decoding a line back into an event. Pure: no library state, no messages,
// so that the tests and the fuzzer can drive it on any bytes.
#ifndef TAVIX_SCRIPT_SCRIPT_LINE_H
#define TAVIX_SCRIPT_SCRIPT_LINE_H

#include <cstddef>
#include <cstdio>

#define SCRIPT_FILE_NAME "TAVIX.SCR"
#define SCRIPT_LINE_SIZE \
    512  // bytes of one read line: 511 characters, newline included, and a zero
#define SCRIPT_NUMBER_SIZE 12  // bytes of one number's text with its zero: every 32-bit value fits
#define SCRIPT_COMMENT '#'     // first character of a comment line, passed over as an empty one is

// One decoded line.
struct ScriptEvent {
    int type;         // TAVIX_MOUSE, TAVIX_KBD or TAVIX_PERIODIC
    int x;            // library x of a click (mouse lines)
    int y;            // library y of a click (mouse lines)
    signed char key;  // the character (key lines): the low 8 bits of the number
    int count;        // the count a periodic line carries, 0 or more; the line stands for
                      // max(count, 1) events
};

// Formats the line for one event into line (at most size bytes with the zero); count is the
// number written on a periodic line. Returns the line's length, 0 for an event that has no line
// (quit, or any other type).
int format_script_line(char *line, size_t size, int type, int x, int y, signed char key, int count);

// Reads the next line of the script into line (SCRIPT_LINE_SIZE bytes), skipping empty lines and
// comments; a line longer than the buffer is returned in pieces. Returns 0 at the end of the
// script: no more text, or a last line that lacks its newline.
int next_script_line(FILE *stream, char *line);
// The same, counting: *lines_read is the number of whole lines of the stream read so far (kept by
// the caller from the stream's start), *number becomes the line number of the line returned.
int next_script_line_numbered(FILE *stream, char *line, int *lines_read, int *number);

// Decodes one line (zero-terminated, at most SCRIPT_LINE_SIZE bytes are looked at). Returns 1
// and fills *event for a well-formed mouse, key or periodic line; 0 for anything else: an unknown
// letter after "TAVIX_", a line too short to carry one, a missing number, a number longer than
// SCRIPT_NUMBER_SIZE - 1 characters or outside its range.
int decode_script_line(const char *line, ScriptEvent *event);

// The lines only the richer wait, the clock, the generator and the gamepads write, each a word that
// the letter after "TAVIX_" tells apart from the three above ('E', 'T', 'S', 'N', 'G'):
//   TAVIX_EVENT(type, x, y, key, button, modifiers, time);  an event TAVIX_wait/TAVIX_poll gave
//   TAVIX_TIME(t, n);   n calls of TAVIX_time in a row returned t
//   TAVIX_SEED(s);      TAVIX_random's generator state here was s (as a signed 32-bit number)
//   TAVIX_NONE(n);      n calls of TAVIX_poll in a row found nothing
//   TAVIX_GAMEPAD(v, n);  n gamepad reads in a row (of any pad, button or axis) returned v
#define SCRIPT_EXTRA_NUMBERS 7  // numbers of the longest of them, the event line
struct ScriptExtraLine {
    char kind;                          // 'E', 'T', 'S', 'N' or 'G'
    int values[SCRIPT_EXTRA_NUMBERS];  // its numbers, in the order written
};
// Farthest x or y of an event line from the picture's centre: a message's 16-bit coordinates,
// from a window that may itself lie as far off the screen's corner, with room to spare.
#define SCRIPT_EVENT_REACH 131072
#define SCRIPT_WHEEL_REACH 274  // most notches of one wheel event
#define SCRIPT_PAD_COUNT 4         // pads an event line may name, 0 up
#define SCRIPT_PAD_BUTTON_COUNT 14  // their buttons, 0 up
// Decodes one of those lines: 1 with *extra filled when the line starts with its word and holds
// all its numbers (signed, each within 32 bits; counts at least 1) and, for an event line, an
// event a recording can hold (see script_line.cpp), else 0.
int decode_extra_script_line(const char *line, ScriptExtraLine *extra);

#endif
