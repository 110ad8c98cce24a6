// tavix-grade's sandbox: every run (the reference's and each submission's) in a box of its own.
//
// A run gets a fresh folder that is its only writable place, limited in total size, which no
// other run can reach; its own user, process, network, IPC and host-name namespaces (bubblewrap)
// with the system read-only and no network at all; limits of memory, processes and open files;
// and a wall clock that starts at one fixed date. When it ends, for whatever reason, every
// process it started is gone before its results are read, and its results are read without
// trusting anything it left: no links followed, no FIFOs or devices opened, sizes bounded.
//
// Use: probe the host once (SandboxHost::probe), then per run: a Sandbox, copy_in the files it
// needs, start the command, poll ended() (or wait on err_fd()), then read_result() what it wrote,
// and let the Sandbox go (its destructor kills what is left and removes the folder).
#ifndef TAVIX_TOOLS_GRADE_SANDBOX_H
#define TAVIX_TOOLS_GRADE_SANDBOX_H

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// How a run is kept apart from the machine and from the other runs.
enum class Isolation {
    none,        // --no-sandbox: the run can do what the grader's user can
    namespaces,  // bubblewrap: namespaces of its own, the system read-only, no network
    user_ids,    // a user id of its own per run (root only): no namespaces
};
const char *isolation_name(Isolation isolation);  // "none", "namespaces", "user-ids"
// What a mode cannot prevent, for the report (empty for namespaces).
const char *isolation_gaps(Isolation isolation);

// What one run may use.
struct SandboxLimits {
    double timeout_s = 10;  // wall-clock time of the whole run
    long memory_mb = 512;   // memory (a cgroup's limit, or else the address space)
    long disk_mb = 64;      // everything written into the folder, in all
    long processes = 64;    // processes and threads
    long open_files = 256;  // open files per process
};

// What this machine permits, found once per grading.
struct SandboxHost {
    Isolation isolation = Isolation::none;
    bool root = false;
    std::string bwrap;              // the bubblewrap program (namespaces)
    std::string faketime;           // libfaketime's library, or empty: the clock is then not pinned
    std::string memory_cgroup;      // folder in which each run gets a memory cgroup, or empty
    int memory_cgroup_version = 0;  // 1 or 2
    std::string pids_cgroup;      // likewise for processes (cgroup v1's pids controller), or empty
    std::string cpu_cgroup;       // likewise for processor time (v1's cpu): one processor a run
    bool private_mounts = false;  // each run's folder is a tmpfs of the disk limit's size
    bool drop_user = false;       // (root) each run under a user id of its own, one per slot
    long user_tasks = 0;  // (not root) the tasks the user ran at the start: the process limit
                          // counts on from there
    std::string clock_start = "2000-01-01 12:00:00";  // every run's wall clock starts here (UTC)
    std::string tool = "tavix-grade";  // the command that names the box's own errors

    // Finds the best isolation the machine allows (mode ""), or the one asked for
    // ("namespaces", "user-ids", "none"); false with *why set when it cannot be had. Call it
    // while the process has one thread: it may move the process into a mount namespace of its
    // own, where the runs' folders are mounted (and vanish with it).
    static bool probe(const std::string &mode, SandboxHost *host, std::string *why);
    // One line on how the runs are isolated and limited, for the report.
    std::string describe(const SandboxLimits &limits) const;
};

// Defaults sized to what this process may use: one job per processor it may run on (its
// affinity, and the cgroup's CPU quota), and a memory limit per run of at most 512 MB that
// jobs runs at once leave under the cgroup's memory limit.
int sandbox_default_jobs();
long sandbox_default_memory_mb(int jobs);

// A command for Sandbox::start.
struct SandboxCommand {
    std::string program;            // the program to run: a path on this machine
    std::vector<std::string> args;  // its arguments after argv[0]
    std::vector<std::string> env;   // its whole environment, NAME=value
    // Files or folders it may read, as (path on this machine, path it sees); under namespaces
    // they are mounted read-only there, otherwise they must be readable as they are.
    std::vector<std::pair<std::string, std::string>> read_only;
};

class Sandbox {
   public:
    // slot: which of the runs at once this is (0 .. jobs - 1): under user ids, its user id.
    Sandbox(const SandboxHost &host, const SandboxLimits &limits, int slot);
    ~Sandbox();  // ends the run if it still runs and removes its folder
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    // Makes the run's fresh folder inside parent: a folder the grader made for itself, which
    // others may pass through (0711) but not list.
    bool prepare(const std::string &parent, std::string *why);
    // The folder as the program sees it (its working folder, HOME and TMPDIR).
    std::string inside() const;
    // Copies a regular file into the folder as name (no folders in name); false with *why set.
    bool copy_in(const std::string &from, const std::string &name, std::string *why);
    // Starts the command in the folder, standard input and output on /dev/null, standard error
    // on a pipe (err_fd()).
    bool start(const SandboxCommand &command, std::string *why);
    // The program's path as the program sees it (its argv[0]).
    std::string program_name() const;
    // The read end of the run's standard error (non-blocking), -1 when not running.
    int err_fd() const { return err_fd_; }
    // Whether the run has ended; at its deadline it is ended here. Never blocks.
    bool ended();
    // Ends the run now, whatever it is doing (the grader is interrupted).
    void stop();

    // Once ended: every process of the run is gone.
    int status() const { return status_; }  // wait status of the program (as if run directly)
    bool timed_out() const { return timed_out_; }
    double seconds() const { return seconds_; }
    // What limit the run met, in words, or empty: "killed: memory limit 512 MB", "ran out of
    // memory (512 MB)", "disk limit 64 MB", "process limit 64".
    std::string limit_words() const { return limit_words_; }
    // Whether that limit killed it or failed it outright (memory); otherwise only a note.
    bool limit_killed() const { return limit_killed_; }
    // Reads a file the run left in its folder: a regular file, not a link, at most max bytes;
    // false with *why set otherwise.
    bool read_result(const std::string &name, size_t max, std::string *data,
                     std::string *why) const;
    // Ends the run if need be and removes the folder; the destructor does it too.
    void clean();

   private:
    bool copy_file(const std::string &from, const std::string &name, mode_t mode, std::string *why);
    void read_info();
    void finish();
    void check_limits();

    const SandboxHost &host_;
    SandboxLimits limits_;
    int slot_;
    uid_t uid_;  // the run's user id under user ids (and namespaces as root)
    std::string folder_, cgroup_memory_, cgroup_pids_, cgroup_cpu_, program_;
    bool mounted_ = false;
    pid_t pid_ = 0;      // the process started (bubblewrap, or the program itself)
    int inner_fd_ = -1;  // under namespaces: the first process of its PID namespace (pidfd)
    int err_fd_ = -1, info_fd_ = -1;
    std::string info_;
    double started_ = 0, deadline_ = 0;
    int status_ = 0;
    bool ended_ = false, timed_out_ = false, limit_killed_ = false;
    double seconds_ = 0;
    long max_rss_kb_ = 0;
    std::string limit_words_;
};

// Reads a file safely: no links followed (in its last part), nothing but a regular file, at
// most max bytes; dir as openat's (AT_FDCWD for path alone).
bool read_regular_file(int dir, const std::string &path, size_t max, std::string *data,
                       std::string *why);

// The part of the grader's environment a run may see: PATH, LD_LIBRARY_PATH, the locale (LANG,
// LANGUAGE, LC_*) and, with tavix_settings, the TAVIX_ settings less those named in replaced
// (prefixes such as "TAVIX_REPLAY="). Nothing else of the teacher's environment (tokens, passwords,
// build tools' settings) reaches a stranger's program.
std::vector<std::string> passed_environment(bool tavix_settings,
                                            const std::vector<std::string> &replaced);

#endif
