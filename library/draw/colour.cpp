// The colour check every drawing call makes: an index outside the 24 colours is reported and
// replaced by red. The colour values and names themselves live in the state record.
#include "library/core/state.h"

int check_colour(int colour) {
    if (colour >= 0 && colour < COLOUR_COUNT) return colour;
    TAVIX_console_printf("Illegal color %d; using RED.\n", colour);
    return RED;
}
