// Images for end-to-end tests: pixel access, PPM and xwd parsing, and writing PPM/PNG files for
// a person to look at.
#include "tests/support/e2e.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace e2e {

std::string to_string(Rgb c) {
    char text[16];
    snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

Rgb Image::at(int x, int y) const {
    if (!contains(x, y)) return Rgb{0, 0, 0};
    return pixels[(size_t)y * width + x];
}

int Image::count(int x0, int y0, int x1, int y1, Rgb c) const {
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > width) x1 = width;
    if (y1 > height) y1 = height;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (pixels[(size_t)y * width + x] == c) ++n;
    return n;
}

Image Image::crop(int x, int y, int w, int h) const {
    int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int x1 = x + w > width ? width : x + w, y1 = y + h > height ? height : y + h;
    Image out;
    if (x1 <= x0 || y1 <= y0) return out;
    out.width = x1 - x0;
    out.height = y1 - y0;
    out.pixels.reserve((size_t)out.width * out.height);
    for (int row = y0; row < y1; ++row)
        for (int col = x0; col < x1; ++col) out.pixels.push_back(pixels[(size_t)row * width + col]);
    return out;
}

bool Image::save_ppm(const std::string &path) const {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fprintf(f, "P6\n%d %d\n255\n", width, height);
    bool ok = fwrite(pixels.data(), 3, pixels.size(), f) == pixels.size();
    return fclose(f) == 0 && ok;
}

bool Image::save_png(const std::string &path) const {
    if (empty()) return false;
    char temp[] = "/tmp/e2e-image-XXXXXX";
    int fd = mkstemp(temp);
    if (fd < 0) return false;
    close(fd);
    bool ok = save_ppm(temp);
    if (ok) {
        std::string out;
        ok = run_command({"sh", "-c", "pnmtopng \"$0\" > \"$1\" 2>/dev/null", temp, path}, "",
                         &out) == 0 ||
             run_command({"convert", std::string("ppm:") + temp, std::string("png:") + path}, "",
                         &out) == 0;
    }
    unlink(temp);
    return ok;
}

namespace {

// A cursor over PPM header text: whitespace and '#' comments between fields.
struct PpmReader {
    const std::string &s;
    size_t pos = 0;

    void skip_space() {
        while (pos < s.size()) {
            if (s[pos] == '#') {
                while (pos < s.size() && s[pos] != '\n') ++pos;
            } else if (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\n' || s[pos] == '\r') {
                ++pos;
            } else {
                break;
            }
        }
    }
    bool number(long limit, long *value) {
        skip_space();
        if (pos >= s.size() || s[pos] < '0' || s[pos] > '9') return false;
        long v = 0;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
            v = v * 10 + (s[pos] - '0');
            if (v > limit) return false;
            ++pos;
        }
        *value = v;
        return true;
    }
};

bool fail(std::string *error, const char *why) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool parse_ppm(const std::string &bytes, Image *out, std::string *error) {
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '6' && bytes[1] != '3'))
        return fail(error, "not a PPM (P6 or P3)");
    bool plain = bytes[1] == '3';
    PpmReader r{bytes};
    r.pos = 2;
    long w, h, maxval;
    // 16384 x 16384 bounds the allocation whatever the header claims.
    if (!r.number(16384, &w) || !r.number(16384, &h) || !r.number(65535, &maxval))
        return fail(error, "bad PPM header");
    if (w <= 0 || h <= 0) return fail(error, "empty PPM");
    if (maxval < 1 || maxval > 255) return fail(error, "PPM maxval must be 1..255");
    size_t n = (size_t)w * (size_t)h;
    Image img;
    img.width = (int)w;
    img.height = (int)h;
    img.pixels.resize(n);
    auto scale = [maxval](long v) { return (uint8_t)(v * 255 / maxval); };
    if (plain) {
        for (size_t i = 0; i < n; ++i) {
            long c[3];
            for (long &v : c)
                if (!r.number(maxval, &v)) return fail(error, "truncated or bad PPM sample");
            img.pixels[i] = Rgb{scale(c[0]), scale(c[1]), scale(c[2])};
        }
    } else {
        // Exactly one whitespace byte separates the header from the samples.
        if (r.pos >= bytes.size()) return fail(error, "truncated PPM");
        size_t data = r.pos + 1;
        if (bytes.size() < data || bytes.size() - data < n * 3) return fail(error, "truncated PPM");
        const unsigned char *p = (const unsigned char *)bytes.data() + data;
        for (size_t i = 0; i < n; ++i, p += 3)
            img.pixels[i] = Rgb{scale(p[0]), scale(p[1]), scale(p[2])};
    }
    *out = std::move(img);
    return true;
}

namespace {

uint32_t be32(const unsigned char *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// Scales the bits of value under mask to 0..255.
uint8_t channel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    uint32_t v = (value >> shift) & mask;
    return (uint8_t)(v * 255u / mask);
}

}  // namespace

bool parse_xwd(const std::string &bytes, Image *out, std::string *error) {
    enum {
        XWD_HEADER_SIZE,
        XWD_FILE_VERSION,
        XWD_PIXMAP_FORMAT,
        XWD_PIXMAP_DEPTH,
        XWD_WIDTH,
        XWD_HEIGHT,
        XWD_XOFFSET,
        XWD_BYTE_ORDER,
        XWD_BITMAP_UNIT,
        XWD_BIT_ORDER,
        XWD_BITMAP_PAD,
        XWD_BITS_PER_PIXEL,
        XWD_BYTES_PER_LINE,
        XWD_VISUAL_CLASS,
        XWD_RED_MASK,
        XWD_GREEN_MASK,
        XWD_BLUE_MASK,
        XWD_BITS_PER_RGB,
        XWD_COLORMAP_ENTRIES,
        XWD_NCOLORS,
        XWD_FIELDS = 25
    };
    if (bytes.size() < XWD_FIELDS * 4) return fail(error, "truncated xwd header");
    const unsigned char *p = (const unsigned char *)bytes.data();
    uint32_t f[XWD_FIELDS];
    for (int i = 0; i < XWD_FIELDS; ++i) f[i] = be32(p + 4 * i);
    if (f[XWD_FILE_VERSION] != 7) return fail(error, "not an xwd file (version 7)");
    if (f[XWD_PIXMAP_FORMAT] != 2) return fail(error, "xwd is not a ZPixmap");
    if (f[XWD_VISUAL_CLASS] != 4 && f[XWD_VISUAL_CLASS] != 5)
        return fail(error, "xwd visual is not TrueColor/DirectColor");
    uint32_t bpp = f[XWD_BITS_PER_PIXEL];
    if (bpp != 16 && bpp != 24 && bpp != 32) return fail(error, "unsupported xwd pixel size");
    uint32_t w = f[XWD_WIDTH], h = f[XWD_HEIGHT], stride = f[XWD_BYTES_PER_LINE];
    if (w == 0 || h == 0 || w > 16384 || h > 16384) return fail(error, "bad xwd size");
    if ((uint64_t)stride < (uint64_t)w * (bpp / 8)) return fail(error, "bad xwd line length");
    if (f[XWD_HEADER_SIZE] < XWD_FIELDS * 4 || f[XWD_NCOLORS] > 65536)
        return fail(error, "bad xwd header");
    uint64_t data = (uint64_t)f[XWD_HEADER_SIZE] + (uint64_t)f[XWD_NCOLORS] * 12;
    if ((uint64_t)bytes.size() < data + (uint64_t)stride * h) return fail(error, "truncated xwd");
    bool msb = f[XWD_BYTE_ORDER] == 1;
    unsigned bytes_per_pixel = bpp / 8;
    Image img;
    img.width = (int)w;
    img.height = (int)h;
    img.pixels.resize((size_t)w * h);
    for (uint32_t y = 0; y < h; ++y) {
        const unsigned char *row = p + data + (uint64_t)stride * y;
        for (uint32_t x = 0; x < w; ++x) {
            const unsigned char *q = row + x * bytes_per_pixel;
            uint32_t v = 0;
            for (unsigned b = 0; b < bytes_per_pixel; ++b)
                v |= msb ? (uint32_t)q[b] << (8 * (bytes_per_pixel - 1 - b))
                         : (uint32_t)q[b] << (8 * b);
            img.pixels[(size_t)y * w + x] =
                Rgb{channel(v, f[XWD_RED_MASK]), channel(v, f[XWD_GREEN_MASK]),
                    channel(v, f[XWD_BLUE_MASK])};
        }
    }
    *out = std::move(img);
    return true;
}

}  // namespace e2e
