// The program's entry: Windows (or the platform layer's main) hands over the four start-up
// values, and the cone decorator runs to the end.
#include "decorator/state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    return decorator_main(instance, previous, command_line, show);
}
