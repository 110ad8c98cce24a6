// Recording delivered events to the script file and playing them back through the event wait.
// One stream, opened on first use (for writing by the recorder, for reading by the player), is
// kept open until close_script; the Run menu never lets recording and playback share it.
#include "library/core/state.h"
#include "library/script/script_line.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Opens the script file as a stream, or null. Only a regular file is taken: a FIFO without a
// partner, a terminal or a device would block the program in the open or in the first read or
// write (and a directory is no script), so the file is opened without waiting and anything else
// is refused before it is used. Writing empties the file only once it is known to be regular.
static FILE *open_script_file(const char *name, bool writing) {
#ifdef _WIN32
    return fopen(name, writing ? "wt" : "rt");
#else
    int fd = open(
        name, (writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat info;
    FILE *stream = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
        (!writing || ftruncate(fd, 0) == 0))
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
    if (!s.recording) return;
    if (type == TAVIX_PERIODIC) {
        // Ticks arrive ten times a second: a run of them becomes one line when it ends.
        s.periodic_count++;
        return;
    }
    if (s.periodic_count > 0) {
        write_script_line(TAVIX_PERIODIC, x, y, key);
        s.periodic_count = 0;
        // A failed write ended the recording: the event is not written to a fresh file.
        if (!s.recording) return;
    }
    write_script_line(type, x, y, key);
}

void write_script_line(int type, int x, int y, char key) {
    LibraryState &s = library_state;
    char line[SCRIPT_LINE_SIZE];
    if (format_script_line(line, sizeof line, type, x, y, (signed char)key, s.periodic_count) ==
        0) {
        // No line, but the file is still opened (and emptied) as for any event, a quit included.
        line[0] = '\0';
    }
    write_script_text(line);
}

void write_script_text(const char *line) {
    LibraryState &s = library_state;
    if (!s.script_file) {
        s.script_file = open_script_file(s.script_name, true);
        if (!s.script_file) {
            TAVIX_console_printf("Cannot open script file %s for writing\n", s.script_name);
            return;
        }
    }
    if (!line[0]) return;
    // Each line goes to the file at once, so a program that is killed loses nothing recorded.
    long whole = ftell(s.script_file);
    errno = 0;
    if (fputs(line, s.script_file) >= 0 && fflush(s.script_file) == 0) return;
    // A full disk or a broken file: say so once, keep the lines already written whole and end the
    // recording, as its menu item would.
    int reason = errno;
    clearerr(s.script_file);
    truncate_script_file(s.script_file, whole);
    fclose(s.script_file);
    s.script_file = nullptr;
    s.periodic_count = 0;
    TAVIX_console_printf("Cannot write script file %s: %s\n", SCRIPT_FILE_NAME,
                         reason ? strerror(reason) : "write failed");
    stop_recording();
}

int open_script_for_reading(void) {
    LibraryState &s = library_state;
    if (s.script_file) return 1;
    s.script_file = open_script_file(s.script_name, false);
    if (s.script_file) return 1;
    TAVIX_console_printf("Cannot open script file %s for reading\n", s.script_name);
    stop_playback();
    return 0;
}

int read_script_event(void) {
    LibraryState &s = library_state;
    if (!open_script_for_reading()) return 0;
    if (s.periodic_count > 0) {
        s.periodic_count--;
        s.pending.type = TAVIX_PERIODIC;
        return 1;
    }

    char line[SCRIPT_LINE_SIZE];
    ScriptEvent event;
    for (;;) {
        if (!take_script_line(line)) {
            // The stream stays open at its end: starting playback again reports the end again.
            TAVIX_console_printf("EOF encountered in script file %s\n", s.script_name);
            stop_playback();
            return 0;
        }
        if (decode_script_line(line, &event)) break;
        // A line of the richer wait, the clock or the generator, met by this plain wait: what
        // it can carry is taken, the rest passed over.
        ScriptExtraLine extra;
        if (!decode_extra_script_line(line, &extra)) return 0;
        if (extra.kind == 'T') s.replay_clock = extra.values[0];
        if (extra.kind == 'S') s.random_state = (uint32_t)extra.values[0];
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

    s.pending.type = event.type;
    switch (event.type) {
        case TAVIX_KBD:
            s.pending.key = event.key;
            break;
        case TAVIX_MOUSE:
            s.pending.x = event.x;
            s.pending.y = event.y;
            break;
        case TAVIX_PERIODIC:
            // This call delivers the first event of the run, the next count - 1 calls the rest.
            s.periodic_count = event.count - 1;
            break;
    }
    return 1;
}

int take_script_line(char *line) {
    LibraryState &s = library_state;
    if (s.script_peeked) {
        s.script_peeked = 0;
        memcpy(line, s.script_peek, SCRIPT_LINE_SIZE);
        return 1;
    }
    return s.script_file ? next_script_line(s.script_file, line) : 0;
}

void close_script(void) {
    LibraryState &s = library_state;

    // A recording still running when the library finishes keeps its last run of ticks, and ends
    // here: recording on after the close would reopen the file and empty it.
    if (s.recording) {
        flush_extra_runs();
        if (s.periodic_count > 0) write_script_line(TAVIX_PERIODIC, 0, 0, 0);
        stop_recording();
    }
    // The runs, the peeked line and the recorded generator state belong to the stream.
    s.script_peeked = 0;
    s.time_run = 0;
    s.none_run = 0;
    s.seed_written = 0;
    if (s.script_file) {
        fclose(s.script_file);
        s.script_file = nullptr;
    }
    // A run left half delivered by a stopped playback (or half counted by a recording whose
    // line could not be written) is forgotten with its stream: the next playback starts at
    // the file's first line and the next recording counts from zero.
    s.periodic_count = 0;
}
