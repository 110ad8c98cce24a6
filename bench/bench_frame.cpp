// A game's paced loop: every frame takes its events with TAVIX_poll, moves and draws a small scene
// and calls TAVIX_frame(60). Figures: the CPU time over the wall time, and how far each frame's
// return lands from its time (the previous return plus 1000 / 60 ms), median and worst tenth.
#include "library/tavix.h"

#include "bench/bench_clock.h"

#include <algorithm>
#include <vector>

namespace {

double wall_ms() {
    return wall_seconds() * 1e3;
}

void open_library() {
    static bool open = false;
    if (open) return;
    open = true;
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", 1);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
}

// A ball crossing the picture, a paddle and a score: what a learner's first game draws.
void draw_scene(int frame) {
    TAVIX_clear_window();
    int x = (frame * 4) % 500 - 250;
    TAVIX_draw_circle(RED, x, 0, 12);
    TAVIX_draw_rectangle(BLUE, -40, -200, 40, -190, 0);
    TAVIX_draw_formatted(BLACK, -280, 220, 0, "Score %d", frame / 60);
}

void BM_PacedPollLoop(benchmark::State &state) {
    open_library();
    const int per_second = 60, period = 1000 / per_second;
    const double seconds = 5.0;
    std::vector<double> off;
    double cpu = 0, wall = 0;
    int frames = 0;
    for (auto _ : state) {
        TAVIX_frame(per_second);  // the pacing starts from here
        double cpu0 = cpu_seconds(), wall0 = wall_ms(), last = wall0;
        while (wall_ms() - wall0 < seconds * 1000) {
            TAVIX_Event event;
            while (TAVIX_poll(&event) != 0) {
            }
            draw_scene(frames++);
            TAVIX_frame(per_second);
            double now = wall_ms();
            off.push_back(now - (last + period));
            last = now;
        }
        cpu += cpu_seconds() - cpu0;
        wall += (wall_ms() - wall0) / 1000;
    }
    std::vector<double> magnitude(off.size());
    std::transform(off.begin(), off.end(), magnitude.begin(), [](double d) { return d < 0 ? -d : d; });
    std::sort(magnitude.begin(), magnitude.end());
    state.counters["frames_per_s"] = frames / wall;
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["median_off_ms"] = magnitude.empty() ? 0 : magnitude[magnitude.size() / 2];
    state.counters["p90_off_ms"] = magnitude.empty() ? 0 : magnitude[magnitude.size() * 9 / 10];
}
BENCHMARK(BM_PacedPollLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    return run_benchmarks(argc, argv);
}
