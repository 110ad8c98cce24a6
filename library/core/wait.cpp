// The plain event wait, a view of the one wait loop (core/events.cpp); the pump that takes one
// message per pass through the window procedures and copies the back buffer to the window; the
// animation switch.
#include "library/core/state.h"

void present_buffer(void) {
    if (!library_state.window.dirty) return;
    copy_buffer_to_window(0);
    library_state.window.dirty = 0;
}

int pump_one_message(void) {
    // The queue may run dry in the call below, and the windows be presented: the console shows
    // every line printed so far by then.
    draw_console_batch();
    MSG msg;
    // On Windows the graphics window is a Unicode one: its characters are taken as UTF-16.
#ifdef _WIN32
    int took = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) ? 1 : 0;
#else
    int took = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? 1 : 0;
#endif
    if (took && msg.message == WM_QUIT) {
        // The quit ends this pass: nothing is dispatched or copied after it.
        library_state.events.pending.type = TAVIX_QUIT;
        return 1;
    }
    if (took) {
        library_state.events.message_time = msg.time;
        TranslateMessage(&msg);
#ifdef _WIN32
        DispatchMessageW(&msg);
#else
        DispatchMessageA(&msg);
#endif
    }
    // Pads send no messages: each pass reads them (once they are open).
    poll_pads();
    present_buffer();
    return took;
}

// The plain wait: the richer wait's loop, seeing only clicks, characters, ticks and the quit.
int TAVIX_next_event(int *x, int *y, char *key) {
    // The windows are given up: no input can come, and a loop that waits must still end.
    if (library_finished("TAVIX_next_event")) {
        *x = 0;
        *y = 0;
        *key = 0;
        return TAVIX_QUIT;
    }
    wait_for_event(WAIT_PLAIN, nullptr);
    const PendingEvent *pending = &library_state.events.pending;
    if (library_state.script.recording)
        record_event(pending->type, pending->x, pending->y, (char)pending->key);

    if (pending->type == TAVIX_PERIODIC) advance_sound_clock(library_state.clock.tick_period);

    *x = pending->x;
    *y = pending->y;
    *key = (char)pending->key;
    return library_state.events.quit_requested ? TAVIX_QUIT : pending->type;
}

int TAVIX_set_animation(int code) {
    if (!library_state.window.graphics) return 0;
    switch (code) {
        case TAVIX_ANIM_HALT:
            library_state.events.running = 0;
            library_state.events.single_step = 0;
            break;
        case TAVIX_ANIM_STEP:
            library_state.events.single_step = 1;
            break;
        case TAVIX_ANIM_RUN:
            library_state.events.running = 1;
            break;
        case TAVIX_ANIM_QUIT:
            library_state.events.quit_requested = 1;
            break;
        default:
            break;
    }
    return 1;
}
