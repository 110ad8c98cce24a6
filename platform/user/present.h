// Windows on the screen: the one scale of screen pixels to window pixels, the rounding of screen
// positions to window pixels, and presenting, which composes a window's surface, the pop-up over
// it and the scale into the screen pixels its backend window shows (platform/backend/backend.h:
// window_framebuffer, window_update). No backend scales, rounds or composes on its own.
#ifndef TAVIX_PLATFORM_USER_PRESENT_H
#define TAVIX_PLATFORM_USER_PRESENT_H

#include "platform/win32.h"

struct Window;

// Screen pixels per window pixel, each way (1 to 4): TAVIX_SCALE when it asks one, else what the
// backend's screen calls for. 1 until screen_scale_choose() ran (once, the backend started).
int screen_scale();
void screen_scale_choose();

// The window pixel a screen position (screen pixels, from the corner of the window's picture)
// falls on: every point of a pixel's block, and a point left of or above the window (a drag may
// report one) stays outside it.
int window_pixel_of(int screen, int scale);
// The same for a point of w's picture, into surface coordinates (its scale and origin).
POINT window_point_of(const Window *w, int screen_x, int screen_y);

// Fits w's surface into a picture width x height screen pixels large: the largest whole scale
// that shows all of it, centred. False, w left as it was, when not even one screen pixel per
// window pixel fits.
bool window_fit_screen(Window *w, int width, int height);

// Hands the area (surface coordinates) of w's surface, with its overlay over it, to the screen:
// all of it when the backend's picture is new (first showing, resize). Returns the area handed
// over, clipped to the surface and the picture; empty when nothing was.
RECT present_window(Window *w, RECT area);

#endif
