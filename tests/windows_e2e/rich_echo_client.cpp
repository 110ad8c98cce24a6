// The richer wait's client built for Linux and for Windows from this one file: it clears the
// picture, prints READY and then every event of TAVIX_wait as a RICH line (rich_echo.h) until
// quit, so that the two builds can be given the same real input and their lines compared. With
// "pads" on its command line it opens and reads the gamepads first, and after each event prints
// what pad 0 reads: "PAD <buttons held, bit n button n> <axes 0 to 5>". With "fullscreen" it
// asks for full screen at the start, and again on 'f', and for the window back on 'w':
// "FULLSCREEN <asked> <answer>". With "text" it asks for typed text (on Windows, first printing a
// UTF-8 title read back: "TITLE <title>"); with "full" a 200 x 150 picture, its top-left 2 x 2
// pixels red, covers the screen.
#include "library/tavix.h"

#include "tests/programs/rich_echo.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstring>

// Whether the command line holds word, as a whole word.
static bool asked(const char *command_line, const char *word) {
    size_t length = strlen(word);
    for (const char *at = command_line; at && (at = strstr(at, word)); at += length)
        if ((at == command_line || at[-1] == ' ') && (at[length] == 0 || at[length] == ' '))
            return true;
    return false;
}

static void print_pad(const TAVIX_Event &) {
    int held = 0;
    for (int button = 0; button < 14; button++) held |= TAVIX_gamepad_button(0, button) << button;
    printf("PAD %d", held);
    for (int axis = 0; axis < 6; axis++) printf(" %d", TAVIX_gamepad_axis(0, axis));
    printf("\n");
    fflush(stdout);
}

static void set_fullscreen(int on) {
    printf("FULLSCREEN %d %d\n", on, TAVIX_set_fullscreen(on));
    fflush(stdout);
}

static void fullscreen_keys(const TAVIX_Event &e) {
    if (e.type == TAVIX_KBD && (e.key == 'f' || e.key == 'w')) set_fullscreen(e.key == 'f');
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    bool full = asked(command_line, "full");
    if (full) TAVIX_set_picture_size(200, 150);
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();
    if (asked(command_line, "text")) {
        TAVIX_set_utf8(1);
#ifdef _WIN32
        // A title is UTF-8 here too: "TITLE <the window's title as Windows holds it>".
        TAVIX_set_title("Caf\xC3\xA9 \xE2\x82\xAC");
        WCHAR title[64] = {0};
        char back[64] = {0};
        GetWindowTextW(FindWindowW(L"DrawWndClass", nullptr), title, 64);
        WideCharToMultiByte(CP_UTF8, 0, title, -1, back, sizeof back, nullptr, nullptr);
        printf("TITLE %s\n", back);
        TAVIX_set_title("TAVIX Graphics");
#endif
    }
    if (full) {
        TAVIX_draw_rectangle(RED, -100, 75, -99, 74, 0);
        printf("FULL %d\n", TAVIX_set_fullscreen(1));
    }
    printf("READY\n");
    // "pads": the gamepads are opened and read first (none is connected where the tests run).
    if (asked(command_line, "pads"))
        printf("PADS %d %d %d\n", TAVIX_gamepad_button(0, TAVIX_PAD_A),
               TAVIX_gamepad_axis(3, TAVIX_AXIS_RIGHT_TRIGGER), TAVIX_gamepad_axis(4, 0));
    fflush(stdout);
    void (*after)(const TAVIX_Event &) = nullptr;
    if (asked(command_line, "pads")) after = print_pad;
    if (asked(command_line, "fullscreen")) {
        set_fullscreen(1);
        after = fullscreen_keys;
    }
    echo_rich_events_until_quit(after);
    TAVIX_finish();
    return 0;
}
