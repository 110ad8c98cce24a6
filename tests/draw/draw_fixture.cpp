// Helpers for the drawing tests: opening the library, reading the console ring, reading pixels.
#include "tests/draw/draw_fixture.h"

#include <algorithm>
#include <ostream>

namespace drawtest {

void open_library() {
    if (library_state.window.graphics) return;
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
}

std::vector<std::string> take_console() {
    LibraryState &s = library_state;
    std::vector<std::string> lines;
    for (int i = s.console.first, count = 0; i >= 0 && (i != s.console.end || count == 0);
         i = (i + 1) % CONSOLE_RING_SIZE, ++count) {
        const char *text = static_cast<const char *>(GlobalLock(s.console.lines[i]));
        lines.push_back(text ? text : "<unreadable block>");
        GlobalUnlock(s.console.lines[i]);
    }
    for (HGLOBAL &block : s.console.lines) {
        if (block) GlobalFree(block);
        block = nullptr;
    }
    s.console.first = -1;
    s.console.end = 0;
    return lines;
}

COLORREF pixel(int x, int y) {
    return GetPixel(library_state.window.buffer_dc, library_state.window.origin_x + x,
                    library_state.window.origin_y - y);
}

std::vector<COLORREF> snapshot() {
    std::vector<COLORREF> pixels(TAVIX_WIDTH * TAVIX_HEIGHT);
    for (int row = 0; row < TAVIX_HEIGHT; ++row)
        for (int column = 0; column < TAVIX_WIDTH; ++column)
            pixels[row * TAVIX_WIDTH + column] =
                GetPixel(library_state.window.buffer_dc, column, row);
    return pixels;
}

void fill_buffer(COLORREF colour) {
    HDC dc = library_state.window.buffer_dc;
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, TAVIX_WIDTH, TAVIX_HEIGHT};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

std::vector<Point> changed(const std::vector<COLORREF> &before,
                           const std::vector<COLORREF> &after) {
    std::vector<Point> points;
    for (int row = 0; row < TAVIX_HEIGHT; ++row)
        for (int column = 0; column < TAVIX_WIDTH; ++column)
            if (before[row * TAVIX_WIDTH + column] != after[row * TAVIX_WIDTH + column])
                points.push_back(
                    {column - library_state.window.origin_x, library_state.window.origin_y - row});
    std::sort(points.begin(), points.end());
    return points;
}

void PrintTo(const Point &point, std::ostream *out) {
    *out << "(" << point.x << "," << point.y << ")";
}

}  // namespace drawtest
