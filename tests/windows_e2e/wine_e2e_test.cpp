// The Windows build at work: its 64-bit programs run under Wine on a private X server. The
// deterministic client, built for Linux and for Windows, takes the same real clicks and keys as
// the same events and paints the same picture outside its text; the Windows cone starts, takes a
// click and quits on Ctrl+Q. Each run leaves its pictures as PNG files in the test's folder.
//
// The Windows build's folder comes from TAVIX_WIN64_DIR (`make win64-tests` builds it and sets
// it); Wine keeps its prefix there, made on the first run.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace {

// The graphics window's pixels: the menu bar over the 595 x 496 client area, whose pixel
// (297, 248) is the library's origin. Under Wine as under the layer, the X window holds exactly
// these, with the caption and frame outside it.
const int kMenuBar = 19;
const int kClientWidth = 595, kClientHeight = 496;
const int kOriginX = 297, kOriginY = 248;
// Wine makes its prefix in about half a minute, and starts a program in a few seconds; both far
// slower on a loaded machine.
const int kPrefixMs = 240000, kStartMs = 90000, kEventMs = 10000;

const e2e::Rgb kBlack{0, 0, 0};
const e2e::Rgb kRed{255, 0, 0};

std::string win64_dir() {
    const char *d = getenv("TAVIX_WIN64_DIR");
    return d ? d : "";
}

// Debian's wine64 package puts its loader and server here, outside PATH.
const char kWine[] = "/usr/lib/wine/wine64";
const char kWineServer[] = "/usr/lib/wine/wineserver";

std::vector<std::string> wine_env() {
    // No Mono or Gecko installer prompts, no menu entries written into the home folder, no
    // debug chatter.
    return {"WINEPREFIX=" + win64_dir() + "/wineprefix", "WINEDEBUG=-all",
            "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};
}

// Runs a Wine tool to its end; true when it ended with status 0.
bool run_wine_tool(const e2e::XServer &x, const std::string &path,
                   const std::vector<std::string> &args, int timeout_ms, std::string *errors) {
    e2e::ProcessOptions options;
    options.args = args;
    options.env = wine_env();
    e2e::Process tool(x, path, options);
    int status = -1;
    bool ended = tool.ok() && tool.wait(timeout_ms, &status);
    if (errors) *errors = tool.error() + tool.errors();
    return ended && status == 0;
}

// A Windows program of the 64-bit build, started under Wine.
struct WineProgram {
    e2e::Process process;
    WineProgram(const e2e::XServer &x, const std::string &exe,
                const std::vector<std::string> &args = {})
        : process(x, kWine, options(exe, args)) {}
    static e2e::ProcessOptions options(const std::string &exe,
                                       const std::vector<std::string> &args = {}) {
        e2e::ProcessOptions o;
        o.args = {win64_dir() + "/" + exe};
        o.args.insert(o.args.end(), args.begin(), args.end());
        o.env = wine_env();
        return o;
    }
};

// One X server and a ready Wine prefix for every test; every Wine process ended afterwards.
class WineTest : public ::testing::Test {
   protected:
    e2e::XServer x{1024, 768};

    void SetUp() override {
        ASSERT_FALSE(win64_dir().empty())
            << "TAVIX_WIN64_DIR is not set: run this test through `make win64-tests`";
        ASSERT_EQ(0, access(kWine, X_OK)) << kWine << ": Wine is not installed";
        ASSERT_TRUE(x.ok()) << x.error();
        // A server left running by an interrupted run would hold on to its gone X display.
        run_wine_tool(x, kWineServer, {"-k"}, 20000, nullptr);
        // A prefix left by an earlier run is used as it is.
        if (access((win64_dir() + "/wineprefix/system.reg").c_str(), F_OK) == 0) return;
        std::string errors;
        ASSERT_TRUE(run_wine_tool(x, kWine, {"wineboot", "-i"}, kPrefixMs, &errors))
            << "the Wine prefix could not be made: " << errors;
    }
    // Wine's server and its desktop process outlive the programs by a few seconds: end them with
    // the X server they use.
    void TearDown() override { run_wine_tool(x, kWineServer, {"-k"}, 20000, nullptr); }
};

struct Screen {
    const e2e::XServer &x;
    e2e::WindowInfo w;

    int sx(int lx) const { return w.x + kOriginX + lx; }
    int sy(int ly) const { return w.y + kMenuBar + kOriginY - ly; }
    e2e::Image client() const {
        return e2e::screenshot(x).crop(w.x, w.y + kMenuBar, kClientWidth, kClientHeight);
    }
};

struct Region {
    std::string name;
    int left, top, right, bottom;  // client pixels, inclusive
};

// The client's regions, from its REGION lines, in client pixels.
std::vector<Region> regions_of(const e2e::Process &app) {
    std::vector<Region> regions;
    for (const std::string &line : app.output_lines()) {
        char name[64];
        int l, t, r, b;
        if (sscanf(line.c_str(), "REGION %63[a-z ] %d %d %d %d", name, &l, &t, &r, &b) != 5)
            continue;
        std::string n = name;
        while (!n.empty() && n.back() == ' ') n.pop_back();
        regions.push_back({n, kOriginX + l, kOriginY - t, kOriginX + r, kOriginY - b});
    }
    return regions;
}

// Drives one run of the client, Linux or Windows: waits for its window and a settled picture,
// clicks and types, quits with Ctrl+Q. Returns the client area's picture and, in *regions, the
// client's regions.
e2e::Image drive_client(const e2e::XServer &x, e2e::Process &app, const std::string &tag,
                        std::vector<Region> *regions) {
    e2e::Image none;
    Screen screen{x, {}};
    EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &screen.w, kStartMs))
        << tag << ": no graphics window; " << app.errors();
    EXPECT_TRUE(app.wait_for_line("READY", kStartMs)) << tag << ": " << app.output();
    if (::testing::Test::HasFailure()) return none;
    EXPECT_EQ(kClientWidth, screen.w.width) << tag;
    EXPECT_EQ(kClientHeight + kMenuBar, screen.w.height) << tag;
    *regions = regions_of(app);

    // The frame's corner and the filled red square are on screen, and two looks a moment apart
    // see the same picture.
    e2e::Rgb seen{};
    EXPECT_TRUE(e2e::wait_for_pixel(x, screen.w.x, screen.w.y + kMenuBar, kBlack, kEventMs, &seen))
        << tag << ": frame corner " << e2e::to_string(seen);
    EXPECT_TRUE(e2e::wait_for_pixel(x, screen.sx(-270), screen.sy(45), kRed, kEventMs, &seen))
        << tag << ": red square " << e2e::to_string(seen);
    e2e::Image picture = screen.client(), again;
    for (long long end = e2e::now_ms() + kEventMs; e2e::now_ms() < end; picture = again) {
        e2e::sleep_ms(300);
        again = screen.client();
        if (again.pixels == picture.pixels) break;
    }
    EXPECT_EQ(kClientWidth, picture.width) << tag;
    picture.save_png("client_" + tag + ".png");
    // SDL may replace the X window when it first presents: the keys go to the one shown now.
    EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &screen.w, kEventMs)) << tag;

    // Clicks anywhere in the client area, typing, and Ctrl+Q, which quits without a key event.
    struct Step {
        int lx, ly;       // where to click, or
        const char *key;  // what to type
        const char *line;
    };
    const Step steps[] = {
        {0, 0, nullptr, "EVENT 1 0 0 0"},           {-250, 200, nullptr, "EVENT 1 -250 200 0"},
        {123, -147, nullptr, "EVENT 1 123 -147 0"}, {0, 0, "a", "EVENT 2 0 0 97"},
        {0, 0, "shift+z", "EVENT 2 0 0 90"},        {0, 0, "ctrl+q", "EVENT 4 0 0 0"}};
    for (const Step &s : steps) {
        if (s.key)
            EXPECT_TRUE(e2e::key_to(x, screen.w, s.key)) << tag;
        else
            EXPECT_TRUE(e2e::click(x, screen.sx(s.lx), screen.sy(s.ly))) << tag;
        EXPECT_TRUE(app.wait_for_line(s.line, kEventMs)) << tag << ": no \"" << s.line << "\" in\n"
                                                         << app.output();
    }
    int status = -1;
    EXPECT_TRUE(app.wait(kEventMs, &status)) << tag << ": still running after Ctrl+Q";
    EXPECT_EQ(0, status) << tag;
    EXPECT_EQ(7, (int)app.output_lines().size() - (int)regions->size())
        << tag << ": READY and six events, nothing else:\n"
        << app.output();
    return picture;
}

// Runs the client's Linux and Windows builds with the same arguments (the Windows one's file
// paths on Wine's drive of the root) and compares every pixel outside the text.
void compare_client_builds(const e2e::XServer &x, const std::vector<std::string> &args,
                           const std::vector<std::string> &windows_args, const std::string &tag) {
    e2e::ProcessOptions options;
    options.args = args;
    e2e::Process linux_app(x, e2e::build_dir() + "/tests/windows_e2e/picture_client", options);
    ASSERT_TRUE(linux_app.ok()) << linux_app.error();
    std::vector<Region> regions, windows_regions;
    e2e::Image linux_picture = drive_client(x, linux_app, "linux" + tag, &regions);
    ASSERT_FALSE(::testing::Test::HasFailure());

    WineProgram windows_app(x, "tests/windows_e2e/picture_client.exe", windows_args);
    ASSERT_TRUE(windows_app.process.ok()) << windows_app.process.error();
    e2e::Image windows_picture =
        drive_client(x, windows_app.process, "windows" + tag, &windows_regions);
    ASSERT_FALSE(::testing::Test::HasFailure());
    ASSERT_EQ(regions.size(), windows_regions.size());
    ASSERT_FALSE(regions.empty());

    // Every pixel outside the text: count the differences per region, and outside all of them.
    // The differences picture shows them black, the text grey.
    e2e::Image differences = linux_picture;
    std::map<std::string, int> differing;
    std::map<std::string, std::string> first;
    const std::string kOutside = "outside every region";
    for (int py = 0; py < kClientHeight; ++py)
        for (int px = 0; px < kClientWidth; ++px) {
            e2e::Rgb a = linux_picture.at(px, py), b = windows_picture.at(px, py);
            std::string in = kOutside;
            for (const Region &r : regions)
                if (px >= r.left && px <= r.right && py >= r.top && py <= r.bottom) in = r.name;
            e2e::Rgb &shown = differences.pixels[(size_t)py * kClientWidth + px];
            shown = in == "text" ? e2e::Rgb{192, 192, 192}
                    : a == b     ? e2e::Rgb{255, 255, 255}
                                 : e2e::Rgb{0, 0, 0};
            if (in == "text" || a == b) continue;
            if (++differing[in] <= 3)
                first[in] += "  (" + std::to_string(px) + ", " + std::to_string(py) + "): linux " +
                             e2e::to_string(a) + ", windows " + e2e::to_string(b) + "\n";
        }
    differences.save_png("client" + tag + "_differences.png");
    for (const Region &r : regions) {
        if (r.name == "text") continue;
        int n = differing[r.name];
        printf("region %-16s %4d pixels differ\n", r.name.c_str(), n);
        EXPECT_EQ(n, 0) << "region " << r.name << ", first differences (client pixels):\n"
                        << first[r.name];
    }
    EXPECT_EQ(0, differing[kOutside]) << first[kOutside];
}

TEST_F(WineTest, WindowsClientTakesTheSameInputAndPaintsTheSamePicture) {
    compare_client_builds(x, {}, {}, "");
}

// Any colour, ellipses, arcs, pies, polygons, flood fills and a PNG with alpha blended over
// stripes (read with libpng here, with WIC on Windows).
TEST_F(WineTest, WindowsClientPaintsTheSameShapesFillsAndImages) {
    std::string sprite = e2e::source_dir() + "/tests/windows_e2e/sprite.png";
    compare_client_builds(x, {"extras", sprite}, {"extras", "Z:" + sprite}, "_extras");
}

// Sprite sheet cells (a part of a bitmap, as BitBlt takes it), turned and flipped images,
// see-through colours, and a picture drawn off screen laid over the picture.
TEST_F(WineTest, WindowsClientPaintsTheSameSpritesAndSeeThroughColours) {
    std::string sprite = e2e::source_dir() + "/tests/windows_e2e/sprite.png";
    compare_client_builds(x, {"sprites", sprite}, {"sprites", "Z:" + sprite}, "_sprites");
}

// With two posted messages, the quit, a paint and a due timer all waiting, Windows (Wine) hands
// out the posted messages, then the quit, then the paint and the timer; the layer does the same.
TEST_F(WineTest, TheQueueHandsOutTheQuitBeforePaintsAndTimersAsWindowsDoes) {
    const char kWindowsOrder[] = "ORDER WM_USER WM_USER+1 WM_QUIT WM_PAINT WM_TIMER";
    e2e::Process linux_app(x, e2e::build_dir() + "/tests/windows_e2e/queue_order");
    ASSERT_TRUE(linux_app.ok()) << linux_app.error();
    int status = -1;
    EXPECT_TRUE(linux_app.wait(kStartMs, &status)) << linux_app.errors();
    WineProgram windows_app(x, "tests/windows_e2e/queue_order.exe");
    ASSERT_TRUE(windows_app.process.ok()) << windows_app.process.error();
    EXPECT_TRUE(windows_app.process.wait(kStartMs, &status)) << windows_app.process.errors();
    std::vector<std::string> windows_lines = windows_app.process.output_lines();
    ASSERT_EQ(windows_lines.size(), 1u) << windows_app.process.output();
    EXPECT_EQ(windows_lines[0], kWindowsOrder);
    EXPECT_EQ(linux_app.output_lines(), windows_lines);
}

const int kRichKeyDown = 0x28, kRichKeyUp = 0x26;  // the event codes of a key going down, up

// The richer wait's client, Linux or Windows, given one table of real input: for each step the
// events it printed, motion reduced to where it ended (Windows and the layer may coalesce motion
// differently, never the other events).
std::vector<std::string> drive_rich_client(const e2e::XServer &x, e2e::Process &app,
                                           const std::string &tag) {
    std::vector<std::string> seen;
    Screen screen{x, {}};
    EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &screen.w, kStartMs))
        << tag << ": no graphics window; " << app.errors();
    EXPECT_TRUE(app.wait_for_line("READY", kStartMs)) << tag << ": " << app.output();
    if (::testing::Test::HasFailure()) return seen;
    e2e::sleep_ms(1000);
    EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &screen.w, kEventMs)) << tag;
    EXPECT_TRUE(e2e::focus_window(x, screen.w)) << tag;
    auto at = [&](int lx, int ly) {
        return std::vector<std::string>{"mousemove", std::to_string(screen.sx(lx)),
                                        std::to_string(screen.sy(ly))};
    };
    const std::vector<std::vector<std::string>> steps = {
        at(10, 20),         {"key", "Left"},   {"key", "a"},         {"key", "shift+b"},
        {"key", "F5"},      {"key", "Delete"}, {"keydown", "Right"}, {"keyup", "Right"},
        {"mousedown", "1"}, at(-40, -30),      at(60, 50),           {"mouseup", "1"},
        {"click", "3"},     {"click", "4"},    {"click", "5"},
    };
    size_t from = 0;
    std::set<int> held_keys;  // keys whose key-down was seen and whose key-up was not yet
    for (const auto &step : steps) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), step.begin(), step.end());
        EXPECT_EQ(0, e2e::run_command(argv, x.display())) << tag;
        e2e::sleep_ms(700);
        std::vector<std::string> lines = app.output_lines();
        std::string summary = step[0] + ":";
        std::string last_move;
        for (size_t i = from; i < lines.size(); i++) {
            if (lines[i].compare(0, 7, "RICH 6 ") == 0) {
                last_move = lines[i];
                continue;
            }
            // A key held past the X server's repeat delay (660 ms, about a step's wait) repeats on
            // one build and not the other as the machine's load has it: its repeats are left out.
            int type = 0, key = 0;
            if (sscanf(lines[i].c_str(), "RICH %d %*d %*d %d", &type, &key) == 2) {
                if (type == kRichKeyDown && !held_keys.insert(key).second) continue;
                if (type == kRichKeyUp) held_keys.erase(key);
            }
            if (lines[i].compare(0, 5, "RICH ") == 0) summary += " [" + lines[i] + "]";
        }
        if (!last_move.empty()) summary += " moved [" + last_move + "]";
        from = lines.size();
        seen.push_back(summary);
    }
    std::vector<std::string> quit = {"xdotool", "key", "ctrl+q"};
    e2e::run_command(quit, x.display());
    int status = -1;
    EXPECT_TRUE(app.wait(kEventMs, &status)) << tag << ": still running after Ctrl+Q";
    return seen;
}

TEST_F(WineTest, WindowsRichClientGetsTheSameKeysDragAndWheel) {
    e2e::Process linux_app(x, e2e::build_dir() + "/tests/windows_e2e/rich_echo_client");
    ASSERT_TRUE(linux_app.ok()) << linux_app.error();
    std::vector<std::string> linux_events = drive_rich_client(x, linux_app, "linux");
    ASSERT_FALSE(HasFailure());
    WineProgram windows_app(x, "tests/windows_e2e/rich_echo_client.exe");
    ASSERT_TRUE(windows_app.process.ok()) << windows_app.process.error();
    std::vector<std::string> windows_events = drive_rich_client(x, windows_app.process, "windows");
    ASSERT_EQ(linux_events.size(), windows_events.size());
    for (size_t i = 0; i < linux_events.size(); i++) {
        // Every step makes at least one event, the same ones on both.
        EXPECT_NE(linux_events[i].find("RICH "), std::string::npos) << linux_events[i];
        EXPECT_EQ(linux_events[i], windows_events[i]) << "step " << i;
    }
    // The wheel's two notches, away and towards.
    EXPECT_NE(windows_events.back().find("RICH 7 60 50 0 -1 "), std::string::npos)
        << windows_events.back();
}

const int kCharacter = 2, kText = 8;  // the event codes of a classic character, of typed text

// Typed text past Windows-1252 reaches the Windows build as whole code points, surrogate pairs
// joined, beside the classic character where the code page has one: as on Linux.
TEST_F(WineTest, WindowsRichClientGetsTheSameTypedText) {
    auto typed = [&](e2e::Process &app, const std::string &tag) {
        std::vector<std::string> seen;
        e2e::WindowInfo w;
        EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, kStartMs)) << tag;
        EXPECT_TRUE(app.wait_for_line("READY", kStartMs)) << tag << ": " << app.output();
        if (::testing::Test::HasFailure()) return seen;
        e2e::sleep_ms(1000);
        EXPECT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, kEventMs)) << tag;
        EXPECT_TRUE(e2e::focus_window(x, w)) << tag;
        EXPECT_TRUE(e2e::type_text(x, "a\xC3\xA9\xE2\x82\xAC\xC5\x82\xF0\x9F\x98\x80Z")) << tag;
        // The characters and the text, without the keys that typed them, up to the last text.
        for (long long end = e2e::now_ms() + kEventMs; e2e::now_ms() < end; e2e::sleep_ms(200)) {
            seen.clear();
            for (const std::string &line : app.output_lines()) {
                int type = 0, key = 0;
                if (sscanf(line.c_str(), "RICH %d %*d %*d %d", &type, &key) == 2 &&
                    (type == kCharacter || type == kText))
                    seen.push_back(std::to_string(type) + " " + std::to_string(key));
            }
            if (!seen.empty() && seen.back() == "8 90") break;
        }
        e2e::key_to(x, w, "ctrl+q");
        int status = -1;
        EXPECT_TRUE(app.wait(kEventMs, &status)) << tag << ": still running after Ctrl+Q";
        return seen;
    };
    e2e::Process linux_app(x, e2e::build_dir() + "/tests/windows_e2e/rich_echo_client",
                           e2e::ProcessOptions{{"text"}, "", {}});
    ASSERT_TRUE(linux_app.ok()) << linux_app.error();
    std::vector<std::string> linux_seen = typed(linux_app, "linux");
    WineProgram windows_app(x, "tests/windows_e2e/rich_echo_client.exe", {"text"});
    ASSERT_TRUE(windows_app.process.ok()) << windows_app.process.error();
    std::vector<std::string> windows_seen = typed(windows_app.process, "windows");
    EXPECT_NE(std::string::npos, windows_app.process.output().find("TITLE Caf\xC3\xA9 \xE2\x82\xAC"))
        << windows_app.process.output();
    const std::vector<std::string> expected = {"2 97",   "8 97",  "2 233", "8 233",    "2 128",
                                               "8 8364", "8 322", "8 128512", "2 90", "8 90"};
    EXPECT_EQ(linux_seen, expected);
    EXPECT_EQ(windows_seen, expected);
}

// Full screen on Windows: a 200 x 150 picture under the menu bar, four times as large (the most
// that fits 1024 x 768), centred on black, crisp; a click comes back in library coordinates.
TEST_F(WineTest, WindowsFullScreenScalesThePictureAndMapsClicksBack) {
    WineProgram app(x, "tests/windows_e2e/rich_echo_client.exe", {"full"});
    ASSERT_TRUE(app.process.ok()) << app.process.error();
    ASSERT_TRUE(app.process.wait_for_line("READY", kStartMs)) << app.process.output();
    EXPECT_TRUE(app.process.wait_for_line("FULL 1", kEventMs)) << app.process.output();
    e2e::WindowInfo w;
    for (long long end = e2e::now_ms() + kEventMs; e2e::now_ms() < end; e2e::sleep_ms(200))
        if (e2e::wait_for_window(x, "TAVIX Graphics", &w, kEventMs) && w.width == 1024) break;
    EXPECT_EQ(1024, w.width);
    EXPECT_EQ(768, w.height);
    const int kLeft = (1024 - 800) / 2, kTop = kMenuBar + (768 - kMenuBar - 600) / 2;
    e2e::Rgb seen{};
    EXPECT_TRUE(e2e::wait_for_pixel(x, w.x + kLeft, w.y + kTop, kRed, kEventMs, &seen))
        << e2e::to_string(seen);
    e2e::Image screen = e2e::screenshot(x);
    screen.save_png("full_screen_windows.png");
    const struct {
        int sx, sy;
        bool red;
    } pixels[] = {{kLeft, kTop, true}, {kLeft + 7, kTop + 7, true}, {kLeft + 8, kTop, false},
                  {kLeft, kTop + 8, false}, {kLeft - 1, kTop, false}};
    for (const auto &p : pixels)
        EXPECT_EQ(p.red, screen.at(w.x + p.sx, w.y + p.sy) == kRed) << p.sx << "," << p.sy;
    EXPECT_EQ(kBlack, screen.at(w.x + kLeft - 1, w.y + kTop));
    EXPECT_EQ(kBlack, screen.at(w.x + 1023, w.y + 767));
    // Library (0, 0) is buffer pixel (100, 75), a 4 x 4 block on the screen.
    EXPECT_TRUE(e2e::click(x, w.x + kLeft + 4 * 100 + 3, w.y + kTop + 4 * 75 + 1));
    EXPECT_TRUE(app.process.wait_for_output("RICH 1 0 0 ", kEventMs)) << app.process.output();
    EXPECT_TRUE(e2e::click(x, w.x + kLeft + 2, w.y + kTop + 3));
    EXPECT_TRUE(app.process.wait_for_output("RICH 1 -100 75 ", kEventMs)) << app.process.output();
    ASSERT_TRUE(e2e::key_to(x, w, "ctrl+q"));
    int status = -1;
    EXPECT_TRUE(app.process.wait(kEventMs, &status)) << "still running after Ctrl+Q";
}

// With no pad and whatever XInput the system has, the gamepads read 0 and the program runs on:
// the events still come, Ctrl+Q still ends it.
TEST_F(WineTest, WindowsPadsReadZeroWithoutAPad) {
    WineProgram app(x, "tests/windows_e2e/rich_echo_client.exe", {"pads"});
    ASSERT_TRUE(app.process.ok()) << app.process.error();
    EXPECT_TRUE(app.process.wait_for_line("PADS 0 0 0", kStartMs)) << app.process.output();
    e2e::WindowInfo w;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, kStartMs)) << app.process.errors();
    ASSERT_TRUE(e2e::key_to(x, w, "ctrl+q"));
    int status = -1;
    EXPECT_TRUE(app.process.wait(kEventMs, &status)) << "still running after Ctrl+Q";
    EXPECT_EQ(0, status);
    EXPECT_NE(app.process.output().find("RICH 4 "), std::string::npos) << app.process.output();
}

TEST_F(WineTest, WindowsConeStartsTakesAClickAndQuits) {
    WineProgram cone(x, "cone.exe");
    ASSERT_TRUE(cone.process.ok()) << cone.process.error();
    Screen screen{x, {}};
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &screen.w, kStartMs))
        << cone.process.errors();

    // The first periodic tick draws the scene: the red frame line on the right.
    e2e::Rgb seen{};
    EXPECT_TRUE(e2e::wait_for_pixel(x, screen.sx(230), screen.sy(0), kRed, kStartMs, &seen))
        << e2e::to_string(seen);
    // One scoop: black above it, until "Add Scoop" puts the second one there.
    const int kScoopX = kOriginX - 50, kScoopY = kOriginY - 82;
    EXPECT_EQ(kBlack, screen.client().at(kScoopX, kScoopY));
    ASSERT_TRUE(e2e::click(x, screen.sx(-240), screen.sy(232)));
    bool scooped = false;
    for (long long end = e2e::now_ms() + kEventMs; !scooped && e2e::now_ms() < end;) {
        scooped = screen.client().at(kScoopX, kScoopY) != kBlack;
        if (!scooped) e2e::sleep_ms(100);
    }
    EXPECT_TRUE(scooped) << "no second scoop after the click on \"Add Scoop\"";
    screen.client().save_png("cone_windows.png");

    ASSERT_TRUE(e2e::key_to(x, screen.w, "ctrl+q"));
    int status = -1;
    EXPECT_TRUE(cone.process.wait(kEventMs, &status)) << "still running after Ctrl+Q";
    EXPECT_EQ(0, status);
}

// Under Wine there may be no audio device: either way the sound calls return at once and the
// program ends by itself with status 0. The sound it loads, four frames of 8-bit mono at
// 22,050 Hz, is written to the folder it runs in.
TEST_F(WineTest, WindowsSoundClientPlaysAndQuits) {
    const unsigned char tone[] = {
        'R', 'I', 'F', 'F', 44, 0, 0,    0,    'W',  'A',  'V',  'E',  'f',  'm',  't',  ' ', 16, 0,
        0,   0,   1,   0,   1,  0, 0x22, 0x56, 0,    0,    0x22, 0x56, 0,    0,    1,    0,   8,  0,
        'd', 'a', 't', 'a', 8,  0, 0,    0,    0x80, 0xFF, 0x80, 0,    0x80, 0xFF, 0x80, 0};
    FILE *f = fopen("tone.wav", "wb");
    ASSERT_NE(f, nullptr);
    fwrite(tone, 1, sizeof tone, f);
    fclose(f);
    e2e::ProcessOptions o = WineProgram::options("tests/windows_e2e/sound_client.exe");
    o.env.push_back("TAVIX_CONSOLE=stderr");  // whether sound is off shows in a failure's report
    o.args.insert(o.args.end(), {"beep=440,300", "load=tone.wav", "play=1", "play=1", "tick",
                                 "tick", "tick", "stop", "beep=880,100", "tick"});
    e2e::Process sound(x, kWine, o);
    ASSERT_TRUE(sound.ok()) << sound.error();
    int status = -1;
    EXPECT_TRUE(sound.wait(kStartMs, &status)) << "still running: " << sound.output();
    EXPECT_EQ(0, status) << sound.errors();
    EXPECT_NE(sound.output().find("LOADED 1"), std::string::npos) << sound.output();
    EXPECT_NE(sound.output().find("DONE"), std::string::npos) << sound.output();
    // Without a device, one line says so; with one, none.
    const std::string errors = sound.errors(), off = "Sound is off: ";
    size_t first = errors.find(off);
    EXPECT_TRUE(first == std::string::npos || errors.find(off, first + 1) == std::string::npos)
        << errors;
}

}  // namespace
