// The message queue: its order, timer coalescing, waiting, and the recording helpers.
#include "helpers.h"
#include "platform/user/queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

LRESULT CALLBACK recording_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    seen_messages().push_back(Seen{hwnd, message, wp, lp});
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Takes everything PeekMessageA hands out now, dispatching each, and returns the messages.
std::vector<UINT> take_all(HWND only = nullptr) {
    std::vector<UINT> taken;
    MSG msg;
    while (taken.size() < 100 && PeekMessageA(&msg, only, 0, 0, PM_REMOVE)) {
        taken.push_back(msg.message);
        if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    }
    return taken;
}

}  // namespace

std::vector<Seen> &seen_messages() {
    static std::vector<Seen> seen;
    return seen;
}

std::vector<Seen> seen_of(UINT message) {
    std::vector<Seen> out;
    for (const Seen &s : seen_messages())
        if (s.message == message) out.push_back(s);
    return out;
}

HWND make_window(DWORD style, int width, int height, bool show) {
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = recording_proc;
        wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
        wc.lpszClassName = "RecordingClass";
        registered = RegisterClassA(&wc) != 0;
    }
    HWND hwnd = CreateWindowExA(0, "RecordingClass", "test", style, 0, 0, width, height, nullptr,
                                nullptr, nullptr, nullptr);
    if (show) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

void drain() {
    take_all();
    seen_messages().clear();
}

// Windows' order (Wine's too): posted messages, then the quit, then input, paints and timers. A
// quit is never held up by a due tick, nor by input still queued.
TEST(Queue, PostedMessagesThenQuitThenInputThenPaintThenTimer) {
    HWND hwnd = make_window();
    drain();
    SetTimer(hwnd, 7, 100, nullptr);
    sleep_ms(120);
    InvalidateRect(hwnd, nullptr, TRUE);
    queue_post_input(hwnd, WM_LBUTTONDOWN, 1, MAKELPARAM(5, 6), KEYCHAR_NONE);
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER, 1, 2);
    PostMessageA(hwnd, WM_USER + 1, 3, 4);

    MSG msg;
    std::vector<UINT> order;
    while (order.size() < 10 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT)
            EXPECT_EQ(msg.wParam, 3u);
        else
            DispatchMessageA(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT, WM_LBUTTONDOWN, WM_PAINT,
                                        WM_TIMER}));
    KillTimer(hwnd, 7);
    DestroyWindow(hwnd);
    drain();
}

TEST(Queue, PaintAndTimerWaitWhilePostedMessagesArrive) {
    HWND hwnd = make_window();
    drain();
    SetTimer(hwnd, 1, 100, nullptr);
    sleep_ms(120);
    InvalidateRect(hwnd, nullptr, FALSE);
    MSG msg;
    // Each message handed out leads to another being posted: paint and timer never get a turn.
    PostMessageA(hwnd, WM_USER, 0, 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, (UINT)WM_USER);
        PostMessageA(hwnd, WM_USER, 0, 0);
    }
    std::vector<UINT> rest = take_all();
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0], (UINT)WM_USER);
    EXPECT_EQ(rest[1], (UINT)WM_PAINT);
    EXPECT_EQ(rest[2], (UINT)WM_TIMER);
    DestroyWindow(hwnd);
    drain();
}

TEST(Queue, TimerExpiriesCoalesceIntoOneMessage) {
    HWND hwnd = make_window();
    drain();
    // Periods are long beside the time taking the queue takes, so only coalescing can explain a
    // single message.
    SetTimer(hwnd, 5, 50, nullptr);
    sleep_ms(300);  // six periods go by unretrieved
    std::vector<UINT> taken = take_all();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), (UINT)WM_TIMER), 1);
    ASSERT_EQ(seen_of(WM_TIMER).size(), 1u);
    EXPECT_EQ(seen_of(WM_TIMER)[0].wp, 5u);

    // Two timers each keep their own pending message.
    SetTimer(hwnd, 6, 50, nullptr);
    sleep_ms(120);
    seen_messages().clear();
    take_all();
    EXPECT_EQ(seen_of(WM_TIMER).size(), 2u);

    // A killed timer's pending message goes with it.
    sleep_ms(120);
    KillTimer(hwnd, 5);
    KillTimer(hwnd, 6);
    seen_messages().clear();
    take_all();
    EXPECT_TRUE(seen_of(WM_TIMER).empty());
    DestroyWindow(hwnd);
}

TEST(Queue, NoRemoveLeavesTheMessage) {
    HWND hwnd = make_window();
    drain();
    PostMessageA(hwnd, WM_USER + 5, 9, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)(WM_USER + 5));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(Queue, FiltersByWindowAndRange) {
    HWND a = make_window(), b = make_window();
    drain();
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(b, WM_USER + 1, 0, 0);
    PostMessageA(a, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_USER);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(Queue, WaitMessageReturnsAtTheNextTimerDeadline) {
    HWND hwnd = make_window();
    drain();
    SetTimer(hwnd, 3, 150, nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(WaitMessage());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_TIMER);
    EXPECT_EQ(msg.wParam, 3u);
    KillTimer(hwnd, 3);
    DestroyWindow(hwnd);
}

TEST(Queue, WaitMessageReturnsAtOnceWhenSomethingIsQueued) {
    HWND hwnd = make_window();
    drain();
    PostMessageA(hwnd, WM_USER, 0, 0);
    EXPECT_TRUE(WaitMessage());
    InvalidateRect(hwnd, nullptr, TRUE);
    take_all();
    InvalidateRect(hwnd, nullptr, TRUE);
    EXPECT_TRUE(WaitMessage());
    DestroyWindow(hwnd);
    drain();
}

TEST(Queue, ThreadTimerCallsItsCallback) {
    static int calls;
    calls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
    ASSERT_NE(id, 0u);
    WaitMessage();
    take_all();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST(Queue, GetMessageReportsQuit) {
    PostQuitMessage(4);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.hwnd, nullptr);
}

TEST(Queue, AProcedureThatDoesNotPaintIsNotAskedAgainAndAgain) {
    static int paints;
    paints = 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_PAINT) {
            ++paints;
            return 0;
        }
        return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "LazyPainter";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "LazyPainter", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
    take_all();
    EXPECT_EQ(paints, 1);
    DestroyWindow(hwnd);
}

TEST(Queue, ARunawayPosterIsRefusedInsteadOfGrowingTheQueueForever) {
    HWND hwnd = make_window(WS_POPUP, 10, 10, false);
    drain();
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) accepted += PostMessageA(hwnd, WM_USER, 0, 0) ? 1 : 0;
    EXPECT_LT(accepted, 20000);
    EXPECT_GE(accepted, 1000);
    DestroyWindow(hwnd);  // drops what it had queued
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(PostMessageA(nullptr, WM_USER, 0, 0));
    drain();
}
