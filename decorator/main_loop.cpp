// The cone decorator's entry and event loop: opens the library, hands each event to the click
// handling or the marquee, redraws the whole scene after every event, and closes on quit.
// The random generator is seeded once; every later rand() call happens in a fixed order.
#include "decorator/state.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

void seed_random(void) {
    srand(static_cast<unsigned>(time(nullptr)));
}

void reset_cone(ConeState *state) {
    // Slots past topping_count and bite_count are never read before written; zero keeps them tidy.
    memset(state, 0, sizeof *state);
    state->scoop_count = 1;
    state->topping_count = 0;
    state->selected_topping = 0;
    state->mode = MODE_ADD_TOPPING;
    state->bite_count = 0;
    state->light_cursor = 0;
}

void start_cone(ConeState *state) {
    // Top scoop first: the order of these calls fixes which colour each seed gives each scoop.
    for (int i = MAX_SCOOPS - 1; i >= 0; --i) state->scoop_color[i] = rand() % 24 + 1;
    for (int j = 0; j < LIGHT_COUNT; ++j) state->light_color[j] = BLACK;
    state->done = 0;
}

void advance_marquee(ConeState *state) {
    state->light_cursor = (state->light_cursor + 1) % LIGHT_COUNT;
    // 0..24: a 24 lies past the colour table and is shown red, with the library's warning.
    state->light_color[state->light_cursor] = rand() % 25;
    state->light_color[(state->light_cursor + LIGHT_COUNT - 1) % LIGHT_COUNT] = BLACK;
}

void handle_event(ConeState *state, int code, int x, int y) {
    switch (code) {
        case TAVIX_MOUSE:
            if (in_button_panel(x, y))
                press_button(state, x, y);
            else
                click_cone(state, x, y);
            break;
        case TAVIX_PERIODIC:
            advance_marquee(state);
            break;
        case TAVIX_QUIT:
            state->done = 1;
            break;
        default:  // keys change nothing, but still get their redraw
            break;
    }
    draw_scene(state);
}

int decorator_main(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                   int show_mode) {
    ConeState state;
    reset_cone(&state);
    seed_random();
    TAVIX_start(instance, previous_instance, command_line, show_mode);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    start_cone(&state);

    while (!state.done) {
        int x = 0, y = 0;
        char key = 0;
        int code = TAVIX_next_event(&x, &y, &key);
        handle_event(&state, code, x, y);
    }
    TAVIX_finish();
    return 0;
}
