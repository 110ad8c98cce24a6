// The canvas: what GDI alone cannot paint. Drawing into an image and drawing in a see-through
// colour paint the shape's coverage with GDI into a mask, white on black, and blend the colour
// through it here in integers, so every system gives the same pixels (GDI's pens and brushes
// know no alpha, and write none into a 32-bit bitmap). Images are composited into images here,
// and turned images sampled here in fixed point.
//
// Images hold premultiplied pixels (0xAARRGGBB). A colour of alpha a (times the mask's coverage)
// goes over a pixel as out = (colour a + pixel (255 - a) + 127) / 255 for each channel, the
// alpha channel too (the colour's own being 255): an opaque colour makes opaque pixels, a
// see-through one pixels as see-through as it, and on the picture, which is opaque, the sum is
// straight alpha blending. An image goes over a pixel as AlphaBlend puts it on the picture: its
// premultiplied channel plus (pixel (255 - a) + 127) / 255.
#include "library/draw/canvas.h"

#include "library/core/state.h"
#include "library/draw/raster.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Where drawing goes: library (x, y) is pixel (origin_x + x, origin_y - y).
struct Target {
    uint32_t *pixels;  // an image's own pixels; null for the picture, read through the copy block
    int width, height;
    int origin_x, origin_y;
};

// A box of target pixels, right and bottom excluded.
struct Box {
    int left, top, right, bottom;
};

Target current_target(void) {
    CanvasState &c = library_state.canvas;
    Target t = {nullptr, library_state.picture.width, library_state.picture.height,
                library_state.window.origin_x, library_state.window.origin_y};
    if (c.image && image_pixels(c.image, &t.pixels, &t.width, &t.height)) {
        t.origin_x = t.width / 2;
        t.origin_y = t.height / 2;
    } else {
        c.image = 0;
    }
    return t;
}

// A box of target pixels (64 bits, right and bottom excluded) cut to the target; false when
// nothing of it is left.
bool pixel_box(const Target &t, int64_t left, int64_t top, int64_t right, int64_t bottom,
               Box *box) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > t.width) right = t.width;
    if (bottom > t.height) bottom = t.height;
    if (left >= right || top >= bottom) return false;
    *box = Box{(int)left, (int)top, (int)right, (int)bottom};
    return true;
}

// A box of library coordinates (inclusive) widened by margin, as target pixels cut to the target.
bool target_box(const Target &t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t margin,
                Box *box) {
    return pixel_box(t, t.origin_x + x0 - margin, t.origin_y - y1 - margin,
                     t.origin_x + x1 + margin + 1, t.origin_y - y0 + margin + 1, box);
}

// A scratch block of at least width x height pixels; false when it cannot be made.
bool scratch_ready(ScratchBlock &b, int width, int height) {
    if (b.bitmap && b.width >= width && b.height >= height) return true;
    if (!b.dc) b.dc = CreateCompatibleDC(library_state.window.buffer_dc);
    if (!b.dc) return false;
    int w = width > b.width ? width : b.width, h = height > b.height ? height : b.height;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    SelectObject(b.dc, bitmap);
    if (b.bitmap) DeleteObject(b.bitmap);
    b.bitmap = bitmap;
    b.pixels = (uint32_t *)bits;
    b.width = w;
    b.height = h;
    return true;
}

// The box's pixels to change and the distance between their rows: an image's own, or the
// picture's read into the copy block (close_box writes them back). Null when memory runs out.
uint32_t *open_box(const Target &t, const Box &b, int *stride) {
    if (t.pixels) {
        GdiFlush();
        *stride = t.width;
        return t.pixels + (size_t)b.top * t.width + b.left;
    }
    ScratchBlock &copy = library_state.canvas.copy;
    if (!scratch_ready(copy, b.right - b.left, b.bottom - b.top)) return nullptr;
    BitBlt(copy.dc, 0, 0, b.right - b.left, b.bottom - b.top, library_state.window.buffer_dc, b.left,
           b.top, SRCCOPY);
    GdiFlush();
    *stride = copy.width;
    return copy.pixels;
}

void close_box(const Target &t, const Box &b) {
    if (t.pixels) return;
    BitBlt(library_state.window.buffer_dc, b.left, b.top, b.right - b.left, b.bottom - b.top,
           library_state.canvas.copy.dc, 0, 0, SRCCOPY);
}

// One channel of a colour over a pixel's at alpha a: (c a + d (255 - a) + 127) / 255.
inline uint32_t mix(uint32_t c, uint32_t d, uint32_t a) {
    return (c * a + d * (255 - a) + 127) / 255;
}

// The colour rgb (0x00RRGGBB) at alpha a (1 .. 255) over *pixel; an image's pixel keeps alpha.
inline void blend_colour(uint32_t *pixel, uint32_t rgb, uint32_t a, bool image) {
    uint32_t d = *pixel;
    uint32_t out = mix(rgb >> 16 & 0xFF, d >> 16 & 0xFF, a) << 16 |
                   mix(rgb >> 8 & 0xFF, d >> 8 & 0xFF, a) << 8 | mix(rgb & 0xFF, d & 0xFF, a);
    if (image) out |= mix(255, d >> 24, a) << 24;
    *pixel = out;
}

// Two channels of a premultiplied source over a pixel's, one in each 16-bit half (0x00XX00YY):
// each s + (d (255 - a) + 127) / 255, held at 255 for a source that is not truly premultiplied.
// k is 255 - a. The division rounds as (t + t / 256) / 256 with t = d k + 128, which is exact
// for every d k up to 255 x 255 and never carries into the other half.
inline uint32_t over(uint32_t s, uint32_t d, uint32_t k) {
    uint32_t t = d * k + 0x00800080u;
    t = (t + (t >> 8 & 0x00FF00FFu)) >> 8 & 0x00FF00FFu;
    uint32_t v = s + t;
    return (v | (v >> 8 & 0x00010001u) * 0xFF) & 0x00FF00FFu;
}

// A premultiplied source pixel over *pixel, as AlphaBlend lays an image on the picture.
inline void composite(uint32_t *pixel, uint32_t s, bool image) {
    uint32_t a = s >> 24;
    if (a == 255) {
        *pixel = image ? s : s & 0x00FFFFFFu;
        return;
    }
    if (s == 0) return;
    uint32_t d = *pixel, k = 255 - a;
    uint32_t out = over(s & 0x00FF00FFu, d & 0x00FF00FFu, k) |
                   over(s >> 8 & 0x00FF00FFu, d >> 8 & 0x00FF00FFu, k) << 8;
    *pixel = image ? out : out & 0x00FFFFFFu;
}

// A row of premultiplied source pixels over a row of pixels, each as composite puts it; four at a
// time where SSE2 is there, in 16-bit lanes that compute exactly what over computes (pack's
// saturation is its hold at 255).
inline void composite_row(uint32_t *out, const uint32_t *in, int n, bool image) {
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128),
                  full = _mm_set1_epi16(255), top = _mm_set1_epi32((int)0xFF000000u);
    for (; i + 4 <= n; i += 4) {
        __m128i s = _mm_loadu_si128((const __m128i *)(in + i));
        __m128i d = _mm_loadu_si128((const __m128i *)(out + i));
        __m128i s_lo = _mm_unpacklo_epi8(s, zero), s_hi = _mm_unpackhi_epi8(s, zero);
        __m128i d_lo = _mm_unpacklo_epi8(d, zero), d_hi = _mm_unpackhi_epi8(d, zero);
        // 255 - a, in each of its pixel's four lanes.
        __m128i k_lo =
            _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(s_lo, 0xFF), 0xFF));
        __m128i k_hi =
            _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(s_hi, 0xFF), 0xFF));
        __m128i t_lo = _mm_add_epi16(_mm_mullo_epi16(d_lo, k_lo), half);
        __m128i t_hi = _mm_add_epi16(_mm_mullo_epi16(d_hi, k_hi), half);
        t_lo = _mm_srli_epi16(_mm_add_epi16(t_lo, _mm_srli_epi16(t_lo, 8)), 8);
        t_hi = _mm_srli_epi16(_mm_add_epi16(t_hi, _mm_srli_epi16(t_hi, 8)), 8);
        __m128i v = _mm_packus_epi16(_mm_add_epi16(s_lo, t_lo), _mm_add_epi16(s_hi, t_hi));
        if (!image) {
            // The picture's pixels carry no alpha; one under a wholly transparent source is left
            // as it was.
            __m128i kept = _mm_and_si128(_mm_cmpeq_epi32(s, zero), _mm_and_si128(d, top));
            v = _mm_or_si128(_mm_andnot_si128(top, v), kept);
        }
        _mm_storeu_si128((__m128i *)(out + i), v);
    }
#endif
    for (; i < n; ++i) composite(&out[i], in[i], image);
}

// The colour of a checked colour number as 0x00RRGGBB.
uint32_t colour_rgb(int colour) {
    COLORREF c = colour_value(colour);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// The colour through the mask's box (mask pixel (0, 0) at the box's upper left) onto the target.
void blend_through_mask(const Target &t, const Box &b, int colour) {
    int stride;
    uint32_t *pixels = open_box(t, b, &stride);
    if (!pixels) return;
    const ScratchBlock &mask = library_state.canvas.mask;
    uint32_t rgb = colour_rgb(colour), alpha = (uint32_t)colour_alpha(colour);
    int w = b.right - b.left, h = b.bottom - b.top;
    for (int row = 0; row < h; ++row) {
        const uint32_t *cover = mask.pixels + (size_t)row * mask.width;
        uint32_t *out = pixels + (size_t)row * stride;
        for (int col = 0; col < w; ++col) {
            // Green: a glyph's coverage on any screen, ClearType's fringes included.
            uint32_t c = cover[col] >> 8 & 0xFF;
            if (!c) continue;
            uint32_t a = c == 255 ? alpha : (alpha * c + 127) / 255;
            if (a) blend_colour(&out[col], rgb, a, t.pixels != nullptr);
        }
    }
    close_box(t, b);
}

// The box around everything a record of GDI's kinds may paint, cut to the target; false when it
// paints nothing there. Text is given the whole target: its glyphs may reach past its measure.
bool shape_box(const ShapeRecord *s, const Target &t, Box *box) {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    auto take = [&](int64_t x, int64_t y, bool first) {
        if (first || x < x0) x0 = x;
        if (first || x > x1) x1 = x;
        if (first || y < y0) y0 = y;
        if (first || y > y1) y1 = y;
    };
    switch (s->kind) {
        case SHAPE_TRIANGLE:
            take(s->x1, s->y1, true);
            take(s->x2, s->y2, false);
            take(s->x3, s->y3, false);
            break;
        case SHAPE_RECTANGLE:
        case SHAPE_OVAL:
        case SHAPE_ARC:
        case SHAPE_LINE:
            take(s->x1, s->y1, true);
            take(s->x2, s->y2, false);
            break;
        case SHAPE_PIXEL:
            take(s->x1, s->y1, true);
            break;
        case SHAPE_POLYGON:
            for (int i = 0; i < s->count; ++i) take(s->points[2 * i], s->points[2 * i + 1], i == 0);
            break;
        default:
            *box = Box{0, 0, t.width, t.height};
            return true;
    }
    // Wide pens reach half their width out, round caps and joins a pixel more.
    return target_box(t, x0, y0, x1, y1, (int64_t)s->width + 2, box);
}

// A shape of GDI's kinds in the record's colour, through its coverage.
void paint_through_mask(const ShapeRecord *s, const Target &t) {
    Box b;
    if (!shape_box(s, t, &b)) return;
    ScratchBlock &mask = library_state.canvas.mask;
    int w = b.right - b.left, h = b.bottom - b.top;
    if (!scratch_ready(mask, w, h)) return;
    GdiFlush();
    for (int row = 0; row < h; ++row) memset(mask.pixels + (size_t)row * mask.width, 0, (size_t)w * 4);
    ShapeRecord white = *s;
    white.colour = WHITE;
    paint_record(&white, ShapePlace{mask.dc, t.origin_x - b.left, t.origin_y - b.top});
    GdiFlush();
    blend_through_mask(t, b, s->colour);
}

// The 4-connected area of the colour at the record's point (all four channels in an image),
// painted over in the record's colour.
void fill_through_mask(const ShapeRecord *s, const Target &t) {
    int64_t sx = t.origin_x + (int64_t)s->x1, sy = t.origin_y - (int64_t)s->y1;
    if (sx < 0 || sx >= t.width || sy < 0 || sy >= t.height) return;
    Box all = {0, 0, t.width, t.height};
    ScratchBlock &mask = library_state.canvas.mask;
    if (!scratch_ready(mask, t.width, t.height)) return;
    int stride;
    const uint32_t *pixels = open_box(t, all, &stride);
    if (!pixels) return;
    // Seeds still to look from, a stack that grows as needed.
    struct Seed {
        int x, y;
    };
    size_t room = 1024, waiting = 0;
    Seed *seeds = (Seed *)malloc(room * sizeof(Seed));
    if (!seeds) return;
    GdiFlush();
    for (int row = 0; row < t.height; ++row)
        memset(mask.pixels + (size_t)row * mask.width, 0, (size_t)t.width * 4);
    uint32_t key = t.pixels ? 0xFFFFFFFFu : 0x00FFFFFFu;
    uint32_t found = pixels[(size_t)sy * stride + sx] & key;
    auto inside = [&](int x, int y) {
        return !mask.pixels[(size_t)y * mask.width + x] &&
               (pixels[(size_t)y * stride + x] & key) == found;
    };
    bool whole = true;
    seeds[waiting++] = Seed{(int)sx, (int)sy};
    while (waiting && whole) {
        Seed seed = seeds[--waiting];
        if (!inside(seed.x, seed.y)) continue;
        int from = seed.x, to = seed.x;
        while (from > 0 && inside(from - 1, seed.y)) --from;
        while (to + 1 < t.width && inside(to + 1, seed.y)) ++to;
        uint32_t *marks = mask.pixels + (size_t)seed.y * mask.width;
        for (int x = from; x <= to; ++x) marks[x] = 0xFFFFFFFFu;
        for (int y = seed.y - 1; y <= seed.y + 1 && whole; y += 2) {
            if (y < 0 || y >= t.height) continue;
            for (int x = from; x <= to; ++x) {
                if (!inside(x, y)) continue;
                if (waiting == room) {
                    Seed *grown = (Seed *)realloc(seeds, 2 * room * sizeof(Seed));
                    if (!grown) {
                        whole = false;  // out of memory: nothing is painted
                        break;
                    }
                    seeds = grown;
                    room *= 2;
                }
                seeds[waiting++] = Seed{x, y};
                while (x <= to && inside(x, y)) ++x;
            }
        }
    }
    free(seeds);
    if (!whole) return;
    // The picture was read whole into the copy block: blending reads it again, unchanged.
    blend_through_mask(t, all, s->colour);
}

// Source pixels for drawing an image into the target: its own, or a copy of them when the image
// is the target itself (freed with release_source).
const uint32_t *source_pixels(const Target &t, int image, int *width, int *height) {
    uint32_t *pixels;
    if (!image_pixels(image, &pixels, width, height)) return nullptr;
    if (pixels != t.pixels) return pixels;
    size_t bytes = (size_t)*width * *height * 4;
    uint32_t *copy = (uint32_t *)malloc(bytes);
    if (copy) memcpy(copy, pixels, bytes);
    return copy;
}

void release_source(const Target &t, int image, const uint32_t *source) {
    uint32_t *pixels;
    int width, height;
    if (image_pixels(image, &pixels, &width, &height) && pixels == t.pixels)
        free((void *)source);
}

// An image, or a part of one, composited onto the image drawn into.
void image_onto_target(const ShapeRecord *s, const Target &t) {
    int sw, sh;
    const uint32_t *source = source_pixels(t, s->x2, &sw, &sh);
    if (!source) return;
    int left = 0, top = 0, w = sw, h = sh;
    if (s->kind == SHAPE_IMAGE_PART) left = s->x3, top = s->y3, w = s->width, h = s->count;
    Box b;
    int64_t dx = t.origin_x + (int64_t)s->x1, dy = t.origin_y - (int64_t)s->y1;
    if (w > 0 && h > 0 && pixel_box(t, dx, dy, dx + w, dy + h, &b)) {
        int stride;
        uint32_t *pixels = open_box(t, b, &stride);
        if (pixels) {
            for (int row = b.top; row < b.bottom; ++row) {
                const uint32_t *in = source + (size_t)(top + row - dy) * sw + (left + b.left - dx);
                composite_row(pixels + (size_t)(row - b.top) * stride, in, b.right - b.left,
                              t.pixels != nullptr);
            }
            close_box(t, b);
        }
    }
    release_source(t, s->x2, source);
}

// floor(v / 2^33), for negative v too.
inline int64_t whole_pixels(int64_t v) {
    return v >= 0 ? v >> 33 : ~(~v >> 33);
}

// The premultiplied pixel (i, j) of a source, transparent outside it.
inline uint32_t source_at(const uint32_t *source, int w, int h, int64_t i, int64_t j) {
    return i >= 0 && i < w && j >= 0 && j < h ? source[(size_t)j * w + i] : 0;
}

// Bilinear: the four pixels around a point (the pixel's centres at half pixels), weighted by
// 8-bit fractions; the weights total 65536.
uint32_t smooth_sample(const uint32_t *source, int w, int h, int64_t u, int64_t v) {
    u -= (int64_t)1 << 32;
    v -= (int64_t)1 << 32;
    int64_t i = whole_pixels(u), j = whole_pixels(v);
    if (i < -1 || i >= w || j < -1 || j >= h) return 0;
    // i and j may be -1: their pixels' starts are multiplied out, as a shift of a negative would not be.
    const int64_t pixel = (int64_t)1 << 33;
    uint32_t fx = (uint32_t)((u - i * pixel) >> 25), fy = (uint32_t)((v - j * pixel) >> 25);
    uint32_t p[4] = {source_at(source, w, h, i, j), source_at(source, w, h, i + 1, j),
                     source_at(source, w, h, i, j + 1), source_at(source, w, h, i + 1, j + 1)};
    uint32_t weight[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint64_t sum = 32768;
        for (int k = 0; k < 4; ++k) sum += (uint64_t)(p[k] >> shift & 0xFF) * weight[k];
        out |= (uint32_t)(sum >> 16) << shift;
    }
    return out;
}

// floor(n / d) for d > 0.
inline int64_t floor_divided(int64_t n, int64_t d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

// The columns col of 0 .. n - 1 at which lo <= start + step col <= hi, as [*first, *end); empty
// when *first >= *end.
void span_within(int64_t start, int64_t step, int64_t lo, int64_t hi, int n, int *first, int *end) {
    int64_t from, to;  // to included
    if (step == 0) {
        from = 0;
        to = lo <= start && start <= hi ? n - 1 : -1;
    } else if (step > 0) {
        from = -floor_divided(start - lo, step);
        to = floor_divided(hi - start, step);
    } else {
        from = -floor_divided(hi - start, -step);
        to = floor_divided(start - lo, -step);
    }
    *first = from < 0 ? 0 : from > n ? n : (int)from;
    *end = to < 0 ? 0 : to >= n ? n : (int)to + 1;
}

// The four source pixels around a point well inside the source (i, j at least 0, i + 1 and
// j + 1 inside it; u and v already moved back by half a pixel), weighted as smooth_sample
// weighs them, to the same sums: without SSE2 each channel of each pixel times its weight, two
// channels a 64-bit sum.
inline uint32_t smooth_inside(const uint32_t *source, int w, int64_t u, int64_t v) {
    const uint32_t *p = source + (size_t)(v >> 33) * w + (size_t)(u >> 33);
    uint32_t fx = (uint32_t)(u >> 25) & 0xFF, fy = (uint32_t)(v >> 25) & 0xFF;
#ifdef __SSE2__
    // The weights taken a row at a time, exactly: (256 - fy) ((256 - fx) p0 + fx p1) +
    // fy ((256 - fx) p2 + fx p3), each row's sum at most 255 x 256, the whole in 32 bits.
    const __m128i zero = _mm_setzero_si128();
    __m128i across = _mm_set_epi16((short)fx, (short)fx, (short)fx, (short)fx, (short)(256 - fx),
                                   (short)(256 - fx), (short)(256 - fx), (short)(256 - fx));
    __m128i upper = _mm_mullo_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i *)p), zero), across);
    __m128i lower = _mm_mullo_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i *)(p + w)), zero), across);
    upper = _mm_add_epi16(upper, _mm_srli_si128(upper, 8));
    lower = _mm_add_epi16(lower, _mm_srli_si128(lower, 8));
    __m128i up = _mm_set1_epi16((short)(256 - fy)), down = _mm_set1_epi16((short)fy);
    __m128i sum = _mm_add_epi32(
        _mm_unpacklo_epi16(_mm_mullo_epi16(upper, up), _mm_mulhi_epu16(upper, up)),
        _mm_unpacklo_epi16(_mm_mullo_epi16(lower, down), _mm_mulhi_epu16(lower, down)));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(32768)), 16);
    sum = _mm_packs_epi32(sum, sum);
    return (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
#else
    uint64_t weight[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    uint32_t q[4] = {p[0], p[1], p[w], p[w + 1]};
    const uint64_t lanes = 0x000000FF000000FFull;
    uint64_t blue_red = 0x0000800000008000ull, green_alpha = blue_red;
    for (int k = 0; k < 4; ++k) {
        uint64_t br = q[k] & 0x00FF00FFu, ga = q[k] >> 8 & 0x00FF00FFu;
        blue_red += ((br | br << 16) & lanes) * weight[k];
        green_alpha += ((ga | ga << 16) & lanes) * weight[k];
    }
    return (uint32_t)(blue_red >> 16 & 0xFF) | (uint32_t)(green_alpha >> 16 & 0xFF) << 8 |
           (uint32_t)(blue_red >> 48 & 0xFF) << 16 | (uint32_t)(green_alpha >> 48 & 0xFF) << 24;
#endif
}

// One row of a turned image: the source point of its first column (u, v) and the step between
// columns (du, dv), flips already taken in. Only the columns whose point can take ink are
// visited; their pixels are sampled a run at a time, then laid over the row together.
void turned_row(uint32_t *out, int n, const uint32_t *source, int sw, int sh, int64_t u, int64_t v,
                int64_t du, int64_t dv, bool smooth, bool image) {
    const int64_t half = (int64_t)1 << 32, across = (int64_t)sw << 33, down = (int64_t)sh << 33;
    // Smoothed, a point takes ink from up to half a pixel beyond the source's edge; where all
    // four pixels around it lie inside, they are read without a check.
    int64_t reach = smooth ? half : 0;
    int first, end, first_v, end_v, inner = 0, inner_end = 0;
    span_within(u, du, -reach, across + reach - 1, n, &first, &end);
    span_within(v, dv, -reach, down + reach - 1, n, &first_v, &end_v);
    if (first_v > first) first = first_v;
    if (end_v < end) end = end_v;
    if (first >= end) return;
    if (smooth) {
        span_within(u, du, half, across - half - 1, n, &inner, &inner_end);
        span_within(v, dv, half, down - half - 1, n, &first_v, &end_v);
        if (first_v > inner) inner = first_v;
        if (end_v < inner_end) inner_end = end_v;
        if (inner < first) inner = first;
        if (inner_end > end) inner_end = end;
        if (inner >= inner_end) inner = inner_end = end;
    }
    u += first * du;
    v += first * dv;
    uint32_t run[256];
    for (int col = first; col < end;) {
        int count = end - col < 256 ? end - col : 256;
        for (int k = 0; k < count; ++k, ++col, u += du, v += dv) {
            if (!smooth)
                run[k] = source[(size_t)(v >> 33) * sw + (size_t)(u >> 33)];
            else if (col >= inner && col < inner_end)
                run[k] = smooth_inside(source, sw, u - half, v - half);
            else
                run[k] = smooth_sample(source, sw, sh, u, v);
        }
        composite_row(out + col - count, run, count, image);
    }
}

// An image scaled, turned counter-clockwise and flipped about its centre, onto the target.
//
// Each target pixel's centre is taken back to the image: its offset from the image's centre
// (in half pixels), turned clockwise and divided by the scale, in 31.33 fixed point; rows step
// by adding. The image's centre lies where TAVIX_draw_image would put it for the same upper-left
// corner rule: at the point's pixel for an odd size, on its upper-left corner for an even one.
void turned_onto_target(const ShapeRecord *s, const Target &t) {
    int sw, sh;
    int64_t scale = s->x3;
    if (scale <= 0) return;
    const uint32_t *source = source_pixels(t, s->x2, &sw, &sh);
    if (!source) return;
    int32_t cosine, sine;
    fixed_cosine_sine(s->y3, &cosine, &sine);
    int64_t x = t.origin_x + (int64_t)s->x1, y = t.origin_y - (int64_t)s->y1;
    int64_t cx2 = 2 * x + (sw & 1), cy2 = 2 * y + (sh & 1);
    // Half the turned box across and down, in whole pixels and a little over.
    int64_t c16 = (cosine < 0 ? -(int64_t)cosine : cosine) >> 14;
    int64_t s16 = (sine < 0 ? -(int64_t)sine : sine) >> 14;
    int64_t half_x = ((c16 * sw + s16 * sh) * scale >> 33) + 2;
    int64_t half_y = ((s16 * sw + c16 * sh) * scale >> 33) + 2;
    Box b;
    if (pixel_box(t, x - half_x, y - half_y, x + half_x + 1, y + half_y + 1, &b)) {
        int stride;
        uint32_t *pixels = open_box(t, b, &stride);
        if (pixels) {
            int64_t a = (int64_t)cosine * (1 << 18) / scale, c = (int64_t)sine * (1 << 18) / scale;
            const int64_t across = (int64_t)sw << 33, down = (int64_t)sh << 33;
            bool flip_x = s->width & TAVIX_FLIP_X, flip_y = s->width & TAVIX_FLIP_Y;
            bool smooth = s->width & TAVIX_SMOOTH;
            // A flip reads the source from its far side: the point and its step turn round.
            int64_t du = flip_x ? -2 * a : 2 * a, dv = flip_y ? -2 * c : 2 * c;
            int n = b.right - b.left;
            for (int row = b.top; row < b.bottom; ++row) {
                int64_t dx = 2 * (int64_t)b.left + 1 - cx2, dy = 2 * (int64_t)row + 1 - cy2;
                int64_t u = dx * a - dy * c + (across >> 1), v = dx * c + dy * a + (down >> 1);
                if (flip_x) u = across - u;
                if (flip_y) v = down - v;
                uint32_t *out = pixels + (size_t)(row - b.top) * stride;
                turned_row(out, n, source, sw, sh, u, v, du, dv, smooth, t.pixels != nullptr);
            }
            close_box(t, b);
        }
    }
    release_source(t, s->x2, source);
}

}  // namespace

bool canvas_paints(const ShapeRecord *shape) {
    Target t = current_target();
    bool on_image = t.pixels != nullptr;
    switch (shape->kind) {
        case SHAPE_IMAGE_TURNED:
            turned_onto_target(shape, t);
            return true;
        case SHAPE_IMAGE:
        case SHAPE_IMAGE_PART:
            if (!on_image) return false;
            image_onto_target(shape, t);
            return true;
        case SHAPE_FILL:
            if (!on_image && colour_alpha(shape->colour) == 255) return false;
            fill_through_mask(shape, t);
            return true;
        default:
            if (!on_image && colour_alpha(shape->colour) == 255) return false;
            paint_through_mask(shape, t);
            return true;
    }
}

void canvas_target(int *width, int *height, int *origin_x, int *origin_y) {
    Target t = current_target();
    *width = t.width;
    *height = t.height;
    *origin_x = t.origin_x;
    *origin_y = t.origin_y;
}

bool canvas_clear_image(void) {
    Target t = current_target();
    if (!t.pixels) return false;
    GdiFlush();
    memset(t.pixels, 0, (size_t)t.width * t.height * 4);
    return true;
}

void canvas_forget_image(int image) {
    if (library_state.canvas.image != image) return;
    library_state.canvas.image = 0;
    TAVIX_console_printf("Image %d was drawn into; drawing goes to the picture again\n", image);
}

void canvas_release(void) {
    ScratchBlock *blocks[2] = {&library_state.canvas.mask, &library_state.canvas.copy};
    for (ScratchBlock *b : blocks) {
        if (b->dc) DeleteDC(b->dc);
        if (b->bitmap) DeleteObject(b->bitmap);
        *b = ScratchBlock{};
    }
}

int TAVIX_draw_into(int image) {
    int previous = library_state.canvas.image;
    uint32_t *pixels;
    int width, height;
    if (image != 0 && !image_pixels(image, &pixels, &width, &height)) {
        if (previous)
            TAVIX_console_printf("Image %d not loaded, drawing stays in image %d\n", image,
                                 previous);
        else
            TAVIX_console_printf("Image %d not loaded, drawing stays on the picture\n", image);
        return previous;
    }
    library_state.canvas.image = image;
    if (library_state.draw.logging) {
        if (image)
            TAVIX_console_printf("Drawing into image %d\n", image);
        else
            TAVIX_console_printf("Drawing into the picture\n");
    }
    return previous;
}
