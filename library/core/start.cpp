// Opening and closing the library: the two window classes, the graphics and console windows, the
// back buffer every drawing call paints into, and the 100 ms animation timer; the settings from
// the environment are read first and a snapshot is saved last (or at the exit, core/exit.cpp).
#include "library/core/state.h"
#include "library/draw/raster.h"

static void register_window_classes(HINSTANCE instance) {
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // One brush for both classes; it lives as long as the classes do, that is to the end.
    window_class.hbrBackground = CreateSolidBrush(library_state.draw.colours[WHITE]);
    // No menu resource of this name exists, so neither window gets a class menu.
    window_class.lpszMenuName = "generic";

#ifdef _WIN32
    // The graphics window is a Unicode one, so that characters past the code page reach it.
    WNDCLASSW wide_class = {};
    wide_class.style = window_class.style;
    wide_class.hInstance = instance;
    wide_class.hIcon = window_class.hIcon;
    wide_class.hCursor = window_class.hCursor;
    wide_class.hbrBackground = window_class.hbrBackground;
    wide_class.lpszMenuName = L"generic";
    wide_class.lpfnWndProc = graphics_window_proc;
    wide_class.lpszClassName = L"DrawWndClass";
    RegisterClassW(&wide_class);
#else
    window_class.lpfnWndProc = graphics_window_proc;
    window_class.lpszClassName = "DrawWndClass";
    RegisterClassA(&window_class);
#endif

    window_class.lpfnWndProc = console_window_proc;
    window_class.lpszClassName = "TextWndClass";
    RegisterClassA(&window_class);
}

int library_finished(const char *call) {
    if (!library_state.life.finished) return 0;
    TAVIX_console_printf("%s after TAVIX_finish does nothing: the library is finished\n", call);
    return 1;
}

int TAVIX_start(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                int show_mode) {
    (void)command_line;
    // A second pair of windows would orphan the first, and with it the picture drawn so far.
    if (library_state.window.graphics) {
        TAVIX_console_printf("TAVIX_start again does nothing: the library is already open\n");
        return 1;
    }
#ifdef _WIN32
    // A program that starts from plain main() has no instance handle to give: use the program's.
    if (!instance) instance = GetModuleHandleA(nullptr);
#endif
    read_settings();
    watch_exit();
    if (!previous_instance) register_window_classes(instance);

    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    int screen_height = GetSystemMetrics(SM_CYSCREEN);

    library_state.events.running = 0;
    library_state.events.single_step = 0;

    // The window is as large as the picture, frame, caption and menu bar included, so that it
    // shows the picture's top left; a picture of a size the program chose is shown whole.
    int window_width = library_state.picture.width, window_height = library_state.picture.height;
    if (library_state.picture.chosen) {
        window_width += 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
        window_height += 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                         GetSystemMetrics(SM_CYMENU);
    }
    // Creating the graphics window runs its WM_CREATE, which builds the Run menu bar.
#ifdef _WIN32
    // Its title is UTF-8, as on every other system (TAVIX_set_title keeps it so).
    WCHAR title[256 + 1];
    if (!MultiByteToWideChar(CP_UTF8, 0, window_title(), -1, title, 256 + 1)) title[0] = 0;
    library_state.window.graphics =
        CreateWindowExW(0, L"DrawWndClass", title, WS_CAPTION | WS_SYSMENU, 0, 0, window_width,
                        window_height, nullptr, nullptr, instance, nullptr);
#else
    library_state.window.graphics =
        CreateWindowExA(0, "DrawWndClass", window_title(), WS_CAPTION | WS_SYSMENU, 0, 0,
                        window_width, window_height, nullptr, nullptr, instance, nullptr);
#endif
    // Across the bottom third of the screen; the divisions truncate as written, so for a height
    // divisible by 3 the last row lies one pixel below the screen.
    library_state.window.console = CreateWindowExA(
        0, "TextWndClass", "TAVIX Text", WS_OVERLAPPEDWINDOW, 0, (2 * screen_height) / 3 + 1,
        screen_width, screen_height / 3, nullptr, nullptr, instance, nullptr);

    library_state.window.graphics_dc = GetDC(library_state.window.graphics);
    library_state.window.buffer_bitmap =
        CreateCompatibleBitmap(library_state.window.graphics_dc, library_state.picture.width,
                               library_state.picture.height);
    library_state.window.buffer_dc = CreateCompatibleDC(library_state.window.graphics_dc);
    SelectObject(library_state.window.buffer_dc, library_state.window.buffer_bitmap);

    // The graphics window is shown last so that it ends up in front with the keyboard focus; its
    // first showing reports its size, which sets the origin.
    ShowWindow(library_state.window.console, show_mode);
    ShowWindow(library_state.window.graphics, show_mode);

    library_state.clock.start_tick = GetTickCount();
    SetTimer(library_state.window.graphics, TAVIX_TIMER_ID, library_state.clock.tick_period,
             nullptr);
    apply_settings();
    apply_screen_choices();
    return 1;
}

int TAVIX_finish(void) {
    if (library_finished("TAVIX_finish")) return 1;
    take_snapshot();
    draw_console_batch();
    release_shape_objects();
    ReleaseDC(library_state.window.graphics, library_state.window.graphics_dc);
    // A released context may be handed to another window; forget it so that a later paint or
    // present copies nowhere instead of into a stranger.
    library_state.window.graphics_dc = nullptr;
    close_script();
    finish_sound();
    // Only an open library is finished: a finish before the start leaves the start to come.
    if (library_state.window.graphics) library_state.life.finished = 1;
    return 1;
}

int TAVIX_show_console(int show) {
    // Before TAVIX_start there is no console window and nothing happens (a null window would
    // otherwise be taken for the desktop by some calls).
    if (!library_state.window.console || library_finished("TAVIX_show_console")) return 0;
    draw_console_batch();
    return ShowWindow(library_state.window.console, show ? SW_SHOW : SW_HIDE);
}
