// Running the programs: each run in a sandbox of its own (sandbox.h), at most jobs at once, its
// standard error read through a pipe and kept up to a cap, its picture read when it has ended
// and every process of it is gone; then its folder is removed.
#include "tools/grade/grade.h"
#include "tools/grade/sandbox.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>


volatile sig_atomic_t grade_interrupted = 0;

namespace {

// The largest snapshot read back from a run.
const size_t LARGEST_SNAPSHOT = 16 << 20;

// The environment of a run: the caller's path, locale and TAVIX_ settings (which reach every run
// alike), less what the run sets itself and the script file's name, plus the run's own.
std::vector<std::string> run_environment(const std::string &folder,
                                         const std::string &script_name) {
    std::vector<std::string> env =
        passed_environment(true, {"TAVIX_HEADLESS=", "TAVIX_CONSOLE=", "TAVIX_REPLAY=",
                                  "TAVIX_SNAPSHOT=", "TAVIX_SNAPSHOT_AREA=", "TAVIX_SCRIPT="});
    env.push_back("TAVIX_HEADLESS=1");
    env.push_back("TAVIX_CONSOLE=stderr");
    // Relative: the console's end-of-script line names the file, the same for every run.
    env.push_back("TAVIX_REPLAY=" + script_name);
    env.push_back("TAVIX_SNAPSHOT=" + folder + "/snapshot.png");
    // Always the whole buffer: the visible area is cut from it here, whatever the library offers.
    env.push_back("TAVIX_SNAPSHOT_AREA=buffer");
    env.push_back("HOME=" + folder);
    env.push_back("TMPDIR=" + folder);
    return env;
}

void start_run(Run &run, Sandbox &box, const std::string &scratch) {
    run.seconds = now_s();
    if (run.program_path.empty()) {
        run.start_error = "cannot run " + run.program + ": no such program";
        return;
    }
    const char *slash = strrchr(run.script.c_str(), '/');
    std::string script_name = slash ? slash + 1 : run.script;
    if (!box.prepare(scratch, &run.start_error) ||
        !box.copy_in(run.script, script_name, &run.start_error))
        return;
    SandboxCommand command;
    command.program = run.program_path;
    command.env = run_environment(box.inside(), script_name);
    if (!box.start(command, &run.start_error)) return;
    run.err_fd = box.err_fd();
}

// Reads what is waiting in the pipe; false at its end.
bool read_output(Run &run, size_t cap) {
    char buffer[65536];
    for (;;) {
        ssize_t got = read(run.err_fd, buffer, sizeof buffer);
        if (got > 0) {
            size_t keep = run.err.size() < cap ? std::min(cap - run.err.size(), (size_t)got) : 0;
            run.err.append(buffer, keep);
            if (keep < (size_t)got) run.err_cut = true;
            continue;
        }
        if (got == 0) return false;
        return errno == EINTR || errno == EAGAIN;
    }
}

// The run has ended and nothing of it is left running: what it wrote is read, its folder goes.
void finish_run(Run &run, Sandbox &box, const Limits &limits) {
    read_output(run, limits.output_cap);
    run.err_fd = -1;
    run.status = box.status();
    run.timed_out = box.timed_out();
    run.seconds = box.seconds();
    run.limit_words = box.limit_words();
    run.limit_killed = box.limit_killed();
    run.has_snapshot =
        box.read_result("snapshot.png", LARGEST_SNAPSHOT, &run.snapshot, &run.snapshot_why);
    box.clean();
}

}  // namespace

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

bool run_all(std::vector<Run> &runs, const Limits &limits, int jobs, const SandboxHost &host,
             const std::string &scratch) {
    // A program writing to a pipe whose reader is gone must not take this process down.
    signal(SIGPIPE, SIG_IGN);
    SandboxLimits box_limits;
    box_limits.timeout_s = limits.timeout_s;
    box_limits.memory_mb = limits.memory_mb;
    box_limits.disk_mb = limits.disk_mb;
    box_limits.processes = limits.processes;
    box_limits.open_files = limits.open_files;
    struct Active {
        Run *run;
        std::unique_ptr<Sandbox> box;
        int slot;
    };
    std::vector<int> free_slots;
    for (int slot = jobs - 1; slot >= 0; --slot) free_slots.push_back(slot);
    size_t next = 0;
    std::vector<Active> active;
    while ((next < runs.size() && !grade_interrupted) || !active.empty()) {
        while (!free_slots.empty() && next < runs.size() && !grade_interrupted) {
            Run &run = runs[next++];
            int slot = free_slots.back();
            std::unique_ptr<Sandbox> box(new Sandbox(host, box_limits, slot));
            start_run(run, *box, scratch);
            if (run.err_fd < 0) {
                box->clean();
                run.seconds = now_s() - run.seconds;
                continue;
            }
            free_slots.pop_back();
            active.push_back(Active{&run, std::move(box), slot});
        }
        std::vector<pollfd> fds;
        for (const Active &a : active) fds.push_back(pollfd{a.run->err_fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        for (size_t i = 0; i < active.size();) {
            Active &a = active[i];
            read_output(*a.run, limits.output_cap);
            if (grade_interrupted) a.box->stop();
            if (a.box->ended()) {
                finish_run(*a.run, *a.box, limits);
                free_slots.push_back(a.slot);
                active.erase(active.begin() + (long)i);
            } else {
                ++i;
            }
        }
    }
    return !grade_interrupted;
}
