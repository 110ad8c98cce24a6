// A client that makes sound as its command line says, built for Linux and for Windows: each word
// is one step, taken in order after TAVIX_start, and TAVIX_finish follows the last.
//   load=PATH   TAVIX_load_sound; prints "LOADED <number>"
//   play=N      TAVIX_play_sound(N)      free=N   TAVIX_free_sound(N)
//   beep=F,MS   TAVIX_beep(F, MS)        stop     TAVIX_stop_sounds()
//   tick        waits for one periodic event (one step of the animation)
//   wait, poll  the same through TAVIX_wait, or TAVIX_poll until it comes
//   interval=MS TAVIX_set_tick(MS)       delay=MS TAVIX_delay(MS)
// Prints "DONE" at the end; the exit status is 0.
#include "library/tavix.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_set_logging(0);
    static char words[4096];
    snprintf(words, sizeof words, "%s", command_line ? command_line : "");
    for (char *word = strtok(words, " \t"); word; word = strtok(nullptr, " \t")) {
        int a = 0, b = 0;
        if (strncmp(word, "load=", 5) == 0)
            printf("LOADED %d\n", TAVIX_load_sound(word + 5));
        else if (sscanf(word, "play=%d", &a) == 1)
            TAVIX_play_sound(a);
        else if (sscanf(word, "free=%d", &a) == 1)
            TAVIX_free_sound(a);
        else if (sscanf(word, "beep=%d,%d", &a, &b) == 2)
            TAVIX_beep(a, b);
        else if (strcmp(word, "stop") == 0)
            TAVIX_stop_sounds();
        else if (strcmp(word, "tick") == 0) {
            int x, y;
            char key;
            TAVIX_set_animation(TAVIX_ANIM_STEP);
            int code;
            do code = TAVIX_next_event(&x, &y, &key);
            while (code != TAVIX_PERIODIC && code != TAVIX_QUIT);
        } else if (strcmp(word, "wait") == 0 || strcmp(word, "poll") == 0) {
            TAVIX_Event event;
            TAVIX_set_animation(TAVIX_ANIM_STEP);
            int code;
            do code = word[0] == 'w' ? TAVIX_wait(&event) : TAVIX_poll(&event);
            while (code != TAVIX_PERIODIC && code != TAVIX_QUIT);
        } else if (sscanf(word, "interval=%d", &a) == 1)
            TAVIX_set_tick(a);
        else if (sscanf(word, "delay=%d", &a) == 1)
            TAVIX_delay(a);
        else
            printf("UNKNOWN %s\n", word);
        fflush(stdout);
    }
    TAVIX_finish();
    printf("DONE\n");
    fflush(stdout);
    return 0;
}
