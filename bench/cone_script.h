// A long script of the cone in use, for the replay benchmark and the headless test: clicks on the
// buttons and the cone, keys and runs of ticks, in a fixed order.
#ifndef TAVIX_BENCH_CONE_SCRIPT_H
#define TAVIX_BENCH_CONE_SCRIPT_H

#include <algorithm>
#include <cstdio>
#include <string>

// The script's text for exactly events events.
inline std::string cone_script(int events) {
    std::string text;
    for (int n = 0, i = 0; n < events; i++) {
        char line[64];
        int count = 1;
        switch (i % 4) {
            case 0:  // a button of the panel
                snprintf(line, sizeof line, "TAVIX_MOUSE(-240, %d);\n", 232 - 25 * (i % 7));
                break;
            case 1:  // somewhere over the cone and the palette
                snprintf(line, sizeof line, "TAVIX_MOUSE(%d, %d);\n", i % 500 - 200, i % 300 - 120);
                break;
            case 2:
                snprintf(line, sizeof line, "TAVIX_KBD(%d);\n", 32 + i % 90);
                break;
            default:
                count = std::min(5, events - n);
                snprintf(line, sizeof line, "TAVIX_PERIODIC(%d);\n", count);
                break;
        }
        text += line;
        n += count;
    }
    return text;
}

#endif
