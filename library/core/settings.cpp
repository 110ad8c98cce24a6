// Settings a run takes from its environment, read once when the library opens: headless running,
// the script file's name, a script to replay at once, a picture to save at the end and the
// console copied to standard error. A bad value is reported on standard error and ignored.
#include "library/core/state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The value of a variable; an empty one counts as unset.
static const char *setting(const char *name) {
    const char *value = getenv(name);
    return value && *value ? value : nullptr;
}

static void ignore(const char *name, const char *value, const char *why) {
    fprintf(stderr, "tavix: %s=%s is ignored: %s\n", name, value, why);
}

// A copy of value that outlives any later change to the environment; null when none can be had.
static const char *keep(const char *value) {
    size_t size = strlen(value) + 1;
    char *copy = (char *)malloc(size);
    if (copy) memcpy(copy, value, size);
    return copy;
}

// The file opens and its first byte reads (a directory may open but never reads).
static const char *unreadable(const char *path) {
    FILE *file = fopen(path, "rb");
    if (!file) return strerror(errno);
    getc(file);
    const char *why = ferror(file) ? strerror(errno) : nullptr;
    fclose(file);
    return why;
}

// The file can be written: an existing one opens for update (its contents untouched), a missing
// one is created and removed again.
static const char *unwritable(const char *path) {
    FILE *file = fopen(path, "r+b");
    if (!file && errno == ENOENT) {
        file = fopen(path, "wb");
        if (file) {
            fclose(file);
            remove(path);
            return nullptr;
        }
    }
    if (!file) return strerror(errno);
    fclose(file);
    return nullptr;
}

// Lines printed before the library opened are in the ring: they come first.
static void copy_ring_to_stderr(void) {
    LibraryState &s = library_state;
    if (s.console_first < 0) return;
    int slot = s.console_first;
    do {
        if (const char *text = (const char *)GlobalLock(s.console_lines[slot])) {
            copy_console_line(text);
            GlobalUnlock(s.console_lines[slot]);
        }
        slot = slot == CONSOLE_RING_SIZE - 1 ? 0 : slot + 1;
    } while (slot != s.console_end);
}

void read_settings(void) {
    LibraryState &s = library_state;
    if (s.graphics_window) return;  // read once, when the library first opens
    if (const char *value = setting("TAVIX_HEADLESS")) {
        if (strcmp(value, "1") != 0 && strcmp(value, "0") != 0)
            ignore("TAVIX_HEADLESS", value, "the value must be 1 or 0");
#ifdef _WIN32
        // The windows are real ones here and input can always come: nothing changes.
        else if (strcmp(value, "1") == 0)
            ignore("TAVIX_HEADLESS", value, "windows are always shown on Windows");
#else
        else
            s.headless = value[0] == '1';
#endif
    }
    if (const char *value = setting("TAVIX_CONSOLE")) {
        if (strcmp(value, "stderr") == 0) {
            s.console_to_stderr = 1;
            copy_ring_to_stderr();
        } else
            ignore("TAVIX_CONSOLE", value, "the only value is stderr");
    }
    if (const char *value = setting("TAVIX_SCRIPT")) {
        if (const char *name = keep(value)) s.script_name = name;
    }
    // The replayed file is the script file from now on, whatever TAVIX_SCRIPT said.
    if (const char *value = setting("TAVIX_REPLAY")) {
        if (const char *why = unreadable(value))
            ignore("TAVIX_REPLAY", value, why);
        else if (const char *name = keep(value)) {
            s.script_name = name;
            s.replaying = 1;
        }
    }
    // Recording from the start into the named file (it becomes the script file); a replay
    // asked for as well wins, since the two never run together.
    if (const char *value = setting("TAVIX_RECORD")) {
        if (s.replaying)
            ignore("TAVIX_RECORD", value, "TAVIX_REPLAY is set");
        else if (const char *why = unwritable(value))
            ignore("TAVIX_RECORD", value, why);
        else if (const char *name = keep(value)) {
            s.script_name = name;
            s.record_at_start = 1;
        }
    }
    if (const char *value = setting("TAVIX_SEED")) {
        char *end = nullptr;
        errno = 0;
        unsigned long long number = strtoull(value, &end, 10);
        if (*value == '-' || *end || errno || number > 0xFFFFFFFFull)
            ignore("TAVIX_SEED", value, "the value must be a number from 0 to 4294967295");
        else {
            s.seed_from_environment = 1;
            s.environment_seed = (uint32_t)number;
        }
    }
    if (const char *value = setting("TAVIX_SNAPSHOT")) {
        if (const char *why = unwritable(value))
            ignore("TAVIX_SNAPSHOT", value, why);
        else
            s.snapshot_path = keep(value);
    }
}

void apply_settings(void) {
    // As if Playback had been chosen from the Run menu.
    if (library_state.replaying && !library_state.playing_back) handle_command(ID_PLAYBACK);
    // As if Record had been chosen.
    if (library_state.record_at_start && !library_state.recording) handle_command(ID_RECORD);
}

int seed_setting(uint32_t *seed) {
    if (!library_state.seed_from_environment) return 0;
    *seed = library_state.environment_seed;
    return 1;
}
