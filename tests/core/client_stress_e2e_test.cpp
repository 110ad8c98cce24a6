// The small client under a real X server when things go wrong around it: a window closed by the
// window manager or destroyed from outside, hidden or shown, leaves the program running and the
// other window usable; typing faster than a stalled program reads comes back whole and in order.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Any window of that exact title, shown or hidden; 0 when there is none.
unsigned long any_window(const e2e::XServer &x, const std::string &title) {
    std::string out;
    if (e2e::run_command({"xdotool", "search", "--name", "^" + title + "$"}, x.display(), &out) !=
        0)
        return 0;
    return strtoul(out.c_str(), nullptr, 10);
}

bool close_window(const e2e::XServer &x, unsigned long id, bool from_window_manager) {
    std::string window = std::to_string(id);
    if (from_window_manager)
        return e2e::run_command({e2e::build_dir() + "/tests/support/x_delete_window", window},
                                x.display()) == 0;
    return e2e::run_command({"xdotool", "windowclose", window}, x.display()) == 0;
}

struct CloseCase {
    const char *what;
    bool console;              // the console closed (else the graphics window)
    bool hidden;               // the console hidden before
    bool from_window_manager;  // WM_DELETE_WINDOW (else the X window destroyed from outside)
};

TEST(ClientStressE2E, ClosingAWindowNeverEndsTheProgram) {
    const CloseCase cases[] = {
        {"hidden console, window manager", true, true, true},
        {"hidden console, destroyed", true, true, false},
        {"shown console, window manager", true, false, true},
        {"shown console, destroyed", true, false, false},
        {"graphics window destroyed, console shown", false, false, false},
        {"graphics window destroyed, console hidden", false, true, false},
    };
    e2e::XServer x(1024, 768);
    ASSERT_TRUE(x.ok()) << x.error();
    for (const CloseCase &c : cases) {
        SCOPED_TRACE(c.what);
        e2e::ProcessOptions options;
        if (c.hidden) options.env.push_back("TAVIX_CLIENT_HIDE_CONSOLE=1");
        e2e::Process app(x, e2e::program_path("tavix_client"), options);
        ASSERT_TRUE(app.ok()) << app.error();
        ASSERT_TRUE(app.wait_for_output("READY", 15000)) << app.errors();
        e2e::WindowInfo graphics, console;
        ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 10000));
        if (!c.hidden) {
            ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 10000));
        }
        e2e::sleep_ms(300);

        unsigned long target = any_window(x, c.console ? "TAVIX Text" : "TAVIX Graphics");
        ASSERT_NE(target, 0u);
        ASSERT_TRUE(close_window(x, target, c.from_window_manager));
        e2e::sleep_ms(300);

        // The other window still takes input, and the program lives on.
        if (c.console) {
            ASSERT_TRUE(e2e::click_in_window(x, graphics, graphics.width / 2, graphics.height / 2));
            EXPECT_TRUE(app.wait_for_output("EVENT 1 ", 5000)) << app.output() << app.errors();
            ASSERT_TRUE(e2e::key_to(x, graphics, "z"));
        } else if (!c.hidden) {
            ASSERT_TRUE(e2e::key_to(x, console, "z"));
        } else {
            // Nothing is left to type into; the next ticks still reach the program.
            e2e::sleep_ms(300);
        }
        if (c.console || !c.hidden) {
            EXPECT_TRUE(app.wait_for_line("EVENT 2 0 0 122", 5000)) << app.output() << app.errors();
        }
        e2e::sleep_ms(300);
        EXPECT_TRUE(app.running()) << app.errors();
        EXPECT_EQ(app.errors().find("X Error"), std::string::npos) << app.errors();
        app.stop();
    }
}

// The most memory the process has held, in kB; -1 when unknown.
long peak_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

TEST(ClientStressE2E, AHugeWindowSizeCostsNothing) {
    e2e::XServer x(1024, 768);
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process app(x, e2e::program_path("tavix_client"));
    ASSERT_TRUE(app.ok()) << app.error();
    ASSERT_TRUE(app.wait_for_output("READY", 15000)) << app.errors();
    e2e::WindowInfo graphics, console, now;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 10000));
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 10000));
    for (unsigned long id : {graphics.id, console.id})
        ASSERT_EQ(e2e::run_command({"xdotool", "windowsize", std::to_string(id), "30000", "30000"},
                                   x.display()),
                  0);
    e2e::sleep_ms(1000);
    // The graphics window keeps its size; the console grows to the screen at most.
    ASSERT_TRUE(e2e::window_geometry(x, graphics.id, &now));
    EXPECT_EQ(now.width, graphics.width);
    EXPECT_EQ(now.height, graphics.height);
    ASSERT_TRUE(e2e::window_geometry(x, console.id, &now));
    EXPECT_LE(now.width, x.width());
    EXPECT_LE(now.height, x.height());
    ASSERT_TRUE(e2e::key_to(x, graphics, "k"));
    EXPECT_TRUE(app.wait_for_line("EVENT 2 0 0 107", 5000)) << app.output() << app.errors();
    // A 30,000-pixel square would take 3.6 GB; the screen's worth of pixels is a few MB.
    long peak = peak_kb(app.pid());
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 200 * 1024);
    app.stop();
}

// The window manager's frame around a window: left, right, top, bottom.
bool frame_extents(const e2e::XServer &x, unsigned long id, int extents[4]) {
    std::string out;
    if (e2e::run_command({"xprop", "-id", std::to_string(id), "_NET_FRAME_EXTENTS"}, x.display(),
                         &out) != 0)
        return false;
    size_t at = out.find('=');
    return at != std::string::npos && sscanf(out.c_str() + at + 1, "%d, %d, %d, %d", &extents[0],
                                             &extents[1], &extents[2], &extents[3]) == 4;
}

TEST(ClientStressE2E, UnderAWindowManagerTheConsoleLiesWithinTheScreen) {
    e2e::XServer x(1024, 768);
    ASSERT_TRUE(x.ok()) << x.error();
    e2e::Process manager(x, "/usr/bin/openbox");
    ASSERT_TRUE(manager.ok()) << manager.error();
    for (int tries = 0; e2e::run_command({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"},
                                         x.display(), nullptr) != 0 ||
                        tries == 0;
         ++tries) {
        ASSERT_LT(tries, 50) << "openbox did not start: " << manager.errors();
        e2e::sleep_ms(100);
    }
    e2e::Process app(x, e2e::program_path("tavix_client"));
    ASSERT_TRUE(app.ok()) << app.error();
    ASSERT_TRUE(app.wait_for_output("READY", 15000)) << app.errors();
    e2e::WindowInfo console;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Text", &console, 10000));
    e2e::sleep_ms(2500);  // the window manager has placed it, and the layer has fitted it
    ASSERT_TRUE(e2e::window_geometry(x, console.id, &console));
    int frame[4];
    ASSERT_TRUE(frame_extents(x, console.id, frame));
    EXPECT_GE(console.y - frame[2], 0);
    EXPECT_LE(console.y + console.height + frame[3], x.height())
        << "the console's frame reaches below the screen";
    // Moved up no further than needed: its frame's bottom is the screen's.
    EXPECT_GE(console.y + console.height + frame[3], x.height() - 1);
    app.stop();
    manager.stop();
}

TEST(ClientStressE2E, TenThousandKeysComeBackInOrder) {
    e2e::XServer x(1024, 768);
    ASSERT_TRUE(x.ok()) << x.error();
    char dir[] = "/tmp/tavix-stall-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string go = std::string(dir) + "/go";
    e2e::ProcessOptions options;
    options.env.push_back("TAVIX_CLIENT_STALL_UNTIL=" + go);
    e2e::Process app(x, e2e::program_path("tavix_client"), options);
    ASSERT_TRUE(app.ok()) << app.error();
    ASSERT_TRUE(app.wait_for_output("READY", 15000)) << app.errors();
    e2e::WindowInfo graphics;
    ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &graphics, 10000));
    ASSERT_TRUE(e2e::focus_window(x, graphics));

    // Twice the queue's limit in key messages, typed while the program takes nothing.
    std::string text;
    unsigned seed = 12345;
    for (int i = 0; i < 10000; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> 16) % 36];
    }
    ASSERT_EQ(
        e2e::run_command({"xdotool", "type", "--delay", "0", text}, x.display(), nullptr, 180000),
        0);
    FILE *flag = fopen(go.c_str(), "w");
    ASSERT_NE(flag, nullptr);
    fclose(flag);

    std::string got;
    long long end = e2e::now_ms() + 120000;
    for (;;) {
        got.clear();
        for (const std::string &line : app.output_lines()) {
            int code, px, py, key;
            if (sscanf(line.c_str(), "EVENT %d %d %d %d", &code, &px, &py, &key) == 4 && code == 2)
                got += (char)key;
        }
        if (got.size() >= text.size() || e2e::now_ms() > end || !app.running()) break;
        e2e::sleep_ms(200);
    }
    app.stop();
    unlink(go.c_str());
    rmdir(dir);
    ASSERT_EQ(got.size(), text.size()) << app.errors();
    size_t first_difference = 0;
    while (first_difference < got.size() && got[first_difference] == text[first_difference])
        ++first_difference;
    EXPECT_EQ(first_difference, text.size())
        << "typed and received differ from key " << first_difference;
}

}  // namespace
