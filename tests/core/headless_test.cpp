// Whole programs run headless, without any display, with the settings of their environment:
// the test client and the cone decorator as child processes, directly and through tavix-run.
#include "bench/cone_script.h"
#include "tests/core/png_reader.h"
#include "tests/script/library_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

using Outcome = harness::RunOutcome;

std::string contents(const std::string &path) {
    return harness::file_contents(path);
}

// Runs argv in the current directory with no display of any kind and the extra variables env
// ("NAME=value"); what it printed is collected through files.
Outcome run(const std::vector<std::string> &argv, const std::vector<std::string> &env) {
    return harness::run_program(argv, env,
                                {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TAVIX_SCRIPT"});
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
            harness::post_click(library_state.window.origin_x - 240,
                                library_state.window.origin_y - 232);
            harness::next_event();
        }
        harness::post_char(library_state.window.graphics, 'k');
        harness::next_event();
        handle_command(ID_RECORD);
        return read_file();
    }
};

TEST_F(HeadlessTest, EachSettingAndItsBadValues) {
    write_file("TAVIX_KBD(97);\nTAVIX_MOUSE(-, 5);\nTAVIX_PERIODIC(0);\n", "play.scr");
    write_file("TAVIX_KBD(1);\n\nTAVIX_BAD;\r\nTAVIX_KBD(2);\n", "refused.scr");
    // A NUL byte the reader passes over does not stop the count of lines.
    write_file(std::string("TAVIX_KBD(65);\0\nTAVIX_KBD(66);\nTAVIX_MOUSE(4294967296, 2);\n", 59),
               "nul.scr");
    // An event line no recording makes is refused like any other.
    write_file("TAVIX_KBD(1);\nTAVIX_EVENT(2, 0, 0, 1000, 0, 0, 0);\n", "event.scr");
    write_file("TAVIX_KBD(1);\nTAVIX_EVENT(9, 0, 0, 4, 0, 0, 0);\n", "pad.scr");  // no pad 4
    const std::string long_name(4096, 'n');
    ASSERT_EQ(mkfifo("fifo", 0644), 0);
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
        // A replay that stops short says where, and the status says it did not complete.
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=refused.scr"},
         4,
         "EVENT 2 0 0 1\n" + ended,
         "TAVIX_REPLAY: refused.scr line 3 refused: TAVIX_BAD;\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=nul.scr"},
         4,
         "EVENT 2 0 0 65\nEVENT 2 0 0 66\n" + ended,
         "TAVIX_REPLAY: nul.scr line 3 refused: TAVIX_MOUSE(4294967296, 2);\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=event.scr"},
         4,
         "EVENT 2 0 0 1\n" + ended,
         "TAVIX_REPLAY: event.scr line 2 refused: TAVIX_EVENT(2, 0, 0, 1000, 0, 0, 0);\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=pad.scr"},
         4,
         "EVENT 2 0 0 1\n" + ended,
         "TAVIX_REPLAY: pad.scr line 2 refused: TAVIX_EVENT(9, 0, 0, 4, 0, 0, 0);\n"},
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
        // A replay that cannot be read ends the program in TAVIX_start; a FIFO does not block.
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=missing.scr"},
         3,
         "",
         "TAVIX_REPLAY: cannot read missing.scr: No such file or directory\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=."},
         3,
         "",
         "TAVIX_REPLAY: cannot read .: Is a directory\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_REPLAY=fifo"},
         3,
         "",
         "TAVIX_REPLAY: cannot read fifo: not a regular file\n"},
        // A snapshot that cannot be written: the program runs, and its status says so.
        {{"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=missing/shot.png"},
         5,
         ended,
         "TAVIX_SNAPSHOT: cannot write missing/shot.png: No such file or directory\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=fifo"},
         5,
         ended,
         "TAVIX_SNAPSHOT: cannot write fifo: not a regular file\n"},
        // A name too long says so, whichever setting names it.
        {{"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=" + long_name}, 5, ended, "File name too long\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_SOUND=" + long_name}, 0, ended, "File name too long\n"},
        {{"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT_AREA=all"},
         0,
         ended,
         "tavix: TAVIX_SNAPSHOT_AREA=all is ignored: the value must be visible or buffer\n"},
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
        if (c.status == 3) {
            EXPECT_EQ(o.out, "");  // nothing ran
        }
    }
    // A file that may not be read (the superuser reads everything).
    if (geteuid() != 0) {
        write_file("TAVIX_KBD(1);\n", "secret.scr");
        ASSERT_EQ(chmod("secret.scr", 0), 0);
        Outcome o = run({client}, {"TAVIX_HEADLESS=1", "TAVIX_REPLAY=secret.scr"});
        EXPECT_EQ(o.status, 3);
        EXPECT_TRUE(has(o.err, "TAVIX_REPLAY: cannot read secret.scr: Permission denied\n"))
            << o.err;
    }
    EXPECT_FALSE(exists("missing"));
    struct stat fifo;
    EXPECT_TRUE(stat("fifo", &fifo) == 0 && S_ISFIFO(fifo.st_mode));
}

// The whole buffer by default, the visible client area when asked; left by a program that
// ends without TAVIX_finish too; a crash says why there is none. A snapshot named by a dangling
// link fills the link's target and leaves the link a link.
TEST_F(HeadlessTest, TheSnapshotIsThePictureAtTheEnd) {
    const struct {
        std::vector<std::string> env;
        int width, height;  // 0: no picture
        const char *err;
    } cases[] = {
        {{}, TAVIX_WIDTH, TAVIX_HEIGHT, ""},
        {{"TAVIX_SNAPSHOT_AREA=buffer"}, TAVIX_WIDTH, TAVIX_HEIGHT, ""},
        {{"TAVIX_SNAPSHOT_AREA=visible"}, 595, 496, ""},
        {{"TAVIX_CLIENT_END=return", "TAVIX_SNAPSHOT_AREA=visible"}, 595, 496, ""},
        {{"TAVIX_CLIENT_END=exit"}, TAVIX_WIDTH, TAVIX_HEIGHT, ""},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer keeps its own fault handler
        {{"TAVIX_CLIENT_END=crash"}, 0, 0, "TAVIX: no snapshot: stopped by signal 11 (SIGSEGV)\n"},
#endif
    };
    PngPicture whole;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.env.empty() ? "default" : c.env[0]);
        std::vector<std::string> env = {"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=shot.png"};
        env.insert(env.end(), c.env.begin(), c.env.end());
        remove("shot.png");
        Outcome o = run({TAVIX_CLIENT}, env);
        EXPECT_EQ(o.err.find("TAVIX"), c.err[0] ? o.err.find(c.err) : std::string::npos) << o.err;
        PngPicture png;
        if (!c.width) {
            EXPECT_EQ(o.signal, SIGSEGV);
            EXPECT_FALSE(exists("shot.png"));
            continue;
        }
        EXPECT_EQ(o.status, 0);
        ASSERT_TRUE(read_png("shot.png", &png));
        ASSERT_EQ(png.width, c.width);
        ASSERT_EQ(png.height, c.height);
        int x = library_state.window.origin_x, y = library_state.window.origin_y;
        EXPECT_EQ(png.at(x + 100, y - 100), 0x0000FFu);  // the client's blue circle
        EXPECT_EQ(png.at(x - 150, y - 100), 0xFF0000u);  // its red rectangle
        EXPECT_EQ(png.at(x, y), 0xFFFFFFu);
        if (c.width == TAVIX_WIDTH) whole = png;
        // The visible area is the buffer's top left, up to its last visible row and column.
        for (int j = 0; j < c.height && whole.width; j += c.height - 1)
            for (int i = 0; i < c.width; i += c.width - 1)
                EXPECT_EQ(png.at(i, j), whole.at(i, j)) << i << "," << j;
    }

    ASSERT_EQ(symlink("target.png", "link.png"), 0);
    Outcome o = run({TAVIX_CLIENT}, {"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=link.png"});
    EXPECT_EQ(o.status, 0) << o.err;
    struct stat link;
    EXPECT_TRUE(lstat("link.png", &link) == 0 && S_ISLNK(link.st_mode));
    PngPicture png;
    EXPECT_TRUE(read_png("target.png", &png));
}

// A snapshot that cannot be written at the end (here: the file may not grow past 512 bytes) says
// so and fails the run; the picture that was there before is left exactly as it was.
TEST_F(HeadlessTest, AFailedSnapshotKeepsTheOldPictureAndFailsTheRun) {
    write_file("an older picture", "shot.png");
    Outcome o = run({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\"", TAVIX_CLIENT},
                    {"TAVIX_HEADLESS=1", "TAVIX_SNAPSHOT=shot.png"});
    EXPECT_EQ(o.status, 5);
    EXPECT_TRUE(has(o.err, "TAVIX_SNAPSHOT: cannot write shot.png: File too large\n")) << o.err;
    EXPECT_EQ(read_file("shot.png"), "an older picture");
    DIR *folder = opendir(".");
    ASSERT_NE(folder, nullptr);
    while (dirent *entry = readdir(folder))  // no new file left beside it
        EXPECT_EQ(std::string(entry->d_name).find("shot.png."), std::string::npos) << entry->d_name;
    closedir(folder);
}

// A recording ended by a signal while the animation runs keeps the run of ticks the program saw.
TEST_F(HeadlessTest, ASignalWhileRecordingKeepsThePendingRun) {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        remove(SCRIPT_FILE_NAME);
        remove("run.out");
        pid_t child = fork();
        if (child == 0) {
            for (const char *name :
                 {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TAVIX_SCRIPT"})
                unsetenv(name);
            setenv("TAVIX_HEADLESS", "1", 1);
            setenv("TAVIX_CLIENT_RECORD", "1", 1);
            int out = open("run.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            execl(TAVIX_CLIENT, TAVIX_CLIENT, (char *)nullptr);
            _exit(127);
        }
        ASSERT_GT(child, 0);
        auto ticks = [] {
            std::string out = contents("run.out");
            int n = 0;
            for (size_t at = 0; (at = out.find("EVENT 3", at)) != std::string::npos; at++) n++;
            return n;
        };
        while (ticks() < 3) usleep(20000);
        kill(child, number);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number);
        // The signal may have come after a tick was counted and before it was printed.
        int seen = ticks();
        std::string script = read_file();
        EXPECT_TRUE(script == "TAVIX_PERIODIC(" + std::to_string(seen) + ");\n" ||
                    script == "TAVIX_PERIODIC(" + std::to_string(seen + 1) + ");\n")
            << seen << " ticks seen, the file holds \"" << script << "\"";
    }
}

TEST_F(HeadlessTest, TavixRunPassesSettingsAndStatusThrough) {
    const std::string tool = std::string(getenv("TAVIX_BUILD_DIR")) + "/tavix-run";
    const std::string echo =
        "echo \"$TAVIX_HEADLESS|$TAVIX_REPLAY|$TAVIX_SNAPSHOT|$TAVIX_SNAPSHOT_AREA|"
        "$TAVIX_CONSOLE|$TAVIX_SCRIPT|$*\"; exit 7";
    Outcome o =
        run({tool, "--headless", "--replay", "r.scr", "--snapshot", "s.png", "--visible",
             "--console", "--script", "x.scr", "--", "/bin/sh", "-c", echo, "sh", "a", "b c"},
            {});
    EXPECT_EQ(o.status, 7);
    EXPECT_EQ(o.out, "1|r.scr|s.png|visible|stderr|x.scr|a b c\n");

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
        uint32_t top = png.at(library_state.window.origin_x, library_state.window.origin_y - 139);
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
