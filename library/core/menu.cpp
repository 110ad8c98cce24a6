// Seam for the Run menu and its accelerators; replaced by the real menu code.
#include "library/core/state.h"

void build_run_menu(HWND) {}
void handle_key_down(WPARAM) {}
void handle_key_up(WPARAM) {}
void handle_command(int) {}
void stop_playback(void) {
    library_state.playing_back = 0;
    library_state.play_one = 0;
}
int TAVIX_set_logging(int on) {
    if (!library_state.graphics_window) return 0;
    library_state.logging = on ? 1 : 0;
    return 1;
}
