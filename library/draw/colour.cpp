// The colour check every drawing call makes: an index outside the 24 colours is reported and
// replaced by red, unless it is a colour number made by TAVIX_rgb. The colour values and names of
// the 24 live in the state record.
//
// TAVIX_rgb's numbers carry RGB_COLOUR_TAG in their top byte and the colour as 0xRRGGBB below it:
// 1,006,632,960 and up, so no small index, no negative number and no colour value written as a
// number by mistake (0xRRGGBB or 0x00BBGGRR, both below 2^24) is taken for one.
#include "library/core/state.h"

#include <cstdio>

int check_colour(int colour) {
    if ((colour >= 0 && colour < COLOUR_COUNT) || is_rgb_colour(colour)) return colour;
    TAVIX_console_printf("Illegal color %d; using RED.\n", colour);
    return RED;
}

bool is_rgb_colour(int colour) {
    return ((uint32_t)colour & 0xFF000000u) == RGB_COLOUR_TAG;
}

COLORREF colour_value(int colour) {
    if (!is_rgb_colour(colour)) return library_state.colours[colour];
    uint32_t rgb = (uint32_t)colour & 0x00FFFFFFu;
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

const char *colour_label(int colour) {
    if (!is_rgb_colour(colour)) return library_state.colour_names[colour];
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
    return (int)(RGB_COLOUR_TAG | (uint32_t)red << 16 | (uint32_t)green << 8 | (uint32_t)blue);
}
