// Windows, input and the screen of the private X server, through the X tools: xdotool finds
// windows and sends input (XTEST, so programs see it as real), xwininfo measures, xwd reads pixels.
#include "tests/support/e2e.h"

#include <cstdio>
#include <cstdlib>

namespace e2e {

namespace {

// xdotool matches titles as regular expressions: escape the title so it matches only itself.
std::string exact_title_pattern(const std::string &title) {
    std::string out = "^";
    for (char c : title) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out + "$";
}

bool number_after(const std::string &text, const std::string &label, int *value) {
    size_t at = text.find(label);
    if (at == std::string::npos) return false;
    *value = atoi(text.c_str() + at + label.size());
    return true;
}

bool xdotool(const XServer &x, std::vector<std::string> args, int settle_ms) {
    args.insert(args.begin(), "xdotool");
    bool ok = run_command(args, x.display()) == 0;
    sleep_ms(settle_ms);
    return ok;
}

std::vector<std::string> split_words(const std::string &text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

}  // namespace

bool window_geometry(const XServer &x, unsigned long id, WindowInfo *info) {
    std::string out;
    if (run_command({"xwininfo", "-id", std::to_string(id)}, x.display(), &out) != 0) return false;
    WindowInfo w;
    w.id = id;
    if (!number_after(out, "Absolute upper-left X:", &w.x) ||
        !number_after(out, "Absolute upper-left Y:", &w.y) ||
        !number_after(out, "Width:", &w.width) || !number_after(out, "Height:", &w.height))
        return false;
    // xwininfo gives the corner outside the X border; the window's own pixels start inside it.
    int border = 0;
    number_after(out, "Border width:", &border);
    w.x += border;
    w.y += border;
    *info = w;
    return true;
}

bool wait_for_window(const XServer &x, const std::string &title, WindowInfo *info, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    std::string pattern = exact_title_pattern(title);
    for (;;) {
        std::string out;
        if (run_command({"xdotool", "search", "--onlyvisible", "--name", pattern}, x.display(),
                        &out) == 0) {
            unsigned long id = strtoul(out.c_str(), nullptr, 10);
            if (id != 0 && window_geometry(x, id, info)) return true;
        }
        if (now_ms() >= end) return false;
        sleep_ms(100);
    }
}

bool move_pointer(const XServer &x, int sx, int sy, int settle_ms) {
    return xdotool(x, {"mousemove", std::to_string(sx), std::to_string(sy)}, settle_ms);
}

bool click(const XServer &x, int sx, int sy, int button, int settle_ms) {
    // Move first and let the program see the motion, as a hand would, then press and release.
    return move_pointer(x, sx, sy, 50) && xdotool(x, {"click", std::to_string(button)}, settle_ms);
}

bool click_in_window(const XServer &x, const WindowInfo &w, int wx, int wy, int button,
                     int settle_ms) {
    return click(x, w.x + wx, w.y + wy, button, settle_ms);
}

bool key(const XServer &x, const std::string &keys, int settle_ms) {
    std::vector<std::string> args = {"key", "--delay", "40"};
    for (const std::string &k : split_words(keys)) args.push_back(k);
    return xdotool(x, args, settle_ms);
}

bool focus_window(const XServer &x, const WindowInfo &w) {
    return xdotool(x, {"windowfocus", "--sync", std::to_string(w.id)}, 50);
}

bool key_to(const XServer &x, const WindowInfo &w, const std::string &keys, int settle_ms) {
    return focus_window(x, w) && key(x, keys, settle_ms);
}

bool type_text(const XServer &x, const std::string &text, int settle_ms) {
    return xdotool(x, {"type", "--delay", "40", "--", text}, settle_ms);
}

Image screenshot(const XServer &x, std::string *error) {
    std::string dump, why;
    Image img;
    if (run_command({"xwd", "-root", "-silent"}, x.display(), &dump) != 0) {
        why = "xwd failed (is x11-apps installed?)";
    } else if (!parse_xwd(dump, &img, &why)) {
        img = Image();
    }
    if (error) *error = why;
    return img;
}

bool wait_for_pixel(const XServer &x, int sx, int sy, Rgb c, int timeout_ms, Rgb *last) {
    long long end = now_ms() + timeout_ms;
    for (;;) {
        Image shot = screenshot(x);
        Rgb seen = shot.at(sx, sy);
        if (last) *last = seen;
        if (shot.contains(sx, sy) && seen == c) return true;
        if (now_ms() >= end) return false;
        sleep_ms(50);
    }
}

}  // namespace e2e
