// Opens the library once for the decorator's tests (SDL's offscreen driver) and holds the
// helpers that drive the decorator the way its main loop does.
#include "tests/decorator/cone_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class LibraryOpen : public ::testing::Environment {
   public:
    void SetUp() override {
        static int instance_marker;
        static char command_line[] = "";
        TAVIX_start(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr, command_line, 1);
        TAVIX_show_console(0);
        TAVIX_set_logging(0);
    }
    void TearDown() override { TAVIX_finish(); }
};

const ::testing::Environment *const library_open =
    ::testing::AddGlobalTestEnvironment(new LibraryOpen);

}  // namespace

ConeState started_cone(unsigned seed) {
    ConeState state;
    reset_cone(&state);
    srand(seed);
    start_cone(&state);
    draw_scene(&state);
    return state;
}

void click(ConeState *state, int x, int y) {
    handle_event(state, TAVIX_MOUSE, x, y);
}

void tick(ConeState *state) {
    handle_event(state, TAVIX_PERIODIC, 0, 0);
}

void press(ConeState *state, int button) {
    click(state, -240, 232 - 25 * button);
}

void rand_sequence(unsigned seed, int *out, int count) {
    srand(seed);
    for (int i = 0; i < count; ++i) out[i] = rand();
}
