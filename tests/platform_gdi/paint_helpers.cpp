// Helpers for the GDI tests: the white test canvas and the row-by-row description of painted
// pixels.
#include "paint_helpers.h"

#include <cstdio>

Canvas32::Canvas32(int w, int h) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    previous_bitmap = SelectObject(dc, bitmap);
    clear();
}

Canvas32::~Canvas32() {
    SelectObject(dc, previous_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void Canvas32::clear(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

namespace {

template <typename Pick>
std::string describe(HDC dc, int width, int height, Pick painted) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        std::string runs;
        for (int x = 0; x < width;) {
            if (!painted(GetPixel(dc, x, y))) {
                ++x;
                continue;
            }
            int start = x;
            while (x < width && painted(GetPixel(dc, x, y))) ++x;
            char run[48];
            if (x - 1 == start)
                snprintf(run, sizeof run, "%d", start);
            else
                snprintf(run, sizeof run, "%d..%d", start, x - 1);
            if (!runs.empty()) runs += ',';
            runs += run;
        }
        if (runs.empty()) continue;
        if (!out.empty()) out += ' ';
        out += std::to_string(y) + ":" + runs;
    }
    return out;
}

}  // namespace

std::string coverage(HDC dc, int width, int height, COLORREF background) {
    return describe(dc, width, height, [&](COLORREF c) { return c != background; });
}

std::string coverage_of(HDC dc, int width, int height, COLORREF colour) {
    return describe(dc, width, height, [&](COLORREF c) { return c == colour; });
}
