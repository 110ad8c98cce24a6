// Pictures off screen and see-through drawing: what the drawing calls and the images share with
// the canvas (canvas.cpp), and the fixed-point turning of images (turn.cpp).
#ifndef TAVIX_DRAW_CANVAS_H
#define TAVIX_DRAW_CANVAS_H

#include "platform/win32.h"

#include <cstdint>

// The loaded image's pixels (premultiplied 0xAARRGGBB, top row first) and size; false for an
// image number not loaded.
bool image_pixels(int image, uint32_t **pixels, int *width, int *height);

// The drawing target's size and the pixel of it where library (0, 0) lies: the picture's back
// buffer, or the image drawn into.
void canvas_target(int *width, int *height, int *origin_x, int *origin_y);
// Makes the image drawn into wholly transparent; false while drawing goes to the picture.
bool canvas_clear_image(void);
// An image is being freed: drawing into it goes back to the picture, with a console line.
void canvas_forget_image(int image);
// Deletes the scratch blocks (the next drawing makes them anew).
void canvas_release(void);

// The cosine and sine, times 2^30, of an angle given in 1/65536ths of a degree; the same on
// every machine (integers only), exact at the multiples of 90 degrees.
void fixed_cosine_sine(int64_t angle, int32_t *cosine, int32_t *sine);

#define SCALE_ONE 65536             // scale 1 in the turned image's record
#define SCALE_LIMIT 1024            // largest scale of a turned image
#define DEGREES_ONE 65536           // one degree in the turned image's record
#define FLAGS_ALL 7                 // TAVIX_FLIP_X | TAVIX_FLIP_Y | TAVIX_SMOOTH

#endif
