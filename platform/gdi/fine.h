// Fine pictures: on a screen of scale N > 1 a window's surface (and the menus' pop-up) has a
// companion N times larger, which is what reaches the screen. Programs draw at 1x, as everywhere;
// text is also drawn into the companion with a font N times larger, so it is sharp there, while
// everything else reaches it as N x N blocks of its 1x pixels.
//
// Which blocks hold something finer than their 1x pixel is kept in the 1x pixels themselves: a
// drawing call writes 0x00RRGGBB, so FINE_MARK in the top byte means "the block was drawn finer
// since this pixel was last written". Any later write to the pixel clears the mark, whatever
// colour it writes, and the next present copies the pixel as a block again. Everything that
// reads pixels as colours masks the top byte (colorref_from_pixel, the screen's RGB888 format);
// what copies pixels between surfaces clears marks it carries (fine_unmark).
#ifndef TAVIX_PLATFORM_GDI_FINE_H
#define TAVIX_PLATFORM_GDI_FINE_H

#include "platform/surface.h"

#include <cstdint>

const uint32_t FINE_MARK = 0xFF000000u;

// Gives the surface a companion scale times larger, all of it blocks of the surface's pixels
// (replacing any companion it had; marks are cleared). Scale 1 or less removes the companion.
void fine_attach(Surface *surface, int scale);
// Frees the surface's companion, if any.
void fine_detach(Surface *surface);
// fine_scale and fine_sync, what a backend needs to show a companion, are in platform/surface.h.
// Marks the box: its blocks in the companion are what the screen shows until those pixels are
// written again. The caller brought the box up to date before drawing into it at 1x, and draws
// the same into the companion.
void fine_mark(Surface *surface, int left, int top, int right, int bottom);
// Clears the marks in the box (pixels copied in from a surface with a companion, whose blocks
// are not drawn here); the surface need not have a companion itself.
void fine_unmark(Surface *surface, int left, int top, int right, int bottom);
// Moves the companion's block of a w x h move of surface pixels from (sx, sy) to (dx, dy), as
// the surface's own pixels were moved (like memmove).
void fine_move(Surface *surface, int dx, int dy, int sx, int sy, int w, int h);

#endif
