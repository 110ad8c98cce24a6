// Recording and playback as a user meets them: the script client under Xvfb, Ctrl+R, a few
// clicks and keys, Ctrl+R; the script file then holds those events, and Ctrl+P in a fresh run of
// the client delivers the same events in the same order.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <memory>
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

// The events a script stands for, as the client prints them.
std::vector<std::string> events_of(const std::string &script) {
    std::vector<std::string> events;
    std::istringstream in(script);
    std::string line;
    while (std::getline(in, line)) {
        int x, y, n;
        if (sscanf(line.c_str(), "TAVIX_MOUSE(%d, %d);", &x, &y) == 2)
            events.push_back("MOUSE " + std::to_string(x) + " " + std::to_string(y));
        else if (sscanf(line.c_str(), "TAVIX_KBD(%d);", &n) == 1)
            events.push_back("KBD " + std::to_string(n));
        else if (sscanf(line.c_str(), "TAVIX_PERIODIC(%d);", &n) == 1)
            events.insert(events.end(), n, "PERIODIC");
        else
            events.push_back("BAD LINE " + line);
    }
    return events;
}

// One run of the script client on a display of its own (so nothing of an earlier run's windows
// can be found by mistake), in the given working directory.
struct ClientRun {
    e2e::XServer x;
    e2e::ProcessOptions options;
    std::unique_ptr<e2e::Process> app;
    e2e::WindowInfo w;

    ::testing::AssertionResult start(const std::string &dir, const char *argument = nullptr) {
        if (!x.ok()) return ::testing::AssertionFailure() << x.error();
        options.working_dir = dir;
        if (argument) options.args.push_back(argument);
        app.reset(new e2e::Process(x, e2e::program_path("script_client"), options));
        if (!app->ok()) return ::testing::AssertionFailure() << app->error();
        if (!e2e::wait_for_window(x, "TAVIX Graphics", &w, 15000))
            return ::testing::AssertionFailure() << "no graphics window";
        e2e::sleep_ms(300);
        return ::testing::AssertionSuccess();
    }
    bool keys(const char *keys) { return e2e::key_to(x, w, keys); }
    // Ctrl+Q; the client must print QUIT and end with status 0.
    ::testing::AssertionResult quit() {
        if (!keys("ctrl+q")) return ::testing::AssertionFailure() << "xdotool failed";
        int status = -1;
        if (!app->wait(5000, &status))
            return ::testing::AssertionFailure() << "the client did not end after Ctrl+Q";
        if (status != 0) return ::testing::AssertionFailure() << "exit status " << status;
        if (app->output_lines().empty() || app->output_lines().back() != "QUIT")
            return ::testing::AssertionFailure() << "no QUIT last:\n" << app->output();
        return ::testing::AssertionSuccess();
    }
};

TEST(ScriptEndToEnd, RecordThenPlayBackIntoAFreshRun) {
    std::string dir = make_directory();
    ASSERT_FALSE(dir.empty());

    std::vector<std::string> recorded;
    {
        ClientRun run;
        ASSERT_TRUE(run.start(dir));
        ASSERT_TRUE(run.keys("ctrl+r"));
        std::vector<std::string> expected;
        const struct {
            int wx, wy;        // a click at these window pixels, or
            const char *keys;  // these keys
            const char *line;  // and the line the client prints for them (null: a click's)
        } steps[] = {
            {100, 120, nullptr, nullptr},
            {400, 300, nullptr, nullptr},
            {0, 0, "a", "KBD 97"},
            {0, 0, "ctrl+f", "PERIODIC"},  // one frame, at the next timer notice
            {0, 0, "shift+z", "KBD 90"},
            {0, 0, "eacute", "KBD -23"},   // a character above 127
                                           // reads negative
            {297, 267, nullptr, nullptr},  // the origin
        };
        for (const auto &step : steps) {
            if (step.keys) {
                ASSERT_TRUE(run.keys(step.keys));
                expected.push_back(step.line);
            } else {
                ASSERT_TRUE(e2e::click_in_window(run.x, run.w, step.wx, step.wy));
                expected.push_back(mouse_line(step.wx, step.wy));
            }
            ASSERT_TRUE(wait_for_lines(*run.app, expected.size()))
                << "after " << (step.keys ? step.keys : "a click") << ":\n"
                << run.app->output();
        }
        ASSERT_TRUE(run.keys("ctrl+shift+r"));  // Shift makes no difference
        EXPECT_EQ(joined(run.app->output_lines()), joined(expected));
        EXPECT_EQ(expected.back(), "MOUSE 0 0");
        // Every line is in the file while the program still runs.
        EXPECT_EQ(read_file(dir + "/TAVIX.SCR"), script_for(expected));

        ASSERT_TRUE(run.quit());
        recorded = run.app->output_lines();
    }
    std::string script = read_file(dir + "/TAVIX.SCR");
    EXPECT_EQ(script,
              "TAVIX_MOUSE(-197, 147);\nTAVIX_MOUSE(103, -33);\nTAVIX_KBD(97);\n"
              "TAVIX_PERIODIC(1);\nTAVIX_KBD(90);\nTAVIX_KBD(-23);\nTAVIX_MOUSE(0, 0);\n");

    {
        ClientRun run;
        ASSERT_TRUE(run.start(dir));
        ASSERT_TRUE(run.keys("ctrl+p"));
        ASSERT_TRUE(wait_for_lines(*run.app, recorded.size() - 1)) << run.app->output();
        e2e::sleep_ms(300);  // nothing more comes after the script's end
        ASSERT_TRUE(run.quit());
        EXPECT_EQ(joined(run.app->output_lines()), joined(recorded));
    }
    // Playing back leaves the script as it was.
    EXPECT_EQ(read_file(dir + "/TAVIX.SCR"), script);

    unlink((dir + "/TAVIX.SCR").c_str());
    rmdir(dir.c_str());
}

// With the animation running, the ticks between the user's events are recorded as runs and
// played back as exactly as many periodic events, without waiting for the timer.
TEST(ScriptEndToEnd, TicksOfARunningAnimationRoundTrip) {
    std::string dir = make_directory();
    ASSERT_FALSE(dir.empty());

    std::vector<std::string> recorded;
    {
        ClientRun run;
        ASSERT_TRUE(run.start(dir, "animate"));
        ASSERT_TRUE(run.keys("ctrl+r"));
        e2e::sleep_ms(500);
        ASSERT_TRUE(e2e::click_in_window(run.x, run.w, 200, 200));
        e2e::sleep_ms(400);
        ASSERT_TRUE(run.keys("b"));
        e2e::sleep_ms(300);
        ASSERT_TRUE(run.keys("ctrl+r"));
        ASSERT_TRUE(run.quit());
        recorded = run.app->output_lines();
    }
    std::string script = read_file(dir + "/TAVIX.SCR");
    std::vector<std::string> events = events_of(script);
    ASSERT_GE(events.size(), 4u) << script;
    EXPECT_EQ(script.rfind("TAVIX_PERIODIC(", 0), 0u) << script;  // ticks came first
    // What the file holds is exactly what the client received while recording.
    std::string all = joined(recorded), wanted = joined(events);
    EXPECT_NE(all.find(wanted), std::string::npos) << "file:\n" << script << "client:\n" << all;

    {
        ClientRun run;
        ASSERT_TRUE(run.start(dir, "animate"));
        ASSERT_TRUE(run.keys("ctrl+p"));  // halts the animation, then plays
        e2e::sleep_ms(500);
        ASSERT_TRUE(run.quit());
        // Before Ctrl+P only ticks; then the script, every event of it; then the quit.
        std::vector<std::string> lines = run.app->output_lines();
        ASSERT_GE(lines.size(), events.size() + 1);
        std::vector<std::string> tail(lines.end() - events.size() - 1, lines.end() - 1);
        EXPECT_EQ(joined(tail), joined(events));
        for (size_t i = 0; i + events.size() + 1 < lines.size(); i++)
            EXPECT_EQ(lines[i], "PERIODIC") << i;
    }
    unlink((dir + "/TAVIX.SCR").c_str());
    rmdir(dir.c_str());
}

// Two copies of the client recording in one folder at once: the second is refused with a
// console line before it touches the file, the first records on, and the file holds whole lines
// of the first alone. The lock goes with its program, even one killed while recording.
TEST(ScriptEndToEnd, ASecondRecorderInTheSameFolderIsRefused) {
    std::string dir = make_directory();
    ASSERT_FALSE(dir.empty());
    const std::string script = dir + "/TAVIX.SCR";
    const std::string refused =
        "Cannot record to script file TAVIX.SCR: another program is recording to it\n";
    ClientRun first, second;
    first.options.env.push_back("TAVIX_CONSOLE=stderr");
    second.options.env.push_back("TAVIX_CONSOLE=stderr");
    ASSERT_TRUE(first.start(dir));
    ASSERT_TRUE(second.start(dir));

    const struct {
        ClientRun *run;
        const char *keys;
        size_t lines;  // the client's output lines by then
    } steps[] = {
        {&first, "ctrl+r", 0}, {&first, "a", 1},  {&second, "ctrl+r", 0},
        {&second, "b", 1},     {&second, "c", 2}, {&first, "d", 2},
    };
    for (const auto &step : steps) {
        ASSERT_TRUE(step.run->keys(step.keys));
        ASSERT_TRUE(wait_for_lines(*step.run->app, step.lines)) << step.keys;
    }
    EXPECT_EQ(read_file(script), "TAVIX_KBD(97);\nTAVIX_KBD(100);\n");
    std::string said = second.app->errors();
    EXPECT_NE(said.find(refused), std::string::npos) << said;
    EXPECT_EQ(said.find(refused), said.rfind(refused)) << "said once: " << said;
    EXPECT_EQ(first.app->errors().find("Cannot"), std::string::npos) << first.app->errors();

    // The first ends without a word, still recording; the second may record now.
    kill(first.app->pid(), SIGKILL);
    ASSERT_TRUE(first.app->wait(5000));
    ASSERT_TRUE(second.keys("ctrl+r"));
    ASSERT_TRUE(second.keys("e"));
    ASSERT_TRUE(wait_for_lines(*second.app, 3));
    EXPECT_EQ(read_file(script), "TAVIX_KBD(101);\n");
    ASSERT_TRUE(second.quit());

    unlink(script.c_str());
    rmdir(dir.c_str());
}

}  // namespace
