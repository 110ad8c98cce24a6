// The server's own files and programs: found, read and run.
#include "tools/playground/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <regex>

#include "tools/grade/sandbox.h"

bool is_file(const std::string &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string absolute(const std::string &path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

std::string find_program(const char *name) {
    const char *path = getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (end > at && access(candidate.c_str(), X_OK) == 0) return absolute(candidate);
        at = end + 1;
    }
    return "";
}

std::string read_trusted(const std::string &path, size_t max) {
    std::string data, why;
    if (!read_regular_file(AT_FDCWD, path, max, &data, &why)) return "";
    return data;
}

int run_program(const std::vector<std::string> &args, const std::string &folder,
                const std::vector<std::string> *env, bool quiet) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        int null_fd = quiet ? open("/dev/null", O_WRONLY) : -1;
        if (null_fd >= 0) dup2(null_fd, 1);
        std::vector<char *> argv, envp;
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if (env) {
            for (const std::string &e : *env) envp.push_back(const_cast<char *>(e.c_str()));
            envp.push_back(nullptr);
            execve(argv[0], argv.data(), envp.data());
        } else {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> kit_fonts(const std::string &kit) {
    std::set<std::string> fonts;
    static const std::regex font_name("[A-Za-z0-9_-]+\\.ttf");
    std::string folder = kit + "/share/tavix/web/fonts";
    if (DIR *dir = opendir(folder.c_str())) {
        while (struct dirent *entry = readdir(dir))
            if (std::regex_match(entry->d_name, font_name) && is_file(folder + "/" + entry->d_name))
                fonts.insert(entry->d_name);
        closedir(dir);
    }
    return fonts;
}
