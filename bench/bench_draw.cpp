// What one drawing call costs, shape by shape and for a dozen characters of text, and what a
// whole scene of 150 mixed calls costs beside one memset of the back buffer. Logging is off, as
// in the cone decorator; the library draws into its real back buffer on SDL's offscreen driver.
#include "library/core/state.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static void BM_pixel(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) TAVIX_draw_pixel(RED, (i++ % 200) - 100, 10);
}
BENCHMARK(BM_pixel);

static void BM_circle_radius_20(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_circle(PINK, 0, 0, 20);
}
BENCHMARK(BM_circle_radius_20);

static void BM_circle_radius_100(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_circle(PINK, 0, 0, 100);
}
BENCHMARK(BM_circle_radius_100);

static void BM_triangle_filled(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_triangle(BROWN, -60, 0, 60, 0, 0, -200, 0);
}
BENCHMARK(BM_triangle_filled);

static void BM_triangle_outline_width_3(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_triangle(BROWN, -60, 0, 60, 0, 0, -200, 3);
}
BENCHMARK(BM_triangle_outline_width_3);

static void BM_rectangle_filled_100x60(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_rectangle(GOLD, -50, 30, 49, -29, 0);
}
BENCHMARK(BM_rectangle_filled_100x60);

static void BM_rectangle_outline_width_3(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_rectangle(GOLD, -50, 30, 49, -29, 3);
}
BENCHMARK(BM_rectangle_outline_width_3);

static void BM_line_200px(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_line(BLACK, -100, -40, 100, 40, 1);
}
BENCHMARK(BM_line_200px);

static void BM_line_200px_width_5(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_line(BLACK, -100, -40, 100, 40, 5);
}
BENCHMARK(BM_line_200px_width_5);

// The layer's Ellipse with a wide pen, 200 x 150, hollow and filled (the library draws circles
// filled, so this is the layer alone).
static void ellipse_with_pen_5(benchmark::State &state, bool filled) {
    HDC dc = library_state.window.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, 5, RGB(200, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, filled ? (HGDIOBJ)brush : GetStockObject(NULL_BRUSH));
    for (auto _ : state) Ellipse(dc, 100, 100, 300, 250);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}
static void BM_ellipse_200x150_pen_5_hollow(benchmark::State &state) {
    ellipse_with_pen_5(state, false);
}
BENCHMARK(BM_ellipse_200x150_pen_5_hollow);
static void BM_ellipse_200x150_pen_5_filled(benchmark::State &state) {
    ellipse_with_pen_5(state, true);
}
BENCHMARK(BM_ellipse_200x150_pen_5_filled);

static void BM_text_12_characters(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_text(NAVY_BLUE, -100, 0, 16, "Add a scoop!");
}
BENCHMARK(BM_text_12_characters);

// A long text at the largest size: only the glyphs that reach the buffer should cost anything,
// whether the text starts at the left edge or runs in from far beyond it.
static void BM_text_5000_characters_size_127(benchmark::State &state) {
    static std::string text;
    if (text.empty())
        for (int i = 0; i < 5000; ++i) text += (char)('a' + i % 26);
    int x = (int)state.range(0);
    for (auto _ : state) TAVIX_draw_text(NAVY_BLUE, x, 0, 127, text.c_str());
}
BENCHMARK(BM_text_5000_characters_size_127)->Arg(-300)->Arg(-200000);

static void BM_formatted_12_characters(benchmark::State &state) {
    for (auto _ : state) TAVIX_draw_formatted(NAVY_BLUE, -100, 0, 16, "Toppings: %2d", 10);
}
BENCHMARK(BM_formatted_12_characters);

static void BM_far_off_shapes(benchmark::State &state) {
    for (auto _ : state) {
        TAVIX_draw_circle(RED, 100000000, 0, 1000000);
        TAVIX_draw_line(RED, INT_MIN, INT_MAX, INT_MIN + 7, INT_MIN, 9);
        TAVIX_draw_triangle(RED, INT_MAX, 0, INT_MAX, 5, INT_MAX - 9, INT_MAX, 0);
    }
}
BENCHMARK(BM_far_off_shapes);

// Shapes whose points lie billions of pixels out but which cover the whole buffer: about a clear.
static void BM_huge_shapes_over_buffer(benchmark::State &state) {
    for (auto _ : state) {
        TAVIX_draw_circle(OLIVE, 0, 0, INT_MAX);
        TAVIX_draw_triangle(OLIVE, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 0);
        TAVIX_draw_line(OLIVE, INT_MIN, 0, INT_MAX, 7, INT_MAX);
    }
}
BENCHMARK(BM_huge_shapes_over_buffer);

static void BM_clear_window(benchmark::State &state) {
    for (auto _ : state) TAVIX_clear_window();
}
BENCHMARK(BM_clear_window);

static void BM_memset_whole_buffer(benchmark::State &state) {
    std::vector<unsigned char> buffer((size_t)TAVIX_WIDTH * TAVIX_HEIGHT * 4);
    int value = 0;
    for (auto _ : state) {
        memset(buffer.data(), value++ & 0xFF, buffer.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memset_whole_buffer);

// ---- Calls beyond the first eight ----

// A 64 x 64 sprite whose alpha runs through every value, loaded once.
static int sprite_64x64(void) {
    static int image = 0;
    if (!image) {
        std::vector<unsigned char> rgba(64 * 64 * 4);
        for (int i = 0; i < 64 * 64; ++i) {
            rgba[4 * i] = (unsigned char)(i * 7);
            rgba[4 * i + 1] = (unsigned char)(i / 64 * 4);
            rgba[4 * i + 2] = 200;
            rgba[4 * i + 3] = (unsigned char)(i * 13 / 3);
        }
        png_image png;
        memset(&png, 0, sizeof png);
        png.version = PNG_IMAGE_VERSION;
        png.width = png.height = 64;
        png.format = PNG_FORMAT_RGBA;
        const char *path = "/tmp/tavix_bench_sprite.png";
        png_image_write_to_file(&png, path, 0, rgba.data(), 0, nullptr);
        image = TAVIX_load_image(path);
    }
    return image;
}

// That sprite drawn 1,000 times over the picture.
static void BM_sprite_64x64_alpha_1000_times(benchmark::State &state) {
    int image = sprite_64x64();
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i)
            TAVIX_draw_image(image, -280 + (i * 37) % 500, 200 - i % 400);
}
BENCHMARK(BM_sprite_64x64_alpha_1000_times);

// One TAVIX_draw_image_transformed of the sprite, at an angle that moves by 7 degrees each call
// (the target is at most 20 microseconds): nearest pixel, bilinear, and scaled 2 with a flip.
static void sprite_transformed(benchmark::State &state, double scale, int flags) {
    int image = sprite_64x64();
    int i = 0;
    for (auto _ : state) {
        TAVIX_draw_image_transformed(image, -200 + (i * 37) % 400, 150 - (i * 11) % 300, scale,
                                     7.0 * i, flags);
        ++i;
    }
}
static void BM_sprite_64x64_transformed(benchmark::State &state) {
    sprite_transformed(state, 1.0, 0);
}
BENCHMARK(BM_sprite_64x64_transformed);
static void BM_sprite_64x64_transformed_smooth(benchmark::State &state) {
    sprite_transformed(state, 1.0, TAVIX_SMOOTH);
}
BENCHMARK(BM_sprite_64x64_transformed_smooth);
static void BM_sprite_64x64_transformed_scale_2_flipped(benchmark::State &state) {
    sprite_transformed(state, 2.0, TAVIX_FLIP_X);
}
BENCHMARK(BM_sprite_64x64_transformed_scale_2_flipped);

// The whole buffer inside its frame filled, alternately in two colours.
static void BM_fill_area_whole_buffer(benchmark::State &state) {
    TAVIX_clear_window();
    int i = 0;
    for (auto _ : state) TAVIX_fill_area(i++ % 2 ? ORANGE : TAVIX_rgb(10, 20, 30), 0, 0);
}
BENCHMARK(BM_fill_area_whole_buffer);

// A 100-point star, filled and outlined.
static void polygon_100(benchmark::State &state, int width) {
    int points[200];
    for (int i = 0; i < 100; ++i) {
        static const int rim[4][2] = {{0, 240}, {40, 80}, {0, 160}, {-30, 60}};
        int r = rim[i % 4][0] + rim[i % 4][1];
        // A rough turn in whole pixels: four points a step, from a table of 25 steps.
        int k = i % 25, quarter = i / 25;
        int c = r - r * k * k / 625, sn = r * k / 25 + r * k * (25 - k) / 1250;
        int x = quarter == 0 ? c : quarter == 1 ? -sn : quarter == 2 ? -c : sn;
        int y = quarter == 0 ? sn : quarter == 1 ? c : quarter == 2 ? -sn : -c;
        points[2 * i] = x;
        points[2 * i + 1] = y;
    }
    for (auto _ : state) TAVIX_draw_polygon(SEA_GREEN, 100, points, width);
}
static void BM_polygon_100_points_filled(benchmark::State &state) {
    polygon_100(state, 0);
}
BENCHMARK(BM_polygon_100_points_filled);
static void BM_polygon_100_points_width_2(benchmark::State &state) {
    polygon_100(state, 2);
}
BENCHMARK(BM_polygon_100_points_width_2);

static void BM_ellipse_outline_radius_200(benchmark::State &state) {
    int width = (int)state.range(0);
    for (auto _ : state) TAVIX_draw_ellipse(NAVY_BLUE, 0, 0, 200, 200, width);
}
BENCHMARK(BM_ellipse_outline_radius_200)->Arg(1)->Arg(3);

// A picture like the decorator's: 150 calls, 20 of them texts, over a cleared buffer.
static void draw_scene(void) {
    TAVIX_clear_window();                                                         // 1
    TAVIX_draw_rectangle(ICE_BLUE, -297, 248, 297, -248, 0);                      // 2
    for (int i = 0; i < 3; ++i) TAVIX_draw_circle(PINK + i, 0, 40 + 50 * i, 45);  // 5
    TAVIX_draw_triangle(GOLD, -50, 20, 50, 20, 0, -160, 0);                       // 6
    for (int i = 0; i < 8; ++i)                                                   // 22
        TAVIX_draw_line(BROWN, -50 + 12 * i, 20, -6 + 6 * i, -140, 1),
            TAVIX_draw_line(BROWN, 50 - 12 * i, 20, 6 - 6 * i, -140, 1);
    for (int i = 0; i < 10; ++i)
        TAVIX_draw_circle(RED + i % 6, -30 + 7 * i, 60 + 9 * (i % 4), 4);  // 32
    for (int i = 0; i < 10; ++i)                                           // 42
        TAVIX_draw_triangle(BLUE + i % 5, -20 + 5 * i, 90, -16 + 5 * i, 96, -12 + 5 * i, 90, 0);
    for (int i = 0; i < 6; ++i) {  // 72: buttons with labels
        TAVIX_draw_rectangle(GRAY_20, -290, 240 - 40 * i, -180, 210 - 40 * i, 0);
        TAVIX_draw_rectangle(BLACK, -290, 240 - 40 * i, -180, 210 - 40 * i, 1);
        TAVIX_draw_text(BLACK, -285, 222 - 40 * i, 14, "Add Scoop");
        TAVIX_draw_line(BLACK, -290, 209 - 40 * i, -180, 209 - 40 * i, 1);
        TAVIX_draw_pixel(WHITE, -289, 239 - 40 * i);
    }
    for (int i = 0; i < 24; ++i)
        TAVIX_draw_rectangle(i, 180 + 12 * (i % 8), 240 - 14 * (i / 8), 190 + 12 * (i % 8),
                             230 - 14 * (i / 8), 0);  // 96
    for (int i = 0; i < 20; ++i) {                    // 136: marquee lights
        TAVIX_draw_circle(i == 7 ? YELLOW : GRAY_50, -150 + 15 * i, 200, 5);
        TAVIX_draw_circle(BLACK, -150 + 15 * i, 200, 1);
    }
    for (int i = 0; i < 13; ++i)
        TAVIX_draw_text(NAVY_BLUE, -280, -150 - (i % 4) * 20, 12, "Status: ok");  // 149
    TAVIX_draw_formatted(BLACK, -100, -230, 16, "Toppings: %d of %d", 4, 10);     // 150
}

static void BM_scene_150_calls(benchmark::State &state) {
    for (auto _ : state) draw_scene();
    state.counters["calls"] = 150;
}
BENCHMARK(BM_scene_150_calls);

int main(int argc, char **argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
