// The cone decorator's picture: every coordinate, size, colour and text of the scene, drawn
// whole from the state after every event. Later calls paint over earlier ones, so the order of
// the calls is part of the picture. The palette and the samples record where the clicks hit them.
#include "decorator/state.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

// v + d kept within int: a bite replayed from a script file may lie anywhere in the int range.
static int shifted(int v, int d) {
    int64_t r = static_cast<int64_t>(v) + d;
    if (r > INT_MAX) return INT_MAX;
    if (r < INT_MIN) return INT_MIN;
    return static_cast<int>(r);
}

void draw_background(void) {
    TAVIX_draw_rectangle(BLACK, -300, -250, 300, 250, 0);
}

void draw_scoops(int scoop_count, const int *scoop_color) {
    // Top first, so each lower scoop covers the foot of the one above it.
    if (scoop_count > 2) TAVIX_draw_circle(scoop_color[2], 0, TOP_SCOOP_Y, SCOOP_RADIUS);
    if (scoop_count > 1) TAVIX_draw_circle(scoop_color[1], 0, MIDDLE_SCOOP_Y, SCOOP_RADIUS);
    TAVIX_draw_circle(scoop_color[0], 0, BOTTOM_SCOOP_Y, SCOOP_RADIUS);
}

// Drawn after the scoops: it hides the bottom scoop's lower half.
void draw_cone(void) {
    TAVIX_draw_triangle(BROWN, 0, -175, -60, 25, 60, 25, 0);
}

void draw_mm(int x, int y, int colour) {
    TAVIX_draw_circle(colour, x, y, 8);
    TAVIX_draw_formatted(WHITE, x - 2, y - 2, 9, "m");
}

void draw_nut(int x, int y, int colour) {
    TAVIX_draw_triangle(colour, x - 7, y - 7, x + 7, y - 7, x, y + 7, 0);
}

void draw_sprinkle(int x, int y, int colour) {
    TAVIX_draw_rectangle(colour, x, y, x + 10, y + 3, 0);
}

void draw_confetti(int x, int y) {
    // New pixels at every drawing, within the 20 x 20 square above and right of (x, y).
    // Three rand() calls per pixel, in this order: y offset, x offset, colour.
    for (int p = 0; p < 20; ++p) {
        int r1 = rand();
        int r2 = rand();
        int r3 = rand();
        TAVIX_draw_pixel(r3 % 24, x + r2 % 20, y + r1 % 20);
    }
}

void draw_toppings(const int *topping_x, const int *topping_y, const int *topping_kind,
                   const int *topping_color, int topping_count) {
    for (int k = 0; k < topping_count; ++k) {
        int x = topping_x[k];
        int y = topping_y[k];
        switch (topping_kind[k]) {
            case TOPPING_MM:
                draw_mm(x, y, topping_color[k]);
                break;
            case TOPPING_NUT:
                draw_nut(x, y, topping_color[k]);
                break;
            case TOPPING_SPRINKLE:
                draw_sprinkle(x, y, topping_color[k]);
                break;
            case TOPPING_CONFETTI:
                draw_confetti(x, y);
                break;
            default:
                TAVIX_draw_formatted(WHITE, x - 2, y - 2, 9, "Oops");
                break;
        }
    }
}

void draw_bites(const int *bite_x, const int *bite_y, int bite_count) {
    // Background-coloured, so each bite reads as a ragged hole in whatever lies beneath.
    static const int bite_circles[7][3] = {
        {0, 0, 20}, {5, 10, 10}, {-5, -20, 10}, {8, 0, 10}, {0, 15, 10}, {5, -10, 10}, {-5, 9, 10},
    };
    for (int b = 0; b < bite_count; ++b) {
        for (const auto &c : bite_circles)
            TAVIX_draw_circle(BLACK, shifted(bite_x[b], c[0]), shifted(bite_y[b], c[1]), c[2]);
    }
}

void draw_buttons(void) {
    for (int i = 0; i < 8; ++i)
        TAVIX_draw_rectangle(BLUE, -295, 245 - 25 * i, -185, 220 - 25 * i, 1);
    TAVIX_draw_formatted(GREEN, -285, 227, 12, "Add Scoop");
    TAVIX_draw_formatted(RED, -285, 202, 12, "Remove Scoop");
    TAVIX_draw_formatted(WHITE, -285, 177, 12, "Add Topping");
    TAVIX_draw_formatted(WHITE, -285, 152, 12, "Change Topping");
    TAVIX_draw_formatted(WHITE, -285, 127, 12, "Change Color");
    TAVIX_draw_formatted(WHITE, -285, 102, 12, "Select Topping");
    TAVIX_draw_formatted(WHITE, -285, 77, 12, "Change Scoop Color");
    TAVIX_draw_formatted(SEA_GREEN, -285, 52, 12, "LET'S EAT!!!");
}

void draw_status(int mode) {
    switch (mode) {
        case MODE_ADD_TOPPING:
            TAVIX_draw_formatted(BLUE, -130, -215, 18, "Click on the cone to add a topping");
            break;
        case MODE_SELECT_TOPPING:
            TAVIX_draw_formatted(RED, -130, -215, 13,
                                 "Click close to the center of a topping to select it.");
            break;
        case MODE_TOPPING_SELECTED:
            TAVIX_draw_formatted(
                RED, -130, -215, 13,
                "Topping selected. Click cone to move it, or a button to alter it.");
            break;
        case MODE_EAT:
            TAVIX_draw_formatted(RED, -150, -215, 18,
                                 "TIME TO PIG OUT!!!!! Click to eat your cone!");
            break;
        case MODE_CHOOSE_COLOR:
            TAVIX_draw_formatted(RED, -130, -215, 13,
                                 "Choose a color from the color circles on the right.");
            break;
        case MODE_CHOOSE_TYPE:
            TAVIX_draw_formatted(RED, -130, -215, 13,
                                 "Choose a topping type from the types on the left.");
            break;
        default:
            TAVIX_draw_formatted(BLACK, -130, -215, 18,
                                 "Status error -- this status code not implemented");
            break;
    }
}

void draw_palette(int *palette_x, int *palette_y) {
    TAVIX_draw_formatted(WHITE, 242, 232, 14, "Colors");
    for (int i = 1; i < PALETTE_SLOTS; ++i) {
        TAVIX_draw_circle(i, 260, 226 - 19 * (i - 1), 6);
        // The click box is centred 4 above the drawn circle.
        palette_x[i] = 260;
        palette_y[i] = 230 - 19 * (i - 1);
    }
}

void light_centre(int j, int *x, int *y) {
    if (j < 8) {  // left column, upwards
        *x = -135;
        *y = -170 + 56 * j;
    } else if (j < 12) {  // top row, left to right
        *x = -77 + 58 * (j - 8);
        *y = 222;
    } else {  // right column, downwards
        *x = 155;
        *y = 222 - 56 * (j - 12);
    }
}

void draw_lights(const int *light_color) {
    for (int j = 0; j < LIGHT_COUNT; ++j) {
        int x, y;
        light_centre(j, &x, &y);
        TAVIX_draw_circle(light_color[j], x, y, 20);
    }
}

void draw_samples(int *sample_x, int *sample_y) {
    TAVIX_draw_formatted(WHITE, -280, 10, 16, "Topppings");
    draw_mm(-250, -20, RED);
    sample_x[TOPPING_MM] = -250;
    sample_y[TOPPING_MM] = -20;
    TAVIX_draw_formatted(RED, -270, -50, 14, "M & M");
    draw_nut(-250, -70, BROWN);
    sample_x[TOPPING_NUT] = -250;
    sample_y[TOPPING_NUT] = -70;
    TAVIX_draw_formatted(BROWN, -260, -100, 14, "Nut");
    draw_sprinkle(-255, -120, YELLOW);
    sample_x[TOPPING_SPRINKLE] = -255;
    sample_y[TOPPING_SPRINKLE] = -120;
    TAVIX_draw_formatted(YELLOW, -270, -150, 14, "Sprinkle");
    draw_confetti(-260, -180);
    sample_x[TOPPING_CONFETTI] = -260;
    sample_y[TOPPING_CONFETTI] = -180;
    TAVIX_draw_formatted(ORANGE, -270, -205, 14, "Confetti");
}

// Red closes off the palette column, blue the samples column below the button panel.
void draw_frame(void) {
    TAVIX_draw_line(RED, 230, 245, 230, -210, 1);
    TAVIX_draw_line(RED, 230, -210, 300, -210, 1);
    TAVIX_draw_line(BLUE, -185, 45, -185, -215, 1);
    TAVIX_draw_line(BLUE, -185, -215, -295, -215, 1);
}

void draw_scene(ConeState *state) {
    draw_background();
    draw_scoops(state->scoop_count, state->scoop_color);
    draw_cone();
    draw_toppings(state->topping_x, state->topping_y, state->topping_kind, state->topping_color,
                  state->topping_count);
    draw_bites(state->bite_x, state->bite_y, state->bite_count);
    draw_buttons();
    draw_status(state->mode);
    draw_palette(state->palette_x, state->palette_y);
    draw_lights(state->light_color);
    draw_samples(state->sample_x, state->sample_y);
    draw_frame();
}
