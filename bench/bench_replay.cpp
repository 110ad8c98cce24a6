// How fast a headless replay runs: the cone decorator's own loop (every event followed by its
// full redraw) fed 20,000 scripted events, with no display. Events per second for the record.
#include "bench/cone_script.h"
#include "decorator/state.h"
#include "library/core/state.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {

const int kEvents = 20000;
const char *const kScript = "/tmp/tavix-bench-replay.scr";

double seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void BM_HeadlessReplay(benchmark::State &state) {
    FILE *file = fopen(kScript, "w");
    if (!file) {
        state.SkipWithError("cannot write the script");
        return;
    }
    fputs(cone_script(kEvents).c_str(), file);
    fclose(file);

    static int module_marker;
    setenv("TAVIX_HEADLESS", "1", 1);
    setenv("TAVIX_SCRIPT", kScript, 1);
    ConeState cone;
    reset_cone(&cone);
    srand(1);
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);

    long events = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        reset_cone(&cone);
        TAVIX_clear_window();
        TAVIX_set_animation(TAVIX_ANIM_RUN);
        start_cone(&cone);
        // As TAVIX_REPLAY starts it: the script's end posts quit.
        library_state.replaying = 1;
        handle_command(ID_PLAYBACK);
        double wall0 = seconds(CLOCK_MONOTONIC), cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
        while (!cone.done) {
            int x = 0, y = 0;
            char key = 0;
            int code = TAVIX_next_event(&x, &y, &key);
            handle_event(&cone, code, x, y);
            ++events;
        }
        wall += seconds(CLOCK_MONOTONIC) - wall0;
        cpu += seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        --events;  // the quit that ended the replay
    }
    state.counters["events_per_s"] = events / wall;
    state.counters["cpu_events_per_s"] = events / cpu;
    state.counters["s_per_20000"] = wall * kEvents / events;
    remove(kScript);
}
BENCHMARK(BM_HeadlessReplay)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
