// X errors about windows already gone. Xlib's names clash with the Windows ones (BOOL): this
// header declares only the one function, and includes nothing.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_X11_ERRORS_H
#define TAVIX_PLATFORM_BACKEND_SDL_X11_ERRORS_H

// Lets X errors about windows already gone from the server pass instead of ending the program;
// nothing where there is no X.
void sdl_x11_tolerate_dead_windows();

#endif
