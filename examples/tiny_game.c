/* A tiny game: shapes, text, ticks, the mouse and the keyboard together.
 *
 * A target wanders across the window. Click it to score; every click that misses costs a point.
 * Press 'f' to make it faster, 's' to make it slower. The game ends at 10 points. */
#include <tavix.h>
#include <stdlib.h>

#define RADIUS 25

static void draw_score(int score) {
    TAVIX_draw_rectangle(WHITE, -296, 247, 296, 205, 0);
    TAVIX_draw_formatted(BLACK, -280, 215, 24, "Score: %d", score);
}

int main(void) {
    int target_x = -200, target_y = 0, speed_x = 8, speed_y = 5;
    int score = 0, won = 0, x, y, event;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    draw_score(score);

    while ((event = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT) {
        if (event == TAVIX_PERIODIC) { /* move the target */
            TAVIX_draw_circle(WHITE, target_x, target_y, RADIUS);
            target_x += speed_x;
            target_y += speed_y;
            if (abs(target_x) > 297 - RADIUS) speed_x = -speed_x;
            if (target_y > 200 - RADIUS || target_y < -247 + RADIUS) speed_y = -speed_y;
        } else if (event == TAVIX_MOUSE) { /* a hit is a click within the circle */
            int dx = x - target_x, dy = y - target_y;
            score += dx * dx + dy * dy <= RADIUS * RADIUS ? 1 : -1;
            draw_score(score);
        } else if (event == TAVIX_KBD) {
            if (key == 'f' && abs(speed_x) < 30) speed_x += speed_x > 0 ? 2 : -2;
            if (key == 's' && abs(speed_x) > 2) speed_x -= speed_x > 0 ? 2 : -2;
        }
        TAVIX_draw_circle(RED, target_x, target_y, RADIUS);
        TAVIX_draw_circle(WHITE, target_x, target_y, RADIUS - 8);
        TAVIX_draw_circle(RED, target_x, target_y, RADIUS - 16);

        if (score >= 10 && !won) {
            TAVIX_set_animation(TAVIX_ANIM_HALT);
            TAVIX_draw_text(FOREST_GREEN, -90, 0, 40, "You win!");
            TAVIX_console_printf("You win! Close the window to end.\n");
            won = 1;
        }
    }
    TAVIX_finish();
    return 0;
}
