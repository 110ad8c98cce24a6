// The slowest drawing call over the extremes table (tests/draw/extremes.h): every call at the
// ends of its arguments' ranges, each timed once on the default picture, logging off. Prints the
// slowest case and its time, and how many took longer than the target of 50 ms.
#include "tests/draw/extremes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    char path[] = "/tmp/bench_extremes_XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    if (extremes::load_image(path) != 1) fprintf(stderr, "bench_extremes: no image loaded\n");
    unlink(path);
    std::vector<extremes::Case> cases = extremes::cases();
    double slowest = 0, total = 0;
    size_t slowest_at = 0, over = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        auto start = std::chrono::steady_clock::now();
        extremes::run(cases[i]);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        total += ms;
        if (ms > 50) {
            ++over;
            printf("over 50 ms: %.1f ms %s\n", ms, cases[i].describe().c_str());
            fflush(stdout);
        }
        if (ms > slowest) {
            slowest = ms;
            slowest_at = i;
        }
        // Now and then a fresh picture, so that no case is left with one flood-filled colour.
        if (i % 64 == 63) TAVIX_clear_window();
    }
    printf("%zu cases in %.0f ms; slowest %.2f ms: %s; %zu over 50 ms\n", cases.size(), total,
           slowest, cases[slowest_at].describe().c_str(), over);
    return 0;
}
