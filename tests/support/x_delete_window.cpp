// Asks an X window to close as a window manager does: the WM_DELETE_WINDOW message of the
// WM_PROTOCOLS protocol, sent to the window whatever state it is in.
//   x_delete_window <window id>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    Display *display = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        fprintf(stderr, "usage: x_delete_window <window id> (with DISPLAY set)\n");
        return 2;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = strtoul(argv[1], nullptr, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
