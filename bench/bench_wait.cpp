// What the event wait costs: CPU seconds used while a running animation delivers its ticks for a
// few seconds, and while a halted wait sits two seconds for its one key. Figures for the record.
#include "library/core/state.h"

#include "bench/bench_clock.h"

namespace {

// A hidden window whose own timer types one key into the graphics window: the event that ends
// a halted wait.
const UINT_PTR kKeyTimer = 7;
HWND key_window;

LRESULT CALLBACK key_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_TIMER && wp == kKeyTimer) {
        KillTimer(hwnd, kKeyTimer);
        PostMessageA(library_state.window.graphics, WM_CHAR, 'k', 1);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

void open_library() {
    if (library_state.window.graphics) return;
    static int module_marker;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&module_marker);
    TAVIX_start(instance, nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
    TAVIX_clear_window();

    WNDCLASSA key_class = {};
    key_class.lpfnWndProc = key_window_proc;
    key_class.hInstance = instance;
    key_class.lpszClassName = "BenchKeyClass";
    RegisterClassA(&key_class);
    key_window = CreateWindowExA(0, "BenchKeyClass", "key", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, instance, nullptr);
}

// A client at 10 ticks a second that redraws a little on every tick.
void BM_RunningAnimation(benchmark::State &state) {
    open_library();
    const double seconds = 3.0;
    int ticks = 0;
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        TAVIX_set_animation(TAVIX_ANIM_RUN);
        double cpu0 = cpu_seconds(), wall0 = wall_seconds();
        while (wall_seconds() - wall0 < seconds) {
            int x, y;
            char key;
            if (TAVIX_next_event(&x, &y, &key) == TAVIX_PERIODIC) {
                ++ticks;
                TAVIX_draw_circle(ticks % 24, 0, 0, 20);
            }
        }
        cpu += cpu_seconds() - cpu0;
        wall += wall_seconds() - wall0;
        TAVIX_set_animation(TAVIX_ANIM_HALT);
    }
    state.counters["ticks_per_s"] = ticks / wall;
    state.counters["cpu_s"] = cpu;
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_RunningAnimation)->Iterations(1)->Unit(benchmark::kSecond);

// A halted client waiting two seconds for a key, with the timer notices still arriving.
void BM_HaltedWait(benchmark::State &state) {
    open_library();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        TAVIX_set_animation(TAVIX_ANIM_HALT);
        SetTimer(key_window, kKeyTimer, 2000, nullptr);
        double cpu0 = cpu_seconds(), wall0 = wall_seconds();
        int x, y;
        char key;
        int code = TAVIX_next_event(&x, &y, &key);
        cpu += cpu_seconds() - cpu0;
        wall += wall_seconds() - wall0;
        if (code != TAVIX_KBD) state.SkipWithError("the halted wait ended without its key");
    }
    state.counters["wait_s"] = wall;
    state.counters["cpu_s"] = cpu;
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_HaltedWait)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv) {
    return run_benchmarks(argc, argv);
}
