// Folders of sources made into programs: each folder copied into the scratch folder (ordinary
// files and folders only, bounded), then compiled in a sandbox of its own, as hostile as the
// program it makes, against the library tavix-grade belongs to (found through its pkg-config
// file) within a time limit; a build that fails keeps the compiler's first error lines.
#include "tools/grade/grade.h"
#include "tools/grade/sandbox.h"

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
#include <memory>
#include <poll.h>


namespace {

// What a submission's folder may hold: more is not copied, and the build says why.
const long MOST_FILES = 2000;
const long MOST_BYTES = 64L << 20;
// The log of a build is read up to this many bytes; error lines are cut at this length.
const size_t LOG_CAP = 256 * 1024;
const size_t LINE_CAP = 300;
const int ERROR_LINES = 8;

// The build itself, the same for every folder, run in the sandbox's folder with the copy of the
// submission's folder as $1: it names no file of the submission, so no file name can reach a
// shell. A CMakeLists.txt or a Makefile is used when there is one (the program made is the
// newest executable file the build wrote); otherwise every C and C++ file is compiled and the
// objects linked. The program ends up as tavix-program.
const char BUILD_SCRIPT[] =
    "exec 1>&2\n"
    "cp -R \"$1/.\" . || exit 1\n"
    ": >.tavix-start\n"
    "top=$(pwd)\n"
    "# Sources handed in inside one folder of their own are built there.\n"
    "set -- ./*\n"
    "if [ $# = 1 ] && [ -d \"$1\" ]; then cd \"$1\" || exit 1; fi\n"
    "if [ -f CMakeLists.txt ]; then\n"
    "  cmake -S . -B tavix-build -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1\n"
    "  cmake --build tavix-build || exit 1\n"
    "  search=tavix-build\n"
    "elif [ -f Makefile ] || [ -f makefile ] || [ -f GNUmakefile ]; then\n"
    "  make || exit 1\n"
    "  search=.\n"
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
    "  c++ tavix-objects/*.o -o \"$top/tavix-program\" $TAVIX_LIBS || exit 1\n"
    "  exit 0\n"
    "fi\n"
    "program=$(find \"$search\" -maxdepth 3 -name CMakeFiles -prune -o -type f -perm -u+x "
    "-newer \"$top/.tavix-start\" -printf '%T@ %p\\n' | sort -n | tail -n 1 | cut -d' ' -f2-)\n"
    "[ -n \"$program\" ] || { echo 'error: the build made no program'; exit 1; }\n"
    "cp \"$program\" \"$top/tavix-program\"\n";

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

// What every build is given: the flags, the search path, and what it may read beyond the
// system (the library's headers, libraries and pkg-config file, wherever they are).
struct Toolchain {
    std::string cflags, libs, pkg_config_path;
    std::vector<std::string> readable;
};

void add_readable(Toolchain *tools, const std::string &path) {
    struct stat status;
    if (path.empty() || path[0] != '/' || stat(path.c_str(), &status) != 0) return;
    for (const std::string &known : tools->readable)
        if (known == path) return;
    tools->readable.push_back(path);
}

// The folders named by -I and -L in a line of flags.
void add_flag_folders(Toolchain *tools, const std::string &flags) {
    size_t at = 0;
    while (at < flags.size()) {
        size_t end = flags.find(' ', at);
        if (end == std::string::npos) end = flags.size();
        std::string word = flags.substr(at, end - at);
        if (word.size() > 2 && (word.compare(0, 2, "-I") == 0 || word.compare(0, 2, "-L") == 0))
            add_readable(tools, word.substr(2));
        at = end + 1;
    }
}

bool find_toolchain(Toolchain *tools, std::string *why) {
    // The teacher's PKG_CONFIG_PATH first, then this program's own library.
    if (const char *teacher = getenv("PKG_CONFIG_PATH")) tools->pkg_config_path = teacher;
    std::string own = own_pkg_config_dir();
    if (!own.empty()) tools->pkg_config_path += (tools->pkg_config_path.empty() ? "" : ":") + own;
    std::string saved = getenv("PKG_CONFIG_PATH") ? getenv("PKG_CONFIG_PATH") : "";
    bool had = getenv("PKG_CONFIG_PATH") != nullptr;
    setenv("PKG_CONFIG_PATH", tools->pkg_config_path.c_str(), 1);
    tools->cflags = command_output("pkg-config --cflags tavix 2>/dev/null");
    tools->libs = command_output("pkg-config --libs tavix 2>/dev/null");
    if (had)
        setenv("PKG_CONFIG_PATH", saved.c_str(), 1);
    else
        unsetenv("PKG_CONFIG_PATH");
    if (tools->libs.empty()) {
        *why = "cannot find the TAVIX library through pkg-config (searched " +
               tools->pkg_config_path + ")";
        return false;
    }
    add_flag_folders(tools, tools->cflags);
    add_flag_folders(tools, tools->libs);
    // The pkg-config files themselves, for builds that ask pkg-config (a CMakeLists.txt may).
    size_t at = 0;
    const std::string &path = tools->pkg_config_path;
    while (at <= path.size()) {
        size_t end = path.find(':', at);
        if (end == std::string::npos) end = path.size();
        std::string dir = path.substr(at, end - at);
        add_readable(tools, dir + "/tavix-uninstalled.pc");
        add_readable(tools, dir + "/tavix.pc");
        at = end + 1;
    }
    return true;
}

struct Job {
    Build *build;
    std::string copy;  // the copy of the submission's folder
    std::unique_ptr<Sandbox> box;
    std::string log;
    double started = 0;
};

void refuse(Build &build, const std::string &why) {
    build.outcome = "does-not-compile";
    build.words = "does not compile: " + why;
}

// Starts a build; false when it did not start (the outcome then says why, or the folder was a
// program already).
bool start_build(Job &job, const Toolchain &tools, const SandboxHost &host,
                 const SandboxLimits &limits, int slot, const std::string &scratch) {
    Build &build = *job.build;
    job.started = now_s();
    struct stat status;
    char resolved[PATH_MAX];
    // A program already made (the reference often is) is run as it is.
    if (stat(build.folder.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        access(build.folder.c_str(), X_OK) == 0 && realpath(build.folder.c_str(), resolved)) {
        build.program = resolved;
        return false;
    }
    if (stat(build.folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        refuse(build, build.folder + " is neither a folder nor a program");
        return false;
    }
    CopyCount copy;
    copy_tree(build.folder, job.copy, &copy, 0, 0644);
    chmod(job.copy.c_str(), 0755);
    if (!copy.problem.empty()) {
        refuse(build, copy.problem);
        return false;
    }
    std::string script = scratch + "/build.sh", why;
    job.box.reset(new Sandbox(host, limits, slot));
    bool namespaces = host.isolation == Isolation::namespaces;
    SandboxCommand command;
    command.program = "/bin/sh";
    command.args = {".tavix-build.sh", namespaces ? "/tavix-source" : job.copy};
    command.env = passed_environment(false, {});
    std::string inside = namespaces ? "/tmp" : "";
    command.read_only.push_back({job.copy, namespaces ? "/tavix-source" : job.copy});
    for (const std::string &path : tools.readable) command.read_only.push_back({path, path});
    if (!job.box->prepare(scratch, &why) || !job.box->copy_in(script, ".tavix-build.sh", &why)) {
        refuse(build, why);
        return false;
    }
    inside = job.box->inside();
    command.env.push_back("HOME=" + inside);
    command.env.push_back("TMPDIR=" + inside);
    command.env.push_back("PKG_CONFIG_PATH=" + tools.pkg_config_path);
    command.env.push_back("TAVIX_CFLAGS=" + tools.cflags);
    command.env.push_back("TAVIX_LIBS=" + tools.libs);
    // Makefiles that rely on make's own rules get the flags too.
    command.env.push_back("CFLAGS=" + tools.cflags);
    command.env.push_back("CXXFLAGS=" + tools.cflags);
    command.env.push_back("LDLIBS=" + tools.libs);
    if (!job.box->start(command, &why)) {
        refuse(build, why);
        return false;
    }
    return true;
}

void read_log(Job &job) {
    char buffer[65536];
    ssize_t got;
    while ((got = read(job.box->err_fd(), buffer, sizeof buffer)) > 0)
        if (job.log.size() < LOG_CAP)
            job.log.append(buffer, std::min((size_t)got, LOG_CAP - job.log.size()));
}

void finish_build(Job &job, const std::string &program, double timeout_s) {
    Build &build = *job.build;
    Sandbox &box = *job.box;
    build.seconds = now_s() - job.started;
    std::string data, why;
    int status = box.status();
    bool made = !box.timed_out() && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                box.read_result("tavix-program", MOST_BYTES, &data, &why);
    if (made) {
        int fd = open(program.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
        made = fd >= 0 && write(fd, data.data(), data.size()) == (ssize_t)data.size();
        if (fd >= 0 && close(fd) != 0) made = false;
    }
    if (made) {
        build.program = program;
        return;
    }
    build.outcome = "does-not-compile";
    char text[160];
    if (box.timed_out())
        snprintf(text, sizeof text, "does not compile: the build took more than %g s", timeout_s);
    else if (!box.limit_words().empty())
        snprintf(text, sizeof text, "does not compile: %s", box.limit_words().c_str());
    else
        snprintf(text, sizeof text, "does not compile");
    build.words = text;
    build.errors = error_lines(job.log);
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
    mkdir(to.c_str(), 0700 | ((mode & 0040) ? 0050 : 0) | ((mode & 0004) ? 0005 : 0));
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

bool build_all(std::vector<Build> &builds, const Outputs &outputs, int jobs,
               const std::string &scratch, const Limits &limits, const SandboxHost &host,
               std::string *why) {
    Toolchain tools;
    if (!find_toolchain(&tools, why)) return false;
    std::string script = scratch + "/build.sh";
    int fd = open(script.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool written = fd >= 0 && write(fd, BUILD_SCRIPT, sizeof BUILD_SCRIPT - 1) ==
                                  (ssize_t)(sizeof BUILD_SCRIPT - 1);
    if (fd >= 0) close(fd);
    if (!written) {
        *why = "cannot write " + script;
        return false;
    }
    // A compiler needs more room than most programs it makes.
    SandboxLimits box_limits;
    box_limits.timeout_s = outputs.compile_timeout_s;
    box_limits.memory_mb = std::max(limits.memory_mb, 2048L);
    box_limits.disk_mb = std::max(limits.disk_mb, 256L);
    box_limits.processes = std::max(limits.processes, 64L);
    box_limits.open_files = std::max(limits.open_files, 256L);

    std::vector<Job> all(builds.size());
    for (size_t i = 0; i < builds.size(); ++i) {
        all[i].build = &builds[i];
        // A name nobody can guess: the scratch folder lets every run's user through, and a
        // build run under a user id of its own could otherwise read another's sources.
        std::string name = scratch + "/source-XXXXXX";
        if (!mkdtemp(&name[0])) {
            *why = "cannot make a folder in " + scratch + ": " + strerror(errno);
            return false;
        }
        all[i].copy = name;
    }
    std::vector<int> free_slots;
    for (int slot = jobs - 1; slot >= 0; --slot) free_slots.push_back(slot);
    std::vector<std::pair<Job *, int>> active;
    size_t next = 0;
    while (next < all.size() || !active.empty()) {
        while (!free_slots.empty() && next < all.size()) {
            Job &job = all[next++];
            if (!start_build(job, tools, host, box_limits, free_slots.back(), scratch)) {
                job.box.reset();
                continue;
            }
            active.push_back({&job, free_slots.back()});
            free_slots.pop_back();
        }
        std::vector<pollfd> fds;
        for (const auto &a : active) fds.push_back(pollfd{a.first->box->err_fd(), POLLIN, 0});
        poll(fds.data(), fds.size(), 20);
        for (size_t i = 0; i < active.size();) {
            Job &job = *active[i].first;
            read_log(job);
            if (!job.box->ended()) {
                ++i;
                continue;
            }
            read_log(job);
            size_t index = (size_t)(&job - all.data());
            finish_build(job, scratch + "/program" + std::to_string(index),
                         outputs.compile_timeout_s);
            job.box.reset();  // ends what is left and removes its folder
            free_slots.push_back(active[i].second);
            active.erase(active.begin() + (long)i);
        }
    }
    return true;
}
