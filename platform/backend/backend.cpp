// Choosing the backend: the one place that knows which backends this build has (TAVIX_BACKENDS
// in CMake defines TAVIX_BACKEND_<NAME> for each) and which one a run takes.
#include "platform/backend/backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifdef TAVIX_BACKEND_SDL
extern const Backend sdl_backend;
#endif
#ifdef TAVIX_BACKEND_WEB
extern const Backend web_backend;
bool web_pump_events();
bool web_wait_events(int timeout_ms);
void web_sleep(unsigned ms);
#endif
#ifdef TAVIX_BACKEND_NULL
extern const Backend null_backend;
#endif

namespace {

// Every backend built, those that show windows first: without a choice the first one is taken.
const Backend *const BUILT[] = {
#ifdef TAVIX_BACKEND_SDL
    &sdl_backend,
#endif
#ifdef TAVIX_BACKEND_WEB
    &web_backend,
#endif
#ifdef TAVIX_BACKEND_NULL
    &null_backend,
#endif
};

const Backend *find(const char *name) {
    for (const Backend *b : BUILT)
        if (strcmp(b->name, name) == 0) return b;
    return nullptr;
}

// The names of the backends built, for a message.
void list_built(char *out, size_t size) {
    out[0] = '\0';
    size_t used = 0;
    for (const Backend *b : BUILT) {
        int n = snprintf(out + used, size - used, "%s%s", used ? ", " : "", b->name);
        if (n < 0 || (size_t)n >= size - used) return;
        used += (size_t)n;
    }
}

}  // namespace

const Backend *backend = BUILT[0];

bool backend_start(char *why, size_t why_size) {
    char built[128];
    list_built(built, sizeof built);
    const char *headless = getenv("TAVIX_HEADLESS");
    const char *asked = getenv("TAVIX_BACKEND");
    const Backend *chosen = BUILT[0];
    if (headless && strcmp(headless, "1") == 0) {
        // Headless running: nothing ever appears on a screen, whatever display there is.
        chosen = find("null");
        if (!chosen) {
            snprintf(why, why_size,
                     "headless running needs the null backend, and this build has %s", built);
            return false;
        }
    } else if (asked && *asked) {
        chosen = find(asked);
        if (!chosen) {
            snprintf(why, why_size, "TAVIX_BACKEND=%s names no backend of this build (%s)", asked,
                     built);
            return false;
        }
    } else if (chosen == find("null")) {
        snprintf(why, why_size,
                 "this build has no backend that shows windows (only %s); set TAVIX_HEADLESS=1 to "
                 "run without one",
                 built);
        return false;
    }
    backend = chosen;
    return backend->start(why, why_size);
}

// Played sound buffers come back at every pump and wait, whichever backend plays them.
bool backend_pump() {
    bool handed = wave_hand_back();
#ifdef TAVIX_BACKEND_WEB
    if (backend == &web_backend) return web_pump_events() || handed;
#endif
    return backend->pump() || handed;
}

bool backend_wait(int timeout_ms) {
    // A buffer back is a message posted: there is nothing to wait for.
    if (wave_hand_back()) {
        backend_pump();
        return true;
    }
    bool reported;
#ifdef TAVIX_BACKEND_WEB
    if (backend == &web_backend)
        reported = web_wait_events(timeout_ms);
    else
#endif
        reported = backend->wait(timeout_ms);
    return wave_hand_back() || reported;
}

void backend_sleep(unsigned ms) {
#ifdef TAVIX_BACKEND_WEB
    if (backend == &web_backend) {
        web_sleep(ms);
        return;
    }
#endif
    backend->sleep(ms);
}

void backend_thread_sleep(unsigned ms) {
    timespec ts;
    ts.tv_sec = (time_t)(ms / 1000);
    ts.tv_nsec = (long)(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
        // Interrupted by a signal: sleep on for what is left.
    }
}

int backend_scale_asked() {
    const char *asked = getenv("TAVIX_SCALE");
    if (!asked || !*asked) return 0;
    char *end = nullptr;
    long n = strtol(asked, &end, 10);
    if (*end == '\0' && n >= 1 && n <= 4) return (int)n;
    fprintf(stderr,
            "tavix: TAVIX_SCALE=%s is not a whole number from 1 to 4; the display's resolution "
            "decides the scale\n",
            asked);
    return 0;
}
