// The cone decorator's one state record and the routines that read and change it: the main loop
// (main_loop.cpp), the scene drawing (scene.cpp) and the click handling (buttons.cpp).
// Everything is in library coordinates: origin at the window centre, y upwards.
#ifndef TAVIX_DECORATOR_STATE_H
#define TAVIX_DECORATOR_STATE_H

#include "library/tavix.h"

#define MAX_SCOOPS 3
#define MAX_TOPPINGS 10
#define MAX_BITES 100
#define LIGHT_COUNT 20
#define PALETTE_SLOTS 24  // colours 1..23 have a circle; slot 0 stays unused
#define SAMPLE_COUNT 4

// The scoops are discs on the y axis; the bottom one's centre is level with the cone's rim.
#define SCOOP_RADIUS 57
#define BOTTOM_SCOOP_Y 25
#define MIDDLE_SCOOP_Y 82
#define TOP_SCOOP_Y 139

// What a click on the cone side of the window does next.
#define MODE_ADD_TOPPING 1
#define MODE_SELECT_TOPPING 2
#define MODE_TOPPING_SELECTED 3
#define MODE_EAT 4
#define MODE_CHOOSE_COLOR 5
#define MODE_CHOOSE_TYPE 6

#define TOPPING_MM 0
#define TOPPING_NUT 1
#define TOPPING_SPRINKLE 2
#define TOPPING_CONFETTI 3

struct ConeState {
    int scoop_count;              // scoops shown, 1..3
    int scoop_color[MAX_SCOOPS];  // colour index 1..24: [0] bottom, [1] middle, [2] top
    int topping_count;            // toppings in use, 0..10, in the order they were added
    int topping_x[MAX_TOPPINGS];  // point of each topping
    int topping_y[MAX_TOPPINGS];
    int topping_kind[MAX_TOPPINGS];   // TOPPING_MM .. TOPPING_CONFETTI
    int topping_color[MAX_TOPPINGS];  // colour index; confetti ignores it
    int selected_topping;             // slot that moving, recolouring and retyping act on, 0..9
    int mode;                         // MODE_ADD_TOPPING .. MODE_CHOOSE_TYPE
    int bite_count;                   // bites stored, 0..MAX_BITES
    int bite_x[MAX_BITES];            // centre of each bite, in the order of the clicks
    int bite_y[MAX_BITES];
    int light_color[LIGHT_COUNT];  // colour index 0..24 of each marquee light; BLACK is out
    int light_cursor;              // the light lit last, 0..19
    int palette_x[PALETTE_SLOTS];  // hit centre of palette circle i, recorded when drawn
    int palette_y[PALETTE_SLOTS];
    int sample_x[SAMPLE_COUNT];  // point of the sample of each topping kind, when drawn
    int sample_y[SAMPLE_COUNT];
    int done;  // the quit event has arrived (0/1)
};

// ---- Main loop (main_loop.cpp) ---------------------------------------------------------------
int decorator_main(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                   int show_mode);
void seed_random(void);
// The state before the library opens; the scoop colours are drawn later, by start_cone.
void reset_cone(ConeState *state);
// The start-up's random part: scoop colours (top first), all lights out, not done.
void start_cone(ConeState *state);
// One event of the loop: the state change its code calls for, then the full redraw.
void handle_event(ConeState *state, int code, int x, int y);
void advance_marquee(ConeState *state);

// ---- Scene (scene.cpp), in the order draw_scene calls its parts --------------------------------
void draw_scene(ConeState *state);
void draw_background(void);
void draw_scoops(int scoop_count, const int *scoop_color);
void draw_cone(void);
void draw_toppings(const int *topping_x, const int *topping_y, const int *topping_kind,
                   const int *topping_color, int topping_count);
void draw_mm(int x, int y, int colour);
void draw_nut(int x, int y, int colour);
void draw_sprinkle(int x, int y, int colour);
void draw_confetti(int x, int y);  // 60 rand() calls
void draw_bites(const int *bite_x, const int *bite_y, int bite_count);
void draw_buttons(void);
void draw_status(int mode);
void draw_palette(int *palette_x, int *palette_y);  // records each circle's hit centre
// Where light j of the marquee is drawn.
void light_centre(int j, int *x, int *y);
void draw_lights(const int *light_color);
void draw_samples(int *sample_x, int *sample_y);  // records each sample's point
void draw_frame(void);

// ---- Clicks (buttons.cpp) --------------------------------------------------------------------
int in_button_panel(int x, int y);
void press_button(ConeState *state, int x, int y);
void report_bad_button(void);
int on_scoops(int x, int y, int scoop_count);
void click_cone(ConeState *state, int x, int y);
// Each gives 1 and fills *found when the point hits; else 0.
int pick_topping(int x, int y, const ConeState *state, int *slot);
int pick_color(int x, int y, const ConeState *state, int *colour);
int pick_type(int x, int y, const ConeState *state, int *kind);

#endif
