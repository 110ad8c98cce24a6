// The calls beyond the first eight: any colour, ellipses, arcs, polygons, flood fills, pixel
// reads, PNG images blended over the picture, and text measuring, checked at library coordinates;
// collisions, see-through colours, drawing into images and sprites.
// The test PNGs are made here with libpng.
#include "library/draw/canvas.h"
#include "library/draw/raster.h"
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using drawtest::painted_by;
using drawtest::Point;

namespace {

class Extras : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { drawtest::open_library(); }
    void SetUp() override {
        TAVIX_set_logging(0);
        drawtest::take_console();
    }
    void TearDown() override {
        TAVIX_set_logging(1);
        drawtest::take_console();
    }
};

// The console's messages since the last call, without their newlines.
std::vector<std::string> console() {
    std::vector<std::string> lines = drawtest::take_console();
    for (std::string &line : lines)
        if (!line.empty() && line.back() == '\n') line.pop_back();
    return lines;
}

std::string temp_path(const char *name) {
    return std::string(::testing::TempDir()) + "tavix_extras_" + name;
}

// Writes a PNG of the given libpng colour type and bit depth; rows holds its packed bytes.
void write_png(const std::string &path, int width, int height, int colour_type, int depth,
               const std::vector<unsigned char> &rows, const std::vector<png_color> &palette = {},
               const std::vector<unsigned char> &alphas = {}) {
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, depth, colour_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), (int)palette.size());
    if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), (int)alphas.size(), nullptr);
    png_write_info(png, info);
    size_t stride = rows.size() / (size_t)height;
    for (int y = 0; y < height; ++y) png_write_row(png, rows.data() + (size_t)y * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

// An 8-bit RGBA PNG of pixels given as 0xAARRGGBB.
void write_rgba(const std::string &path, int width, int height, const std::vector<uint32_t> &px) {
    std::vector<unsigned char> rows;
    for (uint32_t p : px) {
        rows.push_back((unsigned char)(p >> 16));
        rows.push_back((unsigned char)(p >> 8));
        rows.push_back((unsigned char)p);
        rows.push_back((unsigned char)(p >> 24));
    }
    write_png(path, width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, rows);
}

// Pixels of an image drawn at (0, 0) over white, read back as 0xRRGGBB.
std::vector<int> drawn(int image) {
    drawtest::fill_buffer(RGB(255, 255, 255));
    TAVIX_draw_image(image, 0, 0);
    std::vector<int> out;
    for (int y = 0; y < TAVIX_image_height(image); ++y)
        for (int x = 0; x < TAVIX_image_width(image); ++x) out.push_back(TAVIX_get_pixel(x, -y));
    return out;
}

TEST_F(Extras, RgbColoursDrawAndLogAsHexAndLeaveIllegalIndicesRed) {
    int teal = TAVIX_rgb(1, 128, 254);
    EXPECT_EQ(painted_by([&] { TAVIX_draw_pixel(teal, 5, 5); }), (std::vector<Point>{{5, 5}}));
    EXPECT_EQ(drawtest::pixel(5, 5), RGB(1, 128, 254));
    EXPECT_EQ(TAVIX_get_pixel(5, 5), 0x0180FE);
    TAVIX_set_logging(1);
    TAVIX_draw_pixel(teal, 5, 5);
    TAVIX_draw_circle(TAVIX_rgb(-4, 300, 7), 0, 0, 2);
    TAVIX_draw_pixel(24, 1, 1);
    TAVIX_draw_pixel(0x0180FE, 1, 1);    // a colour value passed as a number by mistake
    TAVIX_draw_pixel(0x3C123456, 1, 1);  // like TAVIX_rgb's numbers, but never returned by it
    EXPECT_EQ(
        console(),
        (std::vector<std::string>{
            "#0180FE pixel at (5,5)", "Red of -4 not possible, using red 0",
            "Green of 300 not possible, using green 255", "#00FF07 circle at (0,0), radius 2",
            "Illegal color 24; using RED.", "red pixel at (1,1)", "Illegal color 98558; using RED.",
            "red pixel at (1,1)", "Illegal color 1007826006; using RED.", "red pixel at (1,1)"}));
    EXPECT_EQ(drawtest::pixel(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(TAVIX_get_pixel(400, 0), -1);
    EXPECT_EQ(TAVIX_get_pixel(0, 271), -1);
}

TEST_F(Extras, EllipsesArcsAndPolygonsCoverWhatTheirOlderKinDo) {
    for (int r = 0; r <= 40; r += 3) {
        auto circle = painted_by([&] { TAVIX_draw_circle(BLUE, 3, -4, r); });
        EXPECT_EQ(painted_by([&] { TAVIX_draw_ellipse(BLUE, 3, -4, r, r, 0); }), circle) << r;
        // A whole pie slice is the filled ellipse; its outline lies within it.
        EXPECT_EQ(painted_by([&] { TAVIX_draw_arc(BLUE, 3, -4, r, r, 0, 0, 0); }), circle) << r;
        auto ring = painted_by([&] { TAVIX_draw_ellipse(BLUE, 3, -4, r, r, 1); });
        for (const Point &p : ring)
            EXPECT_TRUE(std::binary_search(circle.begin(), circle.end(), p)) << r;
    }
    // The arc from 0 to 90 degrees lies in the upper right quarter, y up.
    for (const Point &p : painted_by([] { TAVIX_draw_arc(RED, 0, 0, 50, 30, 0, 90, 1); }))
        EXPECT_TRUE(p.x >= 0 && p.y >= 0) << p.x << "," << p.y;
    int square[8] = {-10, 10, 10, 10, 10, -10, -10, -10};
    EXPECT_EQ(painted_by([&] { TAVIX_draw_polygon(GREEN, 4, square, 0); }),
              painted_by([] { TAVIX_draw_rectangle(GREEN, -10, 10, 10, -10, 0); }));
    int triangle[6] = {0, 0, 40, 5, 7, 33};
    EXPECT_EQ(painted_by([&] { TAVIX_draw_polygon(GREEN, 3, triangle, 2); }),
              painted_by([] { TAVIX_draw_triangle(GREEN, 0, 0, 40, 5, 7, 33, 2); }));
    std::vector<int> many(2 * 1001, 0);
    TAVIX_draw_polygon(GREEN, 2, square, 0);
    TAVIX_draw_polygon(GREEN, 1001, many.data(), 0);
    TAVIX_draw_ellipse(GREEN, 0, 0, -3, 4, -2);
    EXPECT_EQ(console(),
              (std::vector<std::string>{"Polygon of 2 points not possible, nothing drawn",
                                        "Polygon of 1001 points not possible, using its first 1000",
                                        "Radius of -3 not possible, using radius 3",
                                        "Width of -2 not possible, using width 2"}));
}

TEST_F(Extras, FloodFillsStopAtOtherColoursAndLeakThroughGaps) {
    struct Case {
        const char *name;
        void (*setup)();
        int x, y;
        size_t painted;  // pixels the fill changes
    };
    const Case cases[] = {
        // Inside the one-pixel black frame: all but the frame.
        {"whole buffer", [] { TAVIX_clear_window(); }, 0, 0, 599u * 538u},
        {"ring",
         [] {
             TAVIX_clear_window();
             TAVIX_draw_ellipse(BLACK, 0, 0, 60, 60, 1);
             TAVIX_draw_ellipse(BLACK, 0, 0, 30, 30, 1);
         },
         45, 0, 0},
        {"closed box",
         [] {
             TAVIX_clear_window();
             TAVIX_draw_rectangle(BLACK, -20, 20, 20, -20, 1);
         },
         0, 0, 39u * 39u},
        {"box with a one-pixel gap",
         [] {
             TAVIX_clear_window();
             TAVIX_draw_rectangle(BLACK, -20, 20, 20, -20, 1);
             TAVIX_draw_pixel(WHITE, 0, 20);
         },
         0, 0, 599u * 538u - (41u * 4u - 4u - 1u)},
        // The outline's corner pixel is missing: the inside touches the outside only there,
        // diagonally.
        {"corner gap",
         [] {
             TAVIX_clear_window();
             TAVIX_draw_rectangle(BLACK, -20, 20, 20, -20, 1);
             TAVIX_draw_pixel(WHITE, 20, 20);
         },
         0, 0, 39u * 39u},
    };
    for (const Case &c : cases) {
        c.setup();
        std::vector<COLORREF> before = drawtest::snapshot();
        TAVIX_fill_area(TAVIX_rgb(0, 200, 0), c.x, c.y);
        std::vector<Point> changed = drawtest::changed(before, drawtest::snapshot());
        for (const Point &p : changed) EXPECT_EQ(drawtest::pixel(p.x, p.y), RGB(0, 200, 0));
        if (c.painted) {
            EXPECT_EQ(changed.size(), c.painted) << c.name;
        }
        EXPECT_FALSE(changed.empty()) << c.name;
        if (std::string(c.name) == "ring") {
            // The ring is filled, neither the hole nor the outside.
            EXPECT_EQ(drawtest::pixel(0, 0), RGB(255, 255, 255));
            EXPECT_EQ(drawtest::pixel(100, 0), RGB(255, 255, 255));
        }
    }
    TAVIX_fill_area(RED, 400, 0);
    EXPECT_EQ(console(),
              (std::vector<std::string>{"Fill from (400,0) not possible, outside the picture"}));
}

TEST_F(Extras, AlphaBlendsAsPremultipliedSourceOver) {
    // Each alpha over each background, the colour premultiplied with rounding, then
    // out = premultiplied + (background (255 - alpha) + 127) / 255 per channel.
    const int alphas[] = {0, 1, 127, 128, 254, 255};
    const uint32_t colours[] = {0xFFFFFF, 0x000000, 0xC86432, 0x0180FE};
    const COLORREF backgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(17, 99, 250)};
    std::vector<uint32_t> px;
    for (uint32_t c : colours)
        for (int a : alphas) px.push_back((uint32_t)a << 24 | c);
    std::string path = temp_path("alpha.png");
    write_rgba(path, 6, 4, px);
    int image = TAVIX_load_image(path.c_str());
    ASSERT_GT(image, 0);
    for (COLORREF bg : backgrounds) {
        drawtest::fill_buffer(bg);
        TAVIX_draw_image(image, -3, 2);
        for (size_t i = 0; i < px.size(); ++i) {
            uint32_t a = px[i] >> 24, expect = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                uint32_t c = (px[i] >> shift) & 0xFF;
                uint32_t d = shift == 16  ? GetRValue(bg)
                             : shift == 8 ? GetGValue(bg)
                                          : GetBValue(bg);
                expect |= ((c * a + 127) / 255 + (d * (255 - a) + 127) / 255) << shift;
            }
            EXPECT_EQ(TAVIX_get_pixel(-3 + (int)i % 6, 2 - (int)i / 6), (int)expect)
                << "alpha " << a << " colour " << std::hex << px[i];
        }
    }
    TAVIX_free_image(image);
}

TEST_F(Extras, PngsOfEveryKindLoadAndBadOnesAreRefusedWithTheirReason) {
    // Palette with transparency, 16-bit RGBA, 8-bit grey, 16-bit grey with alpha.
    std::string palette = temp_path("palette.png"), deep = temp_path("deep.png"),
                grey = temp_path("grey.png"), grey_alpha = temp_path("grey_alpha.png");
    write_png(palette, 3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2},
              {{255, 0, 0}, {0, 255, 0}, {10, 20, 30}}, {255, 0});
    write_png(deep, 2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16,
              {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
    write_png(grey, 2, 2, PNG_COLOR_TYPE_GRAY, 8, {0, 64, 128, 255});
    write_png(grey_alpha, 1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0x80, 0x00, 0xFF, 0xFF});
    struct Good {
        const std::string &path;
        int width, height;
        std::vector<int> pixels;  // drawn over white
    };
    const Good good[] = {
        {palette, 3, 1, {0xFF0000, 0xFFFFFF, 0x0A141E}},
        {deep, 2, 1, {0x12569A, 0xFFFFFF}},  // the high bytes
        {grey, 2, 2, {0x000000, 0x404040, 0x808080, 0xFFFFFF}},
        {grey_alpha, 1, 1, {0x808080}},
    };
    for (const Good &g : good) {
        int image = TAVIX_load_image(g.path.c_str());
        ASSERT_GT(image, 0) << g.path;
        EXPECT_EQ(TAVIX_image_width(image), g.width);
        EXPECT_EQ(TAVIX_image_height(image), g.height);
        EXPECT_EQ(drawn(image), g.pixels) << g.path;
        TAVIX_free_image(image);
    }
    // Whatever follows the rows is not read: a stream running on past them, damage, no end
    // chunk; and ancillary chunks are passed over unread, a damaged one too.
    auto raw_chunk = [](const char *type, const std::string &data) {
        std::string c;
        for (int i = 3; i >= 0; --i) c += (char)(data.size() >> (8 * i) & 0xFF);
        std::string body = std::string(type, 4) + data;
        uLong crc = crc32(0, (const Bytef *)body.data(), (uInt)body.size());
        c += body;
        for (int i = 3; i >= 0; --i) c += (char)(crc >> (8 * i) & 0xFF);
        return c;
    };
    std::string rows = std::string("\0\x11\x22\x33\xFF\x44\x55\x66\xFF", 9);
    std::vector<Bytef> packed(compressBound(1 << 20));
    uLongf packed_size = packed.size();
    ASSERT_EQ(compress(packed.data(), &packed_size,
                       (const Bytef *)(rows + std::string(1 << 20, 7)).data(),
                       (uLong)(rows.size() + (1 << 20))),
              Z_OK);
    std::string after = std::string("\x89PNG\r\n\x1a\n", 8) +
                        raw_chunk("IHDR", std::string("\0\0\0\2\0\0\0\1\x08\x06\0\0\0", 13)) +
                        raw_chunk("zTXt", "Comment\0\0not a deflate stream at all") +
                        raw_chunk("IDAT", std::string((const char *)packed.data(), packed_size)) +
                        "\0\0\0\x10junk, and no end";
    std::string after_rows = temp_path("after_rows.png");
    FILE *written = fopen(after_rows.c_str(), "wb");
    fwrite(after.data(), 1, after.size(), written);
    fclose(written);
    int image = TAVIX_load_image(after_rows.c_str());
    ASSERT_GT(image, 0) << console().back();
    EXPECT_EQ(drawn(image), (std::vector<int>{0x112233, 0x445566}));
    TAVIX_free_image(image);

    // Cut short: the first half of a good file.
    std::string whole = temp_path("whole.png"), cut = temp_path("cut.png");
    write_rgba(whole, 64, 64, std::vector<uint32_t>(64 * 64, 0xFF336699u));
    FILE *in = fopen(whole.c_str(), "rb");
    std::vector<char> bytes(100000);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), in));
    fclose(in);
    FILE *out = fopen(cut.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size() / 2, out);
    fclose(out);
    std::string text = temp_path("text.png");
    out = fopen(text.c_str(), "wb");
    fputs("not a picture\n", out);
    fclose(out);
    // A header declaring 20,000 x 20,000 pixels, and nothing after it.
    std::string huge = temp_path("huge.png");
    unsigned char header[33] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0,    0,    13, 'I',
                                'H',  'D', 'R', 0,   0,    0x4E, 0x20, 0,    0, 0x4E, 0x20, 8,  6};
    uLong crc = crc32(0, header + 12, 17);
    for (int i = 0; i < 4; ++i) header[29 + i] = (unsigned char)(crc >> (24 - 8 * i));
    out = fopen(huge.c_str(), "wb");
    fwrite(header, 1, sizeof header, out);
    fclose(out);
    std::string missing = temp_path("missing.png");
    remove(missing.c_str());
    // A FIFO with no writer is refused at once rather than waited on.
    std::string pipe = temp_path("pipe.png");
    remove(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string *bad[] = {&cut, &text, &huge, &missing, &pipe};
    for (const std::string *path : bad) EXPECT_EQ(TAVIX_load_image(path->c_str()), 0) << *path;
    std::vector<std::string> lines = console();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Image " + cut + " not loaded: damaged PNG file: ", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1], "Image " + text + " not loaded: not a PNG file");
    EXPECT_EQ(lines[2], "Image " + huge +
                            " not loaded: too large: 20000 x 20000 pixels, at most 4096 x 4096");
    EXPECT_EQ(lines[3], "Image " + missing + " not loaded: No such file or directory");
    EXPECT_EQ(lines[4], "Image " + pipe + " not loaded: not a regular file");
}

TEST_F(Extras, FreedAndUnknownImageNumbersWarn) {
    std::string path = temp_path("one.png");
    write_rgba(path, 1, 1, {0xFF000000u});
    int image = TAVIX_load_image(path.c_str());
    ASSERT_GT(image, 0);
    TAVIX_free_image(image);
    TAVIX_draw_image(image, 0, 0);
    TAVIX_free_image(image);
    EXPECT_EQ(TAVIX_image_width(-7), 0);
    EXPECT_EQ(TAVIX_image_height(image + 100), 0);
    EXPECT_EQ(console(),
              (std::vector<std::string>{
                  "Image " + std::to_string(image) + " not loaded, nothing drawn",
                  "Image " + std::to_string(image) + " not loaded, nothing freed",
                  "Image -7 not loaded, its width is 0",
                  "Image " + std::to_string(image + 100) + " not loaded, its height is 0"}));
    // The number is never given again: the next images take new ones, and the freed number
    // still names nothing, however many images come and go after it.
    int later = 0;
    for (int i = 0; i < 40; ++i) {
        int next = TAVIX_load_image(path.c_str());
        ASSERT_GT(next, later) << i;
        ASSERT_NE(next, image) << i;
        if (i % 2) TAVIX_free_image(next);
        later = next;
    }
    EXPECT_EQ(TAVIX_image_width(later - 1), 1);
    EXPECT_EQ(TAVIX_image_width(later), 0);
    console();
    std::vector<Point> ink = painted_by([&] { TAVIX_draw_image(image, 10, 10); });
    EXPECT_TRUE(ink.empty());
    EXPECT_EQ(console(), (std::vector<std::string>{"Image " + std::to_string(image) +
                                                   " not loaded, nothing drawn"}));
}

TEST_F(Extras, TextMeasuresAsTheBoxItPaintsForEverySize) {
    const char *text = "Hgj|\nW_M\n(,)";
    for (int size = 1; size <= 127; ++size) {
        int width = TAVIX_text_width(size, text), height = TAVIX_text_height(size, text);
        // The box: from the anchor's x, its top the line height above the anchor's row.
        int line = TAVIX_text_height(size, "x");
        EXPECT_EQ(height, 3 * line) << size;
        std::vector<Point> ink = painted_by([&] { TAVIX_draw_text(BLACK, -100, 100, size, text); });
        if (ink.empty()) continue;  // no fonts installed
        int right = -1000, left = 1000, top = -1000, bottom = 1000;
        for (const Point &p : ink) {
            right = std::max(right, p.x), left = std::min(left, p.x);
            top = std::max(top, p.y), bottom = std::min(bottom, p.y);
        }
        EXPECT_GE(left, -100) << size;
        EXPECT_LT(right, -100 + width) << size;
        EXPECT_LE(top, 100 + line - 1) << size;
        EXPECT_GE(bottom, 100 + line - height) << size;
        // Tight: the widest line's ink reaches near the box's right edge, the last line's
        // near its bottom.
        EXPECT_GE(right, -100 + width - 1 - std::max(2, size / 4)) << size;
        EXPECT_LE(bottom, 100 + line - height + std::max(2, size / 3)) << size;
    }
    EXPECT_EQ(TAVIX_text_width(20, ""), 0);
    EXPECT_EQ(TAVIX_text_width(200, "a"), TAVIX_text_width(127, "a"));
    EXPECT_EQ(console(),
              (std::vector<std::string>{"ptsize of 200 not possible, using ptsize 127"}));
}

}  // namespace

namespace {

bool contains(const std::vector<Point> &points, Point p) {
    return std::binary_search(points.begin(), points.end(), p);
}

bool share_one(const std::vector<Point> &a, const std::vector<Point> &b) {
    for (const Point &p : a)
        if (contains(b, p)) return true;
    return false;
}

}  // namespace

TEST_F(Extras, CollisionsAnswerByThePixelsTheShapesPaint) {
    // Rectangles by two opposite corners in either order; touching edges and corners share a pixel.
    const int rects[][8] = {{0, 0, 10, 10, 10, 10, 20, 20}, {0, 0, 10, 10, 11, 0, 20, 10},
                            {10, 10, 0, 0, 5, -5, 6, 20},   {0, 0, 10, 10, 0, 11, 10, 20},
                            {-3, 4, -3, 4, -3, 4, 9, 9},    {0, 0, 30, 30, 5, 5, 6, 6},
                            {0, 20, 10, 0, 10, -1, 40, 0},  {0, 0, 10, 10, -20, 11, -1, 40}};
    for (const auto &r : rects) {
        SCOPED_TRACE(::testing::Message()
                     << r[0] << "," << r[1] << "," << r[2] << "," << r[3] << " / " << r[4] << ","
                     << r[5] << "," << r[6] << "," << r[7]);
        std::vector<Point> a =
            painted_by([&] { TAVIX_draw_rectangle(RED, r[0], r[1], r[2], r[3], 0); });
        std::vector<Point> b =
            painted_by([&] { TAVIX_draw_rectangle(RED, r[4], r[5], r[6], r[7], 0); });
        EXPECT_EQ(TAVIX_rects_overlap(r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]),
                  share_one(a, b));
        for (int y = r[5] - 1; y <= r[5] + 1; ++y)
            for (int x = r[4] - 1; x <= r[4] + 1; ++x)
                EXPECT_EQ(TAVIX_point_in_rect(x, y, r[0], r[1], r[2], r[3]),
                          contains(a, Point{x, y}))
                    << x << "," << y;
    }
    // Discs: apart by a pixel, touching, diagonal near misses, radius 0 and large radii.
    const int circles[][6] = {
        {0, 0, 10, 21, 0, 10},   {0, 0, 10, 20, 0, 10}, {0, 0, 10, 15, 15, 10},
        {0, 0, 10, 14, 14, 10},  {0, 0, 7, 8, 8, 3},    {0, 0, 0, 1, 0, 0},
        {0, 0, 0, 0, 0, 0},      {5, 5, 1, 7, 7, 1},    {0, 0, 100, 140, 1, 40},
        {-50, 30, 23, 7, 9, 37}, {0, 0, 3, 4, 3, 2},    {0, 0, 120, 0, 0, 5}};
    for (const auto &c : circles) {
        SCOPED_TRACE(::testing::Message() << c[0] << "," << c[1] << " r" << c[2] << " / " << c[3]
                                          << "," << c[4] << " r" << c[5]);
        std::vector<Point> a = painted_by([&] { TAVIX_draw_circle(RED, c[0], c[1], c[2]); });
        std::vector<Point> b = painted_by([&] { TAVIX_draw_circle(RED, c[3], c[4], c[5]); });
        EXPECT_EQ(TAVIX_circles_overlap(c[0], c[1], c[2], c[3], c[4], c[5]), share_one(a, b));
        // Every pixel around the first disc's edge on its own rows.
        for (int dy = -c[2] - 1; dy <= c[2] + 1; ++dy)
            for (int dx = -c[2] - 1; dx <= c[2] + 1; ++dx) {
                int x = c[0] + dx, y = c[1] + dy;
                ASSERT_EQ(TAVIX_point_in_circle(x, y, c[0], c[1], c[2]), contains(a, Point{x, y}))
                    << x << "," << y;
            }
    }
    // The ends of an int: no overflow, the same answers as the geometry gives.
    EXPECT_EQ(TAVIX_rects_overlap(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 0, 0), 1);
    EXPECT_EQ(TAVIX_rects_overlap(INT_MIN, 0, INT_MIN, 0, INT_MAX, 0, INT_MAX, 0), 0);
    EXPECT_EQ(TAVIX_point_in_rect(INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN), 1);
    EXPECT_EQ(TAVIX_circles_overlap(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX), 0);
    EXPECT_EQ(TAVIX_circles_overlap(INT_MIN, 0, INT_MAX, INT_MAX - 1, 0, INT_MAX), 1);
    EXPECT_EQ(TAVIX_circles_overlap(INT_MIN, 0, INT_MAX, INT_MAX, 0, INT_MAX), 0);
    EXPECT_EQ(TAVIX_circles_overlap(INT_MIN, 0, 1000, INT_MAX, 0, 1000), 0);
    EXPECT_EQ(TAVIX_circles_overlap(INT_MIN, INT_MIN, 2000000000, INT_MAX, INT_MAX, 2000000000), 0);
    EXPECT_EQ(TAVIX_circles_overlap(-1500000000, 0, 1500000000, 1500000000, 0, 1500000000), 1);
    EXPECT_EQ(TAVIX_circles_overlap(-1500000000, 0, 1500000000, 1500000001, 0, 1500000000), 0);
    EXPECT_EQ(TAVIX_point_in_circle(INT_MAX, 0, INT_MIN, 0, INT_MAX), 0);
    EXPECT_EQ(TAVIX_point_in_circle(0, 0, INT_MIN, 0, INT_MAX), 0);
    EXPECT_EQ(TAVIX_point_in_circle(-1, 46340, INT_MIN, 0, INT_MAX), 1);
    EXPECT_EQ(TAVIX_point_in_circle(-1, 46341, INT_MIN, 0, INT_MAX), 0);
    EXPECT_EQ(TAVIX_point_in_circle(INT_MAX, INT_MAX, 0, 0, INT_MAX), 0);
    EXPECT_EQ(console(), (std::vector<std::string>{}));
}

TEST_F(Extras, SeeThroughColoursBlendInIntegersAndDrawIntoImagesAtTheirCentre) {
    // Alpha 255 is TAVIX_rgb's colour; the same see-through colour keeps its number.
    EXPECT_EQ(TAVIX_rgba(1, 2, 3, 255), TAVIX_rgb(1, 2, 3));
    int half = TAVIX_rgba(200, 100, 50, 128);
    EXPECT_EQ(TAVIX_rgba(200, 100, 50, 128), half);
    EXPECT_NE(TAVIX_rgba(200, 100, 50, 127), half);
    const COLORREF bg = RGB(10, 250, 90);
    auto mixed = [](int c, int d, int a) { return (c * a + d * (255 - a) + 127) / 255; };
    for (int a : {0, 1, 128, 254}) {
        drawtest::fill_buffer(bg);
        TAVIX_draw_rectangle(TAVIX_rgba(200, 100, 50, a), -2, 2, 2, -2, 0);
        COLORREF want = RGB(mixed(200, 10, a), mixed(100, 250, a), mixed(50, 90, a));
        EXPECT_EQ(drawtest::pixel(0, 0), want) << a;
        EXPECT_EQ(drawtest::pixel(2, -2), want) << a;
        EXPECT_EQ(drawtest::pixel(3, 0), bg) << a;
    }
    // Text, lines, fills take it too.
    drawtest::fill_buffer(bg);
    TAVIX_draw_text(half, 0, 0, 20, "W");
    TAVIX_draw_line(half, -50, -50, -30, -50, 0);
    EXPECT_EQ(drawtest::pixel(-40, -50),
              RGB(mixed(200, 10, 128), mixed(100, 250, 128), mixed(50, 90, 128)));
    TAVIX_fill_area(half, 100, 100);
    EXPECT_EQ(drawtest::pixel(100, 100),
              RGB(mixed(200, 10, 128), mixed(100, 250, 128), mixed(50, 90, 128)));
    bool text_blended = false;
    for (int y = 1; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            text_blended |= drawtest::pixel(x, y) ==
                            RGB(mixed(200, 10, 128), mixed(100, 250, 128), mixed(50, 90, 128));
    EXPECT_TRUE(text_blended);
    TAVIX_set_logging(1);
    console();
    TAVIX_draw_pixel(half, 1, 1);
    EXPECT_EQ(console(), (std::vector<std::string>{"#C8643280 pixel at (1,1)"}));
    TAVIX_set_logging(0);

    // A 5 x 4 image: (0, 0) is column 2, row 2 from its top; y upwards; alpha as drawn.
    int image = TAVIX_create_image(5, 4);
    ASSERT_GT(image, 0);
    EXPECT_EQ(TAVIX_draw_into(image), 0);
    TAVIX_draw_pixel(RED, 0, 0);
    TAVIX_draw_pixel(BLUE, -2, 2);
    TAVIX_draw_pixel(half, 2, -1);
    TAVIX_draw_pixel(GREEN, 3, 0);  // outside
    EXPECT_EQ(TAVIX_draw_into(0), image);
    drawtest::fill_buffer(bg);
    TAVIX_draw_image(image, 0, 0);
    auto at = [](int column, int row) { return drawtest::pixel(column, -row); };
    EXPECT_EQ(at(2, 2), colour_value(RED));
    EXPECT_EQ(at(0, 0), colour_value(BLUE));
    EXPECT_EQ(at(4, 3), RGB(mixed(200, 10, 128), mixed(100, 250, 128), mixed(50, 90, 128)));
    EXPECT_EQ(at(1, 1), bg);
    EXPECT_EQ(drawtest::pixel(5, -2), bg);
    // Saved with its alpha and loaded again, it draws the same.
    std::string path = temp_path("made.png");
    ASSERT_EQ(TAVIX_save_image(image, path.c_str()), 1);
    int again = TAVIX_load_image(path.c_str());
    ASSERT_GT(again, 0);
    EXPECT_EQ(drawn(again), drawn(image));
    EXPECT_EQ(TAVIX_save_image(image, "/nonexistent-dir/made.png"), 0);
    // Freeing the image drawn into sends drawing back to the picture, with a line saying so.
    TAVIX_draw_into(image);
    TAVIX_free_image(image);
    std::vector<Point> ink = painted_by([] { TAVIX_draw_pixel(RED, 7, 7); });
    EXPECT_EQ(ink, (std::vector<Point>{{7, 7}}));
    EXPECT_EQ(TAVIX_draw_into(image), 0);
    std::vector<std::string> lines = console();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Image " + std::to_string(image) +
                            " was drawn into; drawing goes to the picture again");
    EXPECT_EQ(lines[2],
              "Image " + std::to_string(image) + " not loaded, drawing stays on the picture");
    TAVIX_free_image(again);
}

TEST_F(Extras, SpritePartsAndTurnedImagesTakeThePixelsTheySay) {
    // A 4 x 2 sheet of two 2 x 2 cells; pixel (column, row) has red 16 column + row.
    std::vector<uint32_t> px;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column)
            px.push_back(0xFF000000u | (uint32_t)(16 * column + row + 1) << 16);
    std::string path = temp_path("sheet.png");
    write_rgba(path, 4, 2, px);
    int sheet = TAVIX_load_image(path.c_str());
    ASSERT_GT(sheet, 0);
    auto red = [](int column, int row) { return (int)(16 * column + row + 1) << 16; };
    drawtest::fill_buffer(RGB(255, 255, 255));
    TAVIX_draw_image_part(sheet, 2, 0, 2, 2, 10, 10);
    EXPECT_EQ(TAVIX_get_pixel(10, 10), red(2, 0));
    EXPECT_EQ(TAVIX_get_pixel(11, 9), red(3, 1));
    EXPECT_EQ(TAVIX_get_pixel(12, 10), 0xFFFFFF);
    EXPECT_EQ(TAVIX_get_pixel(9, 10), 0xFFFFFF);
    // A part reaching out of the sheet draws what is inside, where it would have been.
    TAVIX_draw_image_part(sheet, 3, -1, 5, 2, 20, 10);
    EXPECT_EQ(TAVIX_get_pixel(20, 9), red(3, 0));
    EXPECT_EQ(TAVIX_get_pixel(21, 9), 0xFFFFFF);
    EXPECT_EQ(TAVIX_get_pixel(20, 10), 0xFFFFFF);
    EXPECT_EQ(console(), (std::vector<std::string>{"Part at (3,-1), 5 x 2, not all inside image " +
                                                   std::to_string(sheet) +
                                                   " of 4 x 2 pixels, drawing what is"}));
    // Turned a quarter counter-clockwise about its centre (even sides: the centre on the point's
    // upper-left corner), the top row becomes the left column, read upwards. Scaled 2 and
    // smoothed, a pixel a quarter of the way between four takes 9/16, 3/16, 3/16 and 1/16 of them
    // (in 8-bit weights, rounded down); unscaled, smoothing leaves every pixel as it is.
    const struct {
        double scale, degrees;
        int flags;
        int x, y, red;  // the library point and the red of the sheet's pixel it shows
    } turned[] = {{1, 0, 0, -2, 1, 1},   {1, 0, 0, 1, 0, 50},   {1, 90, 0, -1, -1, 1},
                  {1, 90, 0, -1, 2, 49}, {1, 450, 0, 0, 2, 50}, {1, -270, 0, -1, -1, 1},
                  {1, 90, 0, 0, -1, 2},  {1, 0, 1, -2, 1, 49},  {1, 0, 2, -2, 1, 2},
                  {1, 180, 3, -2, 1, 1}, {2, 0, 0, -4, 2, 1},   {2, 0, 0, -3, 1, 1},
                  {2, 0, 0, 3, -1, 50},  {2, 0, 4, -3, 1, 5},   {1, 0, 4, -1, 0, 18}};
    for (const auto &t : turned) {
        SCOPED_TRACE(::testing::Message()
                     << t.scale << " x, " << t.degrees << " degrees, flags " << t.flags);
        drawtest::fill_buffer(RGB(255, 255, 255));
        TAVIX_draw_image_transformed(sheet, 0, 0, t.scale, t.degrees, t.flags);
        EXPECT_EQ(TAVIX_get_pixel(t.x, t.y), t.red << 16) << t.x << "," << t.y;
    }
    // Nothing of a turned image reaches past its box; scale 0 draws nothing.
    std::vector<Point> ink =
        painted_by([&] { TAVIX_draw_image_transformed(sheet, 0, 0, 1, 90, 0); });
    EXPECT_EQ(ink.size(), 8u);
    ink = painted_by([&] { TAVIX_draw_image_transformed(sheet, 0, 0, 0, 0, 0); });
    EXPECT_TRUE(ink.empty());
    console();
    TAVIX_draw_image_transformed(sheet, 0, 0, NAN, INFINITY, 9);
    TAVIX_draw_image_transformed(sheet, 0, 0, -2, 0, 0);
    EXPECT_EQ(console(),
              (std::vector<std::string>{"Scale of nan not possible, using scale 1",
                                        "Angle of inf degrees not possible, using 0 degrees",
                                        "Flags of 9 not possible, using flags 1",
                                        "Scale of -2 not possible, using scale 2"}));
    TAVIX_free_image(sheet);
}

// FNV-1a over 32-bit values.
static uint64_t hash_of(const uint32_t *values, size_t count) {
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < count; ++i)
        for (int shift = 0; shift < 32; shift += 8)
            h = (h ^ (values[i] >> shift & 0xFF)) * 1099511628211ull;
    return h;
}

TEST_F(Extras, TurnedImagesLandOnTheSamePixelsAtEveryAngleScaleAndEdge) {
    // Two sprites whose every pixel differs, in every kind of alpha: 9 x 6 (odd across, even
    // down) and 16 x 16.
    int sprites[2];
    for (int k = 0; k < 2; ++k) {
        int w = k ? 16 : 9, h = k ? 16 : 6;
        std::vector<uint32_t> px;
        for (int i = 0; i < w * h; ++i) {
            uint32_t alpha = i % 5 == 0 ? 255 : i % 7 == 0 ? 0 : (uint32_t)(i * 37 % 256);
            px.push_back(alpha << 24 | (uint32_t)(i * 29 % 256) << 16 | (uint32_t)(i * 3) << 8 |
                         (uint32_t)(200 - i % 100));
        }
        std::string path = temp_path(k ? "turned16.png" : "turned9.png");
        write_rgba(path, w, h, px);
        sprites[k] = TAVIX_load_image(path.c_str());
        ASSERT_GT(sprites[k], 0);
    }
    int into = TAVIX_create_image(41, 30);
    ASSERT_GT(into, 0);
    // Each row: the hash of the whole picture (or of the image drawn into) afterwards. At the
    // picture's edges, half off it, at right angles (a step that moves one coordinate only),
    // nearly flat, tiny, huge, flipped and smoothed.
    const struct {
        int sprite, x, y;
        double scale, degrees;
        int flags;
        bool into_image;
        uint64_t hash;
    } cases[] = {
        {0, 0, 0, 1, 0, 0, false, 0xfed38299ff6691e2ull},
        {0, 3, -2, 1, 90, 0, false, 0x8fe0b35b38fcc42eull},
        {0, 0, 0, 1, 45, 0, false, 0x83b27d224408f38cull},
        {0, 17, 5, 2.5, 33.3, 0, false, 0x6174c3d7d8b169feull},
        {0, -300, 250, 3, 123.4, 0, false, 0x67b9b9e578a52c5aull},
        {0, 300, -290, 1.7, 271, 1, false, 0x7162465270bfb960ull},
        {0, -5, 0, 0.3, 10, 2, false, 0x6a2f1b0b6c03cd26ull},
        {0, 0, 1, 1, 179.99, 3, false, 0xe5bc48e026f740baull},
        {0, 2, 2, 0.01, 200, 0, false, 0x37a34cde7b333aa5ull},
        {0, 0, 0, 1, 0, 4, false, 0xfed38299ff6691e2ull},
        {0, 40, 40, 2, 45, 4, false, 0xec46ad693c56f84cull},
        {0, -301, 0, 4, 300, 5, false, 0xd6ff8aebb15efca9ull},
        {1, 305, 100, 1, 20, 0, false, 0x5e62e1a19bd8f185ull},
        {0, 0, 250, 1.5, 89.999, 6, false, 0xd4a26ad7152ab055ull},
        {0, 0, 0, 1000, 17, 0, false, 0x4bc219d66f28c603ull},
        {0, 0, 0, 700, 250, 7, false, 0xd24b025f3787b645ull},
        {1, 0, 0, 1, 45, 0, false, 0x0ad99eca8f4370ceull},
        {1, 1, 1, 1, 180, 0, false, 0x2e3f7dcc2e6f8aa9ull},
        {1, 250, 100, 3.3, 359.5, 4, false, 0xcfce05dd0daa5505ull},
        {1, -290, -285, 2.2, 64, 5, false, 0xf8942e0a418771bcull},
        {1, 10, -20, 0.75, 135, 3, false, 0xc90b2c28c7b02fd9ull},
        {1, 0, 0, 1, 30, 0, true, 0x24c644862a2ba0cbull},
        {1, 18, 13, 2, 77, 4, true, 0xe3aca507543c9fe7ull},
        {0, -20, -15, 1.4, 200, 1, true, 0x759002996bd70342ull},
        {0, 0, 0, 40, 99, 6, true, 0x29bad842fd756aeaull},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "sprite " << c.sprite << " at " << c.x << "," << c.y << ", " << c.scale
                     << " x, " << c.degrees << " degrees, flags " << c.flags);
        drawtest::fill_buffer(RGB(90, 160, 230));
        uint64_t hash;
        if (c.into_image) {
            TAVIX_draw_into(into);
            TAVIX_fill_area(TAVIX_rgba(40, 200, 90, 120), 0, 0);
            TAVIX_draw_image_transformed(sprites[c.sprite], c.x, c.y, c.scale, c.degrees, c.flags);
            TAVIX_draw_into(0);
            uint32_t *pixels;
            int w, h;
            ASSERT_TRUE(image_pixels(into, &pixels, &w, &h));
            hash = hash_of(pixels, (size_t)w * h);
        } else {
            TAVIX_draw_image_transformed(sprites[c.sprite], c.x, c.y, c.scale, c.degrees, c.flags);
            std::vector<COLORREF> all = drawtest::snapshot();
            hash = hash_of((const uint32_t *)all.data(), all.size());
        }
        EXPECT_EQ(hash, c.hash);
    }
    for (int sprite : sprites) TAVIX_free_image(sprite);
    TAVIX_free_image(into);
}

namespace {

// The ink of a text drawn at a size, on a white buffer.
std::vector<Point> ink_of(const char *text, int size = 24) {
    return painted_by([&] { TAVIX_draw_text(BLACK, -250, 0, size, text); });
}

std::string write_file(const std::string &name, const std::string &bytes) {
    std::string path = ::testing::TempDir() + "tavix_font_" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

std::string file_bytes(const char *path) {
    std::string bytes;
    FILE *f = fopen(path, "rb");
    if (!f) return bytes;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
    fclose(f);
    return bytes;
}

const char SERIF_FILE[] = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";

}  // namespace

TEST_F(Extras, FontsByNameOrFileAndBadFilesKeepTheFont) {
    const char *sample = "Hamburgefonstiv";
    int plain = TAVIX_text_width(20, sample);
    std::vector<Point> plain_ink = ink_of(sample);
    std::string serif = file_bytes(SERIF_FILE);
    if (plain_ink.empty() || serif.size() < 4096) GTEST_SKIP() << "no fonts installed";

    // A face by its file and by its installed name draw alike, and otherwise than the default.
    ASSERT_EQ(TAVIX_set_font(SERIF_FILE, 0), 1) << console().back();
    int by_file = TAVIX_text_width(20, sample);
    std::vector<Point> file_ink = ink_of(sample);
    EXPECT_NE(file_ink, plain_ink);
    ASSERT_EQ(TAVIX_set_font("DejaVu Serif", 0), 1);
    EXPECT_EQ(TAVIX_text_width(20, sample), by_file);
    EXPECT_EQ(ink_of(sample), file_ink);
    // Bold where the face has it; a style beyond the two is corrected with a warning.
    ASSERT_EQ(TAVIX_set_font("DejaVu Serif", 7), 1);
    int bold_italic = TAVIX_text_width(20, sample);
    EXPECT_GT(bold_italic, by_file);
    EXPECT_EQ(console(), (std::vector<std::string>{"Font style 7 not possible, using 3"}));

    // Files that are no usable font warn and leave the font as it was.
    std::string huge = ::testing::TempDir() + "tavix_font_huge.ttf";
    if (FILE *f = fopen(huge.c_str(), "wb")) {
        fwrite(serif.data(), 1, 64, f);
        fseek(f, 65L * 1024 * 1024, SEEK_SET);
        fputc(0, f);
        fclose(f);
    }
    std::string wild_names = serif;  // the naming table's offset far past the end
    for (size_t at = 12; at + 16 <= 12 + 16 * 20 && at + 16 <= wild_names.size(); at += 16)
        if (wild_names.compare(at, 4, "name") == 0) wild_names.replace(at + 8, 4, "\x7F\xFF\xFF\xF0", 4);
    std::string no_head = serif;  // named, but without the table every font has
    for (size_t at = 12; at + 16 <= 12 + 16 * 20 && at + 16 <= no_head.size(); at += 16)
        if (no_head.compare(at, 4, "head") == 0) no_head.replace(at, 4, "xead");
    std::string no_glyphs = serif;  // every table after the header gone
    no_glyphs.resize(12 + 16 * 20);
    struct Bad {
        std::string path;
        const char *why;
    };
    const Bad bad[] = {
        {::testing::TempDir() + "tavix_font_missing.ttf", "No such file or directory"},
        {::testing::TempDir(), "not a regular file"},
        {write_file("empty.ttf", ""), "not a TrueType or OpenType font"},
        {write_file("garbage.ttf", std::string(5000, '\xA5')), "not a TrueType or OpenType font"},
        {write_file("text.otf", "just some words, not a font at all\n"),
         "not a TrueType or OpenType font"},
        {write_file("header.ttf", serif.substr(0, 12)), "not a TrueType or OpenType font"},
        {write_file("cut.ttf", serif.substr(0, serif.size() / 2)),
         "the font has no family name in plain ASCII"},
        {write_file("headless.ttf", no_head), "not a font this system can draw"},
        {write_file("tables.ttf", no_glyphs), "the font has no family name in plain ASCII"},
        {write_file("names.ttf", wild_names), "the font has no family name in plain ASCII"},
        {write_file("collection.ttc", std::string("ttcf\0\1\0\0\0\0\0\1\x7F\xFF\xFF\xFF", 16)),
         "not a TrueType or OpenType font"},
        {huge, "the file is larger than 64 MB"},
    };
    for (const Bad &b : bad) {
        EXPECT_EQ(TAVIX_set_font(b.path.c_str(), TAVIX_FONT_BOLD), 0) << b.path;
        EXPECT_EQ(console(), (std::vector<std::string>{"Font " + b.path + " not used: " + b.why +
                                                       "; the font stays as it was"}));
        EXPECT_EQ(TAVIX_text_width(20, sample), bold_italic) << b.path;
    }
    // Damaged copies (the header, the table directory and the naming table's records changed
    // here and there, and the file cut): refused with a reason or drawn, never a crash.
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (int round = 0; round < 40; ++round) {
        std::string damaged = serif;
        for (int i = 0; i < 8; ++i) damaged[next() % 400] = (char)next();
        if (round % 3 == 0) damaged.resize(next() % damaged.size());
        std::string path = write_file("damaged.ttf", damaged);
        int used = TAVIX_set_font(path.c_str(), round & 3);
        std::vector<std::string> lines = console();
        ASSERT_EQ(lines.size(), used ? 0u : 1u) << round;
        ink_of("Hamburg \xCE\xB1");
        TAVIX_set_font("DejaVu Serif", 3);
    }
    console();
    EXPECT_EQ(TAVIX_text_width(20, sample), bold_italic);
    std::string long_name(40, 'N');
    EXPECT_EQ(TAVIX_set_font(long_name.c_str(), 0), 0);
    EXPECT_EQ(console().size(), 1u);
    // An unknown name is the default face, as Windows answers it; (0, 0) is the default font.
    EXPECT_EQ(TAVIX_set_font("No Such Face Anywhere", 0), 1);
    EXPECT_EQ(TAVIX_set_font(nullptr, 0), 1);
    EXPECT_EQ(TAVIX_text_width(20, sample), plain);
    EXPECT_EQ(ink_of(sample), plain_ink);
    remove(huge.c_str());
}

TEST_F(Extras, Utf8TextDrawsItsCharactersAndBadBytesAsReplacements) {
    if (ink_of("x").empty()) GTEST_SKIP() << "no fonts installed";
    // Off (the default) a byte is a Windows-1252 character; on, the same characters in UTF-8
    // draw the same pixels.
    std::vector<Point> latin = ink_of("caf\xE9 \x80 \x9C");
    std::vector<Point> latin_measure = {{TAVIX_text_width(24, "caf\xE9 \x80 \x9C"), 0}};
    TAVIX_set_utf8(1);
    EXPECT_EQ(ink_of("caf\xC3\xA9 \xE2\x82\xAC \xC5\x93"), latin);
    EXPECT_EQ(TAVIX_text_width(24, "caf\xC3\xA9 \xE2\x82\xAC \xC5\x93"), latin_measure[0].x);
    // Greek and Cyrillic have glyphs of their own: not the replacement's.
    const char *greek = "\xCE\xB1\xCE\xB2\xCE\xB3", *cyrillic = "\xD0\x96\xD0\xB8";
    const char *replaced3 = "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD";
    EXPECT_FALSE(ink_of(greek).empty());
    EXPECT_NE(ink_of(greek), ink_of(replaced3));
    EXPECT_NE(ink_of(cyrillic), ink_of("\xEF\xBF\xBD\xEF\xBF\xBD"));
    EXPECT_EQ(TAVIX_text_height(24, "\xCE\xB1\n\xD0\x96"), 2 * TAVIX_text_height(24, "x"));
    // What is not UTF-8 is one U+FFFD per byte that starts nothing or per sequence cut short.
    struct Case {
        const char *bad, *same;
    };
    const Case cases[] = {
        {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},                      // never a UTF-8 byte
        {"a\xCE", "a\xEF\xBF\xBD"},                              // cut at the end
        {"\xCE" "a", "\xEF\xBF\xBD" "a"},                        // cut by an ASCII byte
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                // overlong
        {"\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // past Unicode
        {"\xE2\x82", "\xEF\xBF\xBD"},                            // two of three
        {"\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                // continuations alone
        {"\xF0\x9F\x98", "\xEF\xBF\xBD"},                        // three of four
    };
    for (const Case &c : cases) {
        EXPECT_EQ(TAVIX_text_width(24, c.bad), TAVIX_text_width(24, c.same)) << c.same;
        EXPECT_EQ(ink_of(c.bad), ink_of(c.same)) << c.same;
    }
    // Past the 16 bits of a code unit: one character, a surrogate pair for the wide calls.
    EXPECT_GT(TAVIX_text_width(24, "\xF0\x9F\x98\x80"), 0);
    // The console keeps a UTF-8 message as such, with a byte past its zero that says so.
    TAVIX_console_printf("\xCE\xB1\xCE\xB2\n");
    HGLOBAL block = library_state.console.lines[(library_state.console.end + CONSOLE_RING_SIZE - 1) %
                                                CONSOLE_RING_SIZE];
    EXPECT_EQ(GlobalSize(block), 7u);
    TAVIX_set_utf8(0);
    TAVIX_console_printf("\xE9\n");
    block = library_state.console.lines[(library_state.console.end + CONSOLE_RING_SIZE - 1) %
                                        CONSOLE_RING_SIZE];
    EXPECT_EQ(GlobalSize(block), 3u);
    EXPECT_EQ(ink_of("caf\xE9 \x80 \x9C"), latin);
    library_state.text.text_events = 0;
}
