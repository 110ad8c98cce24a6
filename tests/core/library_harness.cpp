// Helpers for tests that open the library in their own process.
#include "tests/core/library_harness.h"

#include <fcntl.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <vector>

namespace harness {

static std::vector<std::function<void()>> actions;
static HWND action_window;

static LRESULT CALLBACK action_window_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_USER && wp < actions.size()) {
        actions[wp]();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

void start_library() {
    if (library_state.window.graphics) return;
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);

    WNDCLASSA action_class = {};
    action_class.lpfnWndProc = action_window_proc;
    action_class.hInstance = reinterpret_cast<HINSTANCE>(&module_marker);
    action_class.lpszClassName = "TestActionClass";
    RegisterClassA(&action_class);
    // Never shown: it only receives the posted actions.
    action_window = CreateWindowExA(0, "TestActionClass", "actions", WS_OVERLAPPED, 0, 0, 10, 10,
                                    nullptr, nullptr, action_class.hInstance, nullptr);
}

void stop_real_timer() {
    KillTimer(library_state.window.graphics, TAVIX_TIMER_ID);
}

void drain_queue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void reset_event_state() {
    LibraryState &s = library_state;
    s.events.running = 0;
    s.events.single_step = 0;
    s.events.timer_tick = 0;
    s.menu.ctrl_down = 0;
    s.script.play_one = 0;
    s.script.playing_back = 0;
    s.script.recording = 0;
    s.events.quit_pending = 0;
    s.events.game_calls_used = 0;
    s.frame = {};
}

void post_click(int client_x, int client_y) {
    PostMessageA(library_state.window.graphics, WM_LBUTTONDOWN, 1, MAKELPARAM(client_x, client_y));
}

void post_char(HWND hwnd, char c) {
    PostMessageA(hwnd, WM_CHAR, (unsigned char)c, 1);
}

void post_timer() {
    PostMessageA(library_state.window.graphics, WM_TIMER, TAVIX_TIMER_ID, 0);
}

void post_action(std::function<void()> action) {
    actions.push_back(std::move(action));
    PostMessageA(action_window, WM_USER, actions.size() - 1, 0);
}

Event next_event() {
    Event e;
    e.x = 12345;
    e.y = 12345;
    e.key = 99;
    e.code = TAVIX_next_event(&e.x, &e.y, &e.key);
    return e;
}

static void watchdog_fired(int) {
    static const char text[] = "test timed out: a wait never received its event\n";
    ssize_t ignored = write(2, text, sizeof text - 1);
    (void)ignored;
    _exit(3);
}

void arm_watchdog(int seconds) {
    signal(SIGALRM, watchdog_fired);
    alarm((unsigned)seconds);
}

void disarm_watchdog() {
    alarm(0);
}

RunOutcome run_program(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                       const std::vector<std::string> &unset) {
    pid_t child = fork();
    if (child == 0) {
        for (const std::string &name : unset) unsetenv(name.c_str());
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
    RunOutcome o;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child) {
        if (WIFEXITED(status)) o.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
    }
    o.out = file_contents("run.out");
    o.err = file_contents("run.err");
    return o;
}

std::string newest_console_message(int back) {
    if (library_state.console.first < 0 || back < 0 || back >= CONSOLE_RING_SIZE) return "";
    int slot = (library_state.console.end + CONSOLE_RING_SIZE - 1 - back) % CONSOLE_RING_SIZE;
    const char *text = static_cast<const char *>(GlobalLock(library_state.console.lines[slot]));
    std::string copy = text ? text : "";
    GlobalUnlock(library_state.console.lines[slot]);
    return copy;
}

std::string file_contents(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace harness
