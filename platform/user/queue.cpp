// The thread's one message queue, in Windows' order: posted messages, then WM_QUIT, then input
// (the backend's pending events pulled when none is queued), then WM_PAINT for an invalid window,
// then a due WM_TIMER (one pending per timer at most). Waiting blocks in the backend up to the next
// timer deadline and never spins.
#include "platform/user/queue.h"

#include "platform/backend/backend.h"
#include "platform/user/input.h"
#include "platform/user/platform.h"
#include "platform/user/window.h"

#include <algorithm>
#include <ctime>
#include <deque>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {

struct InputMessage {
    MSG msg;  // the message as it will be retrieved
    int ch;   // KEYCHAR_* or the character an SDL key-down made
};

struct Timer {
    HWND hwnd;       // owner window, null for a thread timer
    UINT_PTR id;     // the caller's id (or the one SetTimer chose for a thread timer)
    UINT period;     // milliseconds
    TIMERPROC proc;  // callback, or null for a WM_TIMER to the window procedure
    uint64_t due;    // clock_ms() of the next expiry
    bool pending;    // expired and not yet retrieved; more expiries meanwhile coalesce into it
};

// Windows' smallest timer period; a period below it is raised to it.
const UINT MIN_TIMER_PERIOD = 10;
// Windows' limit on a thread's queue: a runaway poster gets failures instead of eating memory.
const size_t MAX_QUEUED = 10000;

struct Queue {
    std::deque<MSG> posted;          // PostMessageA, oldest first
    std::deque<InputMessage> input;  // keyboard, mouse and close requests, oldest first
    std::vector<Timer> timers;       // live timers in creation order
    UINT_PTR next_thread_timer;      // id for the next thread timer
    bool quit;                       // PostQuitMessage was called and WM_QUIT not yet retrieved
    int quit_code;                   // its exit code
    POINT mouse;                     // last pointer position in screen coordinates
};
Queue queue = {{}, {}, {}, 0x7F00, false, 0, {0, 0}};

bool matches(const MSG &m, HWND hwnd, UINT min, UINT max) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (min == 0 && max == 0) return true;
    return m.message >= min && m.message <= max;
}

bool wants(UINT message, UINT min, UINT max) {
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

MSG make_msg(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    MSG m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wp;
    m.lParam = lp;
    m.time = (DWORD)clock_ms();
    m.pt = queue.mouse;
    return m;
}

bool is_key_message(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

// Marks expired timers pending and schedules their next expiry.
void update_timers(uint64_t now) {
    for (Timer &t : queue.timers) {
        if (now < t.due) continue;
        t.pending = true;
        t.due += t.period;
        if (t.due <= now) t.due = now + t.period;  // expiries missed meanwhile are coalesced
    }
}

Window *invalid_window(HWND hwnd) {
    for (Window *w : window_list())
        if (w->visible && w->invalid && (!hwnd || w->hwnd == hwnd)) return w;
    return nullptr;
}

bool take_posted(MSG *out, HWND hwnd, UINT min, UINT max, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!matches(*it, hwnd, min, max)) continue;
        *out = *it;
        if (remove) {
            queue.posted.erase(it);
            if (is_key_message(out->message))
                keyboard_message_retrieved(*out, false, KEYCHAR_DERIVE);
        }
        return true;
    }
    return false;
}

bool take_input(MSG *out, HWND hwnd, UINT min, UINT max, bool remove) {
    for (auto it = queue.input.begin(); it != queue.input.end(); ++it) {
        if (!matches(it->msg, hwnd, min, max)) continue;
        *out = it->msg;
        if (remove) {
            int ch = it->ch;
            queue.input.erase(it);
            if (is_key_message(out->message)) keyboard_message_retrieved(*out, true, ch);
        }
        return true;
    }
    return false;
}

bool take_timer(MSG *out, HWND hwnd, UINT min, UINT max, bool remove) {
    if (!wants(WM_TIMER, min, max)) return false;
    update_timers(clock_ms());
    for (Timer &t : queue.timers) {
        if (!t.pending || (hwnd && t.hwnd != hwnd)) continue;
        *out = make_msg(t.hwnd, WM_TIMER, t.id, (LPARAM)t.proc);
        if (remove) t.pending = false;
        return true;
    }
    return false;
}

// WM_QUIT once PostQuitMessage was called: as on Windows, after the posted messages and before
// input, paints and timers, so a quit never waits behind a due tick.
bool take_quit(MSG *out, HWND hwnd, UINT min, UINT max, bool remove) {
    if (!queue.quit || hwnd || !wants(WM_QUIT, min, max)) return false;
    *out = make_msg(nullptr, WM_QUIT, (WPARAM)queue.quit_code, 0);
    if (remove) queue.quit = false;
    return true;
}

// Something PeekMessageA would return now, without pulling SDL events.
bool message_ready() {
    if (!queue.posted.empty() || !queue.input.empty() || queue.quit) return true;
    if (invalid_window(nullptr)) return true;
    update_timers(clock_ms());
    for (const Timer &t : queue.timers)
        if (t.pending) return true;
    return false;
}

// Milliseconds until the next timer expires, -1 when there is no timer.
int ms_to_next_timer() {
    uint64_t now = clock_ms();
    int64_t best = -1;
    for (const Timer &t : queue.timers) {
        int64_t left = t.due > now ? (int64_t)(t.due - now) : 0;
        if (best < 0 || left < best) best = left;
    }
    return (int)best;
}

}  // namespace

uint64_t clock_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

void queue_post_input(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, int ch) {
    // Windows reports the pointer's latest position rather than every step of the way.
    if (message == WM_MOUSEMOVE && !queue.input.empty()) {
        MSG &last = queue.input.back().msg;
        if (last.message == WM_MOUSEMOVE && last.hwnd == hwnd) {
            last = make_msg(hwnd, message, wp, lp);
            return;
        }
    }
    if (queue.input.size() >= MAX_QUEUED) return;
    queue.input.push_back(InputMessage{make_msg(hwnd, message, wp, lp), ch});
}

bool input_queue_has_room() {
    return queue.input.size() < MAX_QUEUED;
}

bool queue_attach_char(HWND hwnd, int ch) {
    for (auto it = queue.input.rbegin(); it != queue.input.rend(); ++it) {
        UINT m = it->msg.message;
        if (it->msg.hwnd != hwnd || (m != WM_KEYDOWN && m != WM_SYSKEYDOWN)) continue;
        if (it->ch != KEYCHAR_DERIVE) return false;
        it->ch = ch;
        return true;
    }
    return false;
}

void queue_forget_window(HWND hwnd) {
    auto posted_end = std::remove_if(queue.posted.begin(), queue.posted.end(),
                                     [hwnd](const MSG &m) { return m.hwnd == hwnd; });
    queue.posted.erase(posted_end, queue.posted.end());
    auto input_end = std::remove_if(queue.input.begin(), queue.input.end(),
                                    [hwnd](const InputMessage &m) { return m.msg.hwnd == hwnd; });
    queue.input.erase(input_end, queue.input.end());
    auto timers_end = std::remove_if(queue.timers.begin(), queue.timers.end(),
                                     [hwnd](const Timer &t) { return t.hwnd == hwnd; });
    queue.timers.erase(timers_end, queue.timers.end());
}

void queue_set_mouse_position(int x, int y) {
    queue.mouse.x = x;
    queue.mouse.y = y;
}

POINT queue_mouse_position() {
    return queue.mouse;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove_flags) {
    platform_ensure_started();
    if (!msg) return FALSE;
    if (hwnd && !window_get(hwnd)) return FALSE;
    bool remove = (remove_flags & PM_REMOVE) != 0;
    if (take_posted(msg, hwnd, min, max, remove) || take_quit(msg, hwnd, min, max, remove) ||
        take_input(msg, hwnd, min, max, remove))
        return TRUE;
    // Pulling the backend's events may post (a close request) as well as queue input.
    if (backend_pump() &&
        (take_posted(msg, hwnd, min, max, remove) || take_quit(msg, hwnd, min, max, remove) ||
         take_input(msg, hwnd, min, max, remove)))
        return TRUE;
    if (wants(WM_PAINT, min, max)) {
        // WM_PAINT stays until the window is validated; PM_REMOVE does not take it away.
        if (Window *w = invalid_window(hwnd)) {
            *msg = make_msg(w->hwnd, WM_PAINT, 0, 0);
            return TRUE;
        }
    }
    if (take_timer(msg, hwnd, min, max, remove)) return TRUE;
    windows_present_changed();
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max) {
    if (!msg) return -1;
    if (hwnd && !window_get(hwnd)) return -1;
    while (!PeekMessageA(msg, hwnd, min, max, PM_REMOVE)) {
        if (hwnd && !window_get(hwnd)) return -1;
        WaitMessage();
    }
    return msg->message != WM_QUIT;
}

BOOL WINAPI WaitMessage(void) {
    platform_ensure_started();
    for (;;) {
        if (message_ready()) return TRUE;
        if (backend_pump() && message_ready()) return TRUE;
        windows_present_changed();
        backend_wait(ms_to_next_timer());
    }
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *, BOOL, DWORD ms, DWORD) {
    platform_ensure_started();
    // No object of the layer can be waited for: only the queue and the time.
    if (count != 0) return WAIT_TIMEOUT;
    uint64_t start = clock_ms();
    for (;;) {
        if (message_ready()) return WAIT_OBJECT_0;
        if (backend_pump() && message_ready()) return WAIT_OBJECT_0;
        uint64_t passed = clock_ms() - start;
        if (ms != INFINITE && passed >= ms) return WAIT_TIMEOUT;
        windows_present_changed();
        int left = ms == INFINITE ? -1 : (int)(ms - passed);
        int timer = ms_to_next_timer();
        backend_wait(timer >= 0 && (left < 0 || timer < left) ? timer : left);
    }
}

MMRESULT WINAPI timeBeginPeriod(UINT) {
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT) {
    return TIMERR_NOERROR;
}

DWORD WINAPI timeGetTime(void) {
    return (DWORD)clock_ms();
}

BOOL WINAPI TranslateMessage(const MSG *msg) {
    if (!msg || !is_key_message(msg->message)) return FALSE;
    if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
        int ch = keyboard_char_for(*msg);
        if (ch >= 0) {
            UINT char_msg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
            PostMessageA(msg->hwnd, char_msg, (WPARAM)ch, msg->lParam);
        }
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG *msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        TIMERPROC proc = (TIMERPROC)msg->lParam;
        // Only a callback of a timer that still exists is called: the value came from the queue
        // but the caller might have forged the message.
        for (const Timer &t : queue.timers) {
            if (t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc) {
                proc(msg->hwnd, WM_TIMER, msg->wParam, (DWORD)clock_ms());
                return 0;
            }
        }
        return 0;
    }
    Window *w = msg->hwnd ? window_get(msg->hwnd) : nullptr;
    if (!w) return 0;
    unsigned invalidations = w->invalidations;
    LRESULT result = window_call(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT && (w = window_get(msg->hwnd)) &&
        w->invalidations == invalidations) {
        // A procedure that did not paint would be asked again at once; the window counts as
        // painted so the queue never spins on it.
        w->invalid = w->erase = false;
    }
    return result;
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if ((hwnd && !window_get(hwnd)) || queue.posted.size() >= MAX_QUEUED) return FALSE;
    queue.posted.push_back(make_msg(hwnd, message, wp, lp));
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    return window_call(hwnd, message, wp, lp);
}

void WINAPI PostQuitMessage(int exit_code) {
    queue.quit = true;
    queue.quit_code = exit_code;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT period_ms, TIMERPROC proc) {
    platform_ensure_started();
    if (hwnd && !window_get(hwnd)) return 0;
    period_ms = std::max(period_ms, MIN_TIMER_PERIOD);
    uint64_t due = clock_ms() + period_ms;
    if (hwnd) {
        for (Timer &t : queue.timers) {
            if (t.hwnd == hwnd && t.id == id) {
                // Setting an existing timer again restarts it with the new period.
                t.period = period_ms;
                t.proc = proc;
                t.due = due;
                t.pending = false;
                return id ? id : 1;
            }
        }
    } else {
        id = queue.next_thread_timer++;
    }
    queue.timers.push_back(Timer{hwnd, id, period_ms, proc, due, false});
    return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    for (auto it = queue.timers.begin(); it != queue.timers.end(); ++it) {
        if (it->hwnd == hwnd && it->id == id) {
            queue.timers.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

DWORD WINAPI GetTickCount(void) {
    return (DWORD)clock_ms();
}

void WINAPI Sleep(DWORD milliseconds) {
#ifdef __EMSCRIPTEN__
    // In a page, sleeping is giving the browser its turn for that long.
    emscripten_sleep(milliseconds);
#else
    timespec ts;
    ts.tv_sec = (time_t)(milliseconds / 1000);
    ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
        // Interrupted by a signal: sleep on for what is left.
    }
#endif
}
