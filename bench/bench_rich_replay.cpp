// How fast the richer wait hands out a recorded game: 100,000 scripted events (motion, key downs
// and ups, characters, ticks, with a clock reading per tick) through TAVIX_wait in a headless
// replay, the program doing nothing else. Events per second for the record.
#include "bench/bench_clock.h"
#include "library/core/state.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const int kEvents = 100000;
const char *const kScript = "/tmp/tavix-bench-rich-replay.scr";

bool write_script() {
    FILE *file = fopen(kScript, "w");
    if (!file) return false;
    for (int i = 0; i < kEvents; i++) {
        int kind = i % 10, t = i * 2;
        if (kind < 6)
            fprintf(file, "TAVIX_EVENT(6, %d, %d, 0, 1, 0, %d);\n", i % 500 - 250, i % 400 - 200,
                    t);
        else if (kind == 6)
            fprintf(file, "TAVIX_EVENT(40, 0, 0, 39, 0, 0, %d);\n", t);
        else if (kind == 7)
            fprintf(file, "TAVIX_EVENT(38, 0, 0, 39, 0, 0, %d);\n", t);
        else
            fprintf(file, "TAVIX_EVENT(3, 0, 0, 0, 0, 0, %d);\nTAVIX_TIME(%d, 1);\n", t, t);
    }
    return fclose(file) == 0;
}

void BM_RichHeadlessReplay(benchmark::State &state) {
    if (!write_script()) {
        state.SkipWithError("cannot write the script");
        return;
    }
    setenv("TAVIX_HEADLESS", "1", 1);
    setenv("TAVIX_SCRIPT", kScript, 1);
    TAVIX_start(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);

    long events = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        library_state.script.replaying = 1;
        handle_command(ID_PLAYBACK);
        double wall0 = clock_seconds(CLOCK_MONOTONIC), cpu0 = clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
        TAVIX_Event event;
        long held = 0;
        for (;;) {
            int type = TAVIX_wait(&event);
            if (type == TAVIX_QUIT) break;
            if (type == TAVIX_PERIODIC) held += TAVIX_key_down(TAVIX_KEY_RIGHT) + TAVIX_time() % 2;
            ++events;
        }
        benchmark::DoNotOptimize(held);
        wall += clock_seconds(CLOCK_MONOTONIC) - wall0;
        cpu += clock_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    }
    state.counters["events_per_s"] = events / wall;
    state.counters["cpu_events_per_s"] = events / cpu;
    state.counters["events"] = (double)events;
    remove(kScript);
}
BENCHMARK(BM_RichHeadlessReplay)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
