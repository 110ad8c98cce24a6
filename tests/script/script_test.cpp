// Recording to and playing back from the script file through the library: the lines a recording
// writes and when they reach the file, what playback delivers through the wait, and the messages
// and states after a failure.
#include "platform/user/window.h"
#include "tests/script/library_fixture.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

const char kExampleScript[] =
    "TAVIX_PERIODIC(12);\nTAVIX_MOUSE(-40, 17);\nTAVIX_PERIODIC(3);\nTAVIX_KBD(97);\n";

struct Delivered {
    int type, x, y, key;
    bool operator==(const Delivered &o) const {
        return type == o.type && x == o.x && y == o.y && key == o.key;
    }
};

std::ostream &operator<<(std::ostream &out, const Delivered &d) {
    return out << "{" << d.type << ", " << d.x << ", " << d.y << ", " << d.key << "}";
}

Delivered next_event() {
    int x = -999, y = -999;
    char key = 99;
    int type = TAVIX_next_event(&x, &y, &key);
    return {type, x, y, (signed char)key};
}

// The example sequence: 12 ticks, a click, 3 ticks, the key a.
std::vector<Delivered> example_events() {
    std::vector<Delivered> events(12, {TAVIX_PERIODIC, 0, 0, 0});
    events.push_back({TAVIX_MOUSE, -40, 17, 0});
    for (int i = 0; i < 3; i++) events.push_back({TAVIX_PERIODIC, 0, 0, 0});
    events.push_back({TAVIX_KBD, 0, 0, 'a'});
    return events;
}

void record(const std::vector<Delivered> &events) {
    for (const Delivered &e : events) record_event(e.type, e.x, e.y, (char)e.key);
}

using ScriptTest = LibraryTest;

TEST_F(ScriptTest, RecordsTheExampleAsFourLines) {
    handle_command(ID_RECORD);
    record(example_events());
    EXPECT_EQ(read_file(), kExampleScript);  // each line is in the file as soon as written
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), kExampleScript);  // and the stop has nothing more to write
    EXPECT_EQ(library_state.script.file, nullptr);

    // Ticks after the last event are written by the stop, as a fifth line.
    handle_command(ID_RECORD);
    record(example_events());
    record({{TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_PERIODIC, 0, 0, 0}});
    EXPECT_EQ(read_file(), kExampleScript);  // a run is written only when it ends
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), std::string(kExampleScript) + "TAVIX_PERIODIC(2);\n");
    EXPECT_EQ(library_state.script.periodic_count, 0);
}

TEST_F(ScriptTest, CloseAtFinishWritesTheLastRunOfTicks) {
    handle_command(ID_RECORD);
    record({{TAVIX_KBD, 0, 0, 'q'},
            {TAVIX_PERIODIC, 0, 0, 0},
            {TAVIX_PERIODIC, 0, 0, 0},
            {TAVIX_PERIODIC, 0, 0, 0}});
    close_script();  // what TAVIX_finish does with the stream
    EXPECT_EQ(read_file(), "TAVIX_KBD(113);\nTAVIX_PERIODIC(3);\n");
    // Recording has ended with its file: a later event cannot reopen and empty it.
    EXPECT_EQ(library_state.script.recording, 0);
    EXPECT_FALSE(checked(ID_RECORD));
    PostMessageA(library_state.window.graphics, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(next_event().type, TAVIX_MOUSE);
    EXPECT_EQ(read_file(), "TAVIX_KBD(113);\nTAVIX_PERIODIC(3);\n");
}

TEST_F(ScriptTest, RecordingWithoutLinesLeavesTheFileAlone) {
    write_file("TAVIX_KBD(1);\n");
    handle_command(ID_RECORD);
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), "TAVIX_KBD(1);\n");

    // A quit writes no line of its own, but it does open (and so empty) the file.
    handle_command(ID_RECORD);
    record({{TAVIX_QUIT, 0, 0, 0}});
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), "");
}

TEST_F(ScriptTest, PlaysTheExampleBackThroughTheWait) {
    write_file(kExampleScript);
    handle_command(ID_PLAYBACK);
    EXPECT_TRUE(checked(ID_PLAYBACK));
    // Scripted ticks come at once: the animation is halted and no timer notice is awaited.
    for (const Delivered &expected : example_events()) EXPECT_EQ(next_event(), expected);

    // At the end the same wait goes on with live input.
    int mark = console_mark();
    PostMessageA(library_state.window.graphics, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 20));
    Delivered live = next_event();
    EXPECT_EQ(live.type, TAVIX_MOUSE);
    EXPECT_EQ(live.x, 10 - library_state.window.origin_x);
    EXPECT_EQ(printed_since(mark), 1);
    EXPECT_EQ(last_message(), "EOF encountered in script file TAVIX.SCR\n");
    EXPECT_EQ(library_state.script.playing_back, 0);
    EXPECT_FALSE(checked(ID_PLAYBACK));
}

// An animated client replayed a thousand times, a tick due each time its script ends: the quit
// that the replay's end posts comes before that tick, so every replay ends in the same picture.
TEST_F(ScriptTest, EveryReplayEndsInTheSamePictureThoughATickIsDue) {
    write_file("TAVIX_PERIODIC(2);\nTAVIX_MOUSE(10, 20);\n", "replay.scr");
    HWND window = library_state.window.graphics;
    SetTimer(window, TAVIX_TIMER_ID, 10, nullptr);
    library_state.settings.script_name = "replay.scr";
    int run = 0, frames = 2;
    bool third_circle = false;
    for (; run < 1000 && frames == 2 && !third_circle; run++) {
        MSG msg;
        while (!PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE)) usleep(500);
        library_state.script.replaying = 1;  // as TAVIX_REPLAY starts it
        handle_command(ID_PLAYBACK);
        TAVIX_set_animation(TAVIX_ANIM_RUN);
        TAVIX_clear_window();
        frames = 0;
        for (;;) {
            // A message of the window system's own ahead of the tick, as there often is one.
            PostMessageA(window, WM_NULL, 0, 0);
            Delivered e = next_event();
            if (e.type == TAVIX_QUIT) break;
            if (e.type == TAVIX_PERIODIC) TAVIX_draw_circle(RED, -200 + 20 * frames++, 0, 5);
        }
        close_script();
        third_circle = GetPixel(library_state.window.buffer_dc, library_state.window.origin_x - 160,
                                library_state.window.origin_y) != library_state.draw.colours[WHITE];
    }
    SetTimer(window, TAVIX_TIMER_ID, TAVIX_TIMER_PERIOD, nullptr);
    library_state.settings.script_name = SCRIPT_FILE_NAME;
    TAVIX_set_animation(TAVIX_ANIM_HALT);
    EXPECT_EQ(run, 1000) << "replay " << run << " ended after " << frames << " frames";
    EXPECT_FALSE(third_circle);
}

TEST_F(ScriptTest, KeysRoundTripAsSignedBytes) {
    const struct {
        int key;
        const char *line;
    } cases[] = {{'a', "TAVIX_KBD(97);\n"}, {233, "TAVIX_KBD(-23);\n"}, {128, "TAVIX_KBD(-128);\n"},
                 {255, "TAVIX_KBD(-1);\n"}, {127, "TAVIX_KBD(127);\n"}, {1, "TAVIX_KBD(1);\n"}};
    std::string expected_file;
    handle_command(ID_RECORD);
    for (const auto &c : cases) {
        record({{TAVIX_KBD, 0, 0, (signed char)c.key}});
        expected_file += c.line;
    }
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), expected_file);

    handle_command(ID_PLAYBACK);
    for (const auto &c : cases) {
        Delivered d = next_event();
        EXPECT_EQ(d.type, TAVIX_KBD);
        EXPECT_EQ((unsigned char)d.key, c.key) << c.line;
    }
}

// Reads scripted events straight from the reader until it fails; the events as text.
std::string play_all(std::string *messages) {
    std::string out;
    for (int guard = 0; guard < 50; guard++) {
        int mark = LibraryTest::console_mark();
        library_state.events.pending = PendingEvent{0, 0, 0, TAVIX_NO_EVENT};
        if (!read_script_event()) {
            if (LibraryTest::printed_since(mark) > 0) *messages += LibraryTest::last_message();
            break;
        }
        const PendingEvent &p = library_state.events.pending;
        out += p.type == TAVIX_MOUSE ? "M" + std::to_string(p.x) + "," + std::to_string(p.y)
               : p.type == TAVIX_KBD ? "K" + std::to_string(p.key)
                                     : "P";
        out += " ";
    }
    return out;
}

TEST_F(ScriptTest, ReaderOnAwkwardFiles) {
    std::string pad(SCRIPT_LINE_SIZE - 1 - strlen("TAVIX_KBD(65);"), ' ');
    const struct {
        std::string file;
        std::string events;
        const char *message;  // printed when the reader stops, "" for none
    } cases[] = {
        {kExampleScript, "P P P P P P P P P P P P M-40,17 P P P K97 ", "EOF"},
        {"\n\nTAVIX_KBD(1);\n\n\nTAVIX_KBD(2);\n\n", "K1 K2 ", "EOF"},  // empty lines skipped
        {"TAVIX_KBD(1);\n   \nTAVIX_KBD(2);\n", "K1 ", ""},             // a blank one is not
        {"TAVIX_KBD(1);\nTAVIX_KBD(2);", "K1 ", "EOF"},                 // no newline: not delivered
        {"TAVIX_KBD(65);" + pad + "TAVIX_KBD(66);\n", "K65 K66 ", "EOF"},  // read in pieces
        {"TAVIX_PERIODIC(1);\nTAVIX_MOUSE(-3, -4);\n", "P M-3,-4 ", "EOF"},
        {"TAVIX_PERIODIC(0);\nTAVIX_KBD(-);\nTAVIX_MOUSE(-, 5);\nTAVIX_PERIODIC(1);\n",
         "P K0 M0,5 P ", "EOF"},                       // a run of 0 is one event; "-" alone is 0
        {"TAVIX_MOUSE(7);\nTAVIX_KBD(1);\n", "", ""},  // malformed: the end, no message
        {"TAVIX_QUIT();\nTAVIX_KBD(1);\n", "", ""},
        {"", "", "EOF"},
        // Comments are passed over, a long one to its end.
        {"# TAVIX_KBD(9);\nTAVIX_KBD(1);\n#TAVIX_KBD(8);" + pad +
             "TAVIX_KBD(7);\n#\r\nTAVIX_KBD(2);\n",
         "K1 K2 ", "EOF"},
        {"TAVIX_KBD(1);\n# no newline", "K1 ", "EOF"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        write_file(c.file);
        std::string messages;
        EXPECT_EQ(play_all(&messages), c.events);
        EXPECT_EQ(messages, *c.message ? "EOF encountered in script file TAVIX.SCR\n" : "");
        EXPECT_EQ(library_state.script.periodic_count, 0);
        close_script();
    }
}

TEST_F(ScriptTest, EndOfScriptIsReportedAgainUntilTheStreamCloses) {
    write_file("TAVIX_KBD(1);\n");
    std::string messages;
    EXPECT_EQ(play_all(&messages), "K1 ");
    messages.clear();
    EXPECT_EQ(play_all(&messages), "");  // the stream stays at its end
    EXPECT_EQ(messages, "EOF encountered in script file TAVIX.SCR\n");
    close_script();
    EXPECT_EQ(play_all(&messages), "K1 ");
}

TEST_F(ScriptTest, PlayOneWalksThroughAPeriodicRun) {
    write_file("TAVIX_PERIODIC(3);\nTAVIX_KBD(97);\nTAVIX_PERIODIC(1);\nTAVIX_KBD(98);\n");
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    const Delivered expected[] = {{TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_PERIODIC, 0, 0, 0},
                                  {TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_KBD, 0, 0, 'a'},
                                  {TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_KBD, 0, 0, 'b'}};
    for (const Delivered &e : expected) {
        handle_command(ID_PLAY_ONE);
        EXPECT_EQ(library_state.events.running, 0);  // playing halts the animation
        EXPECT_EQ(next_event(), e);
        EXPECT_EQ(library_state.script.play_one, 0);
        EXPECT_FALSE(checked(ID_PLAYBACK));
        EXPECT_NE(library_state.script.file, nullptr);  // kept open for the next command
    }
    EXPECT_EQ(library_state.script.periodic_count, 0);
}

TEST_F(ScriptTest, StoppedPlaybackStartsAgainAtTheFirstLine) {
    write_file("TAVIX_PERIODIC(5);\nTAVIX_KBD(97);\n");
    handle_command(ID_PLAYBACK);
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);
    handle_command(ID_PLAYBACK);  // stop halfway through the run
    EXPECT_EQ(library_state.script.periodic_count, 0);
    EXPECT_EQ(library_state.script.file, nullptr);

    handle_command(ID_PLAYBACK);
    for (int i = 0; i < 5; i++) EXPECT_EQ(next_event().type, TAVIX_PERIODIC) << i;
    EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 'a'}));
}

TEST_F(ScriptTest, MissingFileForPlayback) {
    int mark = console_mark();
    handle_command(ID_PLAYBACK);
    EXPECT_EQ(read_script_event(), 0);
    EXPECT_EQ(printed_since(mark), 1);
    EXPECT_EQ(last_message(), "Cannot open script file TAVIX.SCR for reading\n");
    EXPECT_EQ(library_state.script.playing_back, 0);
    EXPECT_FALSE(checked(ID_PLAYBACK));
    EXPECT_EQ(library_state.script.file, nullptr);

    // The next start tries again.
    write_file("TAVIX_KBD(5);\n");
    handle_command(ID_PLAYBACK);
    EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 5}));
}

TEST_F(ScriptTest, UnwritableFileKeepsRecordingOn) {
    // Tests run as root, which ignores permissions: a directory of the file's name is what
    // cannot be opened for writing here.
    ASSERT_EQ(mkdir(SCRIPT_FILE_NAME, 0755), 0);
    handle_command(ID_RECORD);
    int mark = console_mark();
    record({{TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_MOUSE, 1, 2, 0}});
    EXPECT_EQ(printed_since(mark), 2);  // one for the run, one for the click
    EXPECT_EQ(last_message(), "Cannot open script file TAVIX.SCR for writing\n");
    EXPECT_EQ(library_state.script.periodic_count, 0);  // the run is gone with its line
    EXPECT_EQ(library_state.script.recording, 1);
    EXPECT_TRUE(checked(ID_RECORD));

    // Each later line tries again.
    ASSERT_EQ(rmdir(SCRIPT_FILE_NAME), 0);
    record({{TAVIX_KBD, 0, 0, 'z'}});
    EXPECT_EQ(read_file(), "TAVIX_KBD(122);\n");
}

TEST_F(ScriptTest, OnlyARegularFileIsOpened) {
    // A FIFO without a partner would block the open (or the first read) for good; a device or
    // a directory is no script either. Each is refused at once, as a missing file is.
    struct Case {
        const char *what;
        int (*make)(const char *name);
    };
    const Case cases[] = {
        {"fifo", [](const char *name) { return mkfifo(name, 0644); }},
        {"directory", [](const char *name) { return mkdir(name, 0755); }},
        {"device", [](const char *name) { return symlink("/dev/zero", name); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.make(SCRIPT_FILE_NAME), 0);
        for (int id : {ID_PLAYBACK, ID_PLAY_ONE}) {
            int mark = console_mark();
            handle_command(id);
            EXPECT_EQ(read_script_event(), 0);
            EXPECT_EQ(printed_since(mark), 1);
            EXPECT_EQ(last_message(), "Cannot open script file TAVIX.SCR for reading\n");
            EXPECT_FALSE(checked(ID_PLAYBACK));
            EXPECT_EQ(library_state.script.file, nullptr);
            stop_playback();
        }
        handle_command(ID_RECORD);
        int mark = console_mark();
        record({{TAVIX_KBD, 0, 0, 'z'}});
        EXPECT_EQ(printed_since(mark), 1);
        EXPECT_EQ(last_message(), "Cannot open script file TAVIX.SCR for writing\n");
        EXPECT_EQ(library_state.script.file, nullptr);
        handle_command(ID_RECORD);
        if (remove(SCRIPT_FILE_NAME) != 0) ADD_FAILURE() << "cannot remove the " << c.what;
    }
}

TEST_F(ScriptTest, FailedWriteEndsTheRecordingWithWholeLines) {
    // A file size limit fails the write that crosses it part way, as a full disk does.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 40;
    handle_command(ID_RECORD);
    record({{TAVIX_KBD, 0, 0, 'a'}});  // opens the file before the limit is set
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int mark = console_mark();
    // The wait records only while recording is on.
    for (const Delivered &e : std::vector<Delivered>{{TAVIX_MOUSE, 1, 2, 0},
                                                     {TAVIX_PERIODIC, 0, 0, 0},
                                                     {TAVIX_PERIODIC, 0, 0, 0},
                                                     {TAVIX_MOUSE, 300, 400, 0},
                                                     {TAVIX_KBD, 0, 0, 'b'}})
        if (library_state.script.recording) record_event(e.type, e.x, e.y, (char)e.key);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(printed_since(mark), 1);
    EXPECT_EQ(last_message(), "Cannot write script file TAVIX.SCR: File too large\n");
    EXPECT_EQ(library_state.script.recording, 0);
    EXPECT_FALSE(checked(ID_RECORD));
    EXPECT_EQ(library_state.script.file, nullptr);
    EXPECT_EQ(library_state.script.periodic_count, 0);
    // The line that crossed the limit is gone whole; those before it stay.
    EXPECT_EQ(read_file(), "TAVIX_KBD(97);\nTAVIX_MOUSE(1, 2);\n");

    // Recording again starts a fresh file.
    handle_command(ID_RECORD);
    record({{TAVIX_KBD, 0, 0, 'c'}});
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), "TAVIX_KBD(99);\n");
}

TEST_F(ScriptTest, RecordingAndPlaybackDoNotRunTogether) {
    write_file(kExampleScript);

    // While recording, neither kind of playback starts, and the user is told.
    handle_command(ID_RECORD);
    for (int id : {ID_PLAYBACK, ID_PLAY_ONE}) {
        int mark = console_mark();
        handle_command(id);
        EXPECT_EQ(printed_since(mark), 1) << id;
        EXPECT_EQ(last_message(), "Cannot play script file TAVIX.SCR while recording\n");
        EXPECT_EQ(library_state.script.playing_back, 0);
        EXPECT_EQ(library_state.script.play_one, 0);
        EXPECT_FALSE(checked(ID_PLAYBACK));
    }
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), kExampleScript);  // nothing was written or emptied

    // While playing back, recording does not start.
    handle_command(ID_PLAYBACK);
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);
    int mark = console_mark();
    handle_command(ID_RECORD);
    EXPECT_EQ(printed_since(mark), 1);
    EXPECT_EQ(last_message(), "Cannot record to script file TAVIX.SCR while it is playing back\n");
    EXPECT_EQ(library_state.script.recording, 0);
    EXPECT_FALSE(checked(ID_RECORD));
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);  // playback goes on undisturbed
    EXPECT_EQ(read_file(), kExampleScript);
}

TEST_F(ScriptTest, RecordingAfterPlayOneStartsAFreshFile) {
    write_file(kExampleScript);
    handle_command(ID_PLAY_ONE);
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);  // 11 ticks of the run still to come
    handle_command(ID_RECORD);
    EXPECT_EQ(library_state.script.recording, 1);
    EXPECT_EQ(library_state.script.periodic_count, 0);
    record({{TAVIX_PERIODIC, 0, 0, 0}, {TAVIX_KBD, 0, 0, 'x'}});
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), "TAVIX_PERIODIC(1);\nTAVIX_KBD(120);\n");
}

TEST_F(ScriptTest, LiveEventsThroughTheWaitAreRecorded) {
    handle_command(ID_RECORD);
    PostMessageA(library_state.window.graphics, WM_LBUTTONDOWN, 0,
                 MAKELPARAM(library_state.window.origin_x + 5, library_state.window.origin_y - 6));
    EXPECT_EQ(next_event(), (Delivered{TAVIX_MOUSE, 5, 6, 0}));
    PostMessageA(library_state.window.graphics, WM_CHAR, 'k', 0);
    EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 'k'}));
    handle_command(ID_STEP);  // one tick, at the next timer notice
    EXPECT_EQ(next_event().type, TAVIX_PERIODIC);
    handle_command(ID_RECORD);
    EXPECT_EQ(read_file(), "TAVIX_MOUSE(5, 6);\nTAVIX_KBD(107);\nTAVIX_PERIODIC(1);\n");
}

// One run of a small game's calls: the richer wait's events for posted input, a poll that finds
// nothing, the clock and the generator. Returned as text, one item per line, to compare runs.
std::string play_a_little_game() {
    HWND g = library_state.window.graphics;
    int ox = library_state.window.origin_x, oy = library_state.window.origin_y;
    std::string out;
    char item[160];
    auto take = [&](int n) {
        for (int i = 0; i < n; i++) {
            TAVIX_Event e;
            int type = TAVIX_wait(&e);
            snprintf(item, sizeof item, "%d %d %d %d %d %d %ld held %d mouse %d\n", type, e.x, e.y,
                     e.key, e.button, e.modifiers, e.time, TAVIX_key_down('A'),
                     TAVIX_mouse(nullptr, nullptr));
            out += item;
        }
    };
    // As a program starts: no button held from earlier tests.
    library_state.events.mouse_buttons = library_state.events.mouse_live_buttons = 0;
    bool live = !library_state.script.playing_back;
    if (live) {
        PostMessageA(g, WM_KEYDOWN, 'A', 0x001E0001);
        PostMessageA(g, WM_KEYUP, 'A', (LPARAM)0xC01E0001u);
    }
    take(3);  // key down, key up, the character (posted by the translation, so behind the up)
    if (live) {
        PostMessageA(g, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(ox + 5, oy - 6));
        PostMessageA(g, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(ox + 7, oy - 9));
        PostMessageA(g, WM_RBUTTONUP, 0, MAKELPARAM(ox + 7, oy - 9));
    }
    take(3);  // the press, the drag, the release
    if (live) {
        // Typed text: Greek and past the 16 bits of a code unit; neither a control character
        // nor the window's question is an event.
        PostMessageA(g, WM_UNICHAR, 8, 0);
        PostMessageA(g, WM_UNICHAR, UNICODE_NOCHAR, 0);
        PostMessageA(g, WM_UNICHAR, 0x3B1, 0);
        PostMessageA(g, WM_UNICHAR, 0x1F600, 0);
    }
    take(2);
    TAVIX_Event none;
    snprintf(item, sizeof item, "poll %d\n", TAVIX_poll(&none));
    out += item;
    for (int i = 0; i < 3; i++) {
        snprintf(item, sizeof item, "time %ld random %d\n", TAVIX_time(), TAVIX_random(1000));
        out += item;
    }
    // Paced frames: each answer is the clock's step since the last, as TAVIX_time reads it.
    for (int i = 0; i < 3; i++) {
        int elapsed = TAVIX_frame(100);
        snprintf(item, sizeof item, "frame %d time %ld\n", elapsed, TAVIX_time());
        out += item;
    }
    return out;
}

TEST_F(ScriptTest, TheRicherWaitTheClockAndTheGeneratorReplayAsRecorded) {
    // Typed text is an event only for a program that asked for it.
    PostMessageA(library_state.window.graphics, WM_UNICHAR, 0x3B1, 0);
    PostMessageA(library_state.window.graphics, WM_CHAR, 'z', 0);
    TAVIX_Event first;
    EXPECT_EQ(TAVIX_wait(&first), TAVIX_KBD);
    EXPECT_EQ(SendMessageA(library_state.window.graphics, WM_UNICHAR, UNICODE_NOCHAR, 0), FALSE);
    TextSettings kept_text = library_state.text;
    library_state.text.text_events = 1;
    EXPECT_EQ(SendMessageA(library_state.window.graphics, WM_UNICHAR, UNICODE_NOCHAR, 0), TRUE);
    handle_command(ID_RECORD);
    std::string live = play_a_little_game();
    handle_command(ID_RECORD);
    std::string file = read_file();
    // The event lines carry every field; the runs and the generator's state have their own.
    for (const char *form :
         {"TAVIX_EVENT(40, ", "TAVIX_EVENT(2, ", "TAVIX_EVENT(38, ", "TAVIX_EVENT(1, 5, 6, 0, 3, ",
          "TAVIX_EVENT(6, 7, 9, 0, 2, ", "TAVIX_EVENT(5, 7, 9, 0, 3, ", "TAVIX_NONE(1);",
          "TAVIX_TIME(", "TAVIX_SEED(", "TAVIX_EVENT(8, 7, 9, 945, 0, 0, ",
          "TAVIX_EVENT(8, 7, 9, 128512, 0, 0, "})
        EXPECT_NE(file.find(form), std::string::npos) << form << " in\n" << file;
    EXPECT_EQ(live.compare(0, 3, "40 "), 0) << live;  // the key-down of A comes first
    EXPECT_NE(live.find(" 65 0 0 "), std::string::npos) << live;
    EXPECT_NE(live.find("held 1 mouse 0"), std::string::npos) << live;  // A, after its key-down
    EXPECT_NE(live.find("6 7 9 0 2 0 "), std::string::npos) << live;    // dragged with the right
    EXPECT_NE(live.find("poll 0"), std::string::npos) << live;
    EXPECT_NE(live.find("8 7 9 945 0 0 "), std::string::npos) << live;
    EXPECT_NE(live.find("frame 10 time "), std::string::npos) << live;  // the first: one frame

    // Played back, the same calls get the same answers, a second time too; the stream's end
    // then stops the playback.
    for (int run = 0; run < 2; run++) {
        handle_command(ID_PLAYBACK);
        library_state.random.seeded = 0;
        library_state.random.state = 12345;
        library_state.frame = {};  // as the program started afresh
        EXPECT_EQ(play_a_little_game(), live) << "run " << run << ", script:\n" << file;
        handle_command(ID_PLAYBACK);
    }
    library_state.text = kept_text;
}

// A seed line met by the plain wait still seeds the generator: the numbers drawn after it are
// the recorded ones, not ones seeded from the time of the replay.
TEST_F(ScriptTest, ASeedLineBeforeAPlainEventSeedsTheReplay) {
    write_file("TAVIX_SEED(42);\nTAVIX_KBD(97);\n");
    handle_command(ID_PLAYBACK);
    library_state.random.seeded = 0;
    int x, y;
    char key;
    EXPECT_EQ(TAVIX_next_event(&x, &y, &key), TAVIX_KBD);
    int replayed = TAVIX_random(1000000);
    handle_command(ID_PLAYBACK);
    TAVIX_seed(42);
    EXPECT_EQ(TAVIX_random(1000000), replayed);
}

// A playback's clock where the script says nothing of it: each tick moves it on by the tick's
// interval, a delay by its length, any other event, empty poll or reading by a millisecond; a
// time line sets it. An idle run is passed by a wait at once, however long.
TEST_F(ScriptTest, APlaybackClockMovesWithWhatItDelivers) {
    const std::string ticks = "TAVIX_EVENT(3, 0, 0, 0, 0, 0, 0);\n";
    const struct {
        std::string script;
        const char *calls;  // t: TAVIX_time, n: next_event, w: wait, p: poll, d: delay 250 ms,
                            // s: ticks of 20 ms, l: read the clock until a second has passed,
                            // f: a frame of 50 a second (its answer)
        const char *seen;   // times from the first reading, the event types
    } cases[] = {
        {"TAVIX_PERIODIC(2);\nTAVIX_KBD(97);\n", "tnttnnt", "0 n3 101 102 n3 n2 204"},
        {ticks + ticks, "tswtwt", "0 w3 21 w3 42"},
        {"TAVIX_KBD(1);\n", "tdtn", "0 251 n2"},
        {"TAVIX_TIME(500, 1);\nTAVIX_PERIODIC(1);\nTAVIX_TIME(550, 2);\n", "tntttt",
         "0 n3 50 50 50 51"},
        {"TAVIX_MOUSE(1, 2);\nTAVIX_MOUSE(3, 4);\n", "tnnl", "0 n1 n1 l"},
        {"TAVIX_NONE(2147483647);\nTAVIX_KBD(97);\n", "tppwt", "0 p0 p0 w2 5"},
        // A frame takes a recorded reading where there is one, else the frame's length; its
        // answer never runs backwards.
        {"TAVIX_KBD(1);\n", "tfftn", "0 f20 f20 41 n2"},
        {"TAVIX_TIME(500, 1);\nTAVIX_TIME(530, 2);\nTAVIX_TIME(90, 1);\n", "fftft",
         "f20 f30 530 f0 90"},
        {"TAVIX_TIME(-2147483648, 1);\nTAVIX_TIME(2147483647, 1);\n", "ff", "f20 f2147483647"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        write_file(c.script);
        handle_command(ID_PLAYBACK);
        library_state.frame = {};
        std::string seen;
        long first = 0;
        for (const char *call = c.calls; *call; call++) {
            TAVIX_Event e;
            std::string item;
            switch (*call) {
                case 't': {
                    long now = TAVIX_time();
                    if (call == c.calls) first = now;
                    item = std::to_string(now - first);
                    break;
                }
                case 'n':
                    item = "n" + std::to_string(next_event().type);
                    break;
                case 'w':
                    item = "w" + std::to_string(TAVIX_wait(&e));
                    break;
                case 'p':
                    item = "p" + std::to_string(TAVIX_poll(&e));
                    break;
                case 'd':
                    TAVIX_delay(250);
                    break;
                case 's':
                    TAVIX_set_tick(20);
                    break;
                case 'f':
                    item = "f" + std::to_string(TAVIX_frame(50));
                    break;
                case 'l': {
                    int readings = 0;
                    while (TAVIX_time() - first < 1000 && readings < 100000) readings++;
                    item = readings < 100000 ? "l" : "the clock stood still";
                    break;
                }
            }
            if (!item.empty()) seen += (seen.empty() ? "" : " ") + item;
        }
        EXPECT_EQ(seen, c.seen);
        TAVIX_set_tick(TAVIX_TIMER_PERIOD);
        stop_playback();
        close_script();
    }
}

const char kMidwayNote[] =
    "# Recorded from the middle of a run: a replay starts the program afresh, without the input, "
    "TAVIX_time readings and TAVIX_random numbers it was given before, so it may end otherwise. "
    "TAVIX_RECORD=file records a run from its start.\n";

// A game recorded from the middle of its run says at the top of its script that a replay may end
// otherwise; a recording from the program's start, or one of a program that takes nothing but
// TAVIX_next_event's events, has exactly its events' lines. Every one plays back its events.
TEST_F(ScriptTest, AGameRecordedFromTheMiddleSaysSo) {
    const struct {
        bool from_start;  // TAVIX_RECORD rather than the menu
        bool game;        // the program has read the clock
        bool noted;
    } cases[] = {{false, false, false}, {false, true, true}, {true, true, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.from_start) + " " + std::to_string(c.game));
        reset_library();
        if (c.game) TAVIX_time();
        if (c.from_start) {
            library_state.events.game_calls_used = 0;  // nothing has run before the start
            library_state.settings.record_at_start = 1;
            apply_settings();
            library_state.settings.record_at_start = 0;
            if (c.game) TAVIX_time();
        } else {
            handle_command(ID_RECORD);
        }
        PostMessageA(library_state.window.graphics, WM_CHAR, 'k', 0);
        EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 'k'}));
        handle_command(ID_RECORD);
        std::string file = read_file();
        std::string events = file.substr(c.noted ? strlen(kMidwayNote) : 0);
        EXPECT_EQ(file.substr(0, file.size() - events.size()), c.noted ? kMidwayNote : "");
        EXPECT_EQ(events.substr(0, 11), c.from_start && c.game ? "TAVIX_TIME(" : "TAVIX_KBD(1");
        EXPECT_EQ(events.substr(events.size() - 16), "TAVIX_KBD(107);\n");
        handle_command(ID_PLAYBACK);
        EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 'k'}));
        handle_command(ID_PLAYBACK);
    }
}

// A signal that ends a recording program writes whichever run is pending, once.
TEST_F(ScriptTest, TheRunsPendingAtASignalAreWritten) {
    const struct {
        void (*record)();
        std::string file;
    } cases[] = {
        {[] {
             for (int i = 0; i < 3; i++) record_event(TAVIX_PERIODIC, 0, 0, 0);
         },
         "TAVIX_PERIODIC(3);\n"},
        {[] {
             record_event(TAVIX_KBD, 0, 0, 'a');
             record_time(70);
             record_time(70);
         },
         "TAVIX_KBD(97);\nTAVIX_TIME(70, 2);\n"},
        {[] {
             for (int i = 0; i < 4; i++) record_empty_poll();
         },
         "TAVIX_NONE(4);\n"},
        {[] {
             record_time(-5);
             record_time(2147483647);
         },
         "TAVIX_TIME(-5, 1);\nTAVIX_TIME(2147483647, 1);\n"},
        {[] {
             record_event(TAVIX_PERIODIC, 0, 0, 0);
             record_pad_read(-1000);
             record_pad_read(-1000);
         },
         "TAVIX_PERIODIC(1);\nTAVIX_GAMEPAD(-1000, 2);\n"},
        {[] {
             record_pad_read(3);
             library_state.script.unwritten.pad_reads = 2147483647;  // a loop that never waits
             record_pad_read(3);
         },
         "TAVIX_GAMEPAD(3, 2147483647);\nTAVIX_GAMEPAD(3, 1);\n"},
        {[] {
             library_state.events.game_calls_used = 1;
             record_event(TAVIX_PERIODIC, 0, 0, 0);
         },
         std::string(kMidwayNote) + "TAVIX_PERIODIC(1);\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        remove(SCRIPT_FILE_NAME);
        library_state.events.game_calls_used = 0;
        handle_command(ID_RECORD);
        c.record();
        write_run_on_signal();
        EXPECT_EQ(read_file(), c.file);
        close_script();  // nothing is left to write twice
        EXPECT_EQ(read_file(), c.file);
    }
}

std::string repeat(const char *text, int times) {
    std::string all;
    for (int i = 0; i < times; i++) all += text;
    return all;
}

TEST_F(ScriptTest, ADelayAndAFrameKeepInputInOrderAndCorrectionsAreWarned) {
    HWND g = library_state.window.graphics;
    PostMessageA(g, WM_CHAR, 'p', 0);
    PostMessageA(g, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(library_state.window.origin_x, 0));
    PostMessageA(g, WM_CHAR, 'q', 0);
    long before = TAVIX_time();
    TAVIX_delay(30);
    EXPECT_GE(TAVIX_time() - before, 30);
    // Nothing was lost, nothing reordered; TAVIX_next_event takes the left click and characters.
    EXPECT_EQ(next_event(), (Delivered{TAVIX_KBD, 0, 0, 'p'}));
    EXPECT_EQ(next_event(), (Delivered{TAVIX_MOUSE, 0, library_state.window.origin_y, 0}));
    TAVIX_Event e;
    EXPECT_EQ(TAVIX_wait(&e), TAVIX_KBD);
    EXPECT_EQ(e.key, 'q');
    // A frame lasts its length from the last one's return, however long the program drew.
    TAVIX_frame(25);
    PostMessageA(g, WM_CHAR, 'r', 0);
    Sleep(10);
    int elapsed = TAVIX_frame(25);
    EXPECT_GE(elapsed, 40);
    EXPECT_EQ(last_message(), "Frame after " + std::to_string(elapsed) + " ms\n");
    EXPECT_EQ(TAVIX_wait(&e), TAVIX_KBD);
    EXPECT_EQ(e.key, 'r');

    TAVIX_set_logging(0);
    const struct {
        void (*call)();
        std::string warning;  // empty: see below
    } cases[] = {
        {[] { TAVIX_set_tick(5); }, "Tick of 5 ms not possible, using 10 ms\n"},
        {[] { TAVIX_set_tick(70000); }, "Tick of 70000 ms not possible, using 60000 ms\n"},
        {[] { TAVIX_delay(-4); }, "Delay of -4 ms not possible, using 0 ms\n"},
        {[] { EXPECT_EQ(TAVIX_random(0), 0); }, "Random range of 0 not possible, using 1\n"},
        {[] { TAVIX_frame(5000); }, "Frame rate of 5000 per second not possible, using 1000\n"},
        {[] {
             library_state.frame.last_return = timeGetTime() - 5000;  // no second to wait
             TAVIX_frame(-1);
         },
         "Frame rate of -1 per second not possible, using 1\n"},
        // A backend without pads (this one has no screen) reads 0, and still warns.
        {[] { EXPECT_EQ(TAVIX_gamepad_axis(0, 6), 0); },
         "Gamepad axis 6 not possible (0 to 5), reading 0\n"},
        {[] { EXPECT_EQ(TAVIX_gamepad_button(3, TAVIX_PAD_START), 0); },
         "Gamepad axis 6 not possible (0 to 5), reading 0\n"},
        // A title is shown as it is by every window system: no control characters, no broken
        // UTF-8, and a long one ends at a whole character.
        {[] { EXPECT_EQ(TAVIX_set_title("Score:\t3\n"), 1); },
         "Title not possible as given, using \"Score:?3?\"\n"},
        {[] { TAVIX_set_title("caf\xC3 \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \x7F"); },
         "Title not possible as given, using \"caf? ?? ??? ???? ?\"\n"},
        {[] { TAVIX_set_title(std::string(200, 'x').append(100, '\xE2').c_str()); },
         "Title not possible as given, using \"" + std::string(200, 'x') + std::string(55, '?') +
             "\"\n"},
        {[] {
             TAVIX_set_title(repeat("\xC3\xA9", 300).c_str());
             EXPECT_EQ(strlen(window_title()), 254u);
         },
         "Title not possible as given, using \"" + repeat("\xC3\xA9", 127) + "\"\n"},
        {[] { EXPECT_EQ(TAVIX_set_title(nullptr), 0); }, ""},
    };
    for (const auto &c : cases) {
        c.call();
        if (!c.warning.empty()) {
            EXPECT_EQ(last_message(), c.warning);
        }
    }
    EXPECT_EQ(last_message(), "Title missing (a null pointer), keeping \"" +
                                  std::string(window_title()) + "\"\n");
    // A title as given reaches the window.
    EXPECT_EQ(TAVIX_set_title("Pong \xE2\x80\x94 two players"), 1);
    EXPECT_STREQ(window_get(g)->title.c_str(), "Pong \xE2\x80\x94 two players");
    // The pointer is hidden once however often it is asked for, and shown again by one call.
    EXPECT_EQ(TAVIX_show_cursor(0), 1);
    EXPECT_EQ(TAVIX_show_cursor(0), 1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(TAVIX_show_cursor(1), 1);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    TAVIX_set_tick(100);
    // The same seed, the same numbers; every one in range.
    TAVIX_seed(42);
    int first[8];
    for (int &n : first) n = TAVIX_random(6);
    TAVIX_seed(42);
    for (int n : first) {
        EXPECT_EQ(TAVIX_random(6), n);
        EXPECT_TRUE(n >= 0 && n < 6);
    }
}

}  // namespace
