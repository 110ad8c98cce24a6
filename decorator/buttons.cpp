// What a click does: the eight buttons of the panel at the upper left, and the mode machine that
// decides what a click elsewhere means, with its hit tests against the scoops, the toppings, the
// palette and the topping-type samples. Every hit test is strict: an edge counts as outside.
#include "decorator/state.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

int in_button_panel(int x, int y) {
    return x > -295 && x < -185 && y > 45 && y < 245 ? 1 : 0;
}

void report_bad_button(void) {
    TAVIX_draw_formatted(RED, 0, 0, 16, "BAAAADDD NEWS!");
}

void press_button(ConeState *state, int x, int y) {
    (void)x;  // the buttons are stacked: y alone picks one
    // Box i spans 245 - 25(i+1) < y <= 245 - 25i: a click on a dividing line takes the box below.
    // In 64 bits, as every hit test here: a click replayed from a script file may lie anywhere
    // in the int range.
    int64_t i = (245 - static_cast<int64_t>(y)) / 25;
    switch (i) {
        case 0:
            if (state->scoop_count < MAX_SCOOPS) state->scoop_count += 1;
            break;
        case 1:
            if (state->scoop_count > 1) state->scoop_count -= 1;
            break;
        case 2:
            state->mode = MODE_ADD_TOPPING;
            break;
        case 3:
            state->mode = MODE_CHOOSE_TYPE;
            break;
        case 4:
            state->mode = MODE_CHOOSE_COLOR;
            break;
        case 5:
            state->mode = MODE_SELECT_TOPPING;
            break;
        case 6:
            // Hidden scoops are recoloured too; top first, as at start-up.
            for (int s = MAX_SCOOPS - 1; s >= 0; --s) state->scoop_color[s] = rand() % 24 + 1;
            break;
        case 7:
            state->mode = MODE_EAT;
            break;
        default:
            report_bad_button();
            break;
    }
}

static int within_scoop(int x, int y, int centre_y) {
    int64_t dx = x;
    int64_t dy = static_cast<int64_t>(y) - centre_y;
    // Beyond the radius along either axis is outside; the squares below then stay small.
    if (dx <= -SCOOP_RADIUS || dx >= SCOOP_RADIUS || dy <= -SCOOP_RADIUS || dy >= SCOOP_RADIUS)
        return 0;
    return sqrt(static_cast<double>(dx * dx + dy * dy)) < SCOOP_RADIUS;
}

int on_scoops(int x, int y, int scoop_count) {
    // The bottom scoop's lower half lies behind the cone.
    if (within_scoop(x, y, BOTTOM_SCOOP_Y) && y > BOTTOM_SCOOP_Y) return 1;
    if (scoop_count >= 2 && within_scoop(x, y, MIDDLE_SCOOP_Y)) return 1;
    if (scoop_count >= 3 && within_scoop(x, y, TOP_SCOOP_Y)) return 1;
    return 0;
}

// Whether (x, y) lies strictly inside the box that reaches half_size from (cx, cy) on each side.
static int in_box(int x, int y, int64_t cx, int64_t cy, int half_size) {
    return x > cx - half_size && x < cx + half_size && y > cy - half_size && y < cy + half_size;
}

int pick_topping(int x, int y, const ConeState *state, int *slot) {
    // Slot order: of overlapping toppings the one added first wins.
    for (int k = 0; k < state->topping_count; ++k) {
        if (in_box(x, y, state->topping_x[k], state->topping_y[k], 8)) {
            *slot = k;
            return 1;
        }
    }
    return 0;
}

int pick_color(int x, int y, const ConeState *state, int *colour) {
    for (int i = 1; i < PALETTE_SLOTS; ++i) {
        if (in_box(x, y, state->palette_x[i], state->palette_y[i], 6)) {
            *colour = i;
            return 1;
        }
    }
    return 0;
}

int pick_type(int x, int y, const ConeState *state, int *kind) {
    for (int k = TOPPING_MM; k < TOPPING_CONFETTI; ++k) {
        if (in_box(x, y, state->sample_x[k], state->sample_y[k], 8)) {
            *kind = k;
            return 1;
        }
    }
    // Confetti spreads up and to the right of its point, so its box does too.
    int64_t cx = state->sample_x[TOPPING_CONFETTI];
    int64_t cy = state->sample_y[TOPPING_CONFETTI];
    if (x > cx && x < cx + 20 && y > cy && y < cy + 20) {
        *kind = TOPPING_CONFETTI;
        return 1;
    }
    return 0;
}

void click_cone(ConeState *state, int x, int y) {
    // Each step tests the mode anew, so a step may act on the mode an earlier one has just set.
    if (state->mode == MODE_ADD_TOPPING && state->topping_count < MAX_TOPPINGS &&
        on_scoops(x, y, state->scoop_count)) {
        int n = state->topping_count;
        state->topping_x[n] = x;
        state->topping_y[n] = y;
        state->topping_kind[n] = TOPPING_MM;
        state->topping_color[n] = RED;
        state->selected_topping = n;
        state->topping_count += 1;
        state->mode = MODE_TOPPING_SELECTED;
    }
    if (state->mode == MODE_TOPPING_SELECTED && on_scoops(x, y, state->scoop_count)) {
        state->topping_x[state->selected_topping] = x;
        state->topping_y[state->selected_topping] = y;
    }
    int found = 0;
    if (state->mode == MODE_SELECT_TOPPING && pick_topping(x, y, state, &found)) {
        state->selected_topping = found;
        state->mode = MODE_TOPPING_SELECTED;
    }
    // A full bite table ignores further clicks, as a full topping table does.
    if (state->mode == MODE_EAT && state->bite_count < MAX_BITES) {
        state->bite_x[state->bite_count] = x;
        state->bite_y[state->bite_count] = y;
        state->bite_count += 1;
    }
    if (state->mode == MODE_CHOOSE_COLOR && pick_color(x, y, state, &found)) {
        state->topping_color[state->selected_topping] = found;
        state->mode = MODE_TOPPING_SELECTED;
    }
    if (state->mode == MODE_CHOOSE_TYPE && pick_type(x, y, state, &found)) {
        state->topping_kind[state->selected_topping] = found;
        state->mode = MODE_TOPPING_SELECTED;
    }
}
