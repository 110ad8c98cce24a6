// Settings a run takes from its environment, read once when the library opens: headless running,
// the script file's name, a script to replay at once, a picture to save at the end (and how much
// of it), the console copied to standard error and the file sound is written to. A bad value is
// reported on standard error and ignored; a replay that cannot be read ends the program, a
// snapshot that cannot be written makes its exit status say so.
#include "library/core/state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

static const char not_regular[] = "not a regular file";

// The value of a variable; an empty one counts as unset.
static const char *setting(const char *name) {
    const char *value = getenv(name);
    return value && *value ? value : nullptr;
}

static void ignore(const char *name, const char *value, const char *why) {
    fprintf(stderr, "tavix: %s=%s is ignored: %s\n", name, value, why);
}

// Whether TAVIX_start has read the settings yet.
static bool settings_read = false;

// TAVIX_SEED's value: a number from 0 to 4294967295.
static bool parse_seed(const char *value, uint32_t *seed) {
    char *end = nullptr;
    errno = 0;
    unsigned long long number = strtoull(value, &end, 10);
    if (*value == '-' || *end || errno || number > 0xFFFFFFFFull) return false;
    *seed = (uint32_t)number;
    return true;
}

// A copy of value that outlives any later change to the environment; null when none can be had.
static const char *keep(const char *value) {
    size_t size = strlen(value) + 1;
    char *copy = (char *)malloc(size);
    if (copy) memcpy(copy, value, size);
    return copy;
}

// The file is an ordinary one that opens and whose first byte reads. It is opened without waiting
// and looked at before it is read, so a FIFO without a writer or a terminal never blocks the start.
static const char *unreadable(const char *path) {
#ifdef _WIN32
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd < 0) return strerror(errno);
    const char *why =
        GetFileType((HANDLE)_get_osfhandle(fd)) == FILE_TYPE_DISK ? nullptr : not_regular;
    struct _stat info;
    if (!why && _fstat(fd, &info) == 0 && (info.st_mode & _S_IFDIR)) why = strerror(EISDIR);
    char byte;
    if (!why && _read(fd, &byte, 1) < 0) why = strerror(errno);
    _close(fd);
    return why;
#else
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return strerror(errno);
    struct stat info;
    const char *why = nullptr;
    if (fstat(fd, &info) != 0)
        why = strerror(errno);
    else if (S_ISDIR(info.st_mode))
        why = strerror(EISDIR);
    else if (!S_ISREG(info.st_mode))
        why = not_regular;
    char byte;
    if (!why && read(fd, &byte, 1) < 0) why = strerror(errno);
    close(fd);
    return why;
#endif
}

// Lines printed before the library opened are in the ring: they come first.
static void copy_ring_to_stderr(void) {
    LibraryState &s = library_state;
    if (s.console.first < 0) return;
    int slot = s.console.first;
    do {
        if (const char *text = (const char *)GlobalLock(s.console.lines[slot])) {
            copy_console_line(text);
            GlobalUnlock(s.console.lines[slot]);
        }
        slot = slot == CONSOLE_RING_SIZE - 1 ? 0 : slot + 1;
    } while (slot != s.console.end);
}

void read_settings(void) {
    LibraryState &s = library_state;
    if (s.window.graphics) return;  // read once, when the library first opens
    if (const char *value = setting("TAVIX_HEADLESS")) {
        if (strcmp(value, "1") != 0 && strcmp(value, "0") != 0)
            ignore("TAVIX_HEADLESS", value, "the value must be 1 or 0");
#ifdef _WIN32
        // The windows are real ones here and input can always come: nothing changes.
        else if (strcmp(value, "1") == 0)
            ignore("TAVIX_HEADLESS", value, "windows are always shown on Windows");
#else
        else
            s.settings.headless = value[0] == '1';
#endif
    }
    if (const char *value = setting("TAVIX_CONSOLE")) {
        if (strcmp(value, "stderr") == 0) {
            s.settings.console_to_stderr = 1;
            copy_ring_to_stderr();
        } else
            ignore("TAVIX_CONSOLE", value, "the only value is stderr");
    }
    if (const char *value = setting("TAVIX_SCRIPT")) {
        if (const char *name = keep(value)) s.settings.script_name = name;
    }
    // The replayed file is the script file from now on, whatever TAVIX_SCRIPT said.
    // A replay that cannot even start would let the program run without its input and pass
    // for a good run: the program ends here instead.
    if (const char *value = setting("TAVIX_REPLAY")) {
        if (const char *why = unreadable(value)) {
            fprintf(stderr, "TAVIX_REPLAY: cannot read %s: %s\n", value, why);
            exit(EXIT_REPLAY_UNREADABLE);
        }
        if (const char *name = keep(value)) {
            s.settings.script_name = name;
            s.script.replaying = 1;
        }
    }
    if (const char *value = setting("TAVIX_SOUND")) {
        if (const char *why = picture_unwritable(value))
            ignore("TAVIX_SOUND", value, why);
        else if (const char *path = keep(value))
            register_sound_file(path);
    }
    // Recording from the start into the named file (it becomes the script file); a replay
    // asked for as well wins, since the two never run together.
    if (const char *value = setting("TAVIX_RECORD")) {
        if (s.script.replaying)
            ignore("TAVIX_RECORD", value, "TAVIX_REPLAY is set");
        else if (const char *why = picture_unwritable(value))
            ignore("TAVIX_RECORD", value, why);
        else if (const char *name = keep(value)) {
            s.settings.script_name = name;
            s.settings.record_at_start = 1;
        }
    }
    settings_read = true;
    if (const char *value = setting("TAVIX_SEED")) {
        if (!parse_seed(value, &s.settings.environment_seed))
            ignore("TAVIX_SEED", value, "the value must be a number from 0 to 4294967295");
        else
            s.settings.seed_from_environment = 1;
    }
    // Looking at the path changes nothing on disk; a snapshot that cannot be had is a failed run.
    if (const char *value = setting("TAVIX_SNAPSHOT")) {
        if (const char *why = picture_unwritable(value)) {
            fprintf(stderr, "TAVIX_SNAPSHOT: cannot write %s: %s\n", value, why);
            set_exit_status(EXIT_SNAPSHOT_FAILED);
        } else
            s.settings.snapshot_path = keep(value);
    }
    if (const char *value = setting("TAVIX_SNAPSHOT_AREA")) {
        if (strcmp(value, "visible") == 0 || strcmp(value, "buffer") == 0)
            s.settings.snapshot_visible = value[0] == 'v';
        else
            ignore("TAVIX_SNAPSHOT_AREA", value, "the value must be visible or buffer");
    }
    if (const char *value = setting("TAVIX_REPLAY_LINE")) {
        if (strcmp(value, "1") == 0)
            s.settings.tell_replay_line = 1;
        else
            ignore("TAVIX_REPLAY_LINE", value, "the value must be 1");
    }
}

void apply_settings(void) {
    // As if Playback had been chosen from the Run menu.
    if (library_state.script.replaying && !library_state.script.playing_back)
        handle_command(ID_PLAYBACK);
    // As if Record had been chosen, but before the program has been given anything: a replay
    // from the program's start repeats this recording exactly.
    if (library_state.settings.record_at_start && !library_state.script.recording) {
        handle_command(ID_RECORD);
        library_state.script.recording_from_start = library_state.script.recording;
    }
}

int seed_setting(uint32_t *seed) {
    // A number drawn before TAVIX_start takes the setting too (its warning comes at the start).
    if (!settings_read) {
        const char *value = setting("TAVIX_SEED");
        return value && parse_seed(value, seed);
    }
    if (!library_state.settings.seed_from_environment) return 0;
    *seed = library_state.settings.environment_seed;
    return 1;
}
