/* A sprite game: steer a turning ship round the screen and catch the coins.
 *
 * Left and right turn the ship, up thrusts it forward. The ship's four frames (the flame
 * flickering behind it) are drawn once, off screen, into one sprite sheet; each frame the right
 * cell is cut out, turned to the ship's heading and laid on the picture. The game runs at 60
 * frames a second whatever the machine: TAVIX_frame waits out the rest of each frame. Escape
 * starts again; Ctrl+Q quits. */
#include <tavix.h>

#define CELL 32  /* one frame of the sheet: 32 x 32 pixels */
#define FRAMES 4 /* frames side by side in the sheet */
#define COIN 9   /* radius of a coin */

/* The sheet: FRAMES cells, each a ship pointing right (0 degrees), the first without a flame,
 * the others with flames of their own lengths. In an image (0, 0) is its centre pixel, so cell i's
 * centre is at x = CELL * i + 16 - CELL * FRAMES / 2. */
static int make_sheet(void) {
    int sheet = TAVIX_create_image(CELL * FRAMES, CELL);
    int i, before = TAVIX_draw_into(sheet);
    for (i = 0; i < FRAMES; i++) {
        int cx = CELL * i + CELL / 2 - CELL * FRAMES / 2, flame = 2 + 2 * (i % 2) + i;
        int fire = TAVIX_rgba(255, 140, 0, 200);
        if (i > 0) TAVIX_draw_triangle(fire, cx - 8, 4, cx - 8, -4, cx - 8 - flame, 0, 0);
        TAVIX_draw_triangle(CHALK, cx - 9, 9, cx - 9, -9, cx + 13, 0, 0);
        TAVIX_draw_triangle(BLACK, cx - 9, 9, cx - 9, -9, cx + 13, 0, 1);
        TAVIX_draw_circle(ICE_BLUE, cx + 1, 0, 3);
    }
    TAVIX_draw_into(before);
    return sheet;
}

/* A deterministic sine and cosine for whole degrees, from a table of the first quarter times
 * 1000, so the ship flies the same everywhere. */
static int sine_1000(int degrees) {
    static const short quarter[91] = {
        0,   17,  35,  52,  70,  87,  105, 122, 139, 156,  174, 191, 208, 225, 242, 259,
        276, 292, 309, 326, 342, 358, 375, 391, 407, 423,  438, 454, 469, 485, 500, 515,
        530, 545, 559, 574, 588, 602, 616, 629, 643, 656,  669, 682, 695, 707, 719, 731,
        743, 755, 766, 777, 788, 799, 809, 819, 829, 839,  848, 857, 866, 875, 883, 891,
        899, 906, 914, 921, 927, 934, 940, 946, 951, 956,  961, 966, 970, 974, 978, 982,
        985, 988, 990, 993, 995, 996, 998, 999, 999, 1000, 1000};
    degrees = ((degrees % 360) + 360) % 360;
    if (degrees <= 90) return quarter[degrees];
    if (degrees <= 180) return quarter[180 - degrees];
    if (degrees <= 270) return -quarter[degrees - 180];
    return -quarter[360 - degrees];
}

int main(void) {
    TAVIX_Event event;
    int sheet, ship, before, heading = 90, frame = 0, score = 0, coin_x, coin_y;
    long x = 0, y = 0, vx = 0, vy = 0; /* position and speed in thousandths of a pixel */

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    sheet = make_sheet();
    ship = TAVIX_create_image(CELL, CELL);
    coin_x = TAVIX_random(500) - 250;
    coin_y = TAVIX_random(400) - 200;
    for (;;) {
        int quit = 0, thrust;
        while (TAVIX_poll(&event)) {
            if (event.type == TAVIX_QUIT) quit = 1;
            if (event.type == TAVIX_KEY_DOWN && event.key == TAVIX_KEY_ESCAPE) {
                x = y = vx = vy = 0;
                heading = 90;
                score = 0;
            }
        }
        if (quit) break;
        heading += 4 * (TAVIX_key_down(TAVIX_KEY_LEFT) - TAVIX_key_down(TAVIX_KEY_RIGHT));
        thrust = TAVIX_key_down(TAVIX_KEY_UP);
        if (thrust) {
            vx += 60 * sine_1000(heading + 90) / 1000;
            vy += 60 * sine_1000(heading) / 1000;
        }
        vx = vx * 99 / 100;
        vy = vy * 99 / 100;
        x += vx;
        y += vy;
        /* Off one edge, on at the other. */
        if (x > 300000) x -= 600000;
        if (x < -300000) x += 600000;
        if (y > 250000) y -= 500000;
        if (y < -250000) y += 500000;
        if (TAVIX_circles_overlap((int)(x / 1000), (int)(y / 1000), 12, coin_x, coin_y, COIN)) {
            score++;
            coin_x = TAVIX_random(500) - 250;
            coin_y = TAVIX_random(400) - 200;
        }

        TAVIX_clear_window();
        TAVIX_draw_rectangle(NAVY_BLUE, -300, 250, 300, -250, 0);
        TAVIX_draw_circle(GOLD, coin_x, coin_y, COIN);
        TAVIX_draw_formatted(WHITE, -280, 220, 20, "Coins: %d", score);
        /* The sheet's cell of this frame (a flickering flame while thrusting) copied into
         * the ship's own image, whose upper-left pixel is (-16, 16); that image is then turned to
         * the heading about its centre. */
        frame = thrust ? 1 + frame % (FRAMES - 1) : 0;
        before = TAVIX_draw_into(ship);
        TAVIX_clear_window(); /* drawing into an image: it becomes transparent again */
        TAVIX_draw_image_part(sheet, CELL * frame, 0, CELL, CELL, -CELL / 2, CELL / 2);
        TAVIX_draw_into(before);
        TAVIX_draw_image_transformed(ship, (int)(x / 1000), (int)(y / 1000), 1.0, heading, 0);
        TAVIX_frame(60);
    }
    TAVIX_finish();
    return 0;
}
