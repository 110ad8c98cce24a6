// Recording and playback as a user meets them: the script client under Xvfb, Ctrl+R, a few
// clicks and keys, Ctrl+R; the script file then holds those events, and Ctrl+P in a fresh run of
// the client delivers the same events in the same order.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The window's pixels are the menu bar (19 px) over the client area, whose centre (297, 248)
// is the library's origin.
const int kMenuBar = 19;
const int kOriginX = 297;
const int kOriginY = 248;

std::string make_directory() {
    char name[] = "/tmp/tavix-script-e2e-XXXXXX";
    return mkdtemp(name) ? name : "";
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// Waits until the program has printed at least count lines.
bool wait_for_lines(e2e::Process &app, size_t count, int timeout_ms = 5000) {
    for (int waited = 0; waited < timeout_ms; waited += 50) {
        if (app.output_lines().size() >= count) return true;
        e2e::sleep_ms(50);
    }
    return app.output_lines().size() >= count;
}

std::string joined(const std::vector<std::string> &lines) {
    std::string all;
    for (const std::string &line : lines) all += line + "\n";
    return all;
}

// The script lines a recording of these client output lines must produce.
std::string script_for(const std::vector<std::string> &events) {
    std::string script;
    int ticks = 0;
    for (const std::string &e : events) {
        if (e == "PERIODIC") {
            ticks++;
            continue;
        }
        if (ticks > 0) script += "TAVIX_PERIODIC(" + std::to_string(ticks) + ");\n";
        ticks = 0;
        int x, y, k;
        if (sscanf(e.c_str(), "MOUSE %d %d", &x, &y) == 2)
            script += "TAVIX_MOUSE(" + std::to_string(x) + ", " + std::to_string(y) + ");\n";
        else if (sscanf(e.c_str(), "KBD %d", &k) == 1)
            script += "TAVIX_KBD(" + std::to_string(k) + ");\n";
    }
    if (ticks > 0) script += "TAVIX_PERIODIC(" + std::to_string(ticks) + ");\n";
    return script;
}

std::string mouse_line(int wx, int wy) {
    return "MOUSE " + std::to_string(wx - kOriginX) + " " +
           std::to_string(kOriginY - (wy - kMenuBar));
}

TEST(ScriptEndToEnd, RecordThenPlayBackIntoAFreshRun) {
    std::string dir = make_directory();
    ASSERT_FALSE(dir.empty());
    e2e::ProcessOptions options;
    options.working_dir = dir;

    // ---- The recording run ----------------------------------------------------------------
    std::vector<std::string> recorded;
    {
        e2e::XServer x;
        ASSERT_TRUE(x.ok()) << x.error();
        e2e::Process app(x, e2e::program_path("script_client"), options);
        ASSERT_TRUE(app.ok()) << app.error();
        e2e::WindowInfo w;
        ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, 15000));
        e2e::sleep_ms(300);

        ASSERT_TRUE(e2e::key_to(x, w, "ctrl+r"));
        std::vector<std::string> expected;
        const struct {
            int wx, wy;        // a click at these window pixels, or
            const char *keys;  // these keys
            const char *line;  // and the line the client prints for them (null: a click's)
        } steps[] = {
            {100, 120, nullptr, nullptr}, {400, 300, nullptr, nullptr}, {0, 0, "a", "KBD 97"},
            {0, 0, "ctrl+f", "PERIODIC"},  // one frame, at the next timer notice
            {0, 0, "shift+z", "KBD 90"},
            {0, 0, "eacute", "KBD -23"},  // a character above 127 reads negative
            {297, 267, nullptr, nullptr},  // the origin
        };
        for (const auto &step : steps) {
            if (step.keys) {
                ASSERT_TRUE(e2e::key_to(x, w, step.keys));
                expected.push_back(step.line);
            } else {
                ASSERT_TRUE(e2e::click_in_window(x, w, step.wx, step.wy));
                expected.push_back(mouse_line(step.wx, step.wy));
            }
            ASSERT_TRUE(wait_for_lines(app, expected.size()))
                << "after " << (step.keys ? step.keys : "a click") << ":\n"
                << app.output();
        }
        ASSERT_TRUE(e2e::key_to(x, w, "ctrl+r"));
        EXPECT_EQ(joined(app.output_lines()), joined(expected));
        EXPECT_EQ(expected.back(), "MOUSE 0 0");

        // Every line is in the file while the program still runs.
        EXPECT_EQ(read_file(dir + "/TAVIX.SCR"), script_for(expected));

        ASSERT_TRUE(e2e::key_to(x, w, "ctrl+q"));
        int status = -1;
        ASSERT_TRUE(app.wait(5000, &status)) << "the client did not end after Ctrl+Q";
        EXPECT_EQ(status, 0);
        recorded = app.output_lines();
        expected.push_back("QUIT");
        EXPECT_EQ(joined(recorded), joined(expected));
    }
    std::string script = read_file(dir + "/TAVIX.SCR");
    EXPECT_EQ(script,
              "TAVIX_MOUSE(-197, 147);\nTAVIX_MOUSE(103, -33);\nTAVIX_KBD(97);\n"
              "TAVIX_PERIODIC(1);\nTAVIX_KBD(90);\nTAVIX_KBD(-23);\nTAVIX_MOUSE(0, 0);\n");

    // ---- The playback run -----------------------------------------------------------------
    {
        // A display of its own: nothing of the first run's windows can be found by mistake.
        e2e::XServer x;
        ASSERT_TRUE(x.ok()) << x.error();
        e2e::Process app(x, e2e::program_path("script_client"), options);
        ASSERT_TRUE(app.ok()) << app.error();
        e2e::WindowInfo w;
        ASSERT_TRUE(e2e::wait_for_window(x, "TAVIX Graphics", &w, 15000));
        e2e::sleep_ms(300);
        ASSERT_TRUE(e2e::key_to(x, w, "ctrl+p"));
        ASSERT_TRUE(wait_for_lines(app, recorded.size() - 1)) << app.output();
        e2e::sleep_ms(300);  // nothing more comes after the script's end
        ASSERT_TRUE(e2e::key_to(x, w, "ctrl+q"));
        int status = -1;
        ASSERT_TRUE(app.wait(5000, &status));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(joined(app.output_lines()), joined(recorded));
    }
    // Playing back leaves the script as it was.
    EXPECT_EQ(read_file(dir + "/TAVIX.SCR"), script);

    unlink((dir + "/TAVIX.SCR").c_str());
    rmdir(dir.c_str());
}

}  // namespace
