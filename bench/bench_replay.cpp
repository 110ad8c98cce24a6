// How fast a headless replay runs: the cone decorator's own loop (every event followed by its
// full redraw) fed 20,000 scripted events, with no display; the cone's scene drawn alone as
// often, to compare with what the replay adds; and a program that draws one small circle per
// event, whose replay costs little more than the wait and what each event changes.
#include "bench/bench_clock.h"
#include "bench/cone_script.h"
#include "decorator/state.h"
#include "library/core/state.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Events of the cone's replay, and scenes drawn alone: 20,000, or TAVIX_BENCH_EVENTS (fewer for a
// run under callgrind). Times are given per 20,000 either way.
int events_asked() {
    const char *asked = getenv("TAVIX_BENCH_EVENTS");
    int n = asked ? atoi(asked) : 0;
    return n > 0 ? n : 20000;
}
const int kEvents = events_asked();
const char *const kScript = "/tmp/tavix-bench-replay.scr";
// The targets: the small circle's replay at least this many events a second, and the cone's
// replay at most this much longer than its scene drawn alone as often (processor time of both).
const double kSmallCircleTarget = 200000;
const double kConeAllowance = 0.10;
double scene_alone_cpu = 0;  // BM_ConeSceneAlone's processor time per 20,000 scenes, once run

bool write_script(const std::string &text) {
    FILE *file = fopen(kScript, "w");
    if (!file) return false;
    fputs(text.c_str(), file);
    return fclose(file) == 0;
}

// The library opens once per process, headless, its script file the benchmark's.
void open_library() {
    static int module_marker;
    if (library_state.window.graphics) return;
    setenv("TAVIX_HEADLESS", "1", 1);
    setenv("TAVIX_SCRIPT", kScript, 1);
    srand(1);
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
}

// As TAVIX_REPLAY starts it: the script's end posts quit.
void start_replay() {
    close_script();  // a replay that reached the end leaves its stream there
    // Nor may the last replay's quit, still queued, end this one.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    library_state.events.quit_pending = 0;
    library_state.script.replaying = 1;
    handle_command(ID_PLAYBACK);
}

void BM_HeadlessReplay(benchmark::State &state) {
    if (!write_script(cone_script(kEvents))) {
        state.SkipWithError("cannot write the script");
        return;
    }
    open_library();
    ConeState cone;
    reset_cone(&cone);

    long events = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        reset_cone(&cone);
        TAVIX_clear_window();
        TAVIX_set_animation(TAVIX_ANIM_RUN);
        start_cone(&cone);
        start_replay();
        double wall0 = clock_seconds(CLOCK_MONOTONIC), cpu0 = clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
        while (!cone.done) {
            int x = 0, y = 0;
            char key = 0;
            int code = TAVIX_next_event(&x, &y, &key);
            handle_event(&cone, code, x, y);
            ++events;
        }
        wall += clock_seconds(CLOCK_MONOTONIC) - wall0;
        cpu += clock_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        --events;  // the quit that ended the replay
    }
    state.counters["events_per_s"] = events / wall;
    state.counters["cpu_events_per_s"] = events / cpu;
    state.counters["s_per_20000"] = wall * 20000 / events;
    remove(kScript);
    double replay_cpu = cpu * 20000 / events;
    if (scene_alone_cpu > 0)
        fprintf(stderr,
                "cone replay: %.3f s of processor time per 20000 events, the scene alone %.3f s: "
                "%+.1f%% (target at most %+.0f%%): %s\n",
                replay_cpu, scene_alone_cpu, 100 * (replay_cpu / scene_alone_cpu - 1),
                100 * kConeAllowance,
                replay_cpu <= scene_alone_cpu * (1 + kConeAllowance) ? "met" : "NOT MET");
}

// The cone's scene drawn kEvents times with no wait between: what the replay's redraws cost
// before the wait, the script and the present add theirs (compare s_per_20000).
void BM_ConeSceneAlone(benchmark::State &state) {
    open_library();
    ConeState cone;
    reset_cone(&cone);
    start_cone(&cone);
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        double wall0 = clock_seconds(CLOCK_MONOTONIC), cpu0 = clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
        for (int i = 0; i < kEvents; ++i) draw_scene(&cone);
        wall += clock_seconds(CLOCK_MONOTONIC) - wall0;
        cpu += clock_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    }
    state.counters["s_per_20000"] = wall / state.iterations() * 20000 / kEvents;
    state.counters["cpu_s_per_20000"] = cpu / state.iterations() * 20000 / kEvents;
    scene_alone_cpu = cpu / state.iterations() * 20000 / kEvents;
}

// One circle of radius 5 per event, the cone's script: the picture changes a little each time.
void BM_SmallCircleReplay(benchmark::State &state) {
    const int events = 200000;
    if (!write_script(cone_script(events))) {
        state.SkipWithError("cannot write the script");
        return;
    }
    open_library();
    long delivered = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        TAVIX_clear_window();
        start_replay();
        double wall0 = clock_seconds(CLOCK_MONOTONIC), cpu0 = clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
        for (int i = 0;; ++i) {
            int x = 0, y = 0;
            char key = 0;
            if (TAVIX_next_event(&x, &y, &key) == TAVIX_QUIT) break;
            TAVIX_draw_circle(i % 24, i % 400 - 200, i % 300 - 150, 5);
            ++delivered;
        }
        wall += clock_seconds(CLOCK_MONOTONIC) - wall0;
        cpu += clock_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    }
    state.counters["events_per_s"] = delivered / wall;
    state.counters["cpu_events_per_s"] = delivered / cpu;
    remove(kScript);
    fprintf(stderr,
            "small circle replay: %.0f events a second of processor time (target %.0f): %s\n",
            delivered / cpu, kSmallCircleTarget,
            delivered / cpu >= kSmallCircleTarget ? "met" : "NOT MET");
}

// The cone's quit ends every later wait of the process: its replay comes last.
BENCHMARK(BM_SmallCircleReplay)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ConeSceneAlone)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_HeadlessReplay)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
