// Helpers for tests that open the library in their own process: starting it, posting input to
// its windows, running code at a chosen point of the message queue, and a watchdog so that a
// wait that never ends fails the test instead of hanging it.
#ifndef TAVIX_TESTS_CORE_LIBRARY_HARNESS_H
#define TAVIX_TESTS_CORE_LIBRARY_HARNESS_H

#include "library/core/state.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

// TAVIX_start, once per process, with a module handle that only has to be non-null.
void start_library();
// Stops the library's own 100 ms timer, so that only the timer notices a test posts arrive.
void stop_real_timer();
// Runs the queue dry through the window procedures (paints included); a quit met is kept.
void drain_queue();
// The animation halted, no tick, no Ctrl, no playback, no game calls made: the state a test
// begins from.
void reset_event_state();

// Input as the platform delivers it, in client pixels of the graphics window.
void post_click(int client_x, int client_y);
void post_char(HWND hwnd, char c);
void post_timer();
// Queues a message whose dispatch runs action: a step placed between two posted messages.
void post_action(std::function<void()> action);

struct Event {
    int code;
    int x, y;
    char key;
};
Event next_event();

// The newest console message (or the one back messages before it), newline included; empty while
// there is none.
std::string newest_console_message(int back = 0);

// A whole program run as a child process: what it printed, and how it ended.
struct RunOutcome {
    int status = -1;  // exit status, -1 when the program did not exit by itself
    int signal = 0;   // the signal that ended it, if one did
    std::string out;
    std::string err;
};
// Runs argv in the current directory with the variables named in unset removed and those of env
// ("NAME=value") added; what it printed is collected through the files run.out and run.err.
RunOutcome run_program(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                       const std::vector<std::string> &unset);
// A file's bytes; empty when it cannot be read.
std::string file_contents(const std::string &path);

// Ends the process with a message when a test has not finished within seconds.
void arm_watchdog(int seconds);
void disarm_watchdog();

// A test of the event wait: before it the library is started with its own timer stopped, the
// queue dry and the event state reset, and a watchdog armed; after it the queue is run dry.
class WaitTest : public ::testing::Test {
   protected:
    void SetUp() override {
        start_library();
        stop_real_timer();
        drain_queue();
        reset_event_state();
        arm_watchdog(20);
    }
    void TearDown() override {
        disarm_watchdog();
        drain_queue();
    }
    // The library's origin in the graphics window's client pixels.
    int ox() const { return library_state.window.origin_x; }
    int oy() const { return library_state.window.origin_y; }
};

}  // namespace harness

#endif
