/* A game steered with the arrow keys: hold them down to fly, two at once to fly diagonally.
 *
 * Catch the gold stars before the minute is up. The ship moves at the same speed however fast the
 * machine is, because each tick it moves by the time that has passed (TAVIX_time), not by a fixed
 * step. Escape ends the round early; Ctrl+Q quits. */
#include <tavix.h>

#define SHIP 14          /* radius of the ship */
#define STAR 10          /* radius of a star */
#define SPEED 240        /* pixels a second */
#define ROUND_MS 60000   /* one round lasts a minute */

static int star_x, star_y;

static void place_star(void) {
    star_x = TAVIX_random(560) - 280;
    star_y = TAVIX_random(400) - 230;
}

static void draw_scene(int ship_x, int ship_y, int score, long left_ms, int over) {
    TAVIX_clear_window();
    TAVIX_draw_rectangle(NAVY_BLUE, -296, 247, 296, -247, 0);
    TAVIX_draw_rectangle(GRAY_20, -296, 247, 296, 212, 0);
    TAVIX_draw_formatted(BLACK, -280, 220, 20, "Stars: %d", score);
    TAVIX_draw_formatted(BLACK, 120, 220, 20, "Time: %ld s", (left_ms + 999) / 1000);
    TAVIX_draw_circle(GOLD, star_x, star_y, STAR);
    TAVIX_draw_triangle(ORANGE, ship_x - SHIP, ship_y - SHIP, ship_x + SHIP, ship_y - SHIP, ship_x,
                        ship_y + SHIP, 0);
    TAVIX_draw_circle(CHALK, ship_x, ship_y, 3);
    if (over) TAVIX_draw_formatted(WHITE, -110, 20, 36, "%d stars!", score);
}

int main(void) {
    TAVIX_Event event;
    int ship_x = 0, ship_y = 0, score = 0, over = 0;
    long start, last;
    /* Position in thousandths of a pixel, so that slow ticks still add up. */
    long fine_x = 0, fine_y = 0;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_set_tick(20); /* 50 frames a second */
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    place_star();
    start = last = TAVIX_time();
    draw_scene(ship_x, ship_y, score, ROUND_MS, over);

    while (TAVIX_wait(&event) != TAVIX_QUIT) {
        if (event.type == TAVIX_KEY_DOWN && event.key == TAVIX_KEY_ESCAPE) over = 1;
        if (event.type != TAVIX_PERIODIC || over) {
            if (over) { /* the round is over: the last picture stays */
                TAVIX_set_animation(TAVIX_ANIM_HALT);
                draw_scene(ship_x, ship_y, score, 0, over);
            }
            continue;
        }
        long now = TAVIX_time();
        long step = (now - last) * SPEED; /* thousandths of a pixel this tick */
        last = now;
        fine_x += (TAVIX_key_down(TAVIX_KEY_RIGHT) - TAVIX_key_down(TAVIX_KEY_LEFT)) * step;
        fine_y += (TAVIX_key_down(TAVIX_KEY_UP) - TAVIX_key_down(TAVIX_KEY_DOWN)) * step;
        if (fine_x > 280000) fine_x = 280000;
        if (fine_x < -280000) fine_x = -280000;
        if (fine_y > 195000) fine_y = 195000;
        if (fine_y < -230000) fine_y = -230000;
        ship_x = (int)(fine_x / 1000);
        ship_y = (int)(fine_y / 1000);

        int dx = ship_x - star_x, dy = ship_y - star_y;
        if (dx * dx + dy * dy <= (SHIP + STAR) * (SHIP + STAR)) {
            score++;
            place_star();
        }
        if (now - start >= ROUND_MS) over = 1;
        draw_scene(ship_x, ship_y, score, over ? 0 : ROUND_MS - (now - start), over);
        if (over) TAVIX_set_animation(TAVIX_ANIM_HALT);
    }
    TAVIX_finish();
    return 0;
}
