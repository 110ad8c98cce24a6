// The wait's side of playback and recording, with a stand-in script reader and recorder: scripted
// events go before live ones and need no timer, a failed read hands the same wait back to live
// input, a quit met together with a scripted event is returned by the next wait, and every
// delivered event is handed to the recorder.
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

struct Recorded {
    int type, x, y;
    char key;
};

std::deque<PendingEvent> script;  // what the stand-in reader hands out, in order
int reads;                        // calls of the reader
std::vector<Recorded> recorded;

}  // namespace

// The linker routes the wait's calls here (--wrap on the routines' C++ symbol names).
extern "C" int __wrap__Z17read_script_eventv(void) {
    ++reads;
    if (script.empty()) return 0;
    PendingEvent next = script.front();
    script.pop_front();
    library_state.events.pending.type = next.type;
    if (next.type == TAVIX_MOUSE) {
        library_state.events.pending.x = next.x;
        library_state.events.pending.y = next.y;
    }
    if (next.type == TAVIX_KBD) library_state.events.pending.key = next.key;
    return 1;
}

extern "C" void __wrap__Z12record_eventiiic(int type, int x, int y, char key) {
    recorded.push_back({type, x, y, key});
}

namespace {

PendingEvent scripted(int type, int x = 0, int y = 0, char key = 0) {
    PendingEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.key = key;
    return e;
}

class Playback : public harness::WaitTest {
   protected:
    void SetUp() override {
        WaitTest::SetUp();
        script.clear();
        recorded.clear();
        reads = 0;
    }
    void TearDown() override {
        WaitTest::TearDown();
        harness::reset_event_state();
    }
};

TEST_F(Playback, ScriptedTicksNeedNoTimerAndTheEndGoesOnLive) {
    handle_command(ID_PLAYBACK);
    script = {scripted(TAVIX_PERIODIC), scripted(TAVIX_PERIODIC), scripted(TAVIX_MOUSE, -3, 8)};
    EXPECT_EQ(harness::next_event().code, TAVIX_PERIODIC);
    EXPECT_EQ(harness::next_event().code, TAVIX_PERIODIC);
    harness::Event click = harness::next_event();
    EXPECT_EQ(click.code, TAVIX_MOUSE);
    EXPECT_EQ(click.x, -3);
    EXPECT_EQ(click.y, 8);

    // The script has ended: the same wait stops playback and takes the live character.
    harness::post_char(library_state.window.graphics, 'w');
    harness::Event live = harness::next_event();
    EXPECT_EQ(live.code, TAVIX_KBD);
    EXPECT_EQ(live.key, 'w');
    EXPECT_EQ(library_state.script.playing_back, 0);
}

// Ctrl+P starts a playback and both keys are let go while it runs: once it ends neither counts
// as held, for the program or as a modifier of what is typed next.
TEST_F(Playback, KeysLetGoDuringAPlaybackAreNotHeldAfterIt) {
    HWND graphics = library_state.window.graphics;
    script = {scripted(TAVIX_PERIODIC)};
    PostMessageA(graphics, WM_KEYDOWN, VK_CONTROL, 0);
    PostMessageA(graphics, WM_KEYDOWN, 'P', 0);
    harness::drain_queue();
    EXPECT_EQ(library_state.script.playing_back, 1);
    PostMessageA(graphics, WM_KEYUP, 'P', 0);
    PostMessageA(graphics, WM_KEYUP, VK_CONTROL, 0);
    harness::drain_queue();
    EXPECT_EQ(harness::next_event().code, TAVIX_PERIODIC);
    harness::post_char(graphics, 'w');
    EXPECT_EQ(harness::next_event().key, 'w');
    EXPECT_EQ(library_state.script.playing_back, 0);
    for (int key : {(int)VK_CONTROL, (int)'P'}) {
        EXPECT_EQ(TAVIX_key_down(key), 0) << key;
        EXPECT_EQ(library_state.events.keys_live[key], 0) << key;
    }
}

TEST_F(Playback, AScriptedEventReplacesTheLiveOneOfItsPass) {
    handle_command(ID_PLAYBACK);
    script = {scripted(TAVIX_KBD, 0, 0, 'k')};
    harness::post_click(ox() + 5, oy() + 5);
    harness::Event e = harness::next_event();
    EXPECT_EQ(e.code, TAVIX_KBD);
    EXPECT_EQ(e.key, 'k');
}

TEST_F(Playback, PlayOneDeliversOneScriptedEvent) {
    handle_command(ID_PLAY_ONE);
    script = {scripted(TAVIX_KBD, 0, 0, 'p'), scripted(TAVIX_KBD, 0, 0, 'q')};
    EXPECT_EQ(harness::next_event().key, 'p');
    EXPECT_EQ(library_state.script.play_one, 0);
    harness::post_click(ox(), oy());
    EXPECT_EQ(harness::next_event().code, TAVIX_MOUSE);
    EXPECT_EQ(script.size(), 1u);
}

TEST_F(Playback, AQuitTakenWithAScriptedEventComesNext) {
    handle_command(ID_PLAYBACK);
    script = {scripted(TAVIX_MOUSE, 5, 6), scripted(TAVIX_MOUSE, 7, 8)};
    PostQuitMessage(0);
    harness::Event first = harness::next_event();
    EXPECT_EQ(first.code, TAVIX_MOUSE);
    EXPECT_EQ(first.x, 5);
    int reads_before = reads;
    harness::Event quit = harness::next_event();
    EXPECT_EQ(quit.code, TAVIX_QUIT);
    EXPECT_EQ(quit.x, 0);
    EXPECT_EQ(reads, reads_before) << "the kept quit goes before any further script";
    // Kept once: playback carries on afterwards.
    harness::Event after = harness::next_event();
    EXPECT_EQ(after.code, TAVIX_MOUSE);
    EXPECT_EQ(after.x, 7);
}

TEST_F(Playback, FailedReadStopsPlaybackAndTheSameWaitGoesOnLive) {
    handle_command(ID_PLAYBACK);
    harness::post_action([] {});
    harness::post_char(library_state.window.graphics, 'c');
    EXPECT_EQ(harness::next_event().key, 'c');
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(library_state.script.playing_back, 0);
}

TEST_F(Playback, EveryDeliveredEventIsRecorded) {
    handle_command(ID_RECORD);
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    harness::post_timer();
    harness::post_timer();
    harness::post_click(ox() + 10, oy() + 5);
    harness::post_char(library_state.window.graphics, 'r');
    harness::next_event();
    harness::next_event();
    harness::next_event();
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0].type, TAVIX_PERIODIC);
    EXPECT_EQ(recorded[1].type, TAVIX_MOUSE);
    EXPECT_EQ(recorded[1].x, 10);
    EXPECT_EQ(recorded[1].y, -5);
    EXPECT_EQ(recorded[2].type, TAVIX_KBD);
    EXPECT_EQ(recorded[2].key, 'r');
}

}  // namespace
