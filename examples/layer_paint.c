/* A paint program with see-through brushes, painting on a layer kept off screen.
 *
 * Drag with the left button to paint: each stroke is a see-through colour, so strokes that cross
 * show each other through. The strokes go into a transparent image (the layer), not onto the
 * picture; the picture is the paper with the layer laid over it, so the paper's grid shows through
 * the paint. The keys 1 to 6 choose the colour, the wheel the brush's width, + and - how
 * see-through it is; C clears the layer and S saves it, alpha and all, as layer.png. */
#include <tavix.h>

#define LAYER_WIDTH 592
#define LAYER_HEIGHT 440

static const int reds[6] = {0, 220, 30, 20, 250, 140};
static const int greens[6] = {0, 30, 80, 140, 150, 40};
static const int blues[6] = {0, 40, 220, 50, 0, 170};

static void draw_picture(int layer, int brush, int width, int alpha, const char *note) {
    int x, y;
    /* The paper: white with a light grid, which the see-through paint lets show. */
    TAVIX_draw_rectangle(WHITE, -296, 220, 295, -219, 0);
    for (x = -280; x < 296; x += 40) TAVIX_draw_line(ICE_BLUE, x, 220, x, -219, 0);
    for (y = -200; y < 220; y += 40) TAVIX_draw_line(ICE_BLUE, -296, y, 295, y, 0);
    /* The layer over it. In the image (0, 0) is the pixel LAYER_WIDTH / 2 from its left and
     * LAYER_HEIGHT / 2 from its top, so with its upper-left corner at (-LAYER_WIDTH / 2,
     * LAYER_HEIGHT / 2) every point of the layer lies on the same point of the picture. */
    TAVIX_draw_image(layer, -LAYER_WIDTH / 2, LAYER_HEIGHT / 2);
    TAVIX_draw_rectangle(GRAY_20, -296, 247, 296, 222, 0);
    TAVIX_draw_circle(brush, -280, 234, width / 2 + 1);
    TAVIX_draw_formatted(BLACK, -260, 227, 14,
                         "alpha %d  1-6 colour, wheel width, +/- alpha, C clear, S save  %s", alpha,
                         note);
}

int main(void) {
    TAVIX_Event event;
    int choice = 0, width = 12, alpha = 96, last_x = 0, last_y = 0;
    int layer, brush;
    const char *note = "";

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    layer = TAVIX_create_image(LAYER_WIDTH, LAYER_HEIGHT);
    brush = TAVIX_rgba(reds[choice], greens[choice], blues[choice], alpha);
    draw_picture(layer, brush, width, alpha, note);

    while (TAVIX_wait(&event) != TAVIX_QUIT) {
        int before = TAVIX_draw_into(layer); /* every drawing call below paints the layer */
        switch (event.type) {
            case TAVIX_MOUSE: /* a press starts a stroke where it happened */
                last_x = event.x;
                last_y = event.y;
                if (event.button == 1) TAVIX_draw_circle(brush, event.x, event.y, width / 2);
                break;
            case TAVIX_MOUSE_MOVE: /* while the left button is held, each move paints on */
                if (event.button & TAVIX_BUTTON_LEFT)
                    TAVIX_draw_line(brush, last_x, last_y, event.x, event.y, width);
                last_x = event.x;
                last_y = event.y;
                break;
            case TAVIX_WHEEL:
                width += event.button;
                if (width < 1) width = 1;
                if (width > 60) width = 60;
                break;
            case TAVIX_KEY_DOWN:
                if (event.key >= '1' && event.key <= '6') choice = event.key - '1';
                if (event.key == '+' || event.key == '=')
                    alpha = alpha + 32 > 255 ? 255 : alpha + 32;
                if (event.key == '-') alpha = alpha - 32 < 16 ? 16 : alpha - 32;
                if (event.key == 'C') TAVIX_clear_window(); /* the layer: transparent again */
                if (event.key == 'S')
                    note = TAVIX_save_image(layer, "layer.png") ? "saved layer.png" : "not saved";
                break;
        }
        TAVIX_draw_into(before);
        brush = TAVIX_rgba(reds[choice], greens[choice], blues[choice], alpha);
        draw_picture(layer, brush, width, alpha, note);
    }
    TAVIX_finish();
    return 0;
}
