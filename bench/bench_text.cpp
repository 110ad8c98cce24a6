// What text costs in the platform layer: a dozen characters with a font kept selected, with a
// font created and deleted around every call (as callers that size text per call do), the first
// use of a new size, and the extent of a dozen characters.
#include "platform/win32.h"

#include <benchmark/benchmark.h>

namespace {

struct Target {
    HDC dc;
    HBITMAP bitmap;
    Target() {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, 400, 100);
        SelectObject(dc, bitmap);
    }
    ~Target() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

HFONT make_font(int height) {
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "TAVIX-font");
}

const char TWELVE[] = "Score: 12345";

void BM_text_dozen_chars_fixed_font(benchmark::State &state) {
    Target t;
    SelectObject(t.dc, GetStockObject(ANSI_FIXED_FONT));
    for (auto _ : state) TextOutA(t.dc, 10, 10, TWELVE, 12);
}
BENCHMARK(BM_text_dozen_chars_fixed_font);

void BM_text_dozen_chars_smooth_24px(benchmark::State &state) {
    Target t;
    HFONT font = make_font(-24);
    SelectObject(t.dc, font);
    SetBkMode(t.dc, TRANSPARENT);
    for (auto _ : state) TextOutA(t.dc, 10, 10, TWELVE, 12);
    SelectObject(t.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}
BENCHMARK(BM_text_dozen_chars_smooth_24px);

void BM_text_font_created_per_call(benchmark::State &state) {
    Target t;
    for (auto _ : state) {
        HFONT font = make_font(-16);
        HGDIOBJ old = SelectObject(t.dc, font);
        TextOutA(t.dc, 10, 10, TWELVE, 12);
        SelectObject(t.dc, old);
        DeleteObject(font);
    }
}
BENCHMARK(BM_text_font_created_per_call);

void BM_text_extent_dozen_chars(benchmark::State &state) {
    Target t;
    SelectObject(t.dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size;
    for (auto _ : state) GetTextExtentPointA(t.dc, TWELVE, 12, &size);
}
BENCHMARK(BM_text_extent_dozen_chars);

// A size never seen before: matching, sizing and rendering twelve new glyphs.
void BM_text_first_use_of_a_size(benchmark::State &state) {
    Target t;
    int height = 8;
    for (auto _ : state) {
        HFONT font = make_font(-(height++ % 2000 + 8));
        HGDIOBJ old = SelectObject(t.dc, font);
        TextOutA(t.dc, 10, 10, TWELVE, 12);
        SelectObject(t.dc, old);
        DeleteObject(font);
    }
}
BENCHMARK(BM_text_first_use_of_a_size)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
