// The sine and cosine a turned image is drawn with, in integers only (CORDIC), so that every build
// (x87, SSE, WebAssembly) turns an image onto the same pixels whatever its C library's sin says.
#include "library/draw/canvas.h"

namespace {

// atan(2^-i) in degrees, times 2^32.
const int64_t ARCTANGENTS[30] = {
    193273528320, 114096026022, 60285206653, 30601712202, 15360239180, 7687607525,
    3844741810,   1922488225,   961258780,   480631223,   240315841,   120157949,
    60078978,     30039490,     15019745,    7509872,     3754936,     1877468,
    938734,       469367,       234684,      117342,      58671,       29335,
    14668,        7334,         3667,        1833,        917,         458};

// The iterations' gain taken out beforehand: the product of 1 / sqrt(1 + 2^-2i), times 2^30.
const int64_t GAIN = 652032874;

const int64_t QUARTER = 90 * (int64_t)DEGREES_ONE;

}  // namespace

void fixed_cosine_sine(int64_t angle, int32_t *cosine, int32_t *sine) {
    angle %= 4 * QUARTER;
    if (angle < 0) angle += 4 * QUARTER;
    int quadrant = (int)(angle / QUARTER);
    int64_t rest = angle % QUARTER;  // 0 .. 90 degrees, not included
    int64_t x = (int64_t)1 << 30, y = 0;
    if (rest != 0) {
        // Rotate (GAIN, 0) by rest, the remaining angle in degrees times 2^32.
        int64_t z = rest << 16;
        x = GAIN;
        for (int i = 0; i < 30; ++i) {
            int64_t dx = y >> i, dy = x >> i;
            if (z >= 0) {
                x -= dx;
                y += dy;
                z -= ARCTANGENTS[i];
            } else {
                x += dx;
                y -= dy;
                z += ARCTANGENTS[i];
            }
        }
    }
    // A quarter turn takes (x, y) to (-y, x).
    for (int q = 0; q < quadrant; ++q) {
        int64_t t = x;
        x = -y;
        y = t;
    }
    *cosine = (int32_t)x;
    *sine = (int32_t)y;
}
