// main() for programs written against WinMain: joins the arguments into the command line that
// Windows would hand over (everything after the program's name) and starts the program shown.
#include "platform/win32.h"

#include <string>

int main(int argc, char **argv) {
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    // The instance handle only has to be non-null and stable; nothing dereferences it.
    static int module_marker;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&module_marker);
    return WinMain(instance, nullptr, &command_line[0], SW_SHOWNORMAL);
}
