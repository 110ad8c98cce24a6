// The event wait: one message per pass through the window procedures, scripted events while
// playback is on, the periodic event of a running animation, and the copy of the back buffer to
// the window. Also the animation switch.
#include "library/core/state.h"

void present_buffer(void) {
    if (!library_state.window.dirty) return;
    BitBlt(library_state.window.graphics_dc, 0, 0, TAVIX_WIDTH, TAVIX_HEIGHT,
           library_state.window.buffer_dc, 0, 0, SRCCOPY);
    library_state.window.dirty = 0;
}

int pump_one_message(void) {
    // The queue may run dry in the call below, and the windows be presented: the console shows
    // every line printed so far by then.
    draw_console_batch();
    MSG msg;
    int took = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? 1 : 0;
    if (took && msg.message == WM_QUIT) {
        // The quit ends this pass: nothing is dispatched or copied after it.
        library_state.events.pending.type = TAVIX_QUIT;
        return 1;
    }
    if (took) {
        library_state.events.message_time = msg.time;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    present_buffer();
    return took;
}

// True when the pending event ends the wait: anything but a periodic event that has not yet
// seen a timer notice since it was armed.
static int event_ready(void) {
    PendingEvent *pending = &library_state.events.pending;
    return pending->type != TAVIX_NO_EVENT &&
           (pending->type != TAVIX_PERIODIC || library_state.events.timer_tick);
}

int TAVIX_next_event(int *x, int *y, char *key) {
    // The windows are given up: no input can come, and a loop that waits must still end.
    if (library_finished("TAVIX_next_event")) {
        *x = 0;
        *y = 0;
        *key = 0;
        return TAVIX_QUIT;
    }
    PendingEvent *pending = &library_state.events.pending;
    pending->type = TAVIX_NO_EVENT;
    pending->key = 0;
    pending->y = 0;
    pending->x = 0;

    // A quit that arrived together with the last wait's scripted event is this wait's event.
    if (library_state.events.quit_pending) {
        library_state.events.quit_pending = 0;
        pending->type = TAVIX_QUIT;
    }
    // Input that arrived during a TAVIX_delay comes first, in the order it arrived.
    if (pending->type == TAVIX_NO_EVENT && library_state.events.kept_count > 0)
        take_kept_plain_event();

    while (!event_ready()) {
        int took_message = pump_one_message();

        if (library_state.script.play_one || library_state.script.playing_back) {
            library_state.script.play_one = 0;
            int quit_taken = pending->type == TAVIX_QUIT;
            if (read_script_event()) {
                // The scripted event replaces what the pump left, but a quit must not be lost:
                // once the window is gone nothing else would ever end the program's loop.
                if (quit_taken && pending->type != TAVIX_QUIT)
                    library_state.events.quit_pending = 1;
                break;
            }
            stop_playback();
        }

        if ((library_state.events.single_step || library_state.events.running) &&
            pending->type == TAVIX_NO_EVENT) {
            // A notice taken in this pass or earlier does not count: the periodic event waits
            // for a fresh one.
            library_state.events.timer_tick = 0;
            pending->type = TAVIX_PERIODIC;
            library_state.events.single_step = 0;
        }

        // Nothing was taken, so nothing changed but the arming above: the next pass could only
        // find the queue empty again. Sleep until a message (input, paint or timer) arrives.
        // Playback does not sleep: its events come from the file, not from the queue.
        if (!took_message && !library_state.script.play_one && !library_state.script.playing_back &&
            !event_ready()) {
            // Headless, only a tick could still come; with no animation armed nothing can.
            if (library_state.settings.headless && pending->type == TAVIX_NO_EVENT)
                pending->type = TAVIX_QUIT;
            else
                WaitMessage();
        }
    }

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
