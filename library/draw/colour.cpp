// The colour check every drawing call makes: an index outside the 24 colours is reported and
// replaced by red, unless it is a colour number made by TAVIX_rgb. The colour values and names of
// the 24 live in the state record.
//
// TAVIX_rgb's numbers carry RGB_COLOUR_TAG in their top byte and the colour as 0xRRGGBB below it:
// 1,006,632,960 and up, so no small index, no negative number and no colour value written as a
// number by mistake (0xRRGGBB or 0x00BBGGRR, both below 2^24) is taken for one. And only a
// number TAVIX_rgb has returned counts: one bit per colour records those (2 MB, made on the first
// call), so any other number in that range is still an illegal colour.
//
// TAVIX_rgba's see-through colours cannot all have numbers of their own in an int beside the
// others, so each one made is kept in a table and numbered by its place: RGBA_COLOUR_TAG and the
// place below it. A colour asked for again gets its first number (a hash finds it), so a program
// that makes its colour anew every frame does not fill the table. Alpha 255 is TAVIX_rgb's number.
#include "library/core/state.h"

#include <cstdio>
#include <cstdlib>

int check_colour(int colour) {
    if ((colour >= 0 && colour < COLOUR_COUNT) || is_rgb_colour(colour) || is_rgba_colour(colour))
        return colour;
    TAVIX_console_printf("Illegal color %d; using RED.\n", colour);
    return RED;
}

bool is_rgb_colour(int colour) {
    if (((uint32_t)colour & 0xFF000000u) != RGB_COLOUR_TAG || !library_state.draw.rgb_given)
        return false;
    uint32_t rgb = (uint32_t)colour & 0x00FFFFFFu;
    return (library_state.draw.rgb_given[rgb / 8] >> (rgb % 8)) & 1;
}

bool is_rgba_colour(int colour) {
    return ((uint32_t)colour & 0xFF000000u) == RGBA_COLOUR_TAG &&
           (int32_t)((uint32_t)colour & 0x00FFFFFFu) < library_state.canvas.rgba_count;
}

// A checked colour as 0xAARRGGBB.
static uint32_t colour_argb(int colour) {
    if (is_rgba_colour(colour))
        return library_state.canvas.rgba[(uint32_t)colour & 0x00FFFFFFu];
    if (is_rgb_colour(colour)) return 0xFF000000u | ((uint32_t)colour & 0x00FFFFFFu);
    COLORREF c = library_state.draw.colours[colour];
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

COLORREF colour_value(int colour) {
    if (!is_rgb_colour(colour) && !is_rgba_colour(colour))
        return library_state.draw.colours[colour];
    uint32_t argb = colour_argb(colour);
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

int colour_alpha(int colour) {
    return (int)(colour_argb(colour) >> 24);
}

const char *colour_label(int colour) {
    if (!is_rgb_colour(colour) && !is_rgba_colour(colour))
        return library_state.draw.colour_names[colour];
    // A few lines may name colours at once (a warning and a log line): each gets its own buffer.
    static char labels[4][12];
    static int next;
    char *label = labels[next];
    next = (next + 1) % 4;
    uint32_t argb = colour_argb(colour);
    if (argb >> 24 == 255)
        snprintf(label, sizeof labels[0], "#%06X", (unsigned)argb & 0x00FFFFFFu);
    else
        snprintf(label, sizeof labels[0], "#%06X%02X", (unsigned)argb & 0x00FFFFFFu,
                 (unsigned)argb >> 24);
    return label;
}

// A component outside 0 to 255 taken to the nearer end, with its warning.
static int component(int value, const char *name, const char *word) {
    if (value >= 0 && value <= 255) return value;
    int corrected = value < 0 ? 0 : 255;
    TAVIX_console_printf("%s of %d not possible, using %s %d\n", name, value, word, corrected);
    return corrected;
}

int TAVIX_rgb(int red, int green, int blue) {
    red = component(red, "Red", "red");
    green = component(green, "Green", "green");
    blue = component(blue, "Blue", "blue");
    uint32_t rgb = (uint32_t)red << 16 | (uint32_t)green << 8 | (uint32_t)blue;
    if (!library_state.draw.rgb_given)
        library_state.draw.rgb_given = (uint8_t *)calloc(1u << 21, 1);
    // Without the record's memory the colour cannot be told from a mistake: the nearest of the
    // 24 would be a guess, so the number is still returned and drawing calls take it as illegal.
    if (library_state.draw.rgb_given)
        library_state.draw.rgb_given[rgb / 8] |= (uint8_t)(1u << (rgb % 8));
    return (int)(RGB_COLOUR_TAG | rgb);
}

// The most see-through colours a program can make: the numbers below the tag byte.
static const int32_t RGBA_LIMIT = 1 << 24;

static uint32_t rgba_hash(uint32_t argb) {
    return (argb * 2654435761u) >> 7;
}

// The table's entry of argb, or -1.
static int32_t find_rgba(uint32_t argb) {
    CanvasState &c = library_state.canvas;
    if (!c.rgba_lookup_size) return -1;
    uint32_t mask = (uint32_t)c.rgba_lookup_size - 1;
    for (uint32_t at = rgba_hash(argb) & mask;; at = (at + 1) & mask) {
        int32_t entry = c.rgba_lookup[at];
        if (entry == 0) return -1;
        if (c.rgba[entry - 1] == argb) return entry - 1;
    }
}

// Files entry under its colour in a lookup of size slots.
static void file_rgba(int32_t *lookup, int32_t size, const uint32_t *table, int32_t entry) {
    uint32_t mask = (uint32_t)size - 1;
    uint32_t at = rgba_hash(table[entry]) & mask;
    while (lookup[at]) at = (at + 1) & mask;
    lookup[at] = entry + 1;
}

// Adds argb to the table; its entry, or -1 when the table is full or memory runs out.
static int32_t add_rgba(uint32_t argb) {
    CanvasState &c = library_state.canvas;
    if (c.rgba_count >= RGBA_LIMIT) return -1;
    if (c.rgba_count == c.rgba_room) {
        int32_t room = c.rgba_room ? c.rgba_room * 2 : 64;
        uint32_t *grown = (uint32_t *)realloc(c.rgba, (size_t)room * sizeof *grown);
        if (!grown) return -1;
        c.rgba = grown;
        c.rgba_room = room;
    }
    // The lookup is kept at most half full.
    if (2 * (c.rgba_count + 1) > c.rgba_lookup_size) {
        int32_t size = c.rgba_lookup_size ? c.rgba_lookup_size * 2 : 128;
        int32_t *lookup = (int32_t *)calloc((size_t)size, sizeof *lookup);
        if (!lookup) return -1;
        for (int32_t i = 0; i < c.rgba_count; ++i) file_rgba(lookup, size, c.rgba, i);
        free(c.rgba_lookup);
        c.rgba_lookup = lookup;
        c.rgba_lookup_size = size;
    }
    c.rgba[c.rgba_count] = argb;
    file_rgba(c.rgba_lookup, c.rgba_lookup_size, c.rgba, c.rgba_count);
    return c.rgba_count++;
}

int TAVIX_rgba(int red, int green, int blue, int alpha) {
    red = component(red, "Red", "red");
    green = component(green, "Green", "green");
    blue = component(blue, "Blue", "blue");
    alpha = component(alpha, "Alpha", "alpha");
    if (alpha == 255) return TAVIX_rgb(red, green, blue);
    uint32_t argb = (uint32_t)alpha << 24 | (uint32_t)red << 16 | (uint32_t)green << 8 |
                    (uint32_t)blue;
    int32_t entry = find_rgba(argb);
    if (entry < 0) entry = add_rgba(argb);
    if (entry < 0) {
        // Past sixteen million colours (or without memory) the colour is drawn opaque rather
        // than not at all.
        TAVIX_console_printf("No room for another see-through colour, using alpha 255\n");
        return TAVIX_rgb(red, green, blue);
    }
    return (int)(RGBA_COLOUR_TAG | (uint32_t)entry);
}
