// The calls beyond the first eight: any colour, ellipses, arcs, polygons, flood fills, pixel
// reads, PNG images blended over the picture, and text measuring, checked at library coordinates.
// The test PNGs are made here with libpng.
#include "library/draw/raster.h"
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

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
