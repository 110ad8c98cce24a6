// Folders of sources made into programs: each folder copied into the scratch folder (ordinary
// files and folders only, bounded), compiled there against the library tavix-grade belongs to,
// found through its pkg-config file, within a time limit; a build that fails keeps the
// compiler's first error lines.
#include "tools/grade/grade.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char **environ;

namespace {

// What a submission's folder may hold: more is not copied, and the build says why.
const long MOST_FILES = 2000;
const long MOST_BYTES = 64L << 20;
// The log of a build is read up to this many bytes; error lines are cut at this length.
const size_t LOG_CAP = 256 * 1024;
const size_t LINE_CAP = 300;
const int ERROR_LINES = 8;

// The build itself, the same for every folder: it names no file of the submission, so no file
// name can reach a shell. A CMakeLists.txt or a Makefile is used when there is one; otherwise
// every C and C++ file is compiled and the objects linked.
const char BUILD_SCRIPT[] =
    "if [ -f CMakeLists.txt ]; then\n"
    "  cmake -S . -B tavix-build -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1\n"
    "  cmake --build tavix-build || exit 1\n"
    "elif [ -f Makefile ] || [ -f makefile ] || [ -f GNUmakefile ]; then\n"
    "  make || exit 1\n"
    "else\n"
    "  mkdir tavix-objects || exit 1\n"
    "  found= failed=\n"
    "  for f in ./*.c ./*.cpp ./*.cc ./*.cxx; do\n"
    "    [ -f \"$f\" ] || continue\n"
    "    found=1\n"
    "    o=\"tavix-objects/${f#./}.o\"\n"
    "    case \"$f\" in\n"
    "      *.c) cc $TAVIX_CFLAGS -c \"$f\" -o \"$o\" || failed=1 ;;\n"
    "      *) c++ $TAVIX_CFLAGS -c \"$f\" -o \"$o\" || failed=1 ;;\n"
    "    esac\n"
    "  done\n"
    "  [ -n \"$found\" ] || { echo 'error: no C or C++ source file in the folder'; exit 1; }\n"
    "  [ -z \"$failed\" ] || exit 1\n"
    "  c++ tavix-objects/*.o -o tavix-program $TAVIX_LIBS || exit 1\n"
    "fi\n";

// The newest executable ordinary file under dir (not in CMake's own folders), or empty.
void find_program(const std::string &dir, int depth, std::string *best, time_t *best_time) {
    if (depth > 3) return;
    DIR *d = opendir(dir.c_str());
    if (!d) return;
    while (dirent *entry = readdir(d)) {
        const char *name = entry->d_name;
        if (name[0] == '.' || strcmp(name, "CMakeFiles") == 0 ||
            strcmp(name, "tavix-objects") == 0)
            continue;
        std::string path = dir + "/" + name;
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) continue;
        if (S_ISDIR(status.st_mode)) {
            find_program(path, depth + 1, best, best_time);
        } else if (S_ISREG(status.st_mode) && (status.st_mode & S_IXUSR) &&
                   (best->empty() || status.st_mtime > *best_time)) {
            *best = path;
            *best_time = status.st_mtime;
        }
    }
    closedir(d);
}

// The first error lines of a build's log: from the first line that names an error, or its last
// lines when none does.
std::vector<std::string> error_lines(const std::string &log) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, std::min(end - start, LINE_CAP));
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    size_t first = lines.size();
    for (size_t i = 0; i < lines.size() && first == lines.size(); ++i) {
        std::string lower = lines[i];
        for (char &c : lower) c = (char)tolower((unsigned char)c);
        if (lower.find("error") != std::string::npos ||
            lower.find("undefined reference") != std::string::npos)
            first = i;
    }
    if (first == lines.size()) first = lines.size() > ERROR_LINES ? lines.size() - ERROR_LINES : 0;
    size_t last = std::min(lines.size(), first + ERROR_LINES);
    return std::vector<std::string>(lines.begin() + (long)first, lines.begin() + (long)last);
}

std::string command_output(const std::string &command) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    if (pclose(pipe) != 0) return "";
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// Where this program's library keeps its pkg-config file: beside tavix-grade in the build tree
// (tavix-uninstalled.pc, the file pkg-config prefers), else in the prefix it was installed to.
std::string own_pkg_config_dir() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    self[length] = '\0';
    std::string dir = self;
    dir = dir.substr(0, dir.find_last_of('/'));
    if (access((dir + "/tavix-uninstalled.pc").c_str(), R_OK) == 0) return dir;
    return dir + "/../" TAVIX_GRADE_LIBDIR "/pkgconfig";
}

// The search path: the teacher's PKG_CONFIG_PATH first, then this program's own library.
void set_pkg_config_path() {
    std::string path;
    if (const char *teacher = getenv("PKG_CONFIG_PATH")) path = teacher;
    std::string own = own_pkg_config_dir();
    if (!own.empty()) path += (path.empty() ? "" : ":") + own;
    setenv("PKG_CONFIG_PATH", path.c_str(), 1);
}

struct Job {
    Build *build;
    std::string folder;  // the copy, where the build runs
    pid_t pid = 0;
    double started = 0;
};

void start_build(Job &job, const Limits &limits) {
    Build &build = *job.build;
    job.started = now_s();
    CopyCount copy;
    struct stat status;
    char resolved[PATH_MAX];
    // A program already made (the reference often is) is run as it is.
    if (stat(build.folder.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        access(build.folder.c_str(), X_OK) == 0 && realpath(build.folder.c_str(), resolved)) {
        build.program = resolved;
        return;
    }
    if (stat(build.folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        build.outcome = "does-not-compile";
        build.words = "does not compile: " + build.folder + " is not a folder";
        return;
    }
    copy_tree(build.folder, job.folder, &copy, 0, 0600);
    if (!copy.problem.empty()) {
        build.outcome = "does-not-compile";
        build.words = "does not compile: " + copy.problem;
        return;
    }
    std::string script = job.folder + "/../build.sh", log = job.folder + "/../build.log";
    FILE *out = fopen(script.c_str(), "w");
    if (!out || fputs(BUILD_SCRIPT, out) < 0 || fclose(out) != 0) {
        build.outcome = "does-not-compile";
        build.words = "does not compile: cannot write " + script;
        return;
    }
    pid_t pid = fork();
    if (pid < 0) {
        build.outcome = "does-not-compile";
        build.words = std::string("does not compile: cannot start a process: ") + strerror(errno);
        return;
    }
    if (pid == 0) {
        setpgid(0, 0);
        int null_fd = open("/dev/null", O_RDONLY);
        int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (null_fd < 0 || log_fd < 0 || chdir(job.folder.c_str()) != 0) _exit(126);
        dup2(null_fd, 0);
        dup2(log_fd, 1);
        dup2(log_fd, 2);
        setenv("HOME", job.folder.c_str(), 1);
        setenv("TMPDIR", job.folder.c_str(), 1);
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = (rlim_t)(limits.memory_mb < 2048 ? 2048 : limits.memory_mb)
                                          << 20;
        setrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = limit.rlim_max = (rlim_t)limits.file_mb << 20;
        setrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max = 0;
        setrlimit(RLIMIT_CORE, &limit);
        execl("/bin/sh", "sh", script.c_str(), (char *)nullptr);
        _exit(127);
    }
    setpgid(pid, pid);
    job.pid = pid;
}

void finish_build(Job &job, int status, bool timed_out, double timeout_s) {
    Build &build = *job.build;
    build.seconds = now_s() - job.started;
    std::string log;
    if (FILE *in = fopen((job.folder + "/../build.log").c_str(), "rb")) {
        log.resize(LOG_CAP);
        log.resize(fread(&log[0], 1, LOG_CAP, in));
        fclose(in);
    }
    std::string program;
    time_t newest = 0;
    if (!timed_out && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        find_program(job.folder, 0, &program, &newest);
    if (!program.empty()) {
        build.program = program;
        return;
    }
    build.outcome = "does-not-compile";
    char text[128];
    if (timed_out)
        snprintf(text, sizeof text, "does not compile: the build took more than %g s", timeout_s);
    else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        snprintf(text, sizeof text, "does not compile: the build made no program");
    else
        snprintf(text, sizeof text, "does not compile");
    build.words = text;
    build.errors = error_lines(log);
}

}  // namespace

// Copies a folder's ordinary files and folders, never following a link; the copies are not
// executable (unless mode says so), so whatever is executable after a build was made by it.
void copy_tree(const std::string &from, const std::string &to, CopyCount *copy, int depth,
               mode_t mode) {
    if (depth > 8) return;
    DIR *dir = opendir(from.c_str());
    if (!dir) {
        copy->problem = "cannot read " + from + ": " + strerror(errno);
        return;
    }
    mkdir(to.c_str(), 0700 | (mode & 0055));
    while (dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        std::string source = from + "/" + name, target = to + "/" + name;
        struct stat status;
        if (lstat(source.c_str(), &status) != 0) continue;
        if (S_ISDIR(status.st_mode)) {
            copy_tree(source, target, copy, depth + 1, mode);
            continue;
        }
        if (!S_ISREG(status.st_mode)) continue;
        if (++copy->files > MOST_FILES || (copy->bytes += status.st_size) > MOST_BYTES) {
            copy->problem = "the folder holds too much (at most 2000 files and 64 MB)";
            break;
        }
        int in = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        char buffer[65536];
        ssize_t got;
        while (in >= 0 && out >= 0 && (got = read(in, buffer, sizeof buffer)) > 0)
            if (write(out, buffer, (size_t)got) != got) break;
        if (in >= 0) close(in);
        if (out >= 0) close(out);
    }
    closedir(dir);
}

void build_all(std::vector<Build> &builds, double timeout_s, int jobs, const std::string &scratch,
               const Limits &limits) {
    set_pkg_config_path();
    std::string cflags = command_output("pkg-config --cflags tavix 2>/dev/null");
    std::string libs = command_output("pkg-config --libs tavix 2>/dev/null");
    if (libs.empty()) {
        fprintf(stderr,
                "tavix-grade: cannot find the TAVIX library through pkg-config (searched %s)\n",
                getenv("PKG_CONFIG_PATH"));
        exit(2);
    }
    setenv("TAVIX_CFLAGS", cflags.c_str(), 1);
    setenv("TAVIX_LIBS", libs.c_str(), 1);
    // Makefiles that rely on make's own rules get the flags too.
    setenv("CFLAGS", cflags.c_str(), 1);
    setenv("CXXFLAGS", cflags.c_str(), 1);
    setenv("LDLIBS", libs.c_str(), 1);

    std::vector<Job> all(builds.size());
    for (size_t i = 0; i < builds.size(); ++i) {
        all[i].build = &builds[i];
        std::string top = scratch + "/build" + std::to_string(i);
        mkdir(top.c_str(), 0700);
        all[i].folder = top + "/" + file_stem(builds[i].folder);
    }
    size_t next = 0;
    std::vector<Job *> active;
    while (next < all.size() || !active.empty()) {
        while ((int)active.size() < jobs && next < all.size()) {
            Job &job = all[next++];
            start_build(job, limits);
            if (job.pid) active.push_back(&job);
        }
        usleep(20000);
        for (size_t i = 0; i < active.size();) {
            Job &job = *active[i];
            siginfo_t info;
            memset(&info, 0, sizeof info);
            bool ended = waitid(P_PID, (id_t)job.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                         info.si_pid == job.pid;
            bool timed_out = !ended && now_s() - job.started >= timeout_s;
            if (!ended && !timed_out) {
                ++i;
                continue;
            }
            // Whatever the build left running in its group ends with it, while the leader, not
            // yet reaped, keeps the group's number from being reused.
            kill(-job.pid, SIGKILL);
            int status = 0;
            waitpid(job.pid, &status, 0);
            finish_build(job, status, timed_out, timeout_s);
            active.erase(active.begin() + (long)i);
        }
    }
}
