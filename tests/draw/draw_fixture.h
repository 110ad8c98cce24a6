// Helpers for the drawing tests: the library opened once per process, the console's lines read
// back from its ring, and the back buffer read at library coordinates.
#ifndef TAVIX_TESTS_DRAW_DRAW_FIXTURE_H
#define TAVIX_TESTS_DRAW_DRAW_FIXTURE_H

#include "library/core/state.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace drawtest {

// TAVIX_start, once per process.
void open_library();
// The messages stored in the console ring since the last call, oldest first; empties the ring so
// that the next call sees only what follows (at most 25 messages in between).
std::vector<std::string> take_console();
// The back buffer pixel at library point (x, y).
COLORREF pixel(int x, int y);
// The whole back buffer, row after row, in buffer pixels.
std::vector<COLORREF> snapshot();
// Fills the back buffer with one colour, bypassing the drawing calls.
void fill_buffer(COLORREF colour);
// The buffer pixels (as library points) that differ between two snapshots.
struct Point {
    int x, y;
    bool operator<(const Point &o) const { return y != o.y ? y < o.y : x < o.x; }
    bool operator==(const Point &o) const { return x == o.x && y == o.y; }
};
void PrintTo(const Point &point, std::ostream *out);
// Sorted by y, then x.
std::vector<Point> changed(const std::vector<COLORREF> &before, const std::vector<COLORREF> &after);
// Library points painted in colour by draw, on a buffer filled white beforehand.
template <typename Draw>
std::vector<Point> painted_by(Draw draw);

}  // namespace drawtest

template <typename Draw>
std::vector<drawtest::Point> drawtest::painted_by(Draw draw) {
    fill_buffer(RGB(255, 255, 255));
    std::vector<COLORREF> before = snapshot();
    draw();
    return changed(before, snapshot());
}

#endif
