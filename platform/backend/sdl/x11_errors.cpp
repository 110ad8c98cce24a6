// X errors about windows that no longer exist. While it blocks for events, SDL sends a wake-up
// message (XSendEvent, through a second connection of its own) to the window it created last
// each time it queues an event. The server serves its connections in its own order: when the
// queued event is a close request and the layer destroys that window at once (a hidden window
// goes without the round trip that hiding a shown one takes), the destroy is often served first;
// a window destroyed by another client (`xdotool windowclose`) is still the target of every
// wake-up. The server then answers BadWindow, and Xlib's default handler, which SDL passes every
// error on to, ends the program. Such an error only says that a request reached a window that is
// gone; it is let pass, and every other error goes on as before.
// Xlib's names clash with the Windows ones (BOOL): its header includes neither.
#include "platform/backend/sdl/x11_errors.h"

#ifdef TAVIX_HAVE_X11
#include <X11/Xlib.h>

namespace {

XErrorHandler previous_handler;

int on_x_error(Display *display, XErrorEvent *error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return previous_handler ? previous_handler(display, error) : 0;
}

}  // namespace

void sdl_x11_tolerate_dead_windows() {
    XErrorHandler current = XSetErrorHandler(on_x_error);
    if (current != on_x_error) previous_handler = current;
}
#else
void sdl_x11_tolerate_dead_windows() {}
#endif
