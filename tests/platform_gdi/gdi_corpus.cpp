// The GDI corpus: ellipses of every small box and random large ones, lines at many angles and
// lengths, polygons (thin and degenerate ones too), rectangles, shapes partly off the bitmap, all
// with pens 0 to 12 pixels wide, filled and hollow, then a fixed pseudo-random mixed sequence;
// then arcs and pies, flood fills and alpha blends.
// Only Windows calls: the same source is the oracle's program and the layer's check.
#include "gdi_corpus.h"

#include <stdio.h>
#include <string.h>

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF PEN = RGB(200, 0, 0);
const COLORREF FILL = RGB(0, 0, 200);

// A small deterministic generator, so that both builds draw the same "random" shapes.
struct Random {
    unsigned state;
    unsigned next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int range(int lo, int hi) {  // [lo, hi]
        return lo + (int)(next() % (unsigned)(hi - lo + 1));
    }
};

struct Corpus {
    HDC dc;
    CorpusReport report;
    void *context;
    RECT dirty;     // everything outside is white
    bool any;       // dirty holds something
    int count;      // shapes reported
    HBRUSH fill;    // the solid brush
    HPEN pens[13];  // PS_SOLID pens of width 0..12 in PEN

    // A shape may reach this far around the points it is given.
    void touch(int l, int t, int r, int b, int width) {
        int m = width + 2;
        if (l > r) {
            int s = l;
            l = r;
            r = s;
        }
        if (t > b) {
            int s = t;
            t = b;
            b = s;
        }
        l -= m, t -= m, r += m + 1, b += m + 1;
        if (l < 0) l = 0;
        if (t < 0) t = 0;
        if (r > CORPUS_WIDTH) r = CORPUS_WIDTH;
        if (b > CORPUS_HEIGHT) b = CORPUS_HEIGHT;
        if (l >= r || t >= b) return;
        if (!any) {
            dirty = RECT{l, t, r, b};
            any = true;
            return;
        }
        if (l < dirty.left) dirty.left = l;
        if (t < dirty.top) dirty.top = t;
        if (r > dirty.right) dirty.right = r;
        if (b > dirty.bottom) dirty.bottom = b;
    }

    // FNV-1a over the position and colour of every pixel that is not white.
    unsigned checksum() const {
        unsigned h = 2166136261u;
        if (!any) return h;
        for (int y = dirty.top; y < dirty.bottom; ++y)
            for (int x = dirty.left; x < dirty.right; ++x) {
                COLORREF c = GetPixel(dc, x, y) & 0xFFFFFF;
                if (c == WHITE) continue;
                unsigned v[3] = {(unsigned)x, (unsigned)y, (unsigned)c};
                for (int i = 0; i < 3; ++i)
                    for (int k = 0; k < 4; ++k) {
                        h ^= (v[i] >> (8 * k)) & 0xFF;
                        h *= 16777619u;
                    }
            }
        return h;
    }

    void done(const char *family, const char *name, bool keep = false) {
        RECT none = {0, 0, 0, 0};
        report(context, family, name, checksum(), dc, any ? &dirty : &none);
        ++count;
        if (!keep) wipe();
    }

    void wipe() {
        if (!any) return;
        HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
        RECT all = {0, 0, CORPUS_WIDTH, CORPUS_HEIGHT};
        FillRect(dc, &all, white);
        any = false;
    }

    // width -1: NULL_PEN.
    void tools(int width, bool filled) {
        SelectObject(dc, width < 0 ? GetStockObject(NULL_PEN) : (HGDIOBJ)pens[width]);
        SelectObject(dc, filled ? (HGDIOBJ)fill : GetStockObject(NULL_BRUSH));
    }

    void ellipse(int l, int t, int r, int b, int width, bool filled) {
        tools(width, filled);
        Ellipse(dc, l, t, r, b);
        touch(l, t, r, b, width);
    }
    void rectangle(int l, int t, int r, int b, int width, bool filled) {
        tools(width, filled);
        Rectangle(dc, l, t, r, b);
        touch(l, t, r, b, width);
    }
    void line(int x0, int y0, int x1, int y1, int width) {
        tools(width, false);
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
        touch(x0, y0, x1, y1, width);
    }
    void polygon(const POINT *points, int n, int width, bool filled) {
        tools(width, filled);
        Polygon(dc, points, n);
        for (int i = 0; i < n; ++i)
            touch(points[i].x, points[i].y, points[i].x, points[i].y, width);
    }
};

const char *fill_name(bool filled) {
    return filled ? "filled" : "hollow";
}

// Every box up to 64 x 64 with a 1-pixel pen (width 1, and width 0 on every third box), filled
// and hollow; the smaller ones without a pen too.
void thin_ellipses(Corpus &c) {
    char name[64];
    for (int w = 1; w <= 64; ++w)
        for (int h = 1; h <= 64; ++h)
            for (int f = 0; f < 2; ++f) {
                int width = (w + h) % 3 == 0 ? 0 : 1;
                c.ellipse(20, 20, 20 + w, 20 + h, width, f == 0);
                snprintf(name, sizeof name, "%dx%d w%d %s", w, h, width, fill_name(f == 0));
                c.done("ellipse-thin", name);
            }
    for (int w = 1; w <= 32; ++w)
        for (int h = 1; h <= 32; ++h) {
            c.ellipse(20, 20, 20 + w, 20 + h, -1, true);
            snprintf(name, sizeof name, "%dx%d nopen", w, h);
            c.done("ellipse-nopen", name);
        }
}

// Circles up to 64 across with every wide pen, filled and hollow; every box up to 64 x 64 with one
// wide pen and filling that vary with the box.
void wide_ellipses(Corpus &c) {
    char name[64];
    for (int d = 1; d <= 64; ++d)
        for (int width = 2; width <= 12; ++width)
            for (int f = 0; f < 2; ++f) {
                c.ellipse(30, 30, 30 + d, 30 + d, width, f == 0);
                snprintf(name, sizeof name, "circle %d w%d %s", d, width, fill_name(f == 0));
                c.done("ellipse-wide", name);
            }
    for (int w = 1; w <= 64; ++w)
        for (int h = 1; h <= 64; ++h) {
            int width = 2 + (w * 5 + h * 3) % 11;
            bool filled = (w + h) % 2 == 0;
            c.ellipse(30, 30, 30 + w, 30 + h, width, filled);
            snprintf(name, sizeof name, "%dx%d w%d %s", w, h, width, fill_name(filled));
            c.done("ellipse-wide", name);
        }
}

void large_ellipses(Corpus &c, Random &random) {
    char name[80];
    for (int i = 0; i < 300; ++i) {
        int w = random.range(65, 560), h = random.range(65, 500);
        int l = random.range(15, CORPUS_WIDTH - 15 - w > 15 ? CORPUS_WIDTH - 15 - w : 15);
        int t = random.range(15, CORPUS_HEIGHT - 15 - h > 15 ? CORPUS_HEIGHT - 15 - h : 15);
        int width = random.range(0, 12);
        bool filled = random.next() % 2 == 0;
        c.ellipse(l, t, l + w, t + h, width, filled);
        snprintf(name, sizeof name, "%d,%d,%d,%d w%d %s", l, t, l + w, t + h, width,
                 fill_name(filled));
        c.done(width <= 1 ? "ellipse-large-thin" : "ellipse-large-wide", name);
    }
}

// 100 cos(angle degrees) rounded, angle a multiple of 3 (a table keeps both builds free of
// floating-point differences).
int cos100(int angle) {
    static const int quarter[31] = {100, 100, 99, 99, 98, 97, 95, 93, 91, 89, 87,
                                    84,  81,  78, 74, 71, 67, 63, 59, 54, 50, 45,
                                    41,  36,  31, 26, 21, 16, 10, 5,  0};
    angle %= 360;
    if (angle <= 90) return quarter[angle / 3];
    if (angle <= 180) return -quarter[(180 - angle) / 3];
    if (angle <= 270) return -quarter[(angle - 180) / 3];
    return quarter[(360 - angle) / 3];
}

// Lines from the middle along a grid of small and medium vectors, then a full turn of long ones.
void lines(Corpus &c) {
    static const int steps[] = {-20, -13, -7, -3, -2, -1, 0, 1, 2, 3, 7, 13, 20};
    const int n = (int)(sizeof steps / sizeof steps[0]);
    char name[64];
    for (int width = 0; width <= 12; ++width) {
        const char *family = width <= 1 ? "line-thin" : "line-wide";
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                c.line(300, 270, 300 + steps[i], 270 + steps[j], width);
                snprintf(name, sizeof name, "d%d,%d w%d", steps[i], steps[j], width);
                c.done(family, name);
            }
        // A full turn in steps of 3 degrees, 100 pixels long, endpoints rounded to pixels.
        for (int angle = 0; angle < 360; angle += 3) {
            int dx = cos100(angle), dy = -cos100(angle + 270);
            c.line(300, 270, 300 + dx, 270 + dy, width);
            snprintf(name, sizeof name, "turn %d w%d", angle, width);
            c.done(family, name);
        }
    }
}

// Joined segments drawn by MoveToEx and LineTo.
void paths(Corpus &c, Random &random) {
    char name[64];
    for (int i = 0; i < 130; ++i) {
        int width = i % 13;
        int n = random.range(3, 5);
        int x = random.range(100, 500), y = random.range(100, 440);
        c.tools(width, false);
        MoveToEx(c.dc, x, y, nullptr);
        c.touch(x, y, x, y, width);
        for (int k = 1; k < n; ++k) {
            x += random.range(-60, 60);
            y += random.range(-60, 60);
            LineTo(c.dc, x, y);
            c.touch(x, y, x, y, width);
        }
        snprintf(name, sizeof name, "%d w%d", i, width);
        c.done(width <= 1 ? "path-thin" : "path-wide", name);
    }
}

void polygons(Corpus &c, Random &random) {
    char name[64];
    // Random triangles and quadrilaterals.
    for (int i = 0; i < 260; ++i) {
        int width = i % 13;
        bool filled = (i / 13) % 2 == 0;
        int n = i < 160 ? 3 : 4;
        int x = random.range(80, 520), y = random.range(80, 460);
        int size = random.range(3, 70);
        POINT p[4];
        for (int k = 0; k < n; ++k)
            p[k] = POINT{x + random.range(-size, size), y + random.range(-size, size)};
        c.polygon(p, n, width, filled);
        snprintf(name, sizeof name, "random %d w%d %s", i, width, fill_name(filled));
        c.done(width <= 1 ? "polygon-thin" : "polygon-wide", name);
    }
    // Thin and degenerate ones.
    static const POINT shapes[][4] = {
        {{100, 100}, {140, 101}, {100, 102}, {0, 0}},      // a sliver
        {{100, 100}, {101, 140}, {102, 100}, {0, 0}},      // a tall sliver
        {{100, 100}, {130, 100}, {160, 100}, {0, 0}},      // collinear, horizontal
        {{100, 100}, {120, 130}, {140, 160}, {0, 0}},      // collinear, slanted
        {{100, 100}, {100, 100}, {100, 100}, {0, 0}},      // one point
        {{100, 100}, {150, 120}, {100, 100}, {0, 0}},      // there and back
        {{100, 100}, {140, 140}, {140, 100}, {100, 140}},  // a bow tie
        {{100, 100}, {160, 100}, {160, 101}, {100, 101}},  // two rows
        {{100, 100}, {101, 100}, {101, 160}, {100, 160}},  // two columns
        {{100, 100}, {110, 100}, {110, 110}, {100, 110}},  // a square
    };
    static const int sizes[] = {3, 3, 3, 3, 3, 3, 4, 4, 4, 4};
    for (int s = 0; s < 10; ++s)
        for (int width = 0; width <= 12; ++width)
            for (int f = 0; f < 2; ++f) {
                c.polygon(shapes[s], sizes[s], width, f == 0);
                snprintf(name, sizeof name, "shape %d w%d %s", s, width, fill_name(f == 0));
                c.done(width <= 1 ? "polygon-thin" : "polygon-wide", name);
            }
    // Two points.
    for (int width = 0; width <= 12; ++width) {
        POINT p[2] = {{100, 100}, {130, 117}};
        c.polygon(p, 2, width, true);
        snprintf(name, sizeof name, "two points w%d", width);
        c.done(width <= 1 ? "polygon-thin" : "polygon-wide", name);
    }
}

void rectangles(Corpus &c) {
    static const int sizes[] = {1, 2, 3, 4, 5, 6, 7, 10, 16, 33};
    char name[64];
    for (int width = -1; width <= 12; ++width)
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 10; ++j)
                for (int f = 0; f < 2; ++f) {
                    if (width < 0 && f == 1) continue;
                    int w = sizes[i], h = sizes[j];
                    c.rectangle(40, 40, 40 + w, 40 + h, width, f == 0);
                    snprintf(name, sizeof name, "%dx%d w%d %s", w, h, width, fill_name(f == 0));
                    c.done(width < 0 ? "rect-nopen" : width <= 1 ? "rect-thin" : "rect-wide", name);
                }
}

// Shapes across the bitmap's edges and corners.
void off_edges(Corpus &c, Random &random) {
    char name[80];
    for (int i = 0; i < 300; ++i) {
        int width = random.range(0, 12);
        bool filled = random.next() % 2 == 0;
        // A point near an edge or a corner.
        int x = random.next() % 2 ? random.range(-40, 40) : random.range(560, 640);
        int y = random.next() % 2 ? random.range(-40, 40) : random.range(500, 580);
        if (random.next() % 3 == 0) x = random.range(0, 600);
        int w = random.range(1, 90), h = random.range(1, 90);
        int kind = i % 4;
        switch (kind) {
            case 0:
                c.ellipse(x - w / 2, y - h / 2, x + w - w / 2, y + h - h / 2, width, filled);
                break;
            case 1:
                c.rectangle(x - w / 2, y - h / 2, x + w - w / 2, y + h - h / 2, width, filled);
                break;
            case 2:
                c.line(x - w, y - h, x + w, y + h, width);
                break;
            default: {
                POINT p[3] = {{x - w, y}, {x + w, y - h}, {x, y + h}};
                c.polygon(p, 3, width, filled);
            }
        }
        static const char *kinds[] = {"ellipse", "rect", "line", "polygon"};
        snprintf(name, sizeof name, "%d %s w%d %s", i, kinds[kind], width, fill_name(filled));
        c.done("edge", name);
    }
}

// One picture built up call by call: every checksum covers all the calls so far.
void mixed(Corpus &c, Random &random) {
    static const COLORREF palette[] = {RGB(0, 0, 0),   RGB(200, 0, 0),   RGB(0, 150, 0),
                                       RGB(0, 0, 200), RGB(250, 200, 0), RGB(255, 255, 255)};
    char name[64];
    for (int i = 0; i < 200; ++i) {
        int width = random.range(0, 12);
        HPEN pen = CreatePen(PS_SOLID, width, palette[random.range(0, 5)]);
        HBRUSH brush = random.next() % 3 ? CreateSolidBrush(palette[random.range(0, 5)]) : nullptr;
        SelectObject(c.dc, pen);
        SelectObject(c.dc, brush ? (HGDIOBJ)brush : GetStockObject(NULL_BRUSH));
        int x = random.range(-20, 620), y = random.range(-20, 560);
        int w = random.range(1, 150), h = random.range(1, 150);
        int kind = random.range(0, 4);
        switch (kind) {
            case 0:
                Ellipse(c.dc, x, y, x + w, y + h);
                break;
            case 1:
                Rectangle(c.dc, x, y, x + w, y + h);
                break;
            case 2: {
                POINT p[3] = {
                    {x, y}, {x + w, y + random.range(0, h)}, {x + random.range(0, w), y + h}};
                Polygon(c.dc, p, 3);
                break;
            }
            case 3:
                MoveToEx(c.dc, x, y, nullptr);
                LineTo(c.dc, x + w - 75, y + h - 75);
                LineTo(c.dc, x + random.range(-50, 50), y + random.range(-50, 50));
                break;
            default:
                SetPixel(c.dc, x, y, palette[random.range(0, 5)]);
        }
        c.touch(x - 80, y - 80, x + w + 80, y + h + 80, width);
        SelectObject(c.dc, GetStockObject(BLACK_PEN));
        SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
        if (brush) DeleteObject(brush);
        snprintf(name, sizeof name, "%d", i);
        c.done("mixed", name, true);
    }
    c.wipe();
}

// Arcs and pies of boxes small and large, between rays through points on a turn in steps of 3
// degrees (the same ray twice is the whole ellipse), with pens 0 to 12 wide; pies filled and
// hollow.
void arcs(Corpus &c) {
    static const int boxes[][2] = {{1, 1},   {2, 5},     {3, 3},     {4, 4},    {5, 5},   {5, 9},
                                   {7, 7},   {8, 5},     {10, 16},   {16, 16},  {33, 20}, {64, 64},
                                   {65, 41}, {151, 151}, {300, 181}, {401, 401}};
    static const int turns[][2] = {{0, 90},   {0, 180},  {0, 0},     {45, 135}, {90, 270},
                                   {30, 300}, {177, 3},  {201, 339}, {270, 90}, {12, 15},
                                   {99, 261}, {315, 45}, {180, 0},   {60, 60},  {123, 333}};
    const int nb = (int)(sizeof boxes / sizeof boxes[0]),
              nt = (int)(sizeof turns / sizeof turns[0]);
    char name[80];
    int k = 0;
    for (int i = 0; i < nb; ++i)
        for (int j = 0; j < nt; ++j)
            for (int p = 0; p < 3; ++p, ++k) {
                int w = boxes[i][0], h = boxes[i][1];
                int width = p == 0 ? (k % 2) : 2 + (k * 7 + p) % 11;
                int l = 100, t = 60, cx = l + w / 2, cy = t + h / 2;
                int a0 = turns[j][0], a1 = turns[j][1];
                int x1 = cx + 5 * cos100(a0), y1 = cy - 5 * cos100(a0 + 270);
                int x2 = cx + 5 * cos100(a1), y2 = cy - 5 * cos100(a1 + 270);
                c.tools(width, false);
                Arc(c.dc, l, t, l + w, t + h, x1, y1, x2, y2);
                c.touch(l, t, l + w, t + h, width);
                snprintf(name, sizeof name, "%dx%d %d-%d w%d", w, h, a0, a1, width);
                c.done(width <= 1 ? "arc-thin" : "arc-wide", name);
                bool filled = (k % 3) != 2;
                c.tools(width, filled);
                Pie(c.dc, l, t, l + w, t + h, x1, y1, x2, y2);
                c.touch(l, t, l + w, t + h, width);
                snprintf(name, sizeof name, "%dx%d %d-%d w%d %s", w, h, a0, a1, width,
                         fill_name(filled));
                c.done(width <= 1 ? "pie-thin" : "pie-wide", name);
            }
    // Rays through points on the box's own axes and corners, near and far.
    static const int rays[][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}, {1, 1}, {-3, 1}, {1000, -7}};
    for (int a = 0; a < 7; ++a)
        for (int b = 0; b < 7; ++b) {
            c.tools(1, false);
            Arc(c.dc, 50, 50, 91, 80, 70 + rays[a][0], 65 + rays[a][1], 70 + rays[b][0],
                65 + rays[b][1]);
            c.touch(50, 50, 91, 80, 1);
            snprintf(name, sizeof name, "ray %d-%d", a, b);
            c.done("arc-thin", name);
        }
}

// Flood fills with a brush of another colour, from seeds inside and outside outlines: the whole
// bitmap, a ring, an outline with a one-pixel gap, areas touching only at corners (which are not
// connected), and the border fill up to a colour.
void flood_fills(Corpus &c) {
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    char name[64];
    for (int s = 0; s < 12; ++s) {
        c.tools(1, false);
        switch (s % 6) {
            case 0:
                break;  // the white bitmap alone
            case 1:
                Ellipse(c.dc, 100, 100, 301, 301);
                Ellipse(c.dc, 150, 150, 251, 251);
                break;
            case 2:
                Rectangle(c.dc, 100, 100, 200, 180);
                SetPixel(c.dc, 150, 100, WHITE);  // the gap
                break;
            case 3:
                for (int i = 0; i < 40; ++i) SetPixel(c.dc, 100 + i, 100 + i, PEN);
                for (int i = 0; i < 40; ++i) SetPixel(c.dc, 101 + i, 100 + i, PEN);
                break;
            case 4:
                c.tools(3, true);
                Ellipse(c.dc, 40, 40, 200, 120);
                Rectangle(c.dc, 120, 60, 260, 200);
                break;
            default:
                for (int i = 0; i < 10; ++i) Rectangle(c.dc, 100 + 8 * i, 100, 104 + 8 * i, 140);
        }
        SelectObject(c.dc, green);
        static const POINT seeds[6] = {{5, 5},     {200, 120}, {150, 140},
                                       {120, 110}, {100, 80},  {102, 120}};
        POINT seed = s < 6 ? seeds[s] : POINT{seeds[s - 6].x + 1, seeds[s - 6].y + 1};
        COLORREF at = GetPixel(c.dc, seed.x, seed.y);
        if (s < 6)
            ExtFloodFill(c.dc, seed.x, seed.y, at, FLOODFILLSURFACE);
        else
            ExtFloodFill(c.dc, seed.x, seed.y, PEN, FLOODFILLBORDER);
        c.touch(0, 0, CORPUS_WIDTH, CORPUS_HEIGHT, 0);
        snprintf(name, sizeof name, "%d %s", s % 6, s < 6 ? "surface" : "border");
        c.done("flood", name);
    }
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(green);
}

// A 40 x 30 bitmap of premultiplied colours whose alpha runs 0 to 255 across and down, blended
// over stripes at places partly off the bitmap, with and without source alpha, at constant
// alphas 255, 128 and 1.
void alpha_blends(Corpus &c) {
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -30;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP sprite = CreateDIBSection(c.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC sprite_dc = CreateCompatibleDC(c.dc);
    if (!sprite || !bits || !sprite_dc) return;
    HGDIOBJ old = SelectObject(sprite_dc, sprite);
    unsigned *pixel = (unsigned *)bits;
    static const unsigned char special[] = {0, 1, 127, 128, 254, 255};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            unsigned a = y < 6 ? special[y] : (unsigned)((x * 7 + y * 5) % 256);
            unsigned r = (unsigned)(x * 6) % 256, g = (unsigned)(y * 8) % 256, b = 200;
            *pixel++ = (a << 24) | ((r * a + 127) / 255) << 16 | ((g * a + 127) / 255) << 8 |
                       ((b * a + 127) / 255);
        }
    static const POINT places[] = {{100, 100}, {-10, 50}, {580, 520}, {300, -12}};
    static const int alphas[] = {255, 128, 1};
    char name[64];
    for (int p = 0; p < 4; ++p)
        for (int f = 0; f < 2; ++f)
            for (int a = 0; a < 3; ++a) {
                c.tools(-1, true);
                for (int i = 0; i < 8; ++i) {
                    HBRUSH stripe = CreateSolidBrush(RGB(30 * i, 255 - 30 * i, (i % 2) * 255));
                    SelectObject(c.dc, stripe);
                    Rectangle(c.dc, places[p].x - 5 + 7 * i, places[p].y - 5,
                              places[p].x + 2 + 7 * i, places[p].y + 36);
                    SelectObject(c.dc, c.fill);
                    DeleteObject(stripe);
                }
                BLENDFUNCTION blend = {AC_SRC_OVER, 0, (BYTE)alphas[a],
                                       (BYTE)(f == 0 ? AC_SRC_ALPHA : 0)};
                AlphaBlend(c.dc, places[p].x, places[p].y, 40, 30, sprite_dc, 0, 0, 40, 30, blend);
                c.touch(places[p].x - 5, places[p].y - 5, places[p].x + 60, places[p].y + 36, 0);
                snprintf(name, sizeof name, "%d,%d %s %d", (int)places[p].x, (int)places[p].y,
                         f == 0 ? "alpha" : "constant", alphas[a]);
                c.done("blend", name);
            }
    SelectObject(sprite_dc, old);
    DeleteDC(sprite_dc);
    DeleteObject(sprite);
}

}  // namespace

int corpus_run(CorpusReport report, void *context) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, CORPUS_WIDTH, CORPUS_HEIGHT);
    ReleaseDC(nullptr, screen);
    if (!dc || !bitmap) return -1;
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ old_pen = GetCurrentObject(dc, OBJ_PEN);
    HGDIOBJ old_brush = GetCurrentObject(dc, OBJ_BRUSH);

    Corpus c;
    memset(&c, 0, sizeof c);
    c.dc = dc;
    c.report = report;
    c.context = context;
    c.fill = CreateSolidBrush(FILL);
    for (int w = 0; w <= 12; ++w) c.pens[w] = CreatePen(PS_SOLID, w, PEN);
    RECT all = {0, 0, CORPUS_WIDTH, CORPUS_HEIGHT};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));

    Random random = {0x2545F491u};
    thin_ellipses(c);
    wide_ellipses(c);
    large_ellipses(c, random);
    lines(c);
    paths(c, random);
    polygons(c, random);
    rectangles(c);
    off_edges(c, random);
    mixed(c, random);
    arcs(c);
    flood_fills(c);
    alpha_blends(c);

    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_bitmap);
    for (int w = 0; w <= 12; ++w) DeleteObject(c.pens[w]);
    DeleteObject(c.fill);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return c.count;
}
