// Every drawing call at the ends of its arguments' ranges: each argument alone at every value of
// a list of extremes (the ends of an int, -1, 0, pens and radii far wider than the picture), every
// pair of arguments at a shorter list, and all of them at once, the others at an ordinary call's.
// Shared by the drawing tests, which run them (under the sanitizers too), and by the benchmark
// that times the slowest; the library must be open and an image loaded (load_image) before.
#ifndef TAVIX_TESTS_DRAW_EXTREMES_H
#define TAVIX_TESTS_DRAW_EXTREMES_H

#include "library/core/state.h"
#include "library/draw/raster.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace extremes {

// What every argument is tried at alone, and what pairs of arguments are tried at together.
const int SINGLE[] = {INT_MIN, INT_MIN + 1, -1000000000, -30000, -1, 0, 1, 600, 2048, 10000, 30000,
                      100000,  1000000000,  INT_MAX - 1, INT_MAX};
const int PAIRED[] = {INT_MIN, -1, 0, 10000, 1000000000, INT_MAX};

// A polygon's points: the four corners of its arguments repeated up to the most a polygon takes,
// so that any count reads only points that are there.
inline const int *polygon_points(const int *a) {
    static int points[2 * POLYGON_MAX];
    for (int i = 0; i < POLYGON_MAX; ++i) {
        points[2 * i] = a[3 + 2 * (i % 4)];
        points[2 * i + 1] = a[4 + 2 * (i % 4)];
    }
    return points;
}

// A scale or an angle from an int of the lists: the ends of an int stand for what no int is (no
// number, and the infinities), the rest for eighths, so 8 is 1.
inline double number(int v) {
    if (v == INT_MIN) return NAN;
    if (v == INT_MAX) return INFINITY;
    if (v == INT_MIN + 1) return -INFINITY;
    return v / 8.0;
}

// Draws a few shapes into image a[0] (a see-through colour among them), then back to the picture.
inline void draw_into_image(const int *a) {
    int before = TAVIX_draw_into(a[0]);
    TAVIX_draw_circle(TAVIX_rgba(10, 20, 30, 128), a[1], a[2], 5);
    TAVIX_fill_area(BLUE, a[1], a[2]);
    TAVIX_draw_image(1, a[1], a[2]);
    TAVIX_draw_into(before);
}

struct Call {
    const char *name;
    std::vector<int> ordinary;  // the arguments of an ordinary call
    void (*draw)(const int *a);
};

inline const std::vector<Call> &calls() {
    static const std::vector<Call> table = {
        {"draw_pixel", {RED, 10, 20}, [](const int *a) { TAVIX_draw_pixel(a[0], a[1], a[2]); }},
        {"draw_circle",
         {RED, 10, 20, 30},
         [](const int *a) { TAVIX_draw_circle(a[0], a[1], a[2], a[3]); }},
        {"draw_triangle",
         {RED, -50, 0, 50, 0, 0, 80, 3},
         [](const int *a) { TAVIX_draw_triangle(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); }},
        {"draw_rectangle",
         {RED, -50, 40, 50, -40, 3},
         [](const int *a) { TAVIX_draw_rectangle(a[0], a[1], a[2], a[3], a[4], a[5]); }},
        {"draw_line",
         {RED, -50, -40, 50, 40, 3},
         [](const int *a) { TAVIX_draw_line(a[0], a[1], a[2], a[3], a[4], a[5]); }},
        {"draw_text",
         {RED, -50, 40, 12},
         [](const int *a) { TAVIX_draw_text(a[0], a[1], a[2], a[3], "Extremes\nof text"); }},
        {"draw_formatted",
         {RED, -50, 40, 12, 7},
         [](const int *a) { TAVIX_draw_formatted(a[0], a[1], a[2], a[3], "%d to go", a[4]); }},
        {"draw_ellipse",
         {RED, 10, 20, 60, 30, 3},
         [](const int *a) { TAVIX_draw_ellipse(a[0], a[1], a[2], a[3], a[4], a[5]); }},
        {"draw_arc",
         {RED, 10, 20, 60, 30, 30, 300, 3},
         [](const int *a) { TAVIX_draw_arc(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); }},
        {"draw_polygon",
         {RED, 4, 3, -50, -40, 50, -40, 60, 40, -60, 40},
         [](const int *a) { TAVIX_draw_polygon(a[0], a[1], polygon_points(a), a[2]); }},
        {"fill_area", {RED, 10, 20}, [](const int *a) { TAVIX_fill_area(a[0], a[1], a[2]); }},
        {"get_pixel", {10, 20}, [](const int *a) { TAVIX_get_pixel(a[0], a[1]); }},
        {"text_width", {12}, [](const int *a) { TAVIX_text_width(a[0], "Extremes\nof text"); }},
        {"text_height", {12}, [](const int *a) { TAVIX_text_height(a[0], "Extremes\nof text"); }},
        {"draw_image", {1, 10, 20}, [](const int *a) { TAVIX_draw_image(a[0], a[1], a[2]); }},
        {"clear_window", {}, [](const int *) { TAVIX_clear_window(); }},
        {"draw_image_part",
         {1, 1, 0, 2, 2, 10, 20},
         [](const int *a) { TAVIX_draw_image_part(a[0], a[1], a[2], a[3], a[4], a[5], a[6]); }},
        {"draw_image_transformed",
         {1, 10, 20, 16, 240, 5},
         [](const int *a) {
             TAVIX_draw_image_transformed(a[0], a[1], a[2], number(a[3]), number(a[4]), a[5]);
         }},
        {"rgba",
         {10, 20, 30, 128, -50, 40},
         [](const int *a) {
             TAVIX_draw_rectangle(TAVIX_rgba(a[0], a[1], a[2], a[3]), a[4], a[5], 0, 0, 1);
         }},
        // An image made, drawn into at extremes and freed; then image 2 (freed) drawn into.
        {"create_image",
         {30, 20, 5, 5},
         [](const int *a) {
             int image = TAVIX_create_image(a[0], a[1]);
             int b[3] = {image, a[2], a[3]};
             draw_into_image(b);
             TAVIX_free_image(image);
         }},
        {"draw_into", {2, 5, 5}, draw_into_image},
        {"save_image",
         {1, 2},
         [](const int *a) {
             TAVIX_save_image(a[0], a[1] == 2 ? "/nonexistent-dir/x.png" : nullptr);
         }},
        {"rects_overlap",
         {0, 0, 10, 10, 5, 5, 20, 20},
         [](const int *a) { TAVIX_rects_overlap(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); }},
        {"circles_overlap",
         {0, 0, 10, 15, 0, 10},
         [](const int *a) { TAVIX_circles_overlap(a[0], a[1], a[2], a[3], a[4], a[5]); }},
        {"point_in_rect",
         {5, 5, 0, 0, 10, 10},
         [](const int *a) { TAVIX_point_in_rect(a[0], a[1], a[2], a[3], a[4], a[5]); }},
        {"point_in_circle",
         {5, 5, 0, 0, 10},
         [](const int *a) { TAVIX_point_in_circle(a[0], a[1], a[2], a[3], a[4]); }},
    };
    return table;
}

// One call's arguments.
struct Case {
    const Call *call;
    std::vector<int> args;
    std::string describe() const {
        std::string text = std::string("TAVIX_") + call->name + "(";
        for (size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + std::to_string(args[i]);
        return text + ")";
    }
};

// Every case of every call, in table order.
inline std::vector<Case> cases() {
    std::vector<Case> all;
    for (const Call &call : calls()) {
        size_t n = call.ordinary.size();
        all.push_back({&call, call.ordinary});
        for (int v : SINGLE) {
            std::vector<int> args(n, v);
            all.push_back({&call, args});
            for (size_t i = 0; i < n; ++i) {
                args = call.ordinary;
                args[i] = v;
                all.push_back({&call, args});
            }
        }
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j < n; ++j)
                for (int u : PAIRED)
                    for (int v : PAIRED) {
                        std::vector<int> args = call.ordinary;
                        args[i] = u;
                        args[j] = v;
                        all.push_back({&call, args});
                    }
    }
    return all;
}

inline void run(const Case &c) {
    c.call->draw(c.args.data());
}

// Loads a 3 x 2 image of a few colours from a file made at path; returns its number (1).
inline int load_image(const char *path) {
    const uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0x800000FF,
                                0x00000000, 0xFFFFFFFF, 0xFF123456};
    unsigned char *data = nullptr;
    size_t size = 0;
    const char *reason = nullptr;
    if (!encode_png(pixels, 3, 2, false, &data, &size, &reason)) return 0;
    FILE *file = fopen(path, "wb");
    if (file) {
        fwrite(data, 1, size, file);
        fclose(file);
    }
    free(data);
    int image = TAVIX_load_image(path);
    // Image 2: made and freed, for the calls given a freed image.
    TAVIX_free_image(TAVIX_create_image(4, 4));
    return image;
}

}  // namespace extremes

#endif
