/* High scores: type your name in any language (Greek, accents with dead keys, an input method)
 * and press Enter to put it in the table; Backspace takes back a character, Esc ends.
 *
 * It shows TAVIX_set_utf8 (texts read as UTF-8), TAVIX_TEXT events (each typed character as its
 * Unicode code point) and TAVIX_set_font. Names are kept as UTF-8. */
#include <tavix.h>

#include <stdio.h>
#include <string.h>

#define NAME_BYTES 64 /* UTF-8 bytes of one name, with its zero */
#define ROWS 8

static char names[ROWS][NAME_BYTES] = {"Αλέξανδρος", "Zoë", "Ιωάννα", "François"};
static int scores[ROWS] = {9120, 7450, 6010, 5230};
static int rows = 4;

/* Appends a code point to a UTF-8 string of room bytes, if it fits whole. */
static void append_utf8(char *text, size_t room, int code) {
    char bytes[4];
    size_t n, used = strlen(text);
    if (code < 0x80) {
        bytes[0] = (char)code;
        n = 1;
    } else if (code < 0x800) {
        bytes[0] = (char)(0xC0 | code >> 6);
        bytes[1] = (char)(0x80 | (code & 0x3F));
        n = 2;
    } else if (code < 0x10000) {
        bytes[0] = (char)(0xE0 | code >> 12);
        bytes[1] = (char)(0x80 | ((code >> 6) & 0x3F));
        bytes[2] = (char)(0x80 | (code & 0x3F));
        n = 3;
    } else {
        bytes[0] = (char)(0xF0 | code >> 18);
        bytes[1] = (char)(0x80 | ((code >> 12) & 0x3F));
        bytes[2] = (char)(0x80 | ((code >> 6) & 0x3F));
        bytes[3] = (char)(0x80 | (code & 0x3F));
        n = 4;
    }
    if (used + n >= room) return;
    memcpy(text + used, bytes, n);
    text[used + n] = '\0';
}

/* Takes the last character (all of its UTF-8 bytes) off a string. */
static void remove_last(char *text) {
    size_t used = strlen(text);
    while (used > 0 && ((unsigned char)text[used - 1] & 0xC0) == 0x80) --used;
    if (used > 0) --used;
    text[used] = '\0';
}

static void draw(const char *typing, int score) {
    char line[NAME_BYTES + 32];
    TAVIX_clear_window();
    TAVIX_set_font("DejaVu Serif", TAVIX_FONT_BOLD);
    TAVIX_draw_text(NAVY_BLUE, -150, 200, 36, "High scores");
    TAVIX_set_font("DejaVu Sans", 0);
    for (int i = 0; i < rows; i++) {
        TAVIX_draw_formatted(BLACK, -200, 140 - 32 * i, 22, "%d.", i + 1);
        TAVIX_draw_text(BLACK, -160, 140 - 32 * i, 22, names[i]);
        TAVIX_draw_formatted(BLACK, 120, 140 - 32 * i, 22, "%d", scores[i]);
    }
    TAVIX_set_font("DejaVu Sans", TAVIX_FONT_ITALIC);
    snprintf(line, sizeof line, "Your score: %d. Your name: %s_", score, typing);
    TAVIX_draw_text(FOREST_GREEN, -260, -160, 20, line);
    TAVIX_set_font(0, 0);
    TAVIX_draw_text(GRAY_50, -260, -200, 14, "Type a name (any language), Enter to save, Esc to end");
}

int main(void) {
    char typing[NAME_BYTES] = "";
    int score = 6800;
    TAVIX_start(NULL, NULL, NULL, 1); /* open the two windows */
    TAVIX_set_logging(0);
    TAVIX_set_utf8(1);
    draw(typing, score);
    for (;;) {
        TAVIX_Event e;
        int type = TAVIX_wait(&e);
        if (type == TAVIX_QUIT) break;
        if (type == TAVIX_TEXT) {
            append_utf8(typing, sizeof typing, e.key);
        } else if (type == TAVIX_KEY_DOWN && e.key == TAVIX_KEY_BACKSPACE) {
            remove_last(typing);
        } else if (type == TAVIX_KEY_DOWN && e.key == TAVIX_KEY_ESCAPE) {
            break;
        } else if (type == TAVIX_KEY_DOWN && e.key == TAVIX_KEY_ENTER && typing[0]) {
            /* The new row goes in its place by score; the lowest falls off a full table. */
            int at = rows < ROWS ? rows : ROWS - 1;
            while (at > 0 && scores[at - 1] < score) {
                if (at < ROWS) {
                    scores[at] = scores[at - 1];
                    memcpy(names[at], names[at - 1], NAME_BYTES);
                }
                at--;
            }
            if (rows < ROWS) rows++;
            scores[at] = score;
            memcpy(names[at], typing, NAME_BYTES);
            typing[0] = '\0';
            score -= 1234;
        } else {
            continue;
        }
        draw(typing, score);
    }
    TAVIX_finish();
    return 0;
}
