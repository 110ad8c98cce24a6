// The slowest image load over a set of hostile PNG files, each made in a temporary folder and
// loaded once with TAVIX_load_image: a stream that inflates to 2 GB behind a 1 x 1 image, noise
// of 4096 x 4096 (plain and interlaced), a header of huge dimensions, a file cut short, data
// damaged after the rows, ancillary chunks of tens of megabytes, millions of empty data chunks.
// Prints each load's time and the slowest; the target is at most 1 s for any file up to 64 MB.
#include "library/core/state.h"

#include <zlib.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void put32(std::string &s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += (char)(v >> (8 * i) & 0xFF);
}

std::string chunk(const char *type, const std::string &data) {
    std::string c;
    put32(c, (uint32_t)data.size());
    std::string body = std::string(type, 4) + data;
    c += body;
    put32(c, (uint32_t)crc32(0, (const Bytef *)body.data(), (uInt)body.size()));
    return c;
}

std::string header(uint32_t width, uint32_t height, int colour_type, int interlace = 0) {
    std::string d;
    put32(d, width);
    put32(d, height);
    d += (char)8;
    d += (char)colour_type;
    d += (char)0;
    d += (char)0;
    d += (char)interlace;
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", d);
}

// Deflates what next() hands out (empty: the end) into one zlib stream.
template <typename Next>
std::string deflated(Next next, int level) {
    z_stream z = {};
    deflateInit(&z, level);
    std::string out;
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        std::string in = next();
        z.next_in = (Bytef *)in.data();
        z.avail_in = (uInt)in.size();
        int flush = in.empty() ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            z.next_out = buffer.data();
            z.avail_out = (uInt)buffer.size();
            result = deflate(&z, flush);
            out.append((const char *)buffer.data(), buffer.size() - z.avail_out);
        } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        if (flush == Z_FINISH) break;
    }
    deflateEnd(&z);
    return out;
}

// The rows of an RGBA image (filter byte 0 each; interlaced, those of its seven passes), then
// extra zero bytes.
std::string image_data(uint32_t width, uint32_t height, bool noise, uint64_t extra, int level,
                       bool interlaced = false) {
    static const uint32_t X[7] = {0, 4, 0, 2, 0, 1, 0}, DX[7] = {8, 8, 4, 4, 2, 2, 1};
    static const uint32_t Y[7] = {0, 0, 4, 0, 2, 0, 1}, DY[7] = {8, 8, 8, 4, 4, 2, 2};
    std::vector<std::pair<uint32_t, uint32_t>> passes;  // width and height of each
    if (!interlaced)
        passes.push_back({width, height});
    else
        for (int p = 0; p < 7; ++p)
            if (width > X[p] && height > Y[p])
                passes.push_back(
                    {(width - X[p] + DX[p] - 1) / DX[p], (height - Y[p] + DY[p] - 1) / DY[p]});
    std::mt19937 random(7);
    size_t pass = 0;
    uint32_t row = 0;
    uint64_t left = extra;
    return deflated(
        [&]() -> std::string {
            if (pass < passes.size()) {
                std::string rows;
                for (int k = 0; k < 64 && row < passes[pass].second; ++k, ++row) {
                    rows += '\0';
                    for (uint32_t i = 0; i < 4 * passes[pass].first; ++i)
                        rows += noise ? (char)(random() & 0xFF) : '\0';
                }
                if (row == passes[pass].second) {
                    ++pass;
                    row = 0;
                }
                return rows;
            }
            if (left == 0) return std::string();
            size_t n = (size_t)std::min<uint64_t>(left, 1 << 20);
            left -= n;
            return std::string(n, '\0');
        },
        level);
}

// Splits a zlib stream into IDAT chunks of at most size bytes.
std::string idats(const std::string &stream, size_t size = 1 << 20) {
    std::string out;
    for (size_t at = 0; at < stream.size(); at += size)
        out += chunk("IDAT", stream.substr(at, size));
    return out;
}

struct Hostile {
    std::string name, bytes;
};

std::vector<Hostile> hostile_images() {
    std::vector<Hostile> set;
    std::string end = chunk("IEND", "");
    std::string bomb = image_data(1, 1, false, (uint64_t)2 << 30, 9);
    set.push_back({"1x1 inflating to 2 GB", header(1, 1, 6) + idats(bomb) + end});
    std::string noise = header(4096, 4096, 6) + idats(image_data(4096, 4096, true, 0, 1)) + end;
    set.push_back({"4096x4096 noise", noise});
    set.push_back({"4096x4096 noise cut in half", noise.substr(0, noise.size() / 2)});
    std::string interlaced =
        header(4096, 4096, 6, 1) + idats(image_data(4096, 4096, true, 0, 1, true)) + end;
    set.push_back({"4096x4096 interlaced noise", interlaced});
    std::string zeros = header(4096, 4096, 6) + idats(image_data(4096, 4096, false, 0, 9));
    set.push_back({"4096x4096 zeros, damaged after the rows", zeros + std::string(1000, '\x55')});
    set.push_back(
        {"4096x4096 zeros inflating 1 GB past the rows",
         header(4096, 4096, 6) + idats(image_data(4096, 4096, false, (uint64_t)1 << 30, 9)) + end});
    set.push_back({"header of 2^31 - 1 squared", header(0x7FFFFFFF, 0x7FFFFFFF, 6) + end});
    std::string text_bomb = deflated(
        [n = 0]() mutable { return n++ < 2048 ? std::string(1 << 20, 'a') : std::string(); }, 9);
    set.push_back({"1x1 behind a zTXt of 2 GB",
                   header(1, 1, 6) + chunk("zTXt", std::string("Comment\0\0", 9) + text_bomb) +
                       idats(image_data(1, 1, false, 0, 9)) + end});
    std::string junk(60 << 20, '\x42');
    set.push_back(
        {"1x1 behind 60 MB of private chunks",
         header(1, 1, 6) + chunk("prIv", junk) + idats(image_data(1, 1, false, 0, 9)) + end});
    std::string empty = chunk("IDAT", "");
    std::string empties;
    empties.reserve(empty.size() * 5000000);
    for (int i = 0; i < 5000000; ++i) empties += empty;
    set.push_back({"1x1 split into 5 million empty data chunks",
                   header(1, 1, 6) + empties + idats(image_data(1, 1, false, 0, 9)) + end});
    set.push_back({"4096x4096 zeros in one-byte data chunks",
                   header(4096, 4096, 6) + idats(image_data(4096, 4096, false, 0, 9), 1) + end});
    return set;
}

}  // namespace

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_set_logging(0);
    char folder[] = "/tmp/bench_images_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    double slowest = 0;
    std::string slowest_name;
    for (const Hostile &h : hostile_images()) {
        std::string path = std::string(folder) + "/image.png";
        FILE *file = fopen(path.c_str(), "wb");
        if (!file) return 1;
        fwrite(h.bytes.data(), 1, h.bytes.size(), file);
        fclose(file);
        auto start = std::chrono::steady_clock::now();
        std::clock_t cpu = std::clock();
        int image = TAVIX_load_image(path.c_str());
        double cpu_ms = (double)(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        printf("%9.1f ms (%7.1f ms of processor)  %-8s %6.1f MB  %s\n", ms, cpu_ms,
               image ? "loaded" : "refused", h.bytes.size() / 1048576.0, h.name.c_str());
        fflush(stdout);
        if (image) TAVIX_free_image(image);
        unlink(path.c_str());
        if (ms > slowest) {
            slowest = ms;
            slowest_name = h.name;
        }
    }
    rmdir(folder);
    printf("slowest load %.1f ms: %s\n", slowest, slowest_name.c_str());
    return 0;
}
