// The sandbox of one run: its folder, its limits, its start, its end and its results.
#include "tools/grade/sandbox.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double monotonic_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

std::string read_small(const std::string &path) {
    std::string data, why;
    read_regular_file(AT_FDCWD, path, 1 << 16, &data, &why);
    return data;
}

bool write_small(const std::string &path, const std::string &text) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == (ssize_t)text.size();
    return close(fd) == 0 && ok;
}

// The number after "key " on a line of a cgroup's key-value file, or 0.
long field(const std::string &text, const char *key) {
    size_t at = 0, length = strlen(key);
    while (at < text.size()) {
        if (text.compare(at, length, key) == 0 && at + length < text.size() &&
            text[at + length] == ' ')
            return strtol(text.c_str() + at + length + 1, nullptr, 10);
        at = text.find('\n', at);
        if (at == std::string::npos) break;
        ++at;
    }
    return 0;
}

// This process's cgroup folder for a v1 controller ("memory", "pids"), or for v2 ("").
std::string own_cgroup(const char *controller) {
    std::string lines = read_small("/proc/self/cgroup");
    size_t at = 0;
    while (at < lines.size()) {
        size_t end = lines.find('\n', at);
        if (end == std::string::npos) end = lines.size();
        std::string line = lines.substr(at, end - at);
        at = end + 1;
        size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        std::string names = "," + line.substr(first + 1, second - first - 1) + ",";
        std::string path = line.substr(second + 1);
        if (path == "/") path.clear();
        if (*controller == 0 && names == ",,") {
            for (const char *root : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"})
                if (access((std::string(root) + "/cgroup.controllers").c_str(), R_OK) == 0)
                    return root + path;
            return "";
        }
        if (*controller && names.find("," + std::string(controller) + ",") != std::string::npos)
            return "/sys/fs/cgroup/" + std::string(controller) + path;
    }
    return "";
}

// Whether a child cgroup can be made in folder (and removed again).
bool cgroup_writable(const std::string &folder) {
    if (folder.empty()) return false;
    std::string probe = folder + "/tavix-grade-probe-" + std::to_string(getpid());
    if (mkdir(probe.c_str(), 0755) != 0) return false;
    rmdir(probe.c_str());
    return true;
}

std::string find_program(const char *name) {
    const char *path = getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (end > at && access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return "";
}

// The tasks (processes and threads) a user runs now: what RLIMIT_NPROC counts.
long count_user_tasks(uid_t uid) {
    DIR *proc = opendir("/proc");
    if (!proc) return 0;
    long count = 0;
    while (dirent *entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::string status = read_small(std::string("/proc/") + entry->d_name + "/status");
        size_t uid_at = status.find("\nUid:"), threads_at = status.find("\nThreads:");
        if (uid_at == std::string::npos) continue;
        if ((uid_t)strtoul(status.c_str() + uid_at + 5, nullptr, 10) != uid) continue;
        count += threads_at == std::string::npos
                     ? 1
                     : strtol(status.c_str() + threads_at + 9, nullptr, 10);
    }
    closedir(proc);
    return count;
}

// The user id of a slot under user ids: a range of its own per grading (by process id), far
// above the ids of people and of system services.
uid_t slot_uid(int slot) {
    return (uid_t)(1990000000u + (unsigned)(getpid() % 10000) * 256u + (unsigned)slot);
}

// The system as a run sees it under namespaces: these folders read-only (links kept as links).
const char *const SYSTEM_FOLDERS[] = {"/usr", "/etc",   "/bin",   "/sbin",
                                      "/lib", "/lib32", "/lib64", "/libx32"};

void add_system(std::vector<std::string> *args) {
    for (const char *folder : SYSTEM_FOLDERS) {
        struct stat status;
        if (lstat(folder, &status) != 0) continue;
        if (S_ISLNK(status.st_mode)) {
            char target[4096];
            ssize_t length = readlink(folder, target, sizeof target - 1);
            if (length <= 0) continue;
            target[length] = 0;
            args->insert(args->end(), {"--symlink", target, folder});
        } else if (S_ISDIR(status.st_mode)) {
            args->insert(args->end(), {"--ro-bind", folder, folder});
        }
    }
}

// Whether bubblewrap starts a command with every namespace this sandbox uses; as_uid: run it as
// that user (when root), or -1.
bool bwrap_works(const std::string &bwrap, long as_uid) {
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        if (as_uid >= 0 && (setgroups(0, nullptr) != 0 ||
                            setresgid((gid_t)as_uid, (gid_t)as_uid, (gid_t)as_uid) != 0 ||
                            setresuid((uid_t)as_uid, (uid_t)as_uid, (uid_t)as_uid) != 0))
            _exit(1);
        std::vector<std::string> args = {
            bwrap,           "--unshare-user", "--unshare-pid",    "--unshare-net",
            "--unshare-ipc", "--unshare-uts",  "--die-with-parent"};
        add_system(&args);
        args.insert(args.end(), {"--proc", "/proc", "--dev", "/dev", "--", "/bin/sh", "-c",
                                 "test -r /proc/1/stat"});
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Moves this process into a mount namespace of its own (as root), or a user and mount namespace
// (otherwise), where it may mount each run's tmpfs; mounts made there vanish with it.
bool own_mount_namespace(bool root) {
    if (root) {
        if (unshare(CLONE_NEWNS) != 0) return false;
        return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    write_small("/proc/self/setgroups", "deny");
    if (!write_small("/proc/self/uid_map",
                     std::to_string(uid) + " " + std::to_string(uid) + " 1\n") ||
        !write_small("/proc/self/gid_map",
                     std::to_string(gid) + " " + std::to_string(gid) + " 1\n"))
        return false;
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Whether a process of the grader can become a user of a slot (root, not forbidden).
bool can_change_user() {
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        uid_t uid = slot_uid(255);
        _exit(setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
                      setresuid(uid, uid, uid) == 0
                  ? 0
                  : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char *const FAKETIME_LIBRARIES[] = {
    "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
    "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
    "/usr/lib/i386-linux-gnu/faketime/libfaketime.so.1",
    "/usr/lib/faketime/libfaketime.so.1",
    "/usr/lib64/faketime/libfaketime.so.1",
};

void set_limit(int resource, rlim_t value) {
    rlimit limit = {value, value};
    setrlimit(resource, &limit);
}

// Removes a folder and all it holds, never following a link.
void remove_tree(int parent, const char *name) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        unlinkat(parent, name, 0);
        return;
    }
    fchmod(fd, 0700);
    if (DIR *dir = fdopendir(fd)) {
        while (dirent *entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
            if (unlinkat(fd, entry->d_name, 0) != 0) remove_tree(fd, entry->d_name);
        }
        closedir(dir);
    } else {
        close(fd);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

// Kills every process of a cgroup until none is left; fork() in it is refused from the start
// when it counts processes.
void empty_cgroup(const std::string &folder, bool pids) {
    if (folder.empty()) return;
    if (pids) write_small(folder + "/pids.max", "0");
    for (int round = 0; round < 1000; ++round) {
        std::string procs = read_small(folder + "/cgroup.procs");
        if (procs.empty()) return;
        const char *at = procs.c_str();
        while (*at) {
            char *end = nullptr;
            long pid = strtol(at, &end, 10);
            if (end == at) break;
            if (pid > 0) kill((pid_t)pid, SIGKILL);
            at = end;
            while (*at == '\n') ++at;
        }
        usleep(round < 10 ? 1000 : 10000);
    }
}

// Kills every process of a user: a process of that user kills all it may (kill(-1)), until no
// process of that user is left.
void kill_user(uid_t uid) {
    for (int round = 0; round < 100 && count_user_tasks(uid) > 0; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            if (setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0) _exit(1);
            kill(-1, SIGKILL);
            _exit(0);
        }
        if (pid > 0) waitpid(pid, nullptr, 0);
        usleep(round < 10 ? 1000 : 10000);
    }
}

}  // namespace

const char *isolation_name(Isolation isolation) {
    switch (isolation) {
        case Isolation::namespaces:
            return "namespaces";
        case Isolation::user_ids:
            return "user-ids";
        default:
            return "none";
    }
}

const char *isolation_gaps(Isolation isolation) {
    switch (isolation) {
        case Isolation::namespaces:
            return "";
        case Isolation::user_ids:
            return "a run can still use the network (loopback included), see other processes and "
                   "their command lines, and read any file every user may read";
        default:
            return "a run can do anything the grader's user can";
    }
}

bool read_regular_file(int dir, const std::string &path, size_t max, std::string *data,
                       std::string *why) {
    data->clear();
    int fd = openat(dir, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = "cannot read " + path + ": " + strerror(errno);
        return false;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        *why = path + " is not a regular file";
        return false;
    }
    if ((unsigned long long)status.st_size > max) {
        close(fd);
        *why = path + " is too large";
        return false;
    }
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *why = "cannot read " + path + ": " + strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0) break;
        data->append(buffer, (size_t)got);
        if (data->size() > max) {
            close(fd);
            *why = path + " is too large";
            return false;
        }
    }
    close(fd);
    return true;
}

bool SandboxHost::probe(const std::string &mode, SandboxHost *host, std::string *why) {
    *host = SandboxHost();
    host->root = geteuid() == 0;
    for (const char *library : FAKETIME_LIBRARIES)
        if (access(library, R_OK) == 0) {
            host->faketime = library;
            break;
        }
    if (!host->root) host->user_tasks = count_user_tasks(getuid());
    if (mode == "none") return true;
    if (mode != "" && mode != "namespaces" && mode != "user-ids") {
        *why = "unknown sandbox " + mode + " (namespaces or user-ids)";
        return false;
    }
    if (host->root) {
        // Cgroups: a child of this process's own, for memory and for processes.
        std::string v1 = own_cgroup("memory"), v2 = own_cgroup("");
        if (cgroup_writable(v1)) {
            host->memory_cgroup = v1;
            host->memory_cgroup_version = 1;
        } else if (!v2.empty() &&
                   read_small(v2 + "/cgroup.subtree_control").find("memory") != std::string::npos &&
                   cgroup_writable(v2)) {
            host->memory_cgroup = v2;
            host->memory_cgroup_version = 2;
        }
        std::string pids = own_cgroup("pids"), cpu = own_cgroup("cpu");
        if (cgroup_writable(pids)) host->pids_cgroup = pids;
        if (cgroup_writable(cpu)) host->cpu_cgroup = cpu;
    }
    std::string reasons;
    if (mode != "user-ids") {
        host->bwrap = find_program("bwrap");
        if (host->bwrap.empty()) {
            reasons = "bubblewrap (bwrap) is not installed";
        } else if (host->root && bwrap_works(host->bwrap, slot_uid(255))) {
            host->drop_user = true;
            host->isolation = Isolation::namespaces;
        } else if (bwrap_works(host->bwrap, -1)) {
            host->isolation = Isolation::namespaces;
        } else {
            reasons = "bubblewrap cannot make namespaces here";
        }
    }
    if (host->isolation == Isolation::none && mode != "namespaces") {
        if (!host->root)
            reasons += std::string(reasons.empty() ? "" : "; ") + "user ids need root";
        else if (!can_change_user())
            reasons += std::string(reasons.empty() ? "" : "; ") + "cannot change the user id";
        else {
            host->isolation = Isolation::user_ids;
            host->drop_user = true;
        }
    }
    if (host->isolation == Isolation::none) {
        *why = "no sandbox can be had: " + reasons;
        return false;
    }
    host->private_mounts = own_mount_namespace(host->root);
    return true;
}

std::string SandboxHost::describe(const SandboxLimits &limits) const {
    char text[1024];
    std::string memory = memory_cgroup.empty()
                             ? std::to_string(limits.memory_mb) + " MB of address space"
                             : std::to_string(limits.memory_mb) + " MB of memory (cgroup v" +
                                   std::to_string(memory_cgroup_version) + ")";
    std::string disk = private_mounts ? std::to_string(limits.disk_mb) + " MB written in all"
                                      : std::to_string(limits.disk_mb) + " MB a file";
    snprintf(
        text, sizeof text,
        "Isolation: %s%s%s. Limits per run: %g s, %s, %ld processes, %ld open files, %s. "
        "Clock: %s.",
        isolation_name(isolation),
        isolation == Isolation::namespaces
            ? " (own user, process, network, IPC and host-name namespaces; the system "
              "read-only; no network)"
            : "",
        *isolation_gaps(isolation) ? (std::string("; ") + isolation_gaps(isolation)).c_str() : "",
        limits.timeout_s, memory.c_str(), limits.processes, limits.open_files, disk.c_str(),
        faketime.empty() ? "the machine's (libfaketime is not installed)"
                         : ("every run's starts at " + clock_start + " UTC").c_str());
    return text;
}

int sandbox_default_jobs() {
    cpu_set_t set;
    int cpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set)
                                                           : (int)sysconf(_SC_NPROCESSORS_ONLN);
    // The cgroup's quota: v2 "max 100000" or "200000 100000"; v1 two files.
    double quota = -1;
    std::string v2 = own_cgroup("");
    if (!v2.empty()) {
        std::string max = read_small(v2 + "/cpu.max");
        long q = 0, period = 0;
        if (sscanf(max.c_str(), "%ld %ld", &q, &period) == 2 && q > 0 && period > 0)
            quota = (double)q / period;
    }
    std::string v1 = own_cgroup("cpu");
    if (v1.empty()) v1 = own_cgroup("cpu,cpuacct");
    if (quota < 0 && !v1.empty()) {
        long q = strtol(read_small(v1 + "/cpu.cfs_quota_us").c_str(), nullptr, 10);
        long period = strtol(read_small(v1 + "/cpu.cfs_period_us").c_str(), nullptr, 10);
        if (q > 0 && period > 0) quota = (double)q / period;
    }
    if (quota > 0) cpus = std::min(cpus, (int)std::ceil(quota));
    return std::max(cpus, 1);
}

long sandbox_default_memory_mb(int jobs) {
    long mb = 512;
    std::string v2 = own_cgroup(""), v1 = own_cgroup("memory");
    long long limit = -1;
    // The smallest limit on the way up: the container's may be a parent's.
    for (std::string folder = v2; folder.size() > strlen("/sys/fs/cgroup");
         folder.resize(folder.rfind('/'))) {
        std::string max = read_small(folder + "/memory.max");
        if (!max.empty() && max[0] >= '0' && max[0] <= '9') {
            long long value = strtoll(max.c_str(), nullptr, 10);
            if (limit < 0 || value < limit) limit = value;
        }
    }
    if (limit < 0 && !v1.empty()) {
        long long value = 0;
        std::string stat = read_small(v1 + "/memory.stat");
        size_t at = stat.find("hierarchical_memory_limit ");
        if (at != std::string::npos) value = strtoll(stat.c_str() + at + 26, nullptr, 10);
        if (value <= 0)
            value = strtoll(read_small(v1 + "/memory.limit_in_bytes").c_str(), nullptr, 10);
        if (value > 0) limit = value;
    }
    // Below the cgroup's limit, leaving a quarter of it (at least 64 MB) to the grader itself.
    if (limit > 0 && limit < (1LL << 50)) {
        long long spare = std::max(limit / 4, 64LL << 20);
        long per_run = (long)((limit - spare) / std::max(jobs, 1) >> 20);
        mb = std::min(mb, std::max(per_run, 32L));
    }
    return mb;
}

Sandbox::Sandbox(const SandboxHost &host, const SandboxLimits &limits, int slot)
    : host_(host), limits_(limits), slot_(slot), uid_(host.drop_user ? slot_uid(slot) : getuid()) {}

Sandbox::~Sandbox() {
    clean();
}

std::string Sandbox::inside() const {
    return host_.isolation == Isolation::namespaces ? "/tmp" : folder_;
}

std::string Sandbox::program_name() const {
    return host_.isolation == Isolation::namespaces ? "/run/program"
           : host_.isolation == Isolation::user_ids ? folder_ + "/program"
                                                    : program_;
}

bool Sandbox::prepare(const std::string &parent, std::string *why) {
    std::string folder = parent + "/run-XXXXXX";
    if (!mkdtemp(&folder[0])) {
        *why = "cannot make a folder in " + parent + ": " + strerror(errno);
        return false;
    }
    folder_ = folder;
    if (host_.private_mounts) {
        // The tmpfs is the whole disk the run may write: bytes and files alike.
        char options[256];
        snprintf(options, sizeof options, "size=%ldm,nr_inodes=%ld,mode=0700,uid=%u,gid=%u",
                 limits_.disk_mb, std::max(256L, limits_.disk_mb * 64), (unsigned)uid_,
                 (unsigned)(host_.drop_user ? uid_ : getgid()));
        if (mount("tavix-grade", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) != 0) {
            *why = "cannot mount the run's folder: " + std::string(strerror(errno));
            return false;
        }
        mounted_ = true;
    } else if (host_.drop_user && chown(folder_.c_str(), uid_, uid_) != 0) {
        *why = "cannot hand the run's folder over: " + std::string(strerror(errno));
        return false;
    }
    return true;
}

bool Sandbox::copy_in(const std::string &from, const std::string &name, std::string *why) {
    return copy_file(from, name, 0600, why);
}

bool Sandbox::copy_file(const std::string &from, const std::string &name, mode_t mode,
                        std::string *why) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        *why = "bad file name " + name;
        return false;
    }
    int in = open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status;
    if (in < 0 || fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        *why = "cannot read " + from +
               (in < 0 ? ": " + std::string(strerror(errno)) : std::string(": not a regular file"));
        if (in >= 0) close(in);
        return false;
    }
    int dir = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int out = dir < 0
                  ? -1
                  : openat(dir, name.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (dir >= 0) close(dir);
    if (out < 0) {
        *why = "cannot write " + name + " in the run's folder: " + strerror(errno);
        close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (write(out, buffer, (size_t)got) != got) {
            ok = false;
            break;
        }
    }
    if (ok && host_.drop_user && fchown(out, uid_, uid_) != 0) ok = false;
    close(in);
    if (close(out) != 0) ok = false;
    if (!ok) *why = "cannot copy " + from + " into the run's folder";
    return ok;
}

bool Sandbox::start(const SandboxCommand &command, std::string *why) {
    started_ = monotonic_s();
    deadline_ = started_ + limits_.timeout_s;
    program_ = command.program;
    if (folder_.empty()) {
        *why = "the run's folder was not made";
        return false;
    }
    // Under user ids the program is a copy in the run's own folder, which no other run can
    // read; under namespaces it is handed over open, so its folder need not be reachable.
    int program_fd = -1;
    if (host_.isolation == Isolation::user_ids) {
        if (!copy_file(command.program, "program", 0500, why)) return false;
    } else if (host_.isolation == Isolation::namespaces) {
        program_fd = open(command.program.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat status;
        if (program_fd < 0 || fstat(program_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            *why = "cannot run " + command.program + ": " +
                   (program_fd < 0 ? strerror(errno) : "not a regular file");
            if (program_fd >= 0) close(program_fd);
            return false;
        }
    }
    // Cgroups: memory and processes, made before the start so that the first process joins.
    std::string name = "/tavix-grade-" + std::to_string(getpid()) + "-" + std::to_string(slot_) +
                       "-" + folder_.substr(folder_.size() - 6);
    if (!host_.memory_cgroup.empty()) {
        std::string folder = host_.memory_cgroup + name;
        if (mkdir(folder.c_str(), 0755) == 0) {
            cgroup_memory_ = folder;
            std::string bytes = std::to_string(limits_.memory_mb << 20);
            if (host_.memory_cgroup_version == 1) {
                write_small(folder + "/memory.limit_in_bytes", bytes);
                write_small(folder + "/memory.memsw.limit_in_bytes", bytes);
            } else {
                write_small(folder + "/memory.max", bytes);
                write_small(folder + "/memory.swap.max", "0");
                write_small(folder + "/pids.max", std::to_string(limits_.processes));
                // One processor at most, whatever number of processes it runs.
                write_small(folder + "/cpu.max", "100000 100000");
            }
        }
    }
    if (!host_.cpu_cgroup.empty()) {
        std::string folder = host_.cpu_cgroup + name;
        if (mkdir(folder.c_str(), 0755) == 0) {
            cgroup_cpu_ = folder;
            write_small(folder + "/cpu.cfs_period_us", "100000");
            write_small(folder + "/cpu.cfs_quota_us", "100000");
        }
    }
    if (!host_.pids_cgroup.empty()) {
        std::string folder = host_.pids_cgroup + name;
        if (mkdir(folder.c_str(), 0755) == 0) {
            cgroup_pids_ = folder;
            write_small(folder + "/pids.max", std::to_string(limits_.processes));
        }
    }

    std::vector<std::string> args;
    if (host_.isolation == Isolation::namespaces) {
        args = {host_.bwrap,
                "--unshare-user",
                "--unshare-pid",
                "--unshare-net",
                "--unshare-ipc",
                "--unshare-uts",
                "--unshare-cgroup-try",
                "--die-with-parent",
                "--new-session",
                "--hostname",
                "tavix"};
        add_system(&args);
        // /dev/shm (libfaketime's semaphore lives there) small, the rest of /dev read-only.
        args.insert(
            args.end(),
            {"--proc", "/proc",          "--dev",   "/dev",        "--perms",      "1777",
             "--size", "4194304",        "--tmpfs", "/dev/shm",    "--remount-ro", "/dev",
             "--bind", folder_,          "/tmp",    "--chdir",     "/tmp",         "--perms",
             "0555",   "--ro-bind-data", "4",       "/run/program"});
        for (const auto &bind : command.read_only)
            args.insert(args.end(), {"--ro-bind", bind.first, bind.second});
        args.insert(args.end(), {"--remount-ro", "/", "--info-fd", "3", "--", "/run/program"});
    } else {
        args = {program_name()};
    }
    args.insert(args.end(), command.args.begin(), command.args.end());
    std::vector<std::string> env = command.env;
    if (!host_.faketime.empty()) {
        // The wall clock from one fixed date on; the monotonic clock is left alone.
        std::string preload = host_.faketime;
        for (auto e = env.begin(); e != env.end();)
            if (e->compare(0, 11, "LD_PRELOAD=") == 0 || e->compare(0, 9, "FAKETIME=") == 0)
                e = env.erase(e);
            else
                ++e;
        env.push_back("LD_PRELOAD=" + preload);
        env.push_back("FAKETIME=@" + host_.clock_start);
        env.push_back("DONT_FAKE_MONOTONIC=1");
        env.push_back("FAKETIME_DONT_FAKE_MONOTONIC=1");
        env.push_back("TZ=UTC");
    }
    std::vector<char *> argv, envp;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    for (std::string &e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    int err_pipe[2], info_pipe[2] = {-1, -1};
    if (pipe2(err_pipe, O_CLOEXEC) != 0 ||
        (host_.isolation == Isolation::namespaces && pipe2(info_pipe, O_CLOEXEC) != 0)) {
        *why = std::string("cannot make a pipe: ") + strerror(errno);
        if (program_fd >= 0) close(program_fd);
        return false;
    }
    long tasks = host_.user_tasks;
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (!cgroup_memory_.empty()) write_small(cgroup_memory_ + "/cgroup.procs", "0");
        if (!cgroup_pids_.empty()) write_small(cgroup_pids_ + "/cgroup.procs", "0");
        if (!cgroup_cpu_.empty()) write_small(cgroup_cpu_ + "/cgroup.procs", "0");
        // Each to a high number first, so that none is overwritten before it is placed.
        int null_fd = fcntl(open("/dev/null", O_RDWR | O_CLOEXEC), F_DUPFD_CLOEXEC, 10);
        int err = fcntl(err_pipe[1], F_DUPFD_CLOEXEC, 10);
        int info = info_pipe[1] >= 0 ? fcntl(info_pipe[1], F_DUPFD_CLOEXEC, 10) : -1;
        int program = program_fd >= 0 ? fcntl(program_fd, F_DUPFD_CLOEXEC, 10) : -1;
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(err, 2);
        if (info >= 0) dup2(info, 3);
        if (program >= 0) dup2(program, 4);
        int keep = program >= 0 ? 5 : info >= 0 ? 4 : 3;
        syscall(SYS_close_range, keep, ~0u, 0);
        if (chdir(folder_.c_str()) != 0) _exit(126);
        set_limit(RLIMIT_CORE, 0);
        set_limit(RLIMIT_NOFILE, (rlim_t)limits_.open_files);
        set_limit(RLIMIT_CPU, (rlim_t)limits_.timeout_s + 1);
        if (!mounted_) set_limit(RLIMIT_FSIZE, (rlim_t)limits_.disk_mb << 20);
        if (cgroup_memory_.empty()) set_limit(RLIMIT_AS, (rlim_t)limits_.memory_mb << 20);
        // A user of its own counts the run's processes alone; otherwise the user's own count.
        set_limit(RLIMIT_NPROC,
                  (rlim_t)(host_.drop_user ? limits_.processes + 4 : tasks + limits_.processes));
        if (host_.drop_user && (setgroups(0, nullptr) != 0 || setresgid(uid_, uid_, uid_) != 0 ||
                                setresuid(uid_, uid_, uid_) != 0)) {
            dprintf(2, "%s: cannot change to the run's user id\n", host_.tool.c_str());
            _exit(126);
        }
        execve(argv[0], argv.data(), envp.data());
        dprintf(2, "%s: cannot run %s: %s\n", host_.tool.c_str(), argv[0], strerror(errno));
        _exit(127);
    }
    int fork_errno = errno;
    close(err_pipe[1]);
    if (info_pipe[1] >= 0) close(info_pipe[1]);
    if (program_fd >= 0) close(program_fd);
    if (pid < 0) {
        close(err_pipe[0]);
        if (info_pipe[0] >= 0) close(info_pipe[0]);
        *why = std::string("cannot start a process: ") + strerror(fork_errno);
        return false;
    }
    setpgid(pid, pid);
    fcntl(err_pipe[0], F_SETFL, O_NONBLOCK);
    if (info_pipe[0] >= 0) fcntl(info_pipe[0], F_SETFL, O_NONBLOCK);
    pid_ = pid;
    err_fd_ = err_pipe[0];
    info_fd_ = info_pipe[0];
    return true;
}

void Sandbox::read_info() {
    if (info_fd_ < 0 || inner_fd_ >= 0) return;
    char buffer[1024];
    ssize_t got;
    while ((got = read(info_fd_, buffer, sizeof buffer)) > 0) info_.append(buffer, (size_t)got);
    size_t at = info_.find("\"child-pid\":");
    if (at == std::string::npos) return;
    pid_t inner = (pid_t)strtol(info_.c_str() + at + 12, nullptr, 10);
    // A handle on the namespace's first process while bubblewrap, its parent, is not yet
    // reaped here and has not reaped it: so it is that process and no other with its number.
    int fd = (int)syscall(SYS_pidfd_open, inner, 0);
    if (fd < 0) return;
    std::string stat = read_small("/proc/" + std::to_string(inner) + "/stat");
    size_t paren = stat.rfind(')');
    long parent = paren == std::string::npos ? 0 : strtol(stat.c_str() + paren + 4, nullptr, 10);
    if (parent != pid_) {
        close(fd);
        return;
    }
    inner_fd_ = fd;
}

bool Sandbox::ended() {
    if (pid_ == 0) return true;
    read_info();
    siginfo_t info;
    memset(&info, 0, sizeof info);
    bool gone =
        waitid(P_PID, (id_t)pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
    if (!gone && monotonic_s() < deadline_) return false;
    if (!gone) timed_out_ = true;
    finish();
    return true;
}

void Sandbox::stop() {
    if (pid_ != 0) finish();
}

void Sandbox::finish() {
    read_info();
    bool had_inner = inner_fd_ >= 0;
    // The namespace's first process first: when it is gone, so is every process of the
    // namespace. Then whatever the cgroups or the run's user id still hold.
    if (inner_fd_ >= 0) {
        syscall(SYS_pidfd_send_signal, inner_fd_, SIGKILL, nullptr, 0);
        pollfd wait_for = {inner_fd_, POLLIN, 0};
        poll(&wait_for, 1, 5000);
    }
    kill(-pid_, SIGKILL);
    rusage usage;
    memset(&usage, 0, sizeof usage);
    int status = 0;
    while (wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    empty_cgroup(cgroup_pids_, true);
    empty_cgroup(cgroup_memory_, host_.memory_cgroup_version == 2);
    // Under namespaces the namespace's end is enough; otherwise the user id is swept too.
    if (host_.drop_user && (host_.isolation != Isolation::namespaces || !had_inner))
        kill_user(uid_);
    seconds_ = monotonic_s() - started_;
    max_rss_kb_ = usage.ru_maxrss;
    // Bubblewrap ends as its program did, a signal as 128 + its number: told back as such.
    status_ = status;
    if (host_.isolation == Isolation::namespaces && WIFEXITED(status)) {
        int code = WEXITSTATUS(status);
        status_ = code > 128 && code < 128 + 65 ? code - 128 : code << 8;
    }
    pid_ = 0;
    if (inner_fd_ >= 0) close(inner_fd_);
    if (info_fd_ >= 0) close(info_fd_);
    inner_fd_ = info_fd_ = -1;
    check_limits();
}

void Sandbox::check_limits() {
    std::vector<std::string> met;
    char text[128];
    bool failed = timed_out_ || WIFSIGNALED(status_) || WEXITSTATUS(status_) != 0;
    if (!cgroup_memory_.empty()) {
        std::string events =
            read_small(cgroup_memory_ + (host_.memory_cgroup_version == 1 ? "/memory.oom_control"
                                                                          : "/memory.events"));
        if (field(events, "oom_kill") > 0) {
            snprintf(text, sizeof text, "killed: memory limit %ld MB", limits_.memory_mb);
            met.push_back(text);
            limit_killed_ = true;
        }
    } else if (failed && !timed_out_ && max_rss_kb_ >= limits_.memory_mb * 1024 / 2) {
        snprintf(text, sizeof text, "ran out of memory (%ld MB)", limits_.memory_mb);
        met.push_back(text);
        limit_killed_ = true;
    }
    struct statvfs disk;
    if (mounted_ && statvfs(folder_.c_str(), &disk) == 0 &&
        (disk.f_bavail * disk.f_frsize < 64 * 1024 || disk.f_favail == 0)) {
        snprintf(text, sizeof text, "disk limit %ld MB", limits_.disk_mb);
        met.push_back(text);
    } else if (WIFSIGNALED(status_) && WTERMSIG(status_) == SIGXFSZ) {
        snprintf(text, sizeof text, "disk limit %ld MB (a file)", limits_.disk_mb);
        met.push_back(text);
    }
    std::string pids = cgroup_pids_.empty() ? cgroup_memory_ : cgroup_pids_;
    if (!pids.empty() && field(read_small(pids + "/pids.events"), "max") > 0) {
        snprintf(text, sizeof text, "process limit %ld", limits_.processes);
        met.push_back(text);
    }
    for (const std::string &words : met) limit_words_ += (limit_words_.empty() ? "" : "; ") + words;
}

bool Sandbox::read_result(const std::string &name, size_t max, std::string *data,
                          std::string *why) const {
    if (name.empty() || name.find('/') != std::string::npos) {
        *why = "bad file name " + name;
        return false;
    }
    int dir = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        *why = "cannot open the run's folder";
        return false;
    }
    // Nothing of the run is left to change it now. A file the run did not make itself (a link
    // to another's, under user ids without a tmpfs) is not taken for its own.
    struct stat status;
    bool ok = fstatat(dir, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
              S_ISREG(status.st_mode) && status.st_nlink == 1 && status.st_uid == uid_;
    if (!ok) *why = name + " is missing or not the run's own file";
    ok = ok && read_regular_file(dir, name, max, data, why);
    close(dir);
    return ok;
}

void Sandbox::clean() {
    if (pid_ != 0) finish();
    if (err_fd_ >= 0) close(err_fd_);
    err_fd_ = -1;
    if (!folder_.empty()) {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
        mounted_ = false;
        size_t slash = folder_.rfind('/');
        int parent = open(folder_.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parent >= 0) {
            remove_tree(parent, folder_.c_str() + slash + 1);
            close(parent);
        }
        folder_.clear();
    }
    if (!cgroup_memory_.empty()) rmdir(cgroup_memory_.c_str());
    if (!cgroup_pids_.empty()) rmdir(cgroup_pids_.c_str());
    if (!cgroup_cpu_.empty()) rmdir(cgroup_cpu_.c_str());
    cgroup_memory_.clear();
    cgroup_pids_.clear();
    cgroup_cpu_.clear();
}

std::vector<std::string> passed_environment(bool tavix_settings,
                                            const std::vector<std::string> &replaced) {
    static const char *const kept[] = {"PATH=", "LD_LIBRARY_PATH=", "LANG=", "LANGUAGE=", "LC_"};
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        bool keep = false;
        for (const char *name : kept) keep |= strncmp(*e, name, strlen(name)) == 0;
        keep |= tavix_settings && strncmp(*e, "TAVIX_", 6) == 0;
        for (const std::string &name : replaced)
            keep &= strncmp(*e, name.c_str(), name.size()) != 0;
        if (keep) env.push_back(*e);
    }
    return env;
}
