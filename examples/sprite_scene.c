/* A small scene: a sun, hills and a house drawn with ellipses, arcs and polygons, and a sprite
 * read from a PNG file that floats across it with the animation. The sprite's soft edge is
 * blended over whatever lies behind it.
 *
 * Run it from the folder that holds sprite.png, or give the file's path:
 *   sprite_scene path/to/sprite.png
 * Every tick redraws the whole scene, then the sprite one step further on. */
#include <tavix.h>

static void draw_background(void) {
    int sky = TAVIX_rgb(150, 200, 255);
    int roof[6] = {40, 20, 150, 20, 95, 75};
    int tree[8] = {-200, -40, -170, 60, -140, -40, -170, -30};
    int i;

    TAVIX_draw_rectangle(sky, -300, 270, 300, -60, 0);
    /* The sun with rays: a disc and pie slices round it. */
    TAVIX_draw_ellipse(GOLD, 200, 180, 40, 40, 0);
    for (i = 0; i < 12; i++) TAVIX_draw_arc(YELLOW, 200, 180, 70, 70, 30 * i, 30 * i + 8, 0);
    TAVIX_draw_ellipse(GOLD, 200, 180, 40, 40, 0);
    /* Clouds: overlapping ellipses. */
    TAVIX_draw_ellipse(WHITE, -150, 170, 50, 22, 0);
    TAVIX_draw_ellipse(WHITE, -110, 185, 40, 25, 0);
    TAVIX_draw_ellipse(WHITE, -75, 168, 45, 20, 0);
    /* Hills: the top halves of two wide ellipses, green all the way down. */
    TAVIX_draw_arc(TAVIX_rgb(60, 160, 60), -150, -60, 260, 120, 0, 180, 0);
    TAVIX_draw_arc(TAVIX_rgb(40, 130, 50), 180, -60, 220, 90, 0, 180, 0);
    TAVIX_draw_rectangle(TAVIX_rgb(40, 130, 50), -300, -60, 300, -270, 0);
    /* A house: walls, a polygon roof, a round window outlined. */
    TAVIX_draw_rectangle(TAVIX_rgb(230, 210, 170), 50, 20, 140, -60, 0);
    TAVIX_draw_polygon(TAVIX_rgb(170, 60, 40), 3, roof, 0);
    TAVIX_draw_polygon(BLACK, 3, roof, 2);
    TAVIX_draw_ellipse(ICE_BLUE, 95, -10, 14, 14, 0);
    TAVIX_draw_ellipse(BROWN, 95, -10, 14, 14, 2);
    /* A tree: a trunk and a four-point crown. */
    TAVIX_draw_rectangle(BROWN, -175, -40, -165, -80, 0);
    TAVIX_draw_polygon(FOREST_GREEN, 4, tree, 0);
}

int main(int argc, char **argv) {
    int x, y, event, step = 0;
    char key;
    int sprite, width, height;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    sprite = TAVIX_load_image(argc > 1 ? argv[1] : "sprite.png");
    width = TAVIX_image_width(sprite);
    height = TAVIX_image_height(sprite);
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    do {
        /* Left to right and round again, bobbing up and down along a slow wave. */
        int sx = -300 + (step * 6) % (600 + width) - width;
        int sy = 120 + (step % 20 < 10 ? step % 20 : 20 - step % 20) * 4;
        TAVIX_clear_window();
        draw_background();
        if (sprite > 0)
            TAVIX_draw_image(sprite, sx, sy + height / 2);
        else
            TAVIX_draw_circle(RED, sx + 16, sy, 16); /* no sprite file: a red ball instead */
        event = TAVIX_next_event(&x, &y, &key);
        if (event == TAVIX_PERIODIC) step++;
    } while (event != TAVIX_QUIT);
    TAVIX_free_image(sprite);
    TAVIX_finish();
    return 0;
}
