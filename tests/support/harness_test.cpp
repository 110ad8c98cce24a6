// Tests of the end-to-end harness itself: image parsing, and a real Xvfb with X's own small
// programs (xlogo to be seen, xev to report the input we send).
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using e2e::Image;
using e2e::Rgb;

TEST(HarnessImages, ParsesPpmInBothEncodings) {
    struct Case {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"binary", std::string("P6\n# made by hand\n2 1\n255\n") +
                       std::string("\x10\x20\x30\xff\x00\x80", 6)},
        {"plain", "P3 2 1 255\n16 32 48\n255 0 128\n"},
        {"plain, maxval 15", "P3\n2 1\n15\n1 2 3 15 0 8\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Image img;
        std::string error;
        ASSERT_TRUE(e2e::parse_ppm(c.bytes, &img, &error)) << error;
        ASSERT_EQ(img.width, 2);
        ASSERT_EQ(img.height, 1);
        if (strcmp(c.name, "plain, maxval 15") == 0) {
            EXPECT_EQ(img.at(0, 0), (Rgb{17, 34, 51}));
            EXPECT_EQ(img.at(1, 0), (Rgb{255, 0, 136}));
        } else {
            EXPECT_EQ(img.at(0, 0), (Rgb{0x10, 0x20, 0x30}));
            EXPECT_EQ(img.at(1, 0), (Rgb{0xff, 0x00, 0x80}));
        }
    }
}

TEST(HarnessImages, RejectsBadPpm) {
    const char *bad[] = {"",
                         "P5\n1 1\n255\n\x01",
                         "P6\n2 2\n255\n\x01\x02\x03",
                         "P6\n99999999 1\n255\n",
                         "P6\n1 1\n65535\n\x01\x02\x03\x04\x05\x06",
                         "P3\n1 1\n255\n1 2\n",
                         "P6\n0 5\n255\n"};
    for (const char *b : bad) {
        Image img;
        std::string error;
        EXPECT_FALSE(e2e::parse_ppm(b, &img, &error)) << "accepted: " << b;
        EXPECT_FALSE(error.empty());
    }
}

// An xwd dump of a 2 x 2 TrueColor image: 32 bits per pixel little-endian, or 24 big-endian with
// padded lines.
std::string make_xwd(int bpp, bool msb, const uint32_t pixels[4]) {
    auto put32 = [](std::string &s, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) s += (char)((v >> shift) & 0xFF);
    };
    int stride = bpp == 32 ? 8 : 8;  // 24-bit lines padded from 6 to 8 bytes
    std::string name = "screen";
    std::string s;
    uint32_t fields[25] = {0};
    fields[0] = 100 + (uint32_t)name.size() + 1;
    fields[1] = 7;
    fields[2] = 2;
    fields[3] = 24;
    fields[4] = 2;
    fields[5] = 2;
    fields[7] = msb ? 1 : 0;
    fields[11] = (uint32_t)bpp;
    fields[12] = (uint32_t)stride;
    fields[13] = 4;  // TrueColor
    fields[14] = 0xFF0000;
    fields[15] = 0x00FF00;
    fields[16] = 0x0000FF;
    fields[19] = 1;  // one colour entry, which the parser must skip
    for (uint32_t f : fields) put32(s, f);
    s += name;
    s += '\0';
    s += std::string(12, '\x7f');
    for (int y = 0; y < 2; ++y) {
        std::string row;
        for (int x = 0; x < 2; ++x) {
            uint32_t v = pixels[y * 2 + x];
            int n = bpp / 8;
            for (int b = 0; b < n; ++b) {
                int shift = msb ? 8 * (n - 1 - b) : 8 * b;
                row += (char)((v >> shift) & 0xFF);
            }
        }
        row.resize((size_t)stride, '\0');
        s += row;
    }
    return s;
}

TEST(HarnessImages, ParsesXwd) {
    const uint32_t pixels[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    for (auto [bpp, msb] : {std::pair{32, false}, std::pair{24, true}, std::pair{32, true}}) {
        SCOPED_TRACE(bpp);
        Image img;
        std::string error;
        std::string dump = make_xwd(bpp, msb, pixels);
        ASSERT_TRUE(e2e::parse_xwd(dump, &img, &error)) << error;
        EXPECT_EQ(img.at(0, 0), (Rgb{255, 0, 0}));
        EXPECT_EQ(img.at(1, 0), (Rgb{0, 255, 0}));
        EXPECT_EQ(img.at(0, 1), (Rgb{0, 0, 255}));
        EXPECT_EQ(img.at(1, 1), (Rgb{0x12, 0x34, 0x56}));
        EXPECT_EQ(img.count(0, 0, 2, 2, Rgb{0, 0, 255}), 1);
        dump.resize(dump.size() - 1);
        EXPECT_FALSE(e2e::parse_xwd(dump, &img, &error)) << "truncated dump accepted";
    }
}

TEST(HarnessImages, CropAndCountClipToTheImage) {
    Image img;
    img.width = 3;
    img.height = 2;
    img.pixels.assign(6, Rgb{1, 2, 3});
    img.pixels[5] = Rgb{9, 9, 9};
    EXPECT_EQ(img.count(-10, -10, 100, 100, Rgb{1, 2, 3}), 5);
    Image part = img.crop(1, 1, 10, 10);
    ASSERT_EQ(part.width, 2);
    ASSERT_EQ(part.height, 1);
    EXPECT_EQ(part.at(1, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(img.at(-1, 0), (Rgb{0, 0, 0}));
    EXPECT_TRUE(img.crop(5, 5, 2, 2).empty());
}

TEST(HarnessX, TwoServersGetTheirOwnDisplays) {
    e2e::XServer a, b;
    ASSERT_TRUE(a.ok()) << a.error();
    ASSERT_TRUE(b.ok()) << b.error();
    EXPECT_NE(a.display(), b.display());
    Image shot = e2e::screenshot(a);
    EXPECT_EQ(shot.width, 1280);
    EXPECT_EQ(shot.height, 1024);
}

TEST(HarnessX, RunsAProgramAndReadsItsStatusAndOutput) {
    e2e::XServer x;
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::ProcessOptions opts;
    opts.args = {"-c", "echo \"$DISPLAY\"; echo first; echo oops >&2; pwd; exit 3"};
    opts.working_dir = "/tmp";
    e2e::Process p(x, "/bin/sh", opts);
    ASSERT_TRUE(p.ok()) << p.error();
    int status = -1;
    ASSERT_TRUE(p.wait(5000, &status));
    EXPECT_EQ(status, 3);
    std::vector<std::string> lines = p.output_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], x.display());
    EXPECT_EQ(lines[2], "/tmp");
    EXPECT_EQ(p.errors(), "oops\n");
    EXPECT_TRUE(p.wait_for_line("first", 100));
    EXPECT_FALSE(p.wait_for_line("never", 100));

    e2e::Process sleeper(x, "/bin/sleep", e2e::ProcessOptions{{"60"}, "", {}});
    ASSERT_TRUE(sleeper.running());
    EXPECT_EQ(sleeper.stop(2000), 128 + 15);  // SIGTERM
    e2e::Process missing(x, "/nonexistent/program");
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("/nonexistent/program"), std::string::npos);
}

TEST(HarnessX, FindsAWindowAndSeesItsPixels) {
    e2e::XServer x;
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process logo(x, "/usr/bin/xlogo",
                      e2e::ProcessOptions{{"-geometry", "120x90+40+50", "-bg", "#ff0000", "-fg",
                                           "#0000ff", "-title", "Harness (logo)"},
                                          "",
                                          {}});
    ASSERT_TRUE(logo.ok()) << logo.error();
    e2e::WindowInfo w;
    ASSERT_TRUE(e2e::wait_for_window(x, "Harness (logo)", &w, 10000)) << logo.errors();
    EXPECT_EQ(w.width, 120);
    EXPECT_EQ(w.height, 90);
    // xlogo's window has a border; its inside starts at the reported origin.
    Rgb seen;
    EXPECT_TRUE(e2e::wait_for_pixel(x, w.x + 2, w.y + 2, Rgb{255, 0, 0}, 5000, &seen))
        << e2e::to_string(seen);
    EXPECT_FALSE(e2e::wait_for_window(x, "Harness", &w, 300)) << "title matched by prefix";
}

TEST(HarnessX, SendsClicksAndKeysThatAProgramReceives) {
    e2e::XServer x;
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process xev(x, "/usr/bin/xev",
                     e2e::ProcessOptions{{"-geometry", "200x150+100+100", "-name", "Harness xev",
                                          "-event", "keyboard", "-event", "button"},
                                         "",
                                         {}});
    ASSERT_TRUE(xev.ok()) << xev.error();
    e2e::WindowInfo w;
    ASSERT_TRUE(e2e::wait_for_window(x, "Harness xev", &w, 10000)) << xev.errors();
    ASSERT_TRUE(e2e::click_in_window(x, w, 30, 40, 1));
    EXPECT_TRUE(xev.wait_for_output("ButtonPress", 3000)) << xev.output();
    EXPECT_TRUE(xev.wait_for_output("(30,40)", 3000)) << xev.output();
    ASSERT_TRUE(e2e::key_to(x, w, "ctrl+r"));
    EXPECT_TRUE(xev.wait_for_output("Control_L", 3000)) << xev.output();
    EXPECT_TRUE(xev.wait_for_output("keysym 0x72, r", 3000)) << xev.output();
    ASSERT_TRUE(e2e::type_text(x, "Q"));
    EXPECT_TRUE(xev.wait_for_output("keysym 0x51, Q", 3000)) << xev.output();
}

}  // namespace
