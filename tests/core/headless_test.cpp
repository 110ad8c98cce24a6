// Whole programs run headless, without any display, with the settings of their environment:
// the test client and the cone decorator as child processes, directly and through tavix-run.
#include "bench/cone_script.h"
#include "tests/core/png_reader.h"
#include "tests/script/library_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>

#include <vector>

namespace {

struct Outcome {
    int status = -1;  // exit status, -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

std::string contents(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// Runs argv in the current directory with no display of any kind and the extra variables env
// ("NAME=value"); what it printed is collected through files.
Outcome run(const std::vector<std::string> &argv, const std::vector<std::string> &env) {
    pid_t child = fork();
    if (child == 0) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TAVIX_SCRIPT"})
            unsetenv(name);
        for (const std::string &setting : env) putenv(strdup(setting.c_str()));
        int out = open("run.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open("run.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    Outcome o;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        o.status = WEXITSTATUS(status);
    o.out = contents("run.out");
    o.err = contents("run.err");
    return o;
}

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

bool exists(const char *path) {
    struct stat info;
    return stat(path, &info) == 0;
}

class HeadlessTest : public LibraryTest {
   protected:
    // Each test runs whole programs one after another; in the checked build each also scans its
    // memory for leaks as it ends, which on a loaded machine takes longer than a wait would.
    void SetUp() override {
        LibraryTest::SetUp();
        harness::arm_watchdog(300);
    }

    // Add Scoop twice, then a key: recorded by the library as the cone's user would make them.
    static std::string record_session() {
        handle_command(ID_RECORD);
        for (int i = 0; i < 2; i++) {
            harness::post_click(library_state.origin_x - 240, library_state.origin_y - 232);
            harness::next_event();
        }
        harness::post_char(library_state.graphics_window, 'k');
        harness::next_event();
        handle_command(ID_RECORD);
        return read_file();
    }
};

TEST_F(HeadlessTest, EachSettingAndItsBadValues) {
    write_file("TAVIX_KBD(97);\nTAVIX_MOUSE(-, 5);\nTAVIX_PERIODIC(0);\n", "play.scr");
    write_file("TAVIX_KBD(1);\nTAVIX_BAD;\nTAVIX_KBD(2);\n", "refused.scr");
    const std::string client = TAVIX_CLIENT, ended = "EVENT 4 0 0 0\n";
    const struct {
        std::vector<std::string> env;
        int status;
        std::string out;  // found in what it printed
        std::string err;
    } cases[] = {
        // Nothing could ever end the wait: it returns quit.
        {{"TAVIX_HEADLESS=1"}, 0, "READY", ""},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=play.scr"},
         0,
         "EVENT 2 0 0 97\nEVENT 1 0 5 0\nEVENT 3 0 0 0\n" + ended,
         ""},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=refused.scr"}, 0, "EVENT 2 0 0 1\n" + ended, ""},
        // The line printed before the library opened comes first, then each as it is printed.
        {{"TAVIX_HEADLESS=1", "TAVIX_CONSOLE=stderr"},
         0,
         ended,
         "printed before start\nClearing the graphics window\nred rectangle with bounding box "
         "(-200,150) to (-100,50), filled\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_CONSOLE=stderr"},
         0,
         ended,
         "short\na longer line\nthe newest line, the longest, at the bottom\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_CONSOLE=stderr", "TAVIX_REPLAY=play.scr"},
         0,
         ended,
         "EOF encountered in script file play.scr\n"},
        // Bad values: one line each, and the program runs on.
        {{"TAVIX_HEADLESS=1", "TAVIX_CONSOLE=stdout"},
         0,
         ended,
         "tavix: TAVIX_CONSOLE=stdout is ignored: the only value is stderr\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=missing.scr"},
         0,
         ended,
         "tavix: TAVIX_REPLAY=missing.scr is ignored: No such file or directory\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=."},
         0,
         ended,
         "tavix: TAVIX_REPLAY=. is ignored: Is a directory\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=missing/shot.png"},
         0,
         ended,
         "tavix: TAVIX_SNAPSHOT=missing/shot.png is ignored: No such file or directory\n"},
        // Without headless running there is still no display.
        {{"TAVIX_HEADLESS=yes"},
         1,
         "",
         "TAVIX_HEADLESS=yes is ignored: the value must be 1 or 0\n"},
        {{"TAVIX_HEADLESS=0"}, 1, "", "cannot open a display"},
        {{}, 1, "", "cannot open a display"},
        {{}, 1, "", "or with no window at all (TAVIX_HEADLESS=1 ./program)\n"},
    };
    for (const auto &c : cases) {
        std::string trace;
        for (const std::string &e : c.env) trace += e + " ";
        SCOPED_TRACE(trace);
        Outcome o = run({client}, c.env);
        EXPECT_EQ(o.status, c.status);
        EXPECT_TRUE(has(o.out, c.out)) << o.out;
        EXPECT_TRUE(has(o.err, c.err)) << o.err;
    }
    EXPECT_FALSE(exists("missing"));
}

TEST_F(HeadlessTest, TheSnapshotIsThePictureAtTheEnd) {
    Outcome o = run({TAVIX_CLIENT}, {"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=shot.png"});
    EXPECT_EQ(o.status, 0);
    PngPicture png;
    ASSERT_TRUE(read_png("shot.png", &png));
    ASSERT_EQ(png.width, TAVIX_WIDTH);
    ASSERT_EQ(png.height, TAVIX_HEIGHT);
    int x = library_state.origin_x, y = library_state.origin_y;
    EXPECT_EQ(png.at(x + 100, y - 100), 0x0000FFu);  // the client's blue circle
    EXPECT_EQ(png.at(x - 150, y - 100), 0xFF0000u);  // its red rectangle
    EXPECT_EQ(png.at(x, y), 0xFFFFFFu);
}

TEST_F(HeadlessTest, TavixRunPassesSettingsAndStatusThrough) {
    const std::string tool = std::string(getenv("TAVIX_BUILD_DIR")) + "/tavix-run";
    const std::string echo =
        "echo \"$TAVIX_HEADLESS|$TAVIX_REPLAY|$TAVIX_SNAPSHOT|$TAVIX_CONSOLE|"
        "$TAVIX_SCRIPT|$*\"; exit 7";
    Outcome o = run({tool, "--headless", "--replay", "r.scr", "--snapshot", "s.png", "--console",
                     "--script", "x.scr", "--", "/bin/sh", "-c", echo, "sh", "a", "b c"},
                    {});
    EXPECT_EQ(o.status, 7);
    EXPECT_EQ(o.out, "1|r.scr|s.png|stderr|x.scr|a b c\n");

    for (const std::vector<std::string> &bad :
         {std::vector<std::string>{tool, "--fast", "--", "/bin/true"},
          {tool, "--replay"},
          {tool}}) {
        o = run(bad, {});
        EXPECT_EQ(o.status, 2);
        EXPECT_TRUE(has(o.err, "usage: tavix-run")) << o.err;
    }

    write_file("TAVIX_KBD(97);\n", "play.scr");
    o = run({tool, "--headless", "--replay", "play.scr", "--", TAVIX_CLIENT}, {});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(has(o.out, "EVENT 2 0 0 97\nEVENT 4 0 0 0\n")) << o.out;
}

TEST_F(HeadlessTest, TheConeReplaysARecordingByItself) {
    ASSERT_EQ(record_session(),
              "TAVIX_MOUSE(-240, 232);\nTAVIX_MOUSE(-240, 232);\nTAVIX_KBD(107);\n");
    write_file("TAVIX_KBD(107);\n", "untouched.scr");
    // The top scoop's centre is background until two scoops have been added.
    const struct {
        const char *script;
        bool top_scoop;
    } cases[] = {{SCRIPT_FILE_NAME, true}, {"untouched.scr", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        Outcome o = run({CONE}, {"TAVIX_HEADLESS=1", std::string("TAVIX_REPLAY=") + c.script,
                                 "TAVIX_SNAPSHOT=cone.png"});
        EXPECT_EQ(o.status, 0) << o.err;
        PngPicture png;
        ASSERT_TRUE(read_png("cone.png", &png));
        uint32_t top = png.at(library_state.origin_x, library_state.origin_y - 139);
        EXPECT_EQ(top != 0, c.top_scoop) << std::hex << top;
        remove("cone.png");
    }
}

TEST_F(HeadlessTest, TheConeReplaysTwentyThousandEventsAndEnds) {
#if defined(__SANITIZE_ADDRESS__)
    const int events = 1000;  // the checked build is many times slower
#else
    const int events = 20000;
#endif
    // The child takes its time on a loaded machine; the test's own timeout still holds.
    harness::arm_watchdog(500);
    write_file(cone_script(events), "long.scr");
    Outcome o = run({CONE}, {"TAVIX_HEADLESS=1", "TAVIX_REPLAY=long.scr", "TAVIX_CONSOLE=stderr"});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(has(o.err, "EOF encountered in script file long.scr\n")) << o.err;
}

}  // namespace
