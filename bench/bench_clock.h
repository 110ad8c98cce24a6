// What the benchmarks share: the clocks they read, and a main that runs them without a display.
#ifndef TAVIX_BENCH_CLOCK_H
#define TAVIX_BENCH_CLOCK_H

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

inline double clock_seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}
inline double cpu_seconds() {
    return clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
}
inline double wall_seconds() {
    return clock_seconds(CLOCK_MONOTONIC);
}

// Runs the benchmarks; without a display (none named, no driver chosen) on SDL's offscreen
// driver.
inline int run_benchmarks(int argc, char **argv) {
    if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY") && !getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif
