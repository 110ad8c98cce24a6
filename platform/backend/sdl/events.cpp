// SDL's events as the window code wants them: window events, keys by position and character,
// text, mouse (positions in screen pixels, as SDL reports them); and waiting for events without
// spinning.
#include "platform/backend/sdl/events.h"

#include "platform/backend/events.h"
#include "platform/backend/sdl/audio.h"
#include "platform/backend/sdl/state.h"
#include "platform/backend/sdl/video.h"
#include "platform/win32.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// The character the layout puts on a key, unshifted (SDL's key code where it is one), or 0.
int character_of(const SDL_Keysym &key) {
    return (key.sym & SDLK_SCANCODE_MASK) ? 0 : (int)key.sym;
}

unsigned modifiers_of(Uint16 mod) {
    unsigned m = 0;
    if (mod & KMOD_SHIFT) m |= KEYMOD_SHIFT;
    if (mod & KMOD_CTRL) m |= KEYMOD_CTRL;
    if (mod & KMOD_ALT) m |= KEYMOD_ALT;
    if (mod & KMOD_CAPS) m |= KEYMOD_CAPS;
    return m;
}

unsigned button_bit(int button) {
    return button == SDL_BUTTON_LEFT     ? 1u
           : button == SDL_BUTTON_MIDDLE ? 2u
           : button == SDL_BUTTON_RIGHT  ? 4u
                                         : 0u;
}

void handle_window_event(const SDL_WindowEvent &e) {
    HWND hwnd = sdl_hwnd_of(e.windowID);
    if (!hwnd) return;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            input_close_requested(hwnd);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            input_exposed(hwnd);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            input_resized(hwnd, e.data1, e.data2);
            break;
        case SDL_WINDOWEVENT_MOVED:
            sdl_window_fit_work_area(e.windowID);
            input_moved(hwnd, e.data1, e.data2);
            break;
        case SDL_WINDOWEVENT_SHOWN:
            sdl_window_fit_work_area(e.windowID);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            input_focus(hwnd);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            input_focus_lost(hwnd);
            break;
        default:
            break;
    }
}

void handle_event(const SDL_Event &e) {
    switch (e.type) {
        case SDL_WINDOWEVENT:
            handle_window_event(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (HWND hwnd = sdl_hwnd_of(e.key.windowID))
                input_key_at(hwnd, e.type == SDL_KEYDOWN, (int)e.key.keysym.scancode,
                             character_of(e.key.keysym), e.key.repeat != 0,
                             modifiers_of(e.key.keysym.mod));
            break;
        case SDL_TEXTINPUT:
            if (HWND hwnd = sdl_hwnd_of(e.text.windowID)) input_text(hwnd, e.text.text);
            break;
        case SDL_MOUSEMOTION:
            if (HWND hwnd = sdl_hwnd_of(e.motion.windowID))
                input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, e.motion.x, e.motion.y,
                            sdl.buttons_held, modifiers_of(SDL_GetModState()));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            if (down)
                sdl.buttons_held |= button_bit(e.button.button);
            else
                sdl.buttons_held &= ~button_bit(e.button.button);
            if (HWND hwnd = sdl_hwnd_of(e.button.windowID))
                input_mouse(hwnd, down ? InputEvent::MOUSE_DOWN : InputEvent::MOUSE_UP,
                            e.button.button, e.button.x, e.button.y, sdl.buttons_held,
                            modifiers_of(SDL_GetModState()));
            break;
        }
        case SDL_MOUSEWHEEL:
            // Only the vertical wheel has a Windows message here; SDL reports X11's buttons 4
            // and 5 as one notch each, away from the user positive, as Windows counts.
            if (HWND hwnd = sdl_hwnd_of(e.wheel.windowID)) {
                int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                input_wheel(hwnd, notches, sdl.buttons_held, modifiers_of(SDL_GetModState()));
            }
            break;
        default:
            sdl_audio_event(e.type);
            break;
    }
}

// Handles e, and with a key-down the text it made: SDL queues that text right behind its key, and
// the two must reach the queue together, or the key would be taken without its character.
void handle_with_text(const SDL_Event &e) {
    handle_event(e);
    SDL_Event text;
    if (e.type == SDL_KEYDOWN &&
        SDL_PeepEvents(&text, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
        text.type == SDL_TEXTINPUT &&
        SDL_PeepEvents(&text, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1)
        handle_event(text);
}


// While only pointer motion comes (a drag, the pointer swept over the window), SDL is pumped,
// which reads the X connection, at most once per MOTION_PACE: each pump then takes a batch of
// motion, which the queue coalesces, instead of waking the program for every motion the server
// sends. A key, click or anything else that comes meanwhile waits no longer than that; once a pump
// brings anything but motion, or nothing, the next one reads at once.
const std::chrono::microseconds MOTION_PACE(2000);

// Reports the events SDL holds already, without pumping it (first: one SDL handed over already);
// true when any was reported. When all were motion, the next read waits for the pace.
bool report_queued(const SDL_Event *first = nullptr) {
    bool any = first != nullptr, only_motion = !first || first->type == SDL_MOUSEMOTION;
    if (first) handle_with_text(*first);
    SDL_Event e;
    // A full input queue takes nothing more: the rest waits in SDL's queue, in order, until the
    // program has taken some.
    while (input_queue_has_room() &&
           SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        any = true;
        only_motion = only_motion && e.type == SDL_MOUSEMOTION;
        handle_with_text(e);
    }
    if (any && only_motion) sdl.paced_until = std::chrono::steady_clock::now() + MOTION_PACE;
    return any;
}

}  // namespace

bool sdl_pump_events() {
    // One pump reads all the X connection holds; SDL_PollEvent would pump again for every event.
    if (std::chrono::steady_clock::now() >= sdl.paced_until) SDL_PumpEvents();
    return report_queued();
}

bool sdl_wait_events(int timeout_ms) {
    if (sdl_driver_is_headless()) {
        // Nothing outside the program makes events here but the audio thread: sleeping until the
        // deadline or its wake-up is the wait.
        sdl_audio_sleep(timeout_ms < 0 ? 1000 : std::min(timeout_ms, 1000));
        return sdl_pump_events();
    }
    auto now = std::chrono::steady_clock::now();
    if (now < sdl.paced_until) {
        // Motion came last: what comes next is read when the pace allows, or at the deadline.
        auto until = sdl.paced_until;
        if (timeout_ms >= 0) until = std::min(until, now + std::chrono::milliseconds(timeout_ms));
        std::this_thread::sleep_until(until);
        sdl.paced_until = {};
        if (sdl_pump_events()) return true;
        if (timeout_ms >= 0) {
            auto slept = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
            timeout_ms = std::max(0, timeout_ms - (int)slept.count());
            if (timeout_ms == 0) return false;
        }
    }
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, timeout_ms < 0 ? -1 : timeout_ms)) return false;
    // SDL pumped every pending event before it handed over the first.
    report_queued(&e);
    return true;
}
