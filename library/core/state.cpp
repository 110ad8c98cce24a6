// The library's one state record, statically initialised: the program's start is its start.
#include "library/core/state.h"

LibraryState library_state = {
    /* dirty */ 1,
    /* console_first */ -1,
    /* colours */
    {0x00000000, 0x00FFFFFF, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000FFFF,
     0x00FF00FF, 0x00FFFF00, 0x00CC0099, 0x00993300, 0x00996699, 0x00FFFF99,
     0x00CCFF99, 0x000066FF, 0x00336699, 0x00CC99FF, 0x0099FFFF, 0x003399CC,
     0x006699FF, 0x00336600, 0x0099CC33, 0x00339999, 0x00808080, 0x00CCCCCC},
    /* colour_names */
    {"black", "white", "red", "green", "blue", "yellow", "magenta", "cyan",
     "purple", "navy blue", "dusty plum", "ice blue", "turquoise", "orange", "brown", "pink",
     "chalk", "gold", "peach", "forest green", "sea green", "olive", "50% gray", "20% gray"},
    /* logging */ 1,
    /* quit_requested */ 0,
    /* running */ 0,
    /* single_step */ 0,
    /* origin_x */ 0,
    /* origin_y */ 0,
    /* pending */ {0, 0, 0, 0},
    /* graphics_window */ nullptr,
    /* console_window */ nullptr,
    /* console_end */ 0,
    /* recording */ 0,
    /* play_one */ 0,
    /* playing_back */ 0,
    /* timer_tick */ 0,
    /* script_file */ nullptr,
    /* periodic_count */ 0,
    /* ctrl_down */ 0,
    /* console_lines */ {},
    /* buffer_dc */ nullptr,
    /* window_dc */ nullptr,
    /* buffer_bitmap */ nullptr,
    /* run_menu */ nullptr,
    /* quit_pending */ 0,
};
