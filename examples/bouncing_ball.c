/* A bouncing ball: animation ticks.
 *
 * TAVIX_set_animation(TAVIX_ANIM_RUN) makes the library send a TAVIX_PERIODIC event every
 * 100 ms. On each tick the program rubs out the ball, moves it, and draws it again; it beeps
 * when the ball bounces (TAVIX_beep returns at once: the tone plays while the ball moves on). The
 * Run menu (or Ctrl+H, Ctrl+A, Ctrl+F) halts, restarts and single-steps the animation. */
#include <tavix.h>

#define RADIUS 20

int main(void) {
    int ball_x = 0, ball_y = 100; /* the ball's centre */
    int step_x = 9, step_y = -7;  /* how far it moves on each tick */
    int x, y, event;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    TAVIX_set_animation(TAVIX_ANIM_RUN); /* a tick every 100 ms */
    TAVIX_draw_circle(RED, ball_x, ball_y, RADIUS);

    while ((event = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT) {
        if (event != TAVIX_PERIODIC) continue;

        TAVIX_draw_circle(WHITE, ball_x, ball_y, RADIUS); /* rub out the old ball */
        ball_x += step_x;
        ball_y += step_y;
        /* The visible part runs from x = -297 to 297 and from y = -247 to 248: bounce off it. */
        if (ball_x + RADIUS > 297 || ball_x - RADIUS < -297) {
            step_x = -step_x;
            TAVIX_beep(660, 60); /* the side walls */
        }
        if (ball_y + RADIUS > 248 || ball_y - RADIUS < -247) {
            step_y = -step_y;
            TAVIX_beep(440, 60); /* the floor and the ceiling */
        }
        TAVIX_draw_circle(RED, ball_x, ball_y, RADIUS);
    }
    TAVIX_finish();
    return 0;
}
