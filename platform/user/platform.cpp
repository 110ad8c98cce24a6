// Starting the layer: the first call that needs a display starts the backend; without one the
// program cannot do anything useful, so it says why and stops.
#include "platform/user/platform.h"

#include "platform/backend/backend.h"
#include "platform/user/present.h"

#include <cstdio>
#include <cstdlib>

void platform_ensure_started() {
    static bool started;
    if (started) return;
    started = true;
    char why[256];
    if (!backend_start(why, sizeof why)) {
        fprintf(stderr,
                "tavix: cannot open a display: %s\n"
                "tavix: run it on a desktop, under Xvfb (xvfb-run ./program), or with no window "
                "at all (TAVIX_HEADLESS=1 ./program)\n",
                why);
        exit(1);
    }
    screen_scale_choose();
}
