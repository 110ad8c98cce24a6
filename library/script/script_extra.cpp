// Recording and playback of what the richer wait, the clock and the generator hand the program:
// an event line per delivered event, runs of clock readings and of empty polls, the generator's
// state. Playback answers TAVIX_time and TAVIX_random from the script, in the order recorded.
#include "library/core/state.h"
#include "library/script/script_line.h"

#include <climits>
#include <cstring>

static void write_extra(const char *format, long a, long b) {
    char line[SCRIPT_LINE_SIZE];
    snprintf(line, sizeof line, format, a, b);
    write_script_text(line);
}

void flush_extra_runs(void) {
    LibraryState &s = library_state;
    if (!s.script.recording) return;
    if (s.script.unwritten.clock_reads > 0) {
        int run = s.script.unwritten.clock_reads;
        s.script.unwritten.clock_reads = 0;
        write_extra("TAVIX_TIME(%ld, %ld);\n", s.script.unwritten.clock_value, run);
    }
    if (s.script.unwritten.empty_polls > 0) {
        int run = s.script.unwritten.empty_polls;
        s.script.unwritten.empty_polls = 0;
        write_extra("TAVIX_NONE(%ld);\n", run, 0);
    }
    if (s.script.unwritten.pad_reads > 0) {
        int run = s.script.unwritten.pad_reads;
        s.script.unwritten.pad_reads = 0;
        write_extra("TAVIX_GAMEPAD(%ld, %ld);\n", s.script.unwritten.pad_value, run);
    }
}

// Before a line of another kind: the pending runs of every kind go first, in the order they came
// (only one is ever pending, since each starts by writing the others).
static void flush_all_runs(void) {
    LibraryState &s = library_state;
    flush_extra_runs();
    if (s.script.recording && s.script.periodic_count > 0) {
        write_script_line(TAVIX_PERIODIC, 0, 0, 0);
        s.script.periodic_count = 0;
    }
}

void record_rich_event(const TAVIX_Event *e) {
    flush_all_runs();
    LibraryState &s = library_state;
    // A quit writes no line of its own, as in a plain recording.
    if (!s.script.recording || e->type == TAVIX_QUIT) return;
    char line[SCRIPT_LINE_SIZE];
    snprintf(line, sizeof line, "TAVIX_EVENT(%d, %d, %d, %d, %d, %d, %ld);\n", e->type, e->x, e->y,
             e->key, e->button, e->modifiers, e->time);
    write_script_text(line);
}

void record_empty_poll(void) {
    LibraryState &s = library_state;
    if (s.script.unwritten.clock_reads > 0 || s.script.unwritten.pad_reads > 0 ||
        s.script.periodic_count > 0)
        flush_all_runs();
    if (s.script.recording) s.script.unwritten.empty_polls++;
}

void record_time(long value) {
    LibraryState &s = library_state;
    if (s.script.unwritten.empty_polls > 0 || s.script.unwritten.pad_reads > 0 ||
        s.script.periodic_count > 0 ||
        (s.script.unwritten.clock_reads > 0 && s.script.unwritten.clock_value != value))
        flush_all_runs();
    if (!s.script.recording) return;
    s.script.unwritten.clock_value = value;
    s.script.unwritten.clock_reads++;
}

// Gamepad reads of any pad, button or axis make one run while they return the same value (a
// pad at rest reads 0 everywhere): the replay makes the same reads in the same order.
void record_pad_read(int value) {
    LibraryState &s = library_state;
    // A program that reads a pad in a loop of its own, never waiting, makes one run without
    // end: a full count is written and a new run begun.
    if (s.script.unwritten.empty_polls > 0 || s.script.unwritten.clock_reads > 0 ||
        s.script.periodic_count > 0 || s.script.unwritten.pad_reads == INT32_MAX ||
        (s.script.unwritten.pad_reads > 0 && s.script.unwritten.pad_value != value))
        flush_all_runs();
    if (!s.script.recording) return;
    s.script.unwritten.pad_value = value;
    s.script.unwritten.pad_reads++;
}

void record_seed(uint32_t state) {
    flush_all_runs();
    if (!library_state.script.recording) return;
    write_extra("TAVIX_SEED(%ld);\n", (long)(int32_t)state, 0);
}

// The script's next line, left in place: the next take returns it again. Opens the stream the
// way the event reader does; 0 when there is no line.
static const char *peek_script_line(void) {
    LibraryState &s = library_state;
    if (s.script.peeked) return s.script.peek;
    if (!s.script.file && (!s.script.playing_back || !open_script_for_reading())) return nullptr;
    if (!next_script_line_numbered(s.script.file, s.script.peek, &s.script.line_number,
                                   &s.script.peek_number))
        return nullptr;
    s.script.peeked = 1;
    return s.script.peek;
}

// The next line decoded as the extra line of kind, taken only when it is one.
static int take_extra_line(char kind, ScriptExtraLine *extra) {
    const char *line = peek_script_line();
    if (!line || !decode_extra_script_line(line, extra) || extra->kind != kind) return 0;
    library_state.script.peeked = 0;
    return 1;
}

void advance_replay_clock(long milliseconds) {
    // A replay's delays take no time, so a program may add up more of them than a long holds
    // (32 bits on Windows): the clock stops at its end rather than wrapping.
    long &clock = library_state.clock.replay_clock;
    clock = milliseconds > LONG_MAX - clock ? LONG_MAX : clock + milliseconds;
}

void advance_replay_clock_for(int type) {
    advance_replay_clock(type == TAVIX_PERIODIC ? library_state.clock.tick_period : REPLAY_STEP);
}

// A clock reading the script recorded here: one still owed by a time line's run, or the next
// line's. 0 when the script holds none at this point.
static int take_recorded_time(void) {
    LibraryState &s = library_state;
    if (s.script.owed.clock_reads > 0) {
        s.script.owed.clock_reads--;
        return 1;
    }
    ScriptExtraLine extra;
    if (!take_extra_line('T', &extra)) return 0;
    s.clock.replay_clock = extra.values[0];
    s.script.owed.clock_reads = extra.values[1] - 1;
    return 1;
}

long replay_time(void) {
    LibraryState &s = library_state;
    if (take_recorded_time()) return s.clock.replay_clock;
    // No reading was recorded here: this one moves the clock on, so that a loop that only reads
    // the clock still sees it pass.
    long now = s.clock.replay_clock;
    advance_replay_clock(REPLAY_STEP);
    return now;
}

long replay_frame_time(int period) {
    if (!take_recorded_time()) advance_replay_clock(period);
    return library_state.clock.replay_clock;
}

int replay_pad_read(int *value) {
    LibraryState &s = library_state;
    if (s.script.owed.pad_reads > 0) {
        s.script.owed.pad_reads--;
        *value = s.script.owed.pad_value;
        return 1;
    }
    ScriptExtraLine extra;
    if (!take_extra_line('G', &extra)) return 0;
    s.script.owed.pad_value = extra.values[0];
    s.script.owed.pad_reads = extra.values[1] - 1;
    *value = extra.values[0];
    return 1;
}

int replay_seed(uint32_t *state) {
    ScriptExtraLine extra;
    if (!take_extra_line('S', &extra)) return 0;
    *state = (uint32_t)extra.values[0];
    return 1;
}

int read_script_rich(TAVIX_Event *event) {
    LibraryState &s = library_state;
    // A recorded run of gamepad reads never spans a wait: what the program left unread is stale.
    s.script.owed.pad_reads = 0;
    if (s.script.owed.empty_polls > 0) {
        s.script.owed.empty_polls--;
        advance_replay_clock(REPLAY_STEP);
        return 2;
    }
    memset(event, 0, sizeof *event);
    event->x = s.events.mouse_x;
    event->y = s.events.mouse_y;
    event->time = s.clock.replay_clock;
    // Plain lines (and the periodic runs they make) come through the plain reader, which also
    // opens the stream and reports its end; an event line of the richer wait is taken here first.
    if (s.script.periodic_count == 0) {
        if (!open_script_for_reading()) return 0;
        ScriptExtraLine extra;
        for (;;) {
            const char *line = peek_script_line();
            if (!line || !decode_extra_script_line(line, &extra)) break;
            s.script.peeked = 0;
            if (extra.kind == 'T') {
                s.clock.replay_clock = extra.values[0];
                s.script.owed.clock_reads = 0;
            } else if (extra.kind == 'S') {
                s.random.state = (uint32_t)extra.values[0];
                s.random.seeded = 1;
            } else if (extra.kind == 'G') {
                // Reads the program no longer makes here: the wait goes past them.
                s.script.owed.pad_reads = 0;
            } else if (extra.kind == 'N') {
                s.script.owed.empty_polls = extra.values[0] - 1;
                advance_replay_clock(REPLAY_STEP);
                return 2;
            } else {
                event->type = extra.values[0];
                event->x = extra.values[1];
                event->y = extra.values[2];
                event->key = extra.values[3];
                event->button = extra.values[4];
                event->modifiers = extra.values[5];
                event->time = extra.values[6];
                advance_replay_clock_for(event->type);
                return 1;
            }
        }
    }
    if (!read_script_event()) return 0;
    event->type = s.events.pending.type;
    event->time = s.clock.replay_clock;
    if (event->type == TAVIX_MOUSE) {
        event->x = s.events.pending.x;
        event->y = s.events.pending.y;
        event->button = 1;
    }
    if (event->type == TAVIX_KBD) event->key = (unsigned char)s.events.pending.key;
    return 1;
}
