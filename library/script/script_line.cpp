// The script file's line format: one event per line, "TAVIX_MOUSE(x, y);", "TAVIX_KBD(key);"
// or "TAVIX_PERIODIC(n);". A line is identified by its letter after "TAVIX_" alone, and every
// scan stays inside the line, whatever bytes the file holds.
#include "library/script/script_line.h"

#include "library/tavix.h"

#include <cstdint>
#include <cstring>

#define SCRIPT_LETTER_INDEX 6  // the letter after "TAVIX_"

int format_script_line(char *line, size_t size, int type, int x, int y, signed char key,
                       int count) {
    int length = 0;
    switch (type) {
        case TAVIX_MOUSE:
            length = snprintf(line, size, "TAVIX_MOUSE(%d, %d);\n", x, y);
            break;
        case TAVIX_KBD:
            length = snprintf(line, size, "TAVIX_KBD(%d);\n", (int)key);
            break;
        case TAVIX_PERIODIC:
            length = snprintf(line, size, "TAVIX_PERIODIC(%d);\n", count);
            break;
        default:
            break;
    }
    if (length <= 0) {
        if (size > 0) line[0] = '\0';
        return 0;
    }
    return (size_t)length < size ? length : (int)size - 1;
}

// An empty line is a bare newline; a file written on Windows and read here in text mode
// still carries the carriage return of its empty lines.
static int is_empty_line(const char *line, size_t length) {
    return (length == 1 && line[0] == '\n') || (length == 2 && line[0] == '\r' && line[1] == '\n');
}

// Reads up to SCRIPT_LINE_SIZE - 1 bytes into line, to its newline included, and ends it with a
// zero. Unlike fgets it says how many bytes it took and whether the newline was among them, so a
// NUL byte inside a line cannot hide the line's end. Returns 0 when nothing was left to read.
// The stream is read on one thread only: the byte-at-a-time read need not take its lock.
#ifdef _WIN32
#define GET_BYTE _getc_nolock
#else
#define GET_BYTE getc_unlocked
#endif

static int read_piece(FILE *stream, char *line, size_t *length, int *whole) {
    size_t n = 0;
    *whole = 0;
    while (n < SCRIPT_LINE_SIZE - 1) {
        int c = GET_BYTE(stream);
        if (c == EOF) break;
        line[n++] = (char)c;
        if (c == '\n') {
            *whole = 1;
            break;
        }
    }
    line[n] = '\0';
    *length = n;
    return n > 0;
}

int next_script_line_numbered(FILE *stream, char *line, int *lines_read, int *number) {
    size_t length = 0;
    int whole = 0;
    if (!read_piece(stream, line, &length, &whole)) return 0;
    // Empty lines and comments are passed over; a comment longer than the buffer, to its end.
    while (is_empty_line(line, length) || line[0] == SCRIPT_COMMENT) {
        int comment = line[0] == SCRIPT_COMMENT;
        while (comment && !whole)
            if (!read_piece(stream, line, &length, &whole)) return 0;
        ++*lines_read;
        if (!read_piece(stream, line, &length, &whole)) return 0;
    }
    // A last line without its newline set the end-of-file indicator while it was read: the
    // script ends there instead of delivering a line that may have been cut short.
    if (feof(stream)) return 0;
    // A piece of a long line has the number of the line it belongs to.
    *number = *lines_read + 1;
    if (whole) ++*lines_read;
    return 1;
}

int next_script_line(FILE *stream, char *line) {
    int lines_read = 0, number = 0;
    return next_script_line_numbered(stream, line, &lines_read, &number);
}

static int is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Takes a number from line[from..length): skips to its first character (a digit, or also '-'
// when signed), takes the run of such characters as its text and converts it as atoi does: an
// optional leading '-', then digits up to the first other character, so a text of "-" alone is 0.
// The text must not be empty and must fit the number field; the value must fit 32 bits. *end is
// the index just after the text.
static int take_number(const char *line, size_t length, size_t from, int is_signed, int64_t *value,
                       size_t *end) {
    size_t i = from;
    while (i < length && !is_digit(line[i]) && !(is_signed && line[i] == '-')) i++;
    size_t start = i;
    while (i < length && (is_digit(line[i]) || (is_signed && line[i] == '-'))) i++;
    size_t text_length = i - start;
    if (text_length == 0 || text_length > SCRIPT_NUMBER_SIZE - 1) return 0;

    char text[SCRIPT_NUMBER_SIZE];
    memcpy(text, line + start, text_length);
    text[text_length] = '\0';

    size_t k = 0;
    int negative = 0;
    if (text[0] == '-') {
        negative = 1;
        k = 1;
    }
    int64_t magnitude = 0;  // at most 11 digits: no overflow
    for (; is_digit(text[k]); k++) magnitude = magnitude * 10 + (text[k] - '0');
    int64_t result = negative ? -magnitude : magnitude;
    if (result < INT32_MIN || result > INT32_MAX) return 0;
    *value = result;
    *end = i;
    return 1;
}

int decode_script_line(const char *line, ScriptEvent *event) {
    size_t length = strnlen(line, SCRIPT_LINE_SIZE);
    if (length <= SCRIPT_LETTER_INDEX) return 0;

    int64_t first = 0, second = 0;
    size_t end = 0;
    switch (line[SCRIPT_LETTER_INDEX]) {
        case 'K':
            if (!take_number(line, length, SCRIPT_LETTER_INDEX, 1, &first, &end)) return 0;
            event->type = TAVIX_KBD;
            event->key = (signed char)(uint8_t)(first & 0xFF);
            return 1;
        case 'M':
            if (!take_number(line, length, SCRIPT_LETTER_INDEX, 1, &first, &end)) return 0;
            if (!take_number(line, length, end, 1, &second, &end)) return 0;
            event->type = TAVIX_MOUSE;
            event->x = (int)first;
            event->y = (int)second;
            return 1;
        case 'P':
            // A count of 0 is not something the recorder writes, but the line still stands for
            // one event: the player delivers it and is left with a count of -1.
            if (!take_number(line, length, SCRIPT_LETTER_INDEX, 0, &first, &end)) return 0;
            event->type = TAVIX_PERIODIC;
            event->count = (int)first;
            return 1;
        default:
            return 0;
    }
}

struct ExtraForm {
    const char *word;  // the line's start, up to its opening parenthesis
    char kind;
    int numbers;  // how many it carries
    int counted;  // index of a count that must be at least 1, or -1
};

static const ExtraForm extra_forms[] = {
    {"TAVIX_EVENT(", 'E', 7, -1},
    {"TAVIX_TIME(", 'T', 2, 1},
    {"TAVIX_SEED(", 'S', 1, -1},
    {"TAVIX_NONE(", 'N', 1, 0},
    {"TAVIX_GAMEPAD(", 'G', 2, 1},
};

static int in_range(int value, int low, int high) {
    return value >= low && value <= high;
}

// An event line holds what the richer wait can deliver and nothing else: one of its event types
// (a quit has no line), a key code or character of 0 to 255 where the event has one (a typed
// text's key: a Unicode code point, no surrogate), a button
// where it has one (1 to 3 for a press or a release, the held buttons' bits for a move, the
// notches of a wheel turn, which one message of 16 bits cannot make more than 274 of), the
// modifier bits, a time since the start, and a place within reach of a window's 16-bit
// coordinates (SCRIPT_EVENT_REACH). A pad's event has its pad (0 to 3) as key, and a button
// (0 to 13) where it has one.
static int event_line_possible(const int *v) {
    const int type = v[0], x = v[1], y = v[2], key = v[3], button = v[4], modifiers = v[5],
              time = v[6];
    const int all_buttons = TAVIX_BUTTON_LEFT | TAVIX_BUTTON_RIGHT | TAVIX_BUTTON_MIDDLE;
    const int all_modifiers = TAVIX_MOD_SHIFT | TAVIX_MOD_CTRL | TAVIX_MOD_ALT | TAVIX_MOD_REPEAT;
    if (!in_range(x, -SCRIPT_EVENT_REACH, SCRIPT_EVENT_REACH) ||
        !in_range(y, -SCRIPT_EVENT_REACH, SCRIPT_EVENT_REACH) || time < 0 ||
        (modifiers & ~all_modifiers) != 0 ||
        ((modifiers & TAVIX_MOD_REPEAT) && type != TAVIX_KEY_DOWN))
        return 0;
    switch (type) {
        case TAVIX_KEY_DOWN:
        case TAVIX_KEY_UP:
        case TAVIX_KBD:
            return in_range(key, 0, 255) && button == 0;
        case TAVIX_TEXT:
            return in_range(key, 1, 0x10FFFF) && !in_range(key, 0xD800, 0xDFFF) && button == 0 &&
                   (modifiers & TAVIX_MOD_REPEAT) == 0;
        case TAVIX_MOUSE:
        case TAVIX_MOUSE_UP:
            return key == 0 && in_range(button, 1, 3);
        case TAVIX_MOUSE_MOVE:
            return key == 0 && (button & ~all_buttons) == 0;
        case TAVIX_WHEEL:
            return key == 0 && button != 0 &&
                   in_range(button, -SCRIPT_WHEEL_REACH, SCRIPT_WHEEL_REACH);
        case TAVIX_PERIODIC:
            return key == 0 && button == 0;
        case TAVIX_PAD_DOWN:
        case TAVIX_PAD_UP:
            return in_range(key, 0, SCRIPT_PAD_COUNT - 1) &&
                   in_range(button, 0, SCRIPT_PAD_BUTTON_COUNT - 1);
        case TAVIX_PAD_ADDED:
        case TAVIX_PAD_REMOVED:
            return in_range(key, 0, SCRIPT_PAD_COUNT - 1) && button == 0;
        default:
            return 0;
    }
}

int decode_extra_script_line(const char *line, ScriptExtraLine *extra) {
    size_t length = strnlen(line, SCRIPT_LINE_SIZE);
    for (const ExtraForm &form : extra_forms) {
        size_t word = strlen(form.word);
        if (length < word || memcmp(line, form.word, word) != 0) continue;
        size_t at = word;
        for (int i = 0; i < form.numbers; i++) {
            int64_t value = 0;
            if (!take_number(line, length, at, 1, &value, &at)) return 0;
            extra->values[i] = (int)value;
        }
        if (form.counted >= 0 && extra->values[form.counted] < 1) return 0;
        if (form.kind == 'E' && !event_line_possible(extra->values)) return 0;
        // What a gamepad read returns: 0 or 1 for a button, -1000 to 1000 for an axis.
        if (form.kind == 'G' && !in_range(extra->values[0], -1000, 1000)) return 0;
        extra->kind = form.kind;
        return 1;
    }
    return 0;
}
