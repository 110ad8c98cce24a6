/* The colour swatch in docs/guide.md: the 24 colours, each with its index, its name in tavix.h,
 * and its red, green and blue values. */
#include <tavix.h>

static const char *const names[24] = {
    "BLACK",     "WHITE",        "RED",       "GREEN",     "BLUE",       "YELLOW",
    "MAGENTA",   "CYAN",         "PURPLE",    "NAVY_BLUE", "DUSTY_PLUM", "ICE_BLUE",
    "TURQUOISE", "ORANGE",       "BROWN",     "PINK",      "CHALK",      "GOLD",
    "PEACH",     "FOREST_GREEN", "SEA_GREEN", "OLIVE",     "GRAY_50",    "GRAY_20"};

/* Red, green, blue of each colour, as the library paints them. */
static const int values[24][3] = {
    {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 0, 255},
    {255, 255, 0},   {255, 0, 255},   {0, 255, 255},   {153, 0, 204},   {0, 51, 153},
    {153, 102, 153}, {153, 255, 255}, {153, 255, 204}, {255, 102, 0},   {153, 102, 51},
    {255, 153, 204}, {255, 255, 153}, {204, 153, 51},  {255, 153, 102}, {0, 102, 51},
    {51, 204, 153},  {153, 153, 51},  {128, 128, 128}, {204, 204, 204}};

int main(void) {
    int i, x, y;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();

    for (i = 0; i < 24; i++) {
        int left = i < 12 ? -290 : 5;
        int top = 240 - (i % 12) * 40;
        TAVIX_draw_rectangle(i, left, top, left + 50, top - 32, 0);
        TAVIX_draw_rectangle(BLACK, left, top, left + 50, top - 32, 1);
        TAVIX_draw_formatted(BLACK, left + 58, top - 16, 13, "%2d %s", i, names[i]);
        TAVIX_draw_formatted(GRAY_50, left + 58, top - 31, 12, "%3d, %3d, %3d", values[i][0],
                             values[i][1], values[i][2]);
    }
    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
    }
    TAVIX_finish();
    return 0;
}
