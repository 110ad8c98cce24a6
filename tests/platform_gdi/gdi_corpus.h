// A fixed corpus of GDI drawing calls, written against the Windows calls alone so that the same
// source builds against the platform layer and against a real (or independent) GDI: each shape is
// drawn on a white 601 x 540 bitmap and reported with a checksum of the picture.
#ifndef TAVIX_TESTS_PLATFORM_GDI_GDI_CORPUS_H
#define TAVIX_TESTS_PLATFORM_GDI_GDI_CORPUS_H

#include "platform/win32.h"

#define CORPUS_WIDTH 601
#define CORPUS_HEIGHT 540

// Called after each shape: family (e.g. "ellipse-thin"), the shape's name within the family
// (unique over the corpus together with the family), the picture's checksum, and the part of the
// bitmap outside which every pixel is white (right and bottom exclusive).
typedef void (*CorpusReport)(void *context, const char *family, const char *name, unsigned checksum,
                             HDC dc, const RECT *painted);

// Draws the whole corpus in order, reporting each shape. Returns the number of shapes, or -1 when
// no bitmap could be made.
int corpus_run(CorpusReport report, void *context);

#endif
