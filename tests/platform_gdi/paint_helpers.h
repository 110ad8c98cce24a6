// Helpers for the GDI tests: a memory context over a white bitmap, and a compact description of
// which pixels differ from white, row by row, so expected shapes read like the pixel rules.
#ifndef TAVIX_TESTS_PLATFORM_GDI_PAINT_HELPERS_H
#define TAVIX_TESTS_PLATFORM_GDI_PAINT_HELPERS_H

#include "platform/win32.h"

#include <string>

// A memory context with a width x height bitmap painted white; frees both on destruction.
struct Canvas32 {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous_bitmap;
    int width, height;

    Canvas32(int width, int height);
    ~Canvas32();
    Canvas32(const Canvas32 &) = delete;
    Canvas32 &operator=(const Canvas32 &) = delete;

    void clear(COLORREF colour = RGB(255, 255, 255));
};

// The painted (non-background) pixels, one item per row that has any: "y:runs" with runs
// "a..b" or "a" separated by commas, items separated by spaces, e.g. "0:1..3 1:0,4".
std::string coverage(HDC dc, int width, int height, COLORREF background = RGB(255, 255, 255));
// Same, only the pixels of exactly this colour.
std::string coverage_of(HDC dc, int width, int height, COLORREF colour);

#endif
