// The end of a program: the snapshot of one that returns from main or calls exit without
// TAVIX_finish, the exit status that tells a failed replay or snapshot from a good run, and, when
// a signal ends the program, the recording's pending run of ticks and a word on standard error.
#include "library/core/state.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

void set_exit_status(int status) {
    int &current = library_state.life.exit_status;
    if (status > 0 && (current == 0 || status < current)) current = status;
}

void take_snapshot(void) {
    LibraryState &s = library_state;
    if (!s.settings.snapshot_path || s.life.snapshot_taken) return;
    s.life.snapshot_taken = 1;
    if (save_picture_area(s.settings.snapshot_path, s.settings.snapshot_visible)) return;
    fprintf(stderr, "TAVIX_SNAPSHOT: cannot write %s: %s\n", s.settings.snapshot_path,
            picture_failure());
    set_exit_status(EXIT_SNAPSHOT_FAILED);
}

#ifndef _WIN32
static size_t append(char *out, size_t at, const char *text) {
    while (*text) out[at++] = *text++;
    return at;
}

// The number in decimal, without the C library (which a signal may have stopped mid-call).
static size_t append_number(char *out, size_t at, unsigned number) {
    char digits[12];
    int n = 0;
    for (unsigned v = number; n == 0 || v; v /= 10) digits[n++] = (char)('0' + v % 10);
    while (n) out[at++] = digits[--n];
    return at;
}

// A replay still running when the program ends (a signal, or an exit before the script's end)
// says the script line it had reached, when asked to. Async-signal-safe: it may run in the
// signal handler.
static void tell_replay_line(void) {
    const LibraryState &s = library_state;
    if (!s.settings.tell_replay_line || !s.script.replaying) return;
    char line[64];
    size_t at = append(line, 0, "TAVIX_REPLAY: ended at line ");
    at = append_number(line, at, (unsigned)(s.script.taken_number > 0 ? s.script.taken_number : 0));
    at = append(line, at, "\n");
    ssize_t ignored = write(2, line, at);
    (void)ignored;
}
#endif

// Runs after main has returned or exit was called, before the objects made before TAVIX_start
// are destroyed. A failure status replaces the program's own, so the program ends here.
static void at_exit(void) {
#ifndef _WIN32
    tell_replay_line();
#endif
    take_snapshot();
    // The sound file is finished here too, so that a failure to write it sets the status.
    finish_sound();
    if (library_state.life.exit_status) {
        fflush(nullptr);
        _exit(library_state.life.exit_status);
    }
}

#ifndef _WIN32
struct FatalSignal {
    int number;
    const char *name;
};

static const FatalSignal fatal_signals[] = {
    {SIGHUP, "SIGHUP"},   {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"},
    {SIGTERM, "SIGTERM"}, {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},
    {SIGFPE, "SIGFPE"},   {SIGILL, "SIGILL"},   {SIGABRT, "SIGABRT"},
};
#define FATAL_SIGNAL_COUNT (sizeof fatal_signals / sizeof fatal_signals[0])

// Only async-signal-safe calls: the program may have stopped anywhere, inside malloc or stdio.
static void on_fatal_signal(int number) {
    size_t index = 0;
    while (index < FATAL_SIGNAL_COUNT && fatal_signals[index].number != number) index++;
    write_run_on_signal();
    tell_replay_line();
    keep_sound_on_signal();
    LibraryState &s = library_state;
    if (s.settings.snapshot_path && !s.life.snapshot_taken && index < FATAL_SIGNAL_COUNT) {
        char line[96];
        size_t at = append(line, 0, "TAVIX: no snapshot: stopped by signal ");
        at = append_number(line, at, (unsigned)number);
        at = append(line, at, " (");
        at = append(line, at, fatal_signals[index].name);
        at = append(line, at, ")\n");
        ssize_t ignored = write(2, line, at);
        (void)ignored;
    }
    // The program ends as the signal would have ended it: its status still shows the signal.
    signal(number, SIG_DFL);
    raise(number);
}
#endif

void watch_exit(void) {
    static bool watching;
    if (watching) return;
    watching = true;
    atexit(at_exit);
#ifndef _WIN32
    for (size_t i = 0; i < FATAL_SIGNAL_COUNT; i++) {
        struct sigaction now;
        if (sigaction(fatal_signals[i].number, nullptr, &now) != 0) continue;
        // A signal the program ignores (nohup) or handles itself (a sanitizer too) is left be.
        if ((now.sa_flags & SA_SIGINFO) || now.sa_handler != SIG_DFL) continue;
        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = on_fatal_signal;
        sigemptyset(&action.sa_mask);
        sigaction(fatal_signals[i].number, &action, nullptr);
    }
#endif
}
