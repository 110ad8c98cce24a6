// End-to-end test harness: a private Xvfb server, programs run on it, real input sent with
// xdotool, and the screen read back as pixels. For gtest tests that need a real X display.
//
// Typical use:
//
//     e2e::XServer x;                                  // starts Xvfb on a free display
//     ASSERT_TRUE(x.ok()) << x.error();
//     e2e::Process app(x, e2e::program_path("platform_menu_demo"));
//     ASSERT_TRUE(app.ok()) << app.error();
//     e2e::WindowInfo w;
//     ASSERT_TRUE(e2e::wait_for_window(x, "Menu demo", &w, 10000));
//     e2e::click(x, w.x + 10, w.y + 8);                  // screen coordinates
//     e2e::key(x, "alt+r");
//     EXPECT_TRUE(app.wait_for_output("WM_COMMAND 8", 5000));
//     e2e::Image shot = e2e::screenshot(x);
//     shot.save_png("menu.png");
//
// There is no window manager under Xvfb: a window appears exactly where it asked to be, without
// caption or frame, and gets no focus of its own. So
//   - window coordinates become screen coordinates by adding the window's origin from
//     wait_for_window / window_geometry (or use click_in_window, which does it);
//   - key() sends to whatever has the focus: call focus_window first (key_to does both).
//
// Every call is bounded by a timeout; nothing here waits forever. Failures are reported through
// return values and error texts, never by aborting, so a test can say what went wrong.
#ifndef TAVIX_TESTS_E2E_H
#define TAVIX_TESTS_E2E_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// ---- Where things are ---------------------------------------------------------------------------

// The build folder (env TAVIX_BUILD_DIR, set for every test by tavix_test); "." when unset.
std::string build_dir();
// The source folder (env TAVIX_SOURCE_DIR); "." when unset.
std::string source_dir();
// A test program of tests/programs/ in the build folder: build_dir() + "/tests/programs/" + name.
std::string program_path(const std::string &name);

// ---- Images -------------------------------------------------------------------------------------

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};
// "#rrggbb", for messages.
std::string to_string(Rgb c);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row after row

    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // The pixel at (x, y); black outside the image.
    Rgb at(int x, int y) const;
    // How many pixels of the rectangle [x0,x1) x [y0,y1) (clipped) have colour c.
    int count(int x0, int y0, int x1, int y1, Rgb c) const;
    // A copy of the rectangle [x, x+w) x [y, y+h), clipped to the image.
    Image crop(int x, int y, int w, int h) const;
    // Writes binary PPM (P6). Returns false when the file cannot be written.
    bool save_ppm(const std::string &path) const;
    // Writes PNG (through pnmtopng, else ImageMagick's convert).
    bool save_png(const std::string &path) const;
};

// Parses a binary (P6) or plain (P3) PPM with maxval up to 255. False and *error on bad input.
bool parse_ppm(const std::string &bytes, Image *out, std::string *error);
// Parses an X window dump (xwd) of a TrueColor ZPixmap, 16/24/32 bits per pixel, either byte
// order. False and *error on anything else or on truncated data.
bool parse_xwd(const std::string &bytes, Image *out, std::string *error);

// ---- The X server -------------------------------------------------------------------------------

// A private Xvfb on a display number the server picks itself (-displayfd), so tests running in
// parallel never clash. Stopped (and reaped) when the object goes away.
class XServer {
   public:
    explicit XServer(int width = 1280, int height = 1024, int timeout_ms = 15000);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool ok() const { return pid_ > 0 && !display_.empty(); }
    const std::string &error() const { return error_; }
    // ":N"
    const std::string &display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void stop();

   private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
    int width_, height_;
};

// ---- Programs -----------------------------------------------------------------------------------

struct ProcessOptions {
    std::vector<std::string> args;  // after the program's name
    std::string working_dir;        // empty: the test's own
    std::vector<std::string> env;   // extra "NAME=value" entries, override the inherited
};

// A program started on the server's display (DISPLAY set, SDL_VIDEODRIVER=x11), its stdout and
// stderr captured to files. Killed, if still running, when the object goes away.
class Process {
   public:
    Process(const XServer &x, const std::string &path, const ProcessOptions &options = {});
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    bool ok() const { return pid_ > 0; }
    const std::string &error() const { return error_; }
    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the program to end; true and *status (exit code, or 128 + signal) when it did.
    bool wait(int timeout_ms, int *status = nullptr);
    // SIGTERM, then SIGKILL if it has not ended after grace_ms. Returns the status as wait() does.
    int stop(int grace_ms = 2000);
    // Everything the program has written so far.
    std::string output() const;
    std::string errors() const;
    // Its stdout, one entry per complete line.
    std::vector<std::string> output_lines() const;
    // Waits until a complete line of stdout equals line (or, contains: holds text). False on
    // timeout or when the program ended without it.
    bool wait_for_line(const std::string &line, int timeout_ms);
    bool wait_for_output(const std::string &text, int timeout_ms);
    // How many complete stdout lines equal line.
    int count_lines(const std::string &line) const;

   private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string error_;
    std::string out_path_, err_path_;
};

// Runs a command to completion on display (empty: no DISPLAY change), capturing stdout. Returns
// the exit status, or -1 when it could not run or was killed after timeout_ms.
int run_command(const std::vector<std::string> &argv, const std::string &display,
                std::string *output = nullptr, int timeout_ms = 10000);

// ---- Windows ------------------------------------------------------------------------------------

struct WindowInfo {
    unsigned long id = 0;
    int x = 0, y = 0;  // screen position of the window's first own pixel (inside any X border)
    int width = 0, height = 0;  // pixels
};

// Waits until a visible window whose title is exactly title exists; fills *info with its id and
// geometry. False on timeout.
bool wait_for_window(const XServer &x, const std::string &title, WindowInfo *info,
                     int timeout_ms = 10000);
bool window_geometry(const XServer &x, unsigned long id, WindowInfo *info);

// ---- Input (XTEST through xdotool; each waits settle_ms afterwards)
// ------------------------------

constexpr int kSettleMs = 150;

bool move_pointer(const XServer &x, int sx, int sy, int settle_ms = kSettleMs);
// A click of button (1 left, 2 middle, 3 right) at screen position (sx, sy).
bool click(const XServer &x, int sx, int sy, int button = 1, int settle_ms = kSettleMs);
// A click at (wx, wy) of the window's own pixels.
bool click_in_window(const XServer &x, const WindowInfo &w, int wx, int wy, int button = 1,
                     int settle_ms = kSettleMs);
// Key combinations in xdotool's words, e.g. "ctrl+r", "alt+r", "Escape", "Down", "q".
bool key(const XServer &x, const std::string &keys, int settle_ms = kSettleMs);
bool focus_window(const XServer &x, const WindowInfo &w);
bool key_to(const XServer &x, const WindowInfo &w, const std::string &keys,
            int settle_ms = kSettleMs);
bool type_text(const XServer &x, const std::string &text, int settle_ms = kSettleMs);

// ---- The screen ---------------------------------------------------------------------------------

// The whole screen; empty on failure (with *error when given).
Image screenshot(const XServer &x, std::string *error = nullptr);
// Waits until the screen pixel at (sx, sy) has colour c; false on timeout (*last gets the colour
// seen last when given).
bool wait_for_pixel(const XServer &x, int sx, int sy, Rgb c, int timeout_ms = 5000,
                    Rgb *last = nullptr);

void sleep_ms(int ms);
// A monotonic clock in milliseconds, for deadlines.
long long now_ms();

}  // namespace e2e

#endif
