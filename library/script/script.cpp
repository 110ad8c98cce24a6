// Recording delivered events to the script file and playing them back through the event wait.
// One stream, opened on first use (for writing by the recorder, for reading by the player), is
// kept open until close_script; the Run menu never lets recording and playback share it.
#include "library/core/state.h"
#include "library/script/script_line.h"

void record_event(int type, int x, int y, char key) {
    LibraryState &s = library_state;
    if (type == TAVIX_PERIODIC) {
        // Ticks arrive ten times a second: a run of them becomes one line when it ends.
        s.periodic_count++;
        return;
    }
    if (s.periodic_count > 0) {
        write_script_line(TAVIX_PERIODIC, x, y, key);
        s.periodic_count = 0;
    }
    write_script_line(type, x, y, key);
}

void write_script_line(int type, int x, int y, char key) {
    LibraryState &s = library_state;
    if (!s.script_file) {
        s.script_file = fopen(SCRIPT_FILE_NAME, "wt");
        if (!s.script_file) {
            TAVIX_console_printf("Cannot open script file %s for writing\n", SCRIPT_FILE_NAME);
            return;
        }
    }
    char line[SCRIPT_LINE_SIZE];
    if (format_script_line(line, sizeof line, type, x, y, (signed char)key, s.periodic_count) == 0)
        return;
    fputs(line, s.script_file);
    // Each line goes to the file at once, so a program that is killed loses nothing recorded.
    fflush(s.script_file);
}

int read_script_event(void) {
    LibraryState &s = library_state;
    if (!s.script_file) {
        s.script_file = fopen(SCRIPT_FILE_NAME, "rt");
        if (!s.script_file) {
            TAVIX_console_printf("Cannot open script file %s for reading\n", SCRIPT_FILE_NAME);
            stop_playback();
            return 0;
        }
    }
    if (s.periodic_count > 0) {
        s.periodic_count--;
        s.pending.type = TAVIX_PERIODIC;
        return 1;
    }

    char line[SCRIPT_LINE_SIZE];
    if (!next_script_line(s.script_file, line)) {
        // The stream stays open at its end: starting playback again reports the end again.
        TAVIX_console_printf("EOF encountered in script file %s\n", SCRIPT_FILE_NAME);
        stop_playback();
        return 0;
    }
    ScriptEvent event;
    if (!decode_script_line(line, &event)) return 0;

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

void close_script(void) {
    LibraryState &s = library_state;
    // A recording still running when the library finishes keeps its last run of ticks, and ends
    // here: recording on after the close would reopen the file and empty it.
    if (s.recording) {
        if (s.periodic_count > 0) write_script_line(TAVIX_PERIODIC, 0, 0, 0);
        s.recording = 0;
        set_run_check(ID_RECORD, 0);
    }
    if (s.script_file) {
        fclose(s.script_file);
        s.script_file = nullptr;
    }
    // A run left half delivered by a stopped playback (or half counted by a recording whose
    // line could not be written) is forgotten with its stream: the next playback starts at
    // the file's first line and the next recording counts from zero.
    s.periodic_count = 0;
}
