// Time and chance for games: the animation tick's interval, the clock since TAVIX_start, a delay
// that keeps the windows alive and the input for later, and the library's own generator of
// random numbers. While recording, what the clock and the generator gave goes into the script;
// a playback gives it back.
#include "library/core/state.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#define TICK_MIN 10     // Windows' shortest timer period
#define TICK_MAX 60000  // a minute: anything longer is surely a mistake in units

void TAVIX_set_tick(int milliseconds) {
    LibraryState &s = library_state;
    int tick = milliseconds < TICK_MIN   ? TICK_MIN
               : milliseconds > TICK_MAX ? TICK_MAX
                                         : milliseconds;
    if (tick != milliseconds)
        TAVIX_console_printf("Tick of %d ms not possible, using %d ms\n", milliseconds, tick);
    s.clock.tick_period = tick;
    if (s.window.graphics) SetTimer(s.window.graphics, TAVIX_TIMER_ID, (UINT)tick, nullptr);
}

long live_time(void) {
    if (!library_state.window.graphics) return 0;
    return (long)(DWORD)(GetTickCount() - library_state.clock.start_tick);
}

long TAVIX_time(void) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    if (s.script.playing_back) return replay_time();
    long now = live_time();
    if (s.script.recording) record_time(now);
    return now;
}

// Keeps the windows alive until length ms from start have passed: every message is handled, and
// the input becomes events kept for the program's next waits. The sleep between messages is a
// timer's WaitMessage (GetTickCount's time), or, paced, a wait that ends on the millisecond
// (timeGetTime's, which is that fine while the period is asked for).
static DWORD clock_now(bool paced) {
    return paced ? timeGetTime() : GetTickCount();
}

static void keep_input_until(DWORD start, DWORD length, bool paced) {
    LibraryState &s = library_state;
    s.events.collecting = 1;
    PendingEvent saved = s.events.pending;
    // Windows' clock steps by 15.6 ms unless asked for finer: a frame of 16 ms needs better.
    if (paced) timeBeginPeriod(1);
    for (;;) {
        DWORD passed = clock_now(paced) - start;
        if (passed >= length) break;
        // Room for what one message can make (a focus loss lets go of many keys): beyond it,
        // input waits in the queue, still in order.
        if (s.events.kept_count > KEPT_EVENT_COUNT - 300) {
            Sleep(1);
            continue;
        }
        s.events.pending.type = TAVIX_NO_EVENT;
        int took = pump_one_message();
        if (s.events.pending.type == TAVIX_QUIT) {
            // Ctrl+Q or the closed window: the program's next wait ends it, without waiting on.
            TAVIX_Event quit = {};
            quit.type = TAVIX_QUIT;
            quit.time = live_time();
            s.events.kept[(s.events.kept_first + s.events.kept_count) % KEPT_EVENT_COUNT] = quit;
            s.events.kept_count++;
            break;
        }
        if (took) continue;
        if (!paced)
            WaitMessage();
        else if ((passed = clock_now(paced) - start) < length)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, length - passed, QS_ALLINPUT);
    }
    if (paced) timeEndPeriod(1);
    s.events.pending = saved;
    s.events.collecting = 0;
}

void TAVIX_delay(int milliseconds) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    if (milliseconds < 0) {
        TAVIX_console_printf("Delay of %d ms not possible, using 0 ms\n", milliseconds);
        milliseconds = 0;
    }
    if (!s.window.graphics) {
        Sleep((DWORD)milliseconds);
        return;
    }
    // The picture drawn so far is on the screen before the time runs.
    draw_console_batch();
    present_buffer();
    // The program's own time moves on by the delay's length, however long the wait really took.
    advance_sound_clock(milliseconds);
    // A playback repeats what happened, not how long it took.
    if (s.script.playing_back || s.script.play_one) {
        advance_replay_clock(milliseconds);
        return;
    }

    // The timer wakes the wait below at the end even when no other message comes.
    SetTimer(s.window.graphics, TAVIX_DELAY_TIMER_ID, (UINT)(milliseconds > 0 ? milliseconds : 1),
             nullptr);
    keep_input_until(GetTickCount(), (DWORD)milliseconds, false);
    KillTimer(s.window.graphics, TAVIX_DELAY_TIMER_ID);
}

#define FRAME_RATE_MIN 1
#define FRAME_RATE_MAX 1000  // a frame of a millisecond: the clock's own step

int TAVIX_frame(int per_second) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    int rate = per_second < FRAME_RATE_MIN   ? FRAME_RATE_MIN
               : per_second > FRAME_RATE_MAX ? FRAME_RATE_MAX
                                             : per_second;
    if (rate != per_second)
        TAVIX_console_printf("Frame rate of %d per second not possible, using %d\n", per_second,
                             rate);
    int period = 1000 / rate;
    if (!s.window.graphics) {
        Sleep((DWORD)period);
        return period;
    }
    draw_console_batch();
    present_buffer();

    long now;
    if (s.script.playing_back || s.script.play_one) {
        // A playback repeats the times recorded, not how long they took.
        now = replay_frame_time(period);
    } else {
        // The first frame has no previous one to count from: it lasts one frame's time.
        DWORD start = s.frame.started ? s.frame.last_return : timeGetTime();
        keep_input_until(start, (DWORD)period, true);
        s.frame.last_return = timeGetTime();
        now = live_time();
        if (s.script.recording) record_time(now);
    }
    // A script may hold any times: the answer is never negative and always an int.
    long long elapsed = s.frame.started ? (long long)now - s.frame.last_time : period;
    elapsed = elapsed < 0 ? 0 : elapsed > INT_MAX ? INT_MAX : elapsed;
    s.frame.started = 1;
    s.frame.last_time = now;
    advance_sound_clock((int)elapsed);
    if (s.draw.logging) TAVIX_console_printf("Frame after %d ms\n", (int)elapsed);
    return (int)elapsed;
}

// mulberry32: 32 bits of state, so that one script number holds all of it.
static uint32_t next_random(void) {
    uint32_t z = (library_state.random.state += 0x6D2B79F5u);
    z = (z ^ (z >> 15)) * (z | 1u);
    z ^= z + (z ^ (z >> 7)) * (z | 61u);
    return z ^ (z >> 14);
}

void TAVIX_seed(unsigned seed) {
    library_state.events.game_calls_used = 1;
    library_state.random.state = (uint32_t)seed;
    library_state.random.seeded = 1;
    // A recording holds the state only where it cannot be worked out again.
}

int TAVIX_random(int n) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    if (n <= 0) {
        TAVIX_console_printf("Random range of %d not possible, using 1\n", n);
        return 0;
    }
    uint32_t state;
    if (s.script.playing_back && replay_seed(&state)) {
        s.random.state = state;
        s.random.seeded = 1;
    }
    if (!s.random.seeded) {
        uint32_t seed;
        if (!seed_setting(&seed)) seed = (uint32_t)time(nullptr) * 2654435761u ^ GetTickCount();
        TAVIX_seed(seed);
    }
    if (s.script.recording && !s.script.seed_written) {
        record_seed(s.random.state);
        s.script.seed_written = 1;
    }
    // Numbers above the last whole multiple of n are drawn again, so every result is as likely.
    uint32_t range = (uint32_t)n;
    uint32_t limit = UINT32_MAX - (UINT32_MAX % range);
    uint32_t value;
    do value = next_random();
    while (value >= limit);
    return (int)(value % range);
}
