// What the layer changes in SDL's X connection. Xlib's names clash with the Windows ones (BOOL):
// this header declares only these functions, and includes nothing.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_X11_H
#define TAVIX_PLATFORM_BACKEND_SDL_X11_H

struct SDL_Window;

// Lets X errors about windows already gone from the server pass instead of ending the program;
// nothing where there is no X.
void sdl_x11_tolerate_dead_windows();
// Withdraws the raw pointer motion SDL asked of the X server for the whole screen, on the
// connection of the window (once per connection); nothing where there is no X.
void sdl_x11_stop_raw_motion(SDL_Window *window);

#endif
