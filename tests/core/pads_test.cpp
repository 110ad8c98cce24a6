// Gamepads against SDL's virtual controller: the pads open only with the first gamepad call, the
// reads and the pad events follow what the controller does, a recorded game replays the same
// answers without the controller, and calls that name no pad, button or axis warn and read 0.
#include "library/script/script_line.h"
#include "tests/core/library_harness.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

SDL_Joystick *controller;  // the virtual controller while attached, else null
int controller_index = -1;

void attach() {
    controller_index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER,
                                                 SDL_CONTROLLER_AXIS_MAX,
                                                 SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(controller_index, 0) << SDL_GetError();
    controller = SDL_JoystickOpen(controller_index);
    ASSERT_NE(controller, nullptr) << SDL_GetError();
    // A trigger's raw axis spans the whole range, as a real pad's does: at rest it is at the end.
    SDL_JoystickSetVirtualAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
    SDL_JoystickSetVirtualAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
}

void detach() {
    if (!controller) return;
    SDL_JoystickClose(controller);
    SDL_JoystickDetachVirtual(controller_index);
    controller = nullptr;
}

// SDL's own numbering: its buttons and axes, its y pointing down.
void press(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(controller, button, down ? 1 : 0);
}
void move(SDL_GameControllerAxis axis, int value) {
    SDL_JoystickSetVirtualAxis(controller, axis, (Sint16)value);
}

// The next event of the richer wait as text: "type pad button".
std::string next_pad_event() {
    TAVIX_Event e;
    int type = TAVIX_wait(&e);
    return std::to_string(type) + " " + std::to_string(e.key) + " " + std::to_string(e.button);
}

std::string pad_event(int type, int pad, int button) {
    return std::to_string(type) + " " + std::to_string(pad) + " " + std::to_string(button);
}

// One poll's pass reads the pads: what the controller did is then known to the reads.
void let_pads_be_read() {
    TAVIX_Event e;
    TAVIX_poll(&e);
}

class Pads : public harness::WaitTest {
   protected:
    void SetUp() override {
        WaitTest::SetUp();
        harness::arm_watchdog(30);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        char name[] = "/tmp/tavix-pads-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        directory_ = name;
        ASSERT_EQ(chdir(name), 0);
    }
    void TearDown() override {
        // The pad goes, and whatever that makes is taken: the next test starts with no pad.
        detach();
        TAVIX_Event e;
        while (TAVIX_poll(&e) != 0) {
        }
        close_script();
        harness::reset_event_state();
        harness::disarm_watchdog();
        remove(SCRIPT_FILE_NAME);
        rmdir(directory_.c_str());
    }
    std::string directory_;
};

// Runs first (tests run in the order written): nothing of the pads before the first call.
TEST_F(Pads, ReadsAndEventsFollowTheController) {
    attach();
    // A program that never asks for a pad sees no pad event and opens nothing for them; nor is
    // the pads' timer taken for an animation tick.
    TAVIX_Event e;
    for (int i = 0; i < 5; i++) EXPECT_EQ(TAVIX_poll(&e), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);

    press(SDL_CONTROLLER_BUTTON_Y, true);
    SDL_GameControllerUpdate();
    EXPECT_EQ(TAVIX_gamepad_button(0, TAVIX_PAD_Y), 1);  // the pad there already, read at once
    EXPECT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
    EXPECT_EQ(TAVIX_gamepad_button(1, TAVIX_PAD_Y), 0);  // no second pad
    EXPECT_EQ(next_pad_event(), pad_event(TAVIX_PAD_ADDED, 0, 0));
    EXPECT_EQ(next_pad_event(), pad_event(TAVIX_PAD_DOWN, 0, TAVIX_PAD_Y));

    TAVIX_set_animation(TAVIX_ANIM_STEP);
    for (int i = 0; i < 10; i++) {
        EXPECT_NE(TAVIX_poll(&e), TAVIX_PERIODIC);
        usleep(10000);
    }
    TAVIX_set_animation(TAVIX_ANIM_HALT);
    library_state.events.poll_armed = 0;

    const struct {
        void (*act)();
        const char *what;
        std::vector<std::string> events;  // in order
        int button, held;                 // a button read and its answer
        int axis, at;                     // an axis read and its answer
    } steps[] = {
        {[] { press(SDL_CONTROLLER_BUTTON_A, true); }, "A down",
         {pad_event(TAVIX_PAD_DOWN, 0, TAVIX_PAD_A)}, TAVIX_PAD_A, 1, TAVIX_AXIS_LEFT_X, 0},
        {[] {
             press(SDL_CONTROLLER_BUTTON_Y, false);
             press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
             press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
         },
         "Y up, d-pad down and right shoulder down",
         {pad_event(TAVIX_PAD_UP, 0, TAVIX_PAD_Y), pad_event(TAVIX_PAD_DOWN, 0, TAVIX_PAD_RIGHT_SHOULDER),
          pad_event(TAVIX_PAD_DOWN, 0, 11)},
         11, 1, TAVIX_AXIS_LEFT_Y, 0},
        {[] { move(SDL_CONTROLLER_AXIS_LEFTY, -32768); }, "left stick full up", {}, TAVIX_PAD_Y, 0,
         TAVIX_AXIS_LEFT_Y, 1000},
        {[] { move(SDL_CONTROLLER_AXIS_LEFTX, -16384); }, "left stick half left", {},
         TAVIX_PAD_START, 0, TAVIX_AXIS_LEFT_X, -500},
        {[] { move(SDL_CONTROLLER_AXIS_RIGHTY, 32767); }, "right stick down", {}, TAVIX_PAD_A, 1,
         TAVIX_AXIS_RIGHT_Y, -1000},
        {[] { move(SDL_CONTROLLER_AXIS_RIGHTX, 32767); }, "right stick right", {}, TAVIX_PAD_B, 0,
         TAVIX_AXIS_RIGHT_X, 1000},
        {[] { move(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767); }, "right trigger in", {},
         TAVIX_PAD_B, 0, TAVIX_AXIS_RIGHT_TRIGGER, 1000},
        {[] { move(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0); }, "left trigger half in", {},
         TAVIX_PAD_B, 0, TAVIX_AXIS_LEFT_TRIGGER, 498},
        // Pulled out: its buttons are let go first; the pad reads nothing.
        {[] { detach(); }, "pulled out",
         {pad_event(TAVIX_PAD_UP, 0, TAVIX_PAD_A), pad_event(TAVIX_PAD_UP, 0, TAVIX_PAD_RIGHT_SHOULDER),
          pad_event(TAVIX_PAD_UP, 0, 11), pad_event(TAVIX_PAD_REMOVED, 0, 0)},
         TAVIX_PAD_A, 0, TAVIX_AXIS_LEFT_Y, 0},
        // Plugged in again: found within a second, in the free slot.
        {[] { attach(); }, "plugged in", {pad_event(TAVIX_PAD_ADDED, 0, 0)}, TAVIX_PAD_A, 0,
         TAVIX_AXIS_LEFT_X, 0},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        for (const std::string &expected : step.events) EXPECT_EQ(next_pad_event(), expected);
        let_pads_be_read();
        EXPECT_EQ(TAVIX_gamepad_button(0, step.button), step.held);
        EXPECT_EQ(TAVIX_gamepad_axis(0, step.axis), step.at);
    }
    // Nothing more came than the steps said.
    EXPECT_EQ(TAVIX_poll(&e), 0);
    // A loop that only reads between its frames, taking no events, still sees the pad move.
    press(SDL_CONTROLLER_BUTTON_START, true);
    TAVIX_frame(100);
    EXPECT_EQ(TAVIX_gamepad_button(0, TAVIX_PAD_START), 1);
    EXPECT_EQ(next_pad_event(), pad_event(TAVIX_PAD_DOWN, 0, TAVIX_PAD_START));
}

// A game using every pad event and reads of every axis and some buttons, as text.
std::string play_a_pad_game() {
    bool live = !library_state.script.playing_back;
    std::string out;
    auto reads = [&]() {
        for (int axis = 0; axis < 6; axis++) out += std::to_string(TAVIX_gamepad_axis(0, axis)) + " ";
        out += std::to_string(TAVIX_gamepad_button(0, TAVIX_PAD_X)) + " ";
        out += std::to_string(TAVIX_gamepad_button(0, TAVIX_PAD_LEFT)) + "\n";
    };
    reads();
    if (live) {
        press(SDL_CONTROLLER_BUTTON_X, true);
        move(SDL_CONTROLLER_AXIS_LEFTX, 12000);
        move(SDL_CONTROLLER_AXIS_RIGHTY, -7000);
        move(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 30000);
    }
    out += next_pad_event() + "\n";
    reads();
    if (live) press(SDL_CONTROLLER_BUTTON_X, false);
    out += next_pad_event() + "\n";
    reads();
    if (live) {
        press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
        detach();
    }
    out += next_pad_event() + "\n";  // the press is never seen: the pad went first
    reads();
    if (live) attach();
    out += next_pad_event() + "\n";
    reads();
    return out;
}

TEST_F(Pads, AGameRecordedWithThePadReplaysWithoutIt) {
    attach();
    EXPECT_EQ(next_pad_event(), pad_event(TAVIX_PAD_ADDED, 0, 0));
    handle_command(ID_RECORD);
    std::string live = play_a_pad_game();
    handle_command(ID_RECORD);
    std::string file = harness::file_contents(SCRIPT_FILE_NAME);
    EXPECT_NE(live.find(pad_event(TAVIX_PAD_DOWN, 0, TAVIX_PAD_X)), std::string::npos) << live;
    EXPECT_NE(live.find(pad_event(TAVIX_PAD_REMOVED, 0, 0)), std::string::npos) << live;
    EXPECT_NE(live.find("366 0 0 213 957 0 1 0\n"), std::string::npos) << live;
    EXPECT_NE(file.find("TAVIX_GAMEPAD(366, 1);"), std::string::npos) << file;

    // No controller now: everything comes from the script, twice alike.
    detach();
    let_pads_be_read();
    for (int run = 0; run < 2; run++) {
        handle_command(ID_PLAYBACK);
        EXPECT_EQ(play_a_pad_game(), live) << "run " << run << ", script:\n" << file;
        handle_command(ID_PLAYBACK);
        close_script();
    }
    // The replay left a pad connected that is not: the program is told it went.
    EXPECT_EQ(next_pad_event(), pad_event(TAVIX_PAD_REMOVED, 0, 0));
}

TEST_F(Pads, NoSuchPadButtonOrAxisWarnsAndReadsZero) {
    const struct {
        int (*call)(int, int);
        int pad, index;
        const char *warning;
    } cases[] = {
        {TAVIX_gamepad_button, -1, 0, "Gamepad -1 not possible (0 to 3), reading 0\n"},
        {TAVIX_gamepad_button, 4, 0, "Gamepad 4 not possible (0 to 3), reading 0\n"},
        {TAVIX_gamepad_axis, INT_MIN, 0, "Gamepad -2147483648 not possible (0 to 3), reading 0\n"},
        {TAVIX_gamepad_button, 0, 99, "Gamepad button 99 not possible (0 to 13), reading 0\n"},
        {TAVIX_gamepad_button, 0, 14, "Gamepad button 14 not possible (0 to 13), reading 0\n"},
        {TAVIX_gamepad_axis, 0, -5, "Gamepad axis -5 not possible (0 to 5), reading 0\n"},
        {TAVIX_gamepad_axis, 3, 6, "Gamepad axis 6 not possible (0 to 5), reading 0\n"},
    };
    attach();
    press(SDL_CONTROLLER_BUTTON_A, true);
    for (int i = 0; i < 3; i++) let_pads_be_read();
    for (const auto &c : cases) {
        EXPECT_EQ(c.call(c.pad, c.index), 0) << c.warning;
        EXPECT_EQ(harness::newest_console_message(), c.warning);
    }
}

}  // namespace
