// Running the programs: each in its own process group and working folder, under limits of memory,
// processor time, file size and processes, its standard error read through a pipe and kept up to
// a cap. A run ends when its program ends or its time is up; whatever it left running in its
// group is killed then, so nothing of it outlives its run or holds the pipe open.
#include "tools/grade/grade.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char **environ;

namespace {

// The tasks (processes and threads) the user runs now: what the process limit counts.
long user_tasks() {
    DIR *proc = opendir("/proc");
    if (!proc) return 0;
    long count = 0;
    uid_t me = getuid();
    while (dirent *entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        char path[300];
        snprintf(path, sizeof path, "/proc/%s/status", entry->d_name);
        FILE *file = fopen(path, "r");
        if (!file) continue;
        char line[256];
        long uid = -1, threads = 1;
        while (fgets(line, sizeof line, file)) {
            if (strncmp(line, "Uid:", 4) == 0) uid = strtol(line + 4, nullptr, 10);
            if (strncmp(line, "Threads:", 8) == 0) threads = strtol(line + 8, nullptr, 10);
        }
        fclose(file);
        if (uid == (long)me) count += threads;
    }
    closedir(proc);
    return count;
}

// The environment of a run: the caller's, less what the run sets itself and the script file's
// name, plus the run's own. Other TAVIX_ settings reach every run alike.
std::vector<std::string> run_environment(const Run &run, const std::string &script_name) {
    static const char *const replaced[] = {
        "TAVIX_HEADLESS=",      "TAVIX_CONSOLE=", "TAVIX_REPLAY=", "TAVIX_SNAPSHOT=",
        "TAVIX_SNAPSHOT_AREA=", "TAVIX_SCRIPT=",  "HOME=",         "TMPDIR="};
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        bool keep = true;
        for (const char *name : replaced) keep &= strncmp(*e, name, strlen(name)) != 0;
        if (keep) env.push_back(*e);
    }
    env.push_back("TAVIX_HEADLESS=1");
    env.push_back("TAVIX_CONSOLE=stderr");
    // Relative: the console's end-of-script line names the file, the same for every run.
    env.push_back("TAVIX_REPLAY=" + script_name);
    env.push_back("TAVIX_SNAPSHOT=" + run.folder + "/snapshot.png");
    // Always the whole buffer: the visible area is cut from it here, whatever the library offers.
    env.push_back("TAVIX_SNAPSHOT_AREA=buffer");
    env.push_back("HOME=" + run.folder);
    env.push_back("TMPDIR=" + run.folder);
    return env;
}

void set_limit(int resource, rlim_t value) {
    rlimit limit = {value, value};
    setrlimit(resource, &limit);
}

// Copies the script into the run's folder; false with *why set when it cannot.
bool copy_file(const std::string &from, const std::string &to, std::string *why) {
    FILE *in = fopen(from.c_str(), "rb");
    if (!in) {
        *why = "cannot read " + from + ": " + strerror(errno);
        return false;
    }
    FILE *out = fopen(to.c_str(), "wb");
    if (!out) {
        *why = "cannot write " + to + ": " + strerror(errno);
        fclose(in);
        return false;
    }
    char buffer[65536];
    size_t got;
    bool ok = true;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        if (fwrite(buffer, 1, got, out) != got) ok = false;
    if (ferror(in)) ok = false;
    fclose(in);
    if (fclose(out) != 0) ok = false;
    if (!ok) *why = "cannot copy " + from + " to " + to;
    return ok;
}

void start_run(Run &run, const Limits &limits, long tasks) {
    run.deadline = now_s() + limits.timeout_s;
    run.seconds = now_s();
    if (run.program_path.empty()) {
        run.start_error = "cannot run " + run.program + ": no such program";
        return;
    }
    const char *slash = strrchr(run.script.c_str(), '/');
    std::string script_name = slash ? slash + 1 : run.script;
    if (!copy_file(run.script, run.folder + "/" + script_name, &run.start_error)) return;
    std::vector<std::string> env = run_environment(run, script_name);
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        run.start_error = std::string("cannot make a pipe: ") + strerror(errno);
        return;
    }
    pid_t pid = fork();
    if (pid < 0) {
        run.start_error = std::string("cannot start a process: ") + strerror(errno);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        return;
    }
    if (pid == 0) {
        setpgid(0, 0);
        int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(pipe_fds[1], 2);
        if (chdir(run.folder.c_str()) != 0) _exit(126);
        set_limit(RLIMIT_AS, (rlim_t)limits.memory_mb << 20);
        set_limit(RLIMIT_CPU, (rlim_t)limits.timeout_s + 1);
        set_limit(RLIMIT_FSIZE, (rlim_t)limits.file_mb << 20);
        set_limit(RLIMIT_NPROC, (rlim_t)(tasks + limits.processes));
        set_limit(RLIMIT_CORE, 0);
        const char *path = run.program_path.c_str();
        char *argv[] = {const_cast<char *>(path), nullptr};
        execve(path, argv, envp.data());
        dprintf(2, "tavix-grade: cannot run %s: %s\n", path, strerror(errno));
        _exit(127);
    }
    setpgid(pid, pid);  // also here: the group must exist before the parent may kill it
    close(pipe_fds[1]);
    fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    run.pid = pid;
    run.err_fd = pipe_fds[0];
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

// The program has ended (or its time is up): kill what is left of its group while the leader,
// not yet reaped, keeps the group's number from being reused, then reap it.
void finish_run(Run &run, const Limits &limits) {
    kill(-run.pid, SIGKILL);
    waitpid(run.pid, &run.status, 0);
    read_output(run, limits.output_cap);
    close(run.err_fd);
    run.err_fd = -1;
    run.pid = 0;
    run.seconds = now_s() - run.seconds;
}

}  // namespace

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void run_all(std::vector<Run> &runs, const Limits &limits, int jobs) {
    // A program writing to a pipe whose reader is gone must not take this process down.
    signal(SIGPIPE, SIG_IGN);
    long tasks = user_tasks();
    size_t next = 0;
    std::vector<Run *> active;
    while (next < runs.size() || !active.empty()) {
        while ((int)active.size() < jobs && next < runs.size()) {
            Run &run = runs[next++];
            start_run(run, limits, tasks);
            if (run.pid)
                active.push_back(&run);
            else
                run.seconds = 0;  // it never ran
        }
        std::vector<pollfd> fds;
        for (Run *run : active) fds.push_back(pollfd{run->err_fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        for (size_t i = 0; i < active.size();) {
            Run &run = *active[i];
            read_output(run, limits.output_cap);
            siginfo_t info;
            memset(&info, 0, sizeof info);
            bool ended = waitid(P_PID, (id_t)run.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                         info.si_pid == run.pid;
            if (!ended && now_s() >= run.deadline) run.timed_out = ended = true;
            if (ended) {
                finish_run(run, limits);
                active.erase(active.begin() + (long)i);
            } else {
                ++i;
            }
        }
    }
}
