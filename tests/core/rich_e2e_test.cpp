// The richer wait under a real X server: each key and button that xdotool presses reaches the
// program as the TAVIX_wait events a learner's game or paint program reads, held keys are let go
// when the focus goes, a 20 ms tick gives about 50 ticks a second, and a delay shows its picture
// at once and keeps the keys typed during it.
#include "tests/core/png_reader.h"
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kMenuBar = 19, kOriginX = 297, kOriginY = 248;
const int kEventMs = 8000;

// "RICH type x y key button modifiers" for the line's start; the held counts follow.
std::string rich(int type, int x, int y, int key, int button, int modifiers) {
    char line[96];
    snprintf(line, sizeof line, "RICH %d %d %d %d %d %d ", type, x, y, key, button, modifiers);
    return line;
}

bool xdotool(const e2e::XServer &x, const std::vector<std::string> &args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    bool ok = e2e::run_command(argv, x.display()) == 0;
    e2e::sleep_ms(60);
    return ok;
}

// The program's RICH lines from index from on, as they start (the part rich() makes).
std::vector<std::string> rich_lines_from(const e2e::Process &app, size_t *from) {
    std::vector<std::string> lines = app.output_lines(), out;
    for (size_t i = *from; i < lines.size(); i++) {
        if (lines[i].compare(0, 5, "RICH ") != 0) continue;
        // Up to the modifiers: the sixth blank ends them.
        size_t at = 0;
        for (int blanks = 0; blanks < 7 && at != std::string::npos; blanks++)
            at = lines[i].find(' ', at + 1);
        out.push_back(lines[i].substr(0, at == std::string::npos ? lines[i].size() : at + 1));
    }
    *from = lines.size();
    return out;
}

struct RichClient {
    e2e::XServer x{1024, 768};
    e2e::Process app;
    e2e::WindowInfo w;
    explicit RichClient(const e2e::ProcessOptions &options = {})
        : app(x, e2e::program_path("rich_client"), options) {}
    int sx(int lx) const { return w.x + kOriginX + lx; }
    int sy(int ly) const { return w.y + kMenuBar + kOriginY - ly; }
    bool start() {
        return x.ok() && app.ok() && e2e::wait_for_window(x, "TAVIX Graphics", &w, 15000) &&
               app.wait_for_line("READY", 10000) && (e2e::sleep_ms(300), true) &&
               e2e::wait_for_window(x, "TAVIX Graphics", &w, 5000) && e2e::focus_window(x, w);
    }
};

TEST(RichE2E, EachKeyAndButtonArrivesAsItsEvents) {
    RichClient c;
    ASSERT_TRUE(c.start()) << c.x.error() << c.app.errors();
    // The pointer rests at library point (10, 20): key events carry where it is.
    ASSERT_TRUE(xdotool(c.x, {"mousemove", std::to_string(c.sx(10)), std::to_string(c.sy(20))}));
    struct Step {
        std::vector<std::string> xdotool;
        std::vector<std::string> events;
    };
    const int D = 0x28, U = 0x26, M = 6, W = 7, MU = 5;  // event codes
    std::vector<Step> steps = {
        {{"keydown", "Left"}, {rich(D, 10, 20, 0x25, 0, 0)}},
        {{"keyup", "Left"}, {rich(U, 10, 20, 0x25, 0, 0)}},
        {{"key", "Right"}, {rich(D, 10, 20, 0x27, 0, 0), rich(U, 10, 20, 0x27, 0, 0)}},
        {{"key", "Up"}, {rich(D, 10, 20, 0x26, 0, 0), rich(U, 10, 20, 0x26, 0, 0)}},
        {{"key", "Down"}, {rich(D, 10, 20, 0x28, 0, 0), rich(U, 10, 20, 0x28, 0, 0)}},
        {{"key", "space"},
         {rich(D, 10, 20, 0x20, 0, 0), rich(2, 10, 20, 32, 0, 0), rich(U, 10, 20, 0x20, 0, 0)}},
        {{"key", "Return"},
         {rich(D, 10, 20, 0x0D, 0, 0), rich(2, 10, 20, 13, 0, 0), rich(U, 10, 20, 0x0D, 0, 0)}},
        {{"key", "Escape"},
         {rich(D, 10, 20, 0x1B, 0, 0), rich(2, 10, 20, 27, 0, 0), rich(U, 10, 20, 0x1B, 0, 0)}},
        {{"key", "BackSpace"},
         {rich(D, 10, 20, 0x08, 0, 0), rich(2, 10, 20, 8, 0, 0), rich(U, 10, 20, 0x08, 0, 0)}},
        {{"key", "Tab"},
         {rich(D, 10, 20, 0x09, 0, 0), rich(2, 10, 20, 9, 0, 0), rich(U, 10, 20, 0x09, 0, 0)}},
        {{"key", "Delete"}, {rich(D, 10, 20, 0x2E, 0, 0), rich(U, 10, 20, 0x2E, 0, 0)}},
        {{"key", "Insert"}, {rich(D, 10, 20, 0x2D, 0, 0), rich(U, 10, 20, 0x2D, 0, 0)}},
        {{"key", "Home"}, {rich(D, 10, 20, 0x24, 0, 0), rich(U, 10, 20, 0x24, 0, 0)}},
        {{"key", "End"}, {rich(D, 10, 20, 0x23, 0, 0), rich(U, 10, 20, 0x23, 0, 0)}},
        {{"key", "Prior"}, {rich(D, 10, 20, 0x21, 0, 0), rich(U, 10, 20, 0x21, 0, 0)}},
        {{"key", "Next"}, {rich(D, 10, 20, 0x22, 0, 0), rich(U, 10, 20, 0x22, 0, 0)}},
        {{"key", "F1"}, {rich(D, 10, 20, 0x70, 0, 0), rich(U, 10, 20, 0x70, 0, 0)}},
        {{"key", "F5"}, {rich(D, 10, 20, 0x74, 0, 0), rich(U, 10, 20, 0x74, 0, 0)}},
        {{"key", "F12"}, {rich(D, 10, 20, 0x7B, 0, 0), rich(U, 10, 20, 0x7B, 0, 0)}},
        // A letter: its key (upper case whatever Shift says), its character, its key-up.
        {{"key", "a"},
         {rich(D, 10, 20, 'A', 0, 0), rich(2, 10, 20, 'a', 0, 0), rich(U, 10, 20, 'A', 0, 0)}},
        {{"key", "7"},
         {rich(D, 10, 20, '7', 0, 0), rich(2, 10, 20, '7', 0, 0), rich(U, 10, 20, '7', 0, 0)}},
        {{"key", "shift+b"},
         {rich(D, 10, 20, 0x10, 0, 1), rich(D, 10, 20, 'B', 0, 1), rich(2, 10, 20, 'B', 0, 1),
          rich(U, 10, 20, 0x10, 0, 0), rich(U, 10, 20, 'B', 0, 0)}},
        // Ctrl+letter is an accelerator (here: halt), never a character; the menu takes the
        // letter's key-down, and only its release comes, as on Windows.
        {{"key", "ctrl+h"},
         {rich(D, 10, 20, 0x11, 0, 2), rich(U, 10, 20, 0x11, 0, 0), rich(U, 10, 20, 'H', 0, 0)}},
        // Buttons: a press of any button is TAVIX_MOUSE, its release TAVIX_MOUSE_UP.
        {{"click", "1"}, {rich(1, 10, 20, 0, 1, 0), rich(MU, 10, 20, 0, 1, 0)}},
        {{"click", "2"}, {rich(1, 10, 20, 0, 2, 0), rich(MU, 10, 20, 0, 2, 0)}},
        {{"click", "3"}, {rich(1, 10, 20, 0, 3, 0), rich(MU, 10, 20, 0, 3, 0)}},
        // A drag with the right button held: motion carries the buttons held (2 = right).
        {{"mousedown", "3"}, {rich(1, 10, 20, 0, 3, 0)}},
        {{"mousemove", std::to_string(c.sx(-40)), std::to_string(c.sy(-30))},
         {rich(M, -40, -30, 0, 2, 0)}},
        {{"mouseup", "3"}, {rich(MU, -40, -30, 0, 3, 0)}},
        {{"mousemove", std::to_string(c.sx(5)), std::to_string(c.sy(6))}, {rich(M, 5, 6, 0, 0, 0)}},
        // The wheel: X buttons 4 (away from the user) and 5 (towards).
        {{"click", "4"}, {rich(W, 5, 6, 0, 1, 0)}},
        {{"click", "5"}, {rich(W, 5, 6, 0, -1, 0)}},
        // A click right behind motion (read a moment after it): the motion first, the click where
        // it ended.
        {{"mousemove", std::to_string(c.sx(30)), std::to_string(c.sy(40)), "click", "1"},
         {rich(M, 30, 40, 0, 0, 0), rich(1, 30, 40, 0, 1, 0), rich(MU, 30, 40, 0, 1, 0)}},
    };
    e2e::sleep_ms(300);
    size_t from = 0;
    rich_lines_from(c.app, &from);
    for (const Step &step : steps) {
        std::string what = step.xdotool[0] + " " + step.xdotool[1];
        ASSERT_TRUE(xdotool(c.x, step.xdotool)) << what;
        std::vector<std::string> got;
        for (long long end = e2e::now_ms() + kEventMs;
             got.size() < step.events.size() && e2e::now_ms() < end; e2e::sleep_ms(20)) {
            std::vector<std::string> more = rich_lines_from(c.app, &from);
            got.insert(got.end(), more.begin(), more.end());
        }
        e2e::sleep_ms(100);
        std::vector<std::string> more = rich_lines_from(c.app, &from);
        got.insert(got.end(), more.begin(), more.end());
        EXPECT_EQ(got, step.events) << what;
    }
    ASSERT_TRUE(xdotool(c.x, {"key", "ctrl+q"}));
    int status = -1;
    EXPECT_TRUE(c.app.wait(kEventMs, &status));
    EXPECT_EQ(status, 0);
}

TEST(RichE2E, HeldKeysAreLetGoWhenTheFocusGoes) {
    RichClient c;
    ASSERT_TRUE(c.start()) << c.x.error() << c.app.errors();
    e2e::WindowInfo console;
    ASSERT_TRUE(e2e::wait_for_window(c.x, "TAVIX Text", &console, 5000));
    // Two keys held together both count as held; when the console takes the focus both are let
    // go at once, each with one key-up, and nothing is held.
    ASSERT_TRUE(xdotool(c.x, {"keydown", "Left"}));
    ASSERT_TRUE(xdotool(c.x, {"keydown", "Right"}));
    e2e::sleep_ms(300);
    std::vector<std::string> lines = c.app.output_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().compare(0, 8, "RICH 40 "), 0) << c.app.output();
    EXPECT_NE(lines.back().find(" held 2 "), std::string::npos) << c.app.output();
    ASSERT_TRUE(e2e::focus_window(c.x, console));
    e2e::sleep_ms(300);
    xdotool(c.x, {"keyup", "Left"});
    xdotool(c.x, {"keyup", "Right"});
    e2e::sleep_ms(300);
    std::vector<std::string> ups;
    for (const std::string &line : c.app.output_lines())
        if (line.compare(0, 8, "RICH 38 ") == 0) ups.push_back(line);
    ASSERT_GE(ups.size(), 2u) << c.app.output();
    int first = 0, second = 0;
    sscanf(ups[0].c_str(), "RICH 38 %*d %*d %d", &first);
    sscanf(ups[1].c_str(), "RICH 38 %*d %*d %d", &second);
    EXPECT_EQ(first + second, 0x25 + 0x27) << c.app.output();
    EXPECT_NE(first, second);
    EXPECT_NE(ups[0].find(" held 1 "), std::string::npos) << c.app.output();
    EXPECT_NE(ups[1].find(" held 0 "), std::string::npos) << c.app.output();
    EXPECT_NE(c.app.output_lines().back().find(" held 0 "), std::string::npos) << c.app.output();
    ASSERT_TRUE(e2e::focus_window(c.x, c.w));
    ASSERT_TRUE(xdotool(c.x, {"key", "ctrl+q"}));
    EXPECT_TRUE(c.app.wait(kEventMs));
}

TEST(RichE2E, ATwentyMillisecondTickGivesAboutFiftyTicksASecond) {
    e2e::ProcessOptions options;
    options.env = {"RICH_TICK=20", "RICH_TICK_WINDOW=2000"};
    RichClient c(options);
    ASSERT_TRUE(c.app.ok());
    ASSERT_TRUE(c.app.wait_for_output("TICKS", 30000)) << c.app.errors();
    int ticks = 0;
    long span = 0;
    for (const std::string &line : c.app.output_lines())
        sscanf(line.c_str(), "TICKS %d IN %ld", &ticks, &span);
    // About 100 in two seconds; a loaded machine may lose some, never gain: 100 ms ticks give 20.
    EXPECT_GE(ticks, 50) << c.app.output();
    EXPECT_LE(ticks, 101) << c.app.output();
    EXPECT_GE(span, 2000);
}

TEST(RichE2E, ADelayShowsItsPictureAndKeepsTheKeysTypedDuringIt) {
    e2e::ProcessOptions options;
    options.env = {"RICH_DELAY=2500"};
    RichClient c(options);
    ASSERT_TRUE(c.start()) << c.x.error() << c.app.errors();
    ASSERT_TRUE(c.app.wait_for_line("DELAYING", kEventMs));
    // The red square is on the screen while the delay still runs.
    e2e::Rgb seen{};
    EXPECT_TRUE(e2e::wait_for_pixel(c.x, c.sx(0), c.sy(0), e2e::Rgb{255, 0, 0}, 2000, &seen))
        << e2e::to_string(seen);
    EXPECT_EQ(c.app.output().find("DELAYED"), std::string::npos) << "the delay ended first";
    ASSERT_TRUE(e2e::focus_window(c.x, c.w));
    ASSERT_TRUE(e2e::type_text(c.x, "xyz", 0));
    EXPECT_EQ(c.app.output().find("DELAYED"), std::string::npos) << "typed too late";
    ASSERT_TRUE(c.app.wait_for_output("DELAYED", kEventMs));
    long took = 0;
    for (const std::string &line : c.app.output_lines()) sscanf(line.c_str(), "DELAYED %ld", &took);
    EXPECT_GE(took, 2500);
    ASSERT_TRUE(c.app.wait_for_output(rich(0x26, 0, 0, 'Z', 0, 0).substr(0, 8), kEventMs));
    e2e::sleep_ms(300);
    std::string characters;
    for (const std::string &line : c.app.output_lines()) {
        int type, x, y, key;
        if (sscanf(line.c_str(), "RICH %d %d %d %d", &type, &x, &y, &key) == 4 && type == 2)
            characters += (char)key;
    }
    EXPECT_EQ(characters, "xyz") << c.app.output();
    ASSERT_TRUE(xdotool(c.x, {"key", "ctrl+q"}));
    EXPECT_TRUE(c.app.wait(kEventMs));
}

// The arrow-key example played by hand with recording on from the start, then replayed headless
// twice: each replay ends in the picture the live run ended in, pixel for pixel, though its
// timing, ticks and random stars all came from the clock of the live run.
TEST(RichE2E, ARecordedArrowGameReplaysHeadlessToItsLastPicture) {
    const std::string dir = e2e::build_dir() + "/tests/core";
    const std::string script = dir + "/arrow_game_e2e.scr";
    remove(script.c_str());
    e2e::XServer x(1024, 768);
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::ProcessOptions options;
    options.env = {"TAVIX_RECORD=" + script};
    e2e::Process game(x, e2e::build_dir() + "/examples/arrow_game", options);
    ASSERT_TRUE(game.ok()) << game.error();
    e2e::WindowInfo w;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, 15000)) << game.errors();
    e2e::sleep_ms(500);
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, 5000));
    ASSERT_TRUE(e2e::focus_window(x, w));
    struct Hold {
        std::vector<std::string> keys;
        int ms;
    };
    const Hold play[] = {{{"Right"}, 600},
                         {{"Up", "Right"}, 500},
                         {{"Down"}, 400},
                         {{"Left", "Down"}, 700},
                         {{"Up"}, 300}};
    for (const Hold &h : play) {
        for (const std::string &k : h.keys) ASSERT_TRUE(xdotool(x, {"keydown", k}));
        e2e::sleep_ms(h.ms);
        for (const std::string &k : h.keys) ASSERT_TRUE(xdotool(x, {"keyup", k}));
    }
    ASSERT_TRUE(xdotool(x, {"key", "Escape"}));
    // The round is over: the picture stays as it is.
    auto client = [&]() { return e2e::screenshot(x).crop(w.x, w.y + kMenuBar, 595, 496); };
    e2e::Image live = client(), again;
    for (long long end = e2e::now_ms() + 5000; e2e::now_ms() < end; live = again) {
        e2e::sleep_ms(400);
        again = client();
        if (again.pixels == live.pixels) break;
    }
    live.save_png("arrow_game_live.png");
    ASSERT_TRUE(xdotool(x, {"key", "ctrl+q"}));
    int status = -1;
    ASSERT_TRUE(game.wait(kEventMs, &status));
    EXPECT_EQ(status, 0) << game.errors();

    for (int run = 1; run <= 2; run++) {
        const std::string snapshot = dir + "/arrow_game_replay" + std::to_string(run) + ".png";
        remove(snapshot.c_str());
        e2e::ProcessOptions replay;
        replay.env = {"TAVIX_HEADLESS=1", "TAVIX_REPLAY=" + script, "TAVIX_SNAPSHOT=" + snapshot};
        e2e::Process again_game(x, e2e::build_dir() + "/examples/arrow_game", replay);
        ASSERT_TRUE(again_game.wait(60000, &status)) << "replay " << run;
        EXPECT_EQ(status, 0) << again_game.errors();
        PngPicture png;
        ASSERT_TRUE(read_png(snapshot, &png)) << snapshot;
        int differing = 0;
        for (int py = 0; py < live.height; py++)
            for (int px = 0; px < live.width; px++) {
                e2e::Rgb c = live.at(px, py);
                uint32_t want = (uint32_t)c.r << 16 | (uint32_t)c.g << 8 | c.b;
                differing += png.at(px, py) != want;
            }
        EXPECT_EQ(differing, 0) << "replay " << run << " differs from the live run";
    }
}

}  // namespace
