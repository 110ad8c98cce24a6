// What the layer changes in SDL's X connection.
//
// X errors about windows that no longer exist. While it blocks for events, SDL sends a wake-up
// message (XSendEvent, through a second connection of its own) to the window it created last
// each time it queues an event. The server serves its connections in its own order: when the
// queued event is a close request and the layer destroys that window at once (a hidden window
// goes without the round trip that hiding a shown one takes), the destroy is often served first;
// a window destroyed by another client (`xdotool windowclose`) is still the target of every
// wake-up. The server then answers BadWindow, and Xlib's default handler, which SDL passes every
// error on to, ends the program. Such an error only says that a request reached a window that is
// gone; it is let pass, and every other error goes on as before.
//
// Raw motion. SDL selects XInput 2's raw pointer events on the root window: the server then sends
// a raw motion for every move of the pointer anywhere on the screen, beside the core motion of
// the window under it. SDL uses them only for its relative mouse mode and its global mouse state,
// which the layer never asks for; they more than doubled what a motion costs (104 bytes read, two
// events parsed and an allocation, instead of 32 bytes) and woke an idle program for pointer
// motion over other programs' windows. The layer withdraws that selection on SDL's connection.
#include "platform/backend/sdl/x11.h"

#include "platform/backend/sdl/state.h"

#ifdef TAVIX_HAVE_X11
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#ifdef TAVIX_HAVE_XI2
#include <X11/extensions/XInput2.h>
#include <dlfcn.h>
#endif

namespace {

int on_x_error(Display *display, XErrorEvent *error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    XErrorHandler previous = reinterpret_cast<XErrorHandler>(sdl.x11_previous_handler);
    return previous ? previous(display, error) : 0;
}

}  // namespace

void sdl_x11_tolerate_dead_windows() {
    XErrorHandler current = XSetErrorHandler(on_x_error);
    if (current != on_x_error) sdl.x11_previous_handler = reinterpret_cast<void (*)()>(current);
}

void sdl_x11_stop_raw_motion(SDL_Window *window) {
#ifdef TAVIX_HAVE_XI2
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "x11") != 0) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display *display = info.info.x11.display;
    if (!display || display == sdl.x11_quiet_display) return;
    sdl.x11_quiet_display = display;
    // The libXi SDL loaded for XInput 2; where it loaded none, it selected nothing.
    void *xi = dlopen("libXi.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xi) return;
    using Select = int (*)(Display *, Window, XIEventMask *, int);
    if (Select select = (Select)dlsym(xi, "XISelectEvents")) {
        // SDL's selection was for all master devices; an empty mask for them withdraws it.
        unsigned char none[XIMaskLen(XI_LASTEVENT)] = {};
        XIEventMask mask = {XIAllMasterDevices, (int)sizeof none, none};
        select(display, DefaultRootWindow(display), &mask, 1);
        XFlush(display);
    }
    dlclose(xi);
#else
    (void)window;
#endif
}
#else
void sdl_x11_tolerate_dead_windows() {}
void sdl_x11_stop_raw_motion(SDL_Window *) {}
#endif
