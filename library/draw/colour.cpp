// The colour check every drawing call makes: an index outside the 24 colours is reported and
// replaced by red, unless it is a colour number made by TAVIX_rgb. The colour values and names of
// the 24 live in the state record.
//
// TAVIX_rgb's numbers carry RGB_COLOUR_TAG in their top byte and the colour as 0xRRGGBB below it:
// 1,006,632,960 and up, so no small index, no negative number and no colour value written as a
// number by mistake (0xRRGGBB or 0x00BBGGRR, both below 2^24) is taken for one. And only a
// number TAVIX_rgb has returned counts: one bit per colour records those (2 MB, made on the first
// call), so any other number in that range is still an illegal colour.
#include "library/core/state.h"

#include <cstdio>
#include <cstdlib>

int check_colour(int colour) {
    if ((colour >= 0 && colour < COLOUR_COUNT) || is_rgb_colour(colour)) return colour;
    TAVIX_console_printf("Illegal color %d; using RED.\n", colour);
    return RED;
}

bool is_rgb_colour(int colour) {
    if (((uint32_t)colour & 0xFF000000u) != RGB_COLOUR_TAG || !library_state.draw.rgb_given)
        return false;
    uint32_t rgb = (uint32_t)colour & 0x00FFFFFFu;
    return (library_state.draw.rgb_given[rgb / 8] >> (rgb % 8)) & 1;
}

COLORREF colour_value(int colour) {
    if (!is_rgb_colour(colour)) return library_state.draw.colours[colour];
    uint32_t rgb = (uint32_t)colour & 0x00FFFFFFu;
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

const char *colour_label(int colour) {
    if (!is_rgb_colour(colour)) return library_state.draw.colour_names[colour];
    // A few lines may name colours at once (a warning and a log line): each gets its own buffer.
    static char labels[4][8];
    static int next;
    char *label = labels[next];
    next = (next + 1) % 4;
    snprintf(label, sizeof labels[0], "#%06X", (unsigned)colour & 0x00FFFFFFu);
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
