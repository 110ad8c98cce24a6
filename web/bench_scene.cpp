// The cone's whole scene drawn N times with no wait between, in the page, as the native
// benchmark's scene-alone case (bench/bench_replay.cpp) draws it headless: what the drawing calls
// cost in the browser. N is TAVIX_BENCH_COUNT (default 2000). The result is printed and written
// to bench-result.txt: "scenes N seconds S ms_per_scene M". The same file builds natively too,
// for the comparison on one machine (run it headless, with TAVIX_HEADLESS=1).
#include "decorator/state.h"
#include "library/tavix.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    const char *asked = getenv("TAVIX_BENCH_COUNT");
    int count = asked && atoi(asked) > 0 ? atoi(asked) : 2000;
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
    static ConeState cone;
    reset_cone(&cone);
    start_cone(&cone);
    draw_scene(&cone);  // the first drawing makes the fonts and brushes the rest reuse
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) draw_scene(&cone);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char line[128];
    snprintf(line, sizeof line, "scenes %d seconds %.3f ms_per_scene %.4f\n", count, seconds,
             seconds * 1000.0 / count);
    fputs(line, stdout);
    if (FILE *out = fopen("bench-result.txt", "w")) {
        fputs(line, out);
        fclose(out);
    }
    int x, y;
    char key;
    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
    }
    TAVIX_finish();
    return 0;
}
