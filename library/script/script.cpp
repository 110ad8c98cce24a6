// Recording delivered events to the script file and playing them back through the event wait.
// One stream, opened on first use (for writing by the recorder, for reading by the player), is
// kept open until close_script; the Run menu never lets recording and playback share it.
#include "library/core/state.h"
#include "library/script/script_line.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <stdlib.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Two programs recording to one file at once would write over each other's lines. A recorder
// keeps the file locked while its stream is open, and the system lets the lock go when the
// program ends, a crash included; a second recorder finds the file taken before it empties it,
// and its open fails with errno EBUSY. Readers are not kept out.
#ifdef _WIN32
static FILE *open_locked_script_file(const char *name) {
    // The sharing check comes before "w" empties the file.
    FILE *stream = _fsopen(name, "wt", _SH_DENYWR);
    if (!stream && _doserrno == ERROR_SHARING_VIOLATION) errno = EBUSY;
    return stream;
}
#else
// 1 when the descriptor holds the file's lock; a file system without locks is written unlocked.
static int lock_script_file(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return 1;
    errno = EBUSY;
    return 0;
}
#endif

// Another program records to the file: this recording ends before it has written anything.
static void refuse_taken_script_file(void) {
    TAVIX_console_printf("Cannot record to script file %s: another program is recording to it\n",
                         library_state.settings.script_name);
    library_state.script.periodic_count = 0;
    stop_recording();
}

// Opens the script file as a stream, or null. Only a regular file is taken: a FIFO without a
// partner, a terminal or a device would block the program in the open or in the first read or
// write (and a directory is no script), so the file is opened without waiting and anything else
// is refused before it is used. Writing empties the file only once it is known to be regular
// and this program holds its lock.
static FILE *open_script_file(const char *name, bool writing) {
#ifdef _WIN32
    FILE *stream = writing ? open_locked_script_file(name) : fopen(name, "rt");
    // Only a file on disk: a pipe or a device would block or swallow the script.
    if (stream && GetFileType((HANDLE)_get_osfhandle(_fileno(stream))) != FILE_TYPE_DISK) {
        fclose(stream);
        return nullptr;
    }
    return stream;
#else
    int fd = open(
        name, (writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat info;
    FILE *stream = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
        (!writing || (lock_script_file(fd) && ftruncate(fd, 0) == 0)))
        stream = fdopen(fd, writing ? "w" : "r");
    if (!stream) close(fd);
    return stream;
#endif
}

// Cuts the file back to its whole lines after a failed write, so that a cut line never ends it.
static void truncate_script_file(FILE *stream, long length) {
    if (length < 0) return;
#ifdef _WIN32
    _chsize(_fileno(stream), length);
#else
    if (ftruncate(fileno(stream), (off_t)length) != 0) {
        // Nothing more can be done: the reader drops a last line that has no newline.
    }
#endif
}

void record_event(int type, int x, int y, char key) {
    LibraryState &s = library_state;
    // A run of clock readings or empty polls came first: its line goes before this event's.
    flush_extra_runs();
    if (!s.script.recording) return;
    if (type == TAVIX_PERIODIC) {
        // Ticks arrive ten times a second: a run of them becomes one line when it ends.
        s.script.periodic_count++;
        return;
    }
    if (s.script.periodic_count > 0) {
        write_script_line(TAVIX_PERIODIC, x, y, key);
        s.script.periodic_count = 0;
        // A failed write ended the recording: the event is not written to a fresh file.
        if (!s.script.recording) return;
    }
    write_script_line(type, x, y, key);
}

// While a line is on its way to the file (or the stream opens or closes) a signal must not
// write to it; otherwise every line written is already in the file, and the descriptor's
// position is the file's end. A run's count is cleared before its line is written, so a signal
// never writes a run twice.
static volatile sig_atomic_t line_in_progress;
static int script_descriptor = -1;  // the recording stream's descriptor, for the signal handler

void write_script_line(int type, int x, int y, char key) {
    LibraryState &s = library_state;
    char line[SCRIPT_LINE_SIZE];
    if (format_script_line(line, sizeof line, type, x, y, (signed char)key,
                           s.script.periodic_count) == 0) {
        // No line, but the file is still opened (and emptied) as for any event, a quit included.
        line[0] = '\0';
    }
    line_in_progress = 1;
    if (type == TAVIX_PERIODIC) s.script.periodic_count = 0;
    write_script_text(line);
    line_in_progress = 0;
}

static void write_text_now(const char *line);

void write_script_text(const char *line) {
    sig_atomic_t outer = line_in_progress;
    line_in_progress = 1;
    write_text_now(line);
    line_in_progress = outer;
}

// A game recorded from the middle of its run cannot be replayed exactly: a replay starts the
// program afresh, without the input, clock readings and random numbers it had before. Such a
// script says so in its first line, which readers pass over.
static const char midway_note[] =
    "# Recorded from the middle of a run: a replay starts the program afresh, without the input, "
    "TAVIX_time readings and TAVIX_random numbers it was given before, so it may end otherwise. "
    "TAVIX_RECORD=file records a run from its start.\n";

static const char *recording_note(void) {
    LibraryState &s = library_state;
    return s.events.game_calls_used && !s.script.recording_from_start ? midway_note : "";
}

static void write_text_now(const char *line) {
    LibraryState &s = library_state;
    const char *note = "";
    if (!s.script.file) {
        errno = 0;
        s.script.file = open_script_file(s.settings.script_name, true);
        if (!s.script.file && errno == EBUSY) return refuse_taken_script_file();
        if (!s.script.file) {
            TAVIX_console_printf("Cannot open script file %s for writing\n",
                                 s.settings.script_name);
            return;
        }
        script_descriptor = fileno(s.script.file);
        note = recording_note();
    }
    if (!note[0] && !line[0]) return;
    // Each line goes to the file at once, so a program that is killed loses nothing recorded.
    long whole = ftell(s.script.file);
    errno = 0;
    if (fputs(note, s.script.file) >= 0 && fputs(line, s.script.file) >= 0 &&
        fflush(s.script.file) == 0)
        return;
    // A full disk or a broken file: say so once, keep the lines already written whole and end the
    // recording, as its menu item would.
    int reason = errno;
    clearerr(s.script.file);
    truncate_script_file(s.script.file, whole);
    fclose(s.script.file);
    s.script.file = nullptr;
    s.script.periodic_count = 0;
    TAVIX_console_printf("Cannot write script file %s: %s\n", s.settings.script_name,
                         reason ? strerror(reason) : "write failed");
    stop_recording();
}

#ifndef _WIN32
// Text and numbers put together without stdio, which may be what the signal interrupted.
static size_t put_text(char *out, size_t at, const char *text) {
    while (*text) out[at++] = *text++;
    return at;
}

static size_t put_number(char *out, size_t at, long value) {
    unsigned long magnitude = value < 0 ? 0ul - (unsigned long)value : (unsigned long)value;
    if (value < 0) out[at++] = '-';
    char digits[24];
    int n = 0;
    do digits[n++] = (char)('0' + magnitude % 10);
    while (magnitude /= 10);
    while (n) out[at++] = digits[--n];
    return at;
}
#endif

// Windows programs are not ended by these signals: nothing to do there.
void write_run_on_signal(void) {
#ifndef _WIN32
    LibraryState &s = library_state;
    if (!s.script.recording || line_in_progress) return;
    // Whichever runs are pending, in the order their lines would have been written: the clock
    // readings or empty polls, then the ticks. Each line is at most 40 bytes.
    char text[sizeof midway_note + 128];
    size_t at = 0;
    if (s.script.unwritten.clock_reads > 0) {
        at = put_text(text, at, "TAVIX_TIME(");
        at = put_number(text, at, s.script.unwritten.clock_value);
        at = put_text(text, at, ", ");
        at = put_number(text, at, s.script.unwritten.clock_reads);
        at = put_text(text, at, ");\n");
    }
    if (s.script.unwritten.empty_polls > 0) {
        at = put_text(text, at, "TAVIX_NONE(");
        at = put_number(text, at, s.script.unwritten.empty_polls);
        at = put_text(text, at, ");\n");
    }
    if (s.script.unwritten.pad_reads > 0) {
        at = put_text(text, at, "TAVIX_GAMEPAD(");
        at = put_number(text, at, s.script.unwritten.pad_value);
        at = put_text(text, at, ", ");
        at = put_number(text, at, s.script.unwritten.pad_reads);
        at = put_text(text, at, ");\n");
    }
    if (s.script.periodic_count > 0) {
        at = put_text(text, at, "TAVIX_PERIODIC(");
        at = put_number(text, at, s.script.periodic_count);
        at = put_text(text, at, ");\n");
    }
    if (at == 0) return;
    s.script.unwritten.clock_reads = s.script.unwritten.empty_polls = s.script.periodic_count = 0;
    s.script.unwritten.pad_reads = 0;
    // The program ends after this: a failed write has nobody left to tell.
    if (s.script.file) {
        ssize_t ignored = write(script_descriptor, text, at);
        (void)ignored;
        return;
    }
    // Only runs so far: the file is not open yet, and is made (or emptied) as the recording's
    // first line would make it, an ordinary file only, with the note that line would bring.
    const char *note = recording_note();
    size_t note_length = note[0] ? sizeof midway_note - 1 : 0;
    memmove(text + note_length, text, at);
    memcpy(text, note, note_length);
    at += note_length;
    int fd =
        open(s.settings.script_name, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ftruncate(fd, 0) == 0 &&
        write(fd, text, at) < 0) {
    }
    close(fd);
#endif
}

// A replay that stops at a line it cannot read says where, and the program's exit says that
// the replay did not complete.
static void report_refused_line(const char *line, int number) {
    size_t length = strnlen(line, SCRIPT_LINE_SIZE);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) length--;
    fprintf(stderr, "TAVIX_REPLAY: %s line %d refused: %.*s\n", library_state.settings.script_name,
            number, (int)length, line);
    set_exit_status(EXIT_REPLAY_INCOMPLETE);
}

int open_script_for_reading(void) {
    LibraryState &s = library_state;
    if (s.script.file) return 1;
    errno = 0;
    s.script.file = open_script_file(s.settings.script_name, false);
    s.script.line_number = 0;
    // A replay's clock starts where the program's did; a playback chosen later goes on from the
    // time it is started, not back.
    s.clock.replay_clock = s.script.replaying ? 0 : live_time();
    if (s.script.file) return 1;
    int reason = errno;
    TAVIX_console_printf("Cannot open script file %s for reading\n", s.settings.script_name);
    // Readable at the start, gone since: the replay never ran.
    if (s.script.replaying) {
        fprintf(stderr, "TAVIX_REPLAY: cannot read %s: %s\n", s.settings.script_name,
                reason ? strerror(reason) : "not a regular file");
        set_exit_status(EXIT_REPLAY_UNREADABLE);
    }
    stop_playback();
    return 0;
}

int read_script_event(void) {
    LibraryState &s = library_state;
    if (!open_script_for_reading()) return 0;
    // A recorded run of gamepad reads never spans a wait: what the program left unread is stale.
    s.script.owed.pad_reads = 0;
    if (s.script.periodic_count > 0) {
        s.script.periodic_count--;
        s.events.pending.type = TAVIX_PERIODIC;
        advance_replay_clock_for(TAVIX_PERIODIC);
        return 1;
    }

    char line[SCRIPT_LINE_SIZE];
    ScriptEvent event;
    for (;;) {
        if (!take_script_line(line)) {
            // The stream stays open at its end: starting playback again reports the end again.
            TAVIX_console_printf("EOF encountered in script file %s\n", s.settings.script_name);
            stop_playback();
            return 0;
        }
        if (decode_script_line(line, &event)) break;
        // A line of the richer wait, the clock or the generator, met by this plain wait: what
        // it can carry is taken, the rest passed over.
        ScriptExtraLine extra;
        if (!decode_extra_script_line(line, &extra)) {
            if (s.script.replaying) report_refused_line(line, s.script.taken_number);
            return 0;
        }
        if (extra.kind == 'T') s.clock.replay_clock = extra.values[0];
        if (extra.kind == 'S') {
            s.random.state = (uint32_t)extra.values[0];
            s.random.seeded = 1;
        }
        if (extra.kind == 'E' && extra.values[0] >= TAVIX_MOUSE &&
            extra.values[0] <= TAVIX_PERIODIC &&
            (extra.values[0] != TAVIX_MOUSE || extra.values[4] == 1)) {
            event.type = extra.values[0];
            event.x = extra.values[1];
            event.y = extra.values[2];
            event.key = (signed char)(uint8_t)(extra.values[3] & 0xFF);
            event.count = 1;
            break;
        }
    }

    s.events.pending.type = event.type;
    switch (event.type) {
        case TAVIX_KBD:
            s.events.pending.key = event.key;
            break;
        case TAVIX_MOUSE:
            s.events.pending.x = event.x;
            s.events.pending.y = event.y;
            break;
        case TAVIX_PERIODIC:
            // This call delivers the first event of the run, the next count - 1 calls the rest.
            s.script.periodic_count = event.count - 1;
            break;
    }
    advance_replay_clock_for(event.type);
    return 1;
}

int take_script_line(char *line) {
    LibraryState &s = library_state;
    if (s.script.peeked) {
        s.script.peeked = 0;
        memcpy(line, s.script.peek, SCRIPT_LINE_SIZE);
        s.script.taken_number = s.script.peek_number;
        return 1;
    }
    return s.script.file && next_script_line_numbered(s.script.file, line, &s.script.line_number,
                                                      &s.script.taken_number);
}

void close_script(void) {
    LibraryState &s = library_state;

    // A recording still running when the library finishes keeps its last run of ticks, and ends
    // here: recording on after the close would reopen the file and empty it.
    if (s.script.recording) {
        flush_extra_runs();
        if (s.script.periodic_count > 0) write_script_line(TAVIX_PERIODIC, 0, 0, 0);
        stop_recording();
    }
    // The runs, the peeked line and the recorded generator state belong to the stream.
    s.script.peeked = 0;
    s.script.unwritten = {};
    s.script.owed = {};
    s.script.seed_written = 0;
    if (s.script.file) {
        line_in_progress = 1;
        fclose(s.script.file);
        s.script.file = nullptr;
        script_descriptor = -1;
        line_in_progress = 0;
    }
    // A run left half delivered by a stopped playback (or half counted by a recording whose
    // line could not be written) is forgotten with its stream: the next playback starts at
    // the file's first line and the next recording counts from zero.
    s.script.periodic_count = 0;
}
