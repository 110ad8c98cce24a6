// Processes for end-to-end tests: the private Xvfb server, the program under test with its output
// captured to files, and short helper commands (xdotool, xwd) run to completion.
#include "tests/support/e2e.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {

namespace {

// The inherited environment with entries replaced or added ("NAME=value").
std::vector<std::string> merged_env(const std::vector<std::string> &extra) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) env.push_back(*e);
    for (const std::string &entry : extra) {
        std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (std::string &old : env)
            if (old.compare(0, name.size(), name) == 0) {
                old = entry;
                replaced = true;
            }
        if (!replaced) env.push_back(entry);
    }
    return env;
}

std::vector<char *> c_strings(std::vector<std::string> &strings) {
    std::vector<char *> out;
    for (std::string &s : strings) out.push_back(&s[0]);
    out.push_back(nullptr);
    return out;
}

int decode_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Waits for pid up to timeout_ms; true with the raw status once it ended.
bool wait_pid(pid_t pid, int timeout_ms, int *raw) {
    long long end = now_ms() + timeout_ms;
    for (;;) {
        pid_t r = waitpid(pid, raw, WNOHANG);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) return false;
        if (now_ms() >= end) return false;
        usleep(10000);
    }
}

std::string read_file(const std::string &path) {
    std::string out;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

std::string temp_file(const char *tag) {
    char path[64];
    snprintf(path, sizeof path, "/tmp/e2e-%s-XXXXXX", tag);
    int fd = mkstemp(path);
    if (fd < 0) return "";
    close(fd);
    return path;
}

std::vector<std::string> complete_lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0, nl;
    while ((nl = text.find('\n', start)) != std::string::npos) {
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

}  // namespace

long long now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

void sleep_ms(int ms) {
    if (ms > 0) usleep((useconds_t)ms * 1000);
}

std::string build_dir() {
    const char *d = getenv("TAVIX_BUILD_DIR");
    return d && *d ? d : ".";
}

std::string source_dir() {
    const char *d = getenv("TAVIX_SOURCE_DIR");
    return d && *d ? d : ".";
}

std::string program_path(const std::string &name) {
    return build_dir() + "/tests/programs/" + name;
}

// ---- XServer ------------------------------------------------------------------------------------

XServer::XServer(int width, int height, int timeout_ms) : width_(width), height_(height) {
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return;
    }
    std::string log = temp_file("xvfb-log");
    pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        // The server must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        int null_in = open("/dev/null", O_RDONLY);
        int out = open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_TRUNC);
        if (null_in >= 0) dup2(null_in, 0);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        char fd_text[16], screen[32];
        snprintf(fd_text, sizeof fd_text, "%d", fds[1]);
        snprintf(screen, sizeof screen, "%dx%dx24", width, height);
        execlp("Xvfb", "Xvfb", "-displayfd", fd_text, "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;
    // Xvfb writes the display number and a newline once it accepts connections.
    std::string number;
    long long end = now_ms() + timeout_ms;
    for (;;) {
        long long left = end - now_ms();
        if (left <= 0) {
            error_ = "Xvfb did not report a display in time";
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, (int)left);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char c;
        ssize_t n = read(fds[0], &c, 1);
        if (n <= 0) {
            error_ = "Xvfb exited before reporting a display (is the xvfb package installed?)";
            break;
        }
        if (c == '\n') break;
        if (c >= '0' && c <= '9' && number.size() < 8) number += c;
    }
    close(fds[0]);
    if (!error_.empty() || number.empty()) {
        if (error_.empty()) error_ = "Xvfb reported no display";
        std::string log_text = read_file(log);
        if (!log_text.empty()) error_ += ": " + log_text.substr(0, 2000);
        stop();
    } else {
        display_ = ":" + number;
    }
    if (!log.empty()) unlink(log.c_str());
}

XServer::~XServer() {
    stop();
}

void XServer::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int raw;
    if (!wait_pid(pid_, 5000, &raw)) {
        kill(pid_, SIGKILL);
        wait_pid(pid_, 5000, &raw);
    }
    pid_ = -1;
    display_.clear();
}

// ---- Process ------------------------------------------------------------------------------------

Process::Process(const XServer &x, const std::string &path, const ProcessOptions &options) {
    if (access(path.c_str(), X_OK) != 0) {
        error_ = "cannot run " + path + ": " + strerror(errno);
        return;
    }
    out_path_ = temp_file("out");
    err_path_ = temp_file("err");
    if (out_path_.empty() || err_path_.empty()) {
        error_ = "cannot create output files";
        return;
    }
    std::vector<std::string> extra = {"DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11"};
    extra.insert(extra.end(), options.env.begin(), options.env.end());
    std::vector<std::string> env = merged_env(extra);
    std::vector<std::string> argv = {path};
    argv.insert(argv.end(), options.args.begin(), options.args.end());
    std::vector<char *> c_env = c_strings(env), c_argv = c_strings(argv);
    pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        return;
    }
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        int null_in = open("/dev/null", O_RDONLY);
        int out = open(out_path_.c_str(), O_WRONLY | O_TRUNC);
        int err = open(err_path_.c_str(), O_WRONLY | O_TRUNC);
        if (null_in < 0 || out < 0 || err < 0) _exit(126);
        dup2(null_in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!options.working_dir.empty() && chdir(options.working_dir.c_str()) != 0) _exit(126);
        execve(path.c_str(), c_argv.data(), c_env.data());
        _exit(127);
    }
    // Both sides set the group, so a stop() right after the start already reaches it.
    setpgid(pid, pid);
    pid_ = pid;
}

Process::~Process() {
    if (pid_ > 0) stop(1000);
    if (!out_path_.empty()) unlink(out_path_.c_str());
    if (!err_path_.empty()) unlink(err_path_.c_str());
}

bool Process::running() {
    if (pid_ <= 0 || reaped_) return false;
    int raw;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        reaped_ = true;
        status_ = decode_status(raw);
        return false;
    }
    return true;
}

bool Process::wait(int timeout_ms, int *status) {
    if (pid_ <= 0) return false;
    if (!reaped_) {
        int raw;
        if (!wait_pid(pid_, timeout_ms, &raw)) return false;
        reaped_ = true;
        status_ = decode_status(raw);
    }
    if (status) *status = status_;
    return true;
}

int Process::stop(int grace_ms) {
    if (pid_ <= 0) return -1;
    if (running()) {
        kill(-pid_, SIGTERM);
        if (!wait(grace_ms)) {
            kill(-pid_, SIGKILL);
            wait(5000);
        }
    }
    return status_;
}

std::string Process::output() const {
    return read_file(out_path_);
}
std::string Process::errors() const {
    return read_file(err_path_);
}
std::vector<std::string> Process::output_lines() const {
    return complete_lines(output());
}

int Process::count_lines(const std::string &line) const {
    int n = 0;
    for (const std::string &l : output_lines())
        if (l == line) ++n;
    return n;
}

bool Process::wait_for_line(const std::string &line, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    for (;;) {
        bool alive = running();
        for (const std::string &l : output_lines())
            if (l == line) return true;
        if (!alive || now_ms() >= end) return false;
        sleep_ms(20);
    }
}

bool Process::wait_for_output(const std::string &text, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    for (;;) {
        bool alive = running();
        if (output().find(text) != std::string::npos) return true;
        if (!alive || now_ms() >= end) return false;
        sleep_ms(20);
    }
}

// ---- Short commands -----------------------------------------------------------------------------

int run_command(const std::vector<std::string> &argv, const std::string &display,
                std::string *output, int timeout_ms) {
    if (argv.empty()) return -1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> extra;
    if (!display.empty()) extra.push_back("DISPLAY=" + display);
    std::vector<std::string> env = merged_env(extra), args = argv;
    std::vector<char *> c_env = c_strings(env), c_argv = c_strings(args);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        setpgid(0, 0);
        dup2(fds[1], 1);
        int null_in = open("/dev/null", O_RDONLY);
        if (null_in >= 0) dup2(null_in, 0);
        execvpe(c_argv[0], c_argv.data(), c_env.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    long long end = now_ms() + timeout_ms;
    bool timed_out = false;
    for (;;) {
        long long left = end - now_ms();
        if (left <= 0) {
            timed_out = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, (int)left);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) continue;
        char buf[65536];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, (size_t)n);
    }
    close(fds[0]);
    int raw = 0;
    if (timed_out || !wait_pid(pid, timed_out ? 0 : 5000, &raw)) {
        kill(-pid, SIGKILL);
        wait_pid(pid, 5000, &raw);
        return -1;
    }
    if (output) *output = std::move(out);
    return decode_status(raw);
}

}  // namespace e2e
