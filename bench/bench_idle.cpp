// CPU used by an idle window with a 100 ms timer: the message loop sleeps in WaitMessage between
// timer messages, so the process should use next to no CPU while the clock runs.
#include "platform/win32.h"

#include "bench/bench_clock.h"

namespace {

int ticks;

LRESULT CALLBACK idle_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_TIMER) {
        ++ticks;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

void run_loop(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            WaitMessage();
        }
    }
}

void BM_IdleWindowWithTimer(benchmark::State &state) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = idle_proc;
    wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
    wc.lpszClassName = "IdleBench";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "IdleBench", "idle", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540,
                                nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    SetTimer(hwnd, 1, 100, nullptr);
    // The first showing paints and presents, and SDL loads what it needs on first use; the idle
    // figure is taken after that.
    run_loop(500);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        ticks = 0;
        double cpu_start = cpu_seconds();
        DWORD start = GetTickCount();
        run_loop(3000);
        cpu += cpu_seconds() - cpu_start;
        wall += (GetTickCount() - start) / 1000.0;
    }
    KillTimer(hwnd, 1);
    DestroyWindow(hwnd);
    state.counters["cpu_seconds"] = cpu;
    state.counters["wall_seconds"] = wall;
    state.counters["cpu_share_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["timer_messages"] = ticks;
}
BENCHMARK(BM_IdleWindowWithTimer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    return run_benchmarks(argc, argv);
}
