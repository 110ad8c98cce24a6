// The compile queue, its workers and the cache of finished page folders.
#include "tools/playground/builds.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tools/playground/text.h"

const char *const BUILD_FILES[] = {"main.html", "main.js", "main.wasm", nullptr};

namespace {

// What the page is shown of the compiler's words at most: enough for many errors, while a
// program made to print endless warnings costs the server nothing.
const size_t LOG_LIMIT = 32 * 1024;
// What a compile may leave of each file: a page's code and its WebAssembly.
const size_t OUTPUT_LIMIT = 64u << 20;

void drain(int fd, std::string *log) {
    if (fd < 0) return;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        if (log->size() < LOG_LIMIT)
            log->append(buffer, std::min((size_t)got, LOG_LIMIT - log->size()));
}

// Removes a build's folder: only the names a build holds, then the folder.
void remove_build(const std::string &folder) {
    DIR *dir = opendir(folder.c_str());
    if (dir) {
        int fd = dirfd(dir);
        while (dirent *entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                unlinkat(fd, entry->d_name, 0);
        closedir(dir);
    }
    rmdir(folder.c_str());
}

}  // namespace

std::string build_key(const BuildSettings &settings, const std::string &language,
                      const std::string &source) {
    return sha256_hex("tavix-playground 1\n" + language + "\n" + settings.version + "\n" +
                      std::to_string(settings.run_memory_mb) + "\n" + source);
}

bool is_build_key(const std::string &text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

Builds::Builds(const SandboxHost &host, const BuildSettings &settings)
    : host_(host), settings_(settings) {
    for (int slot = 0; slot < settings_.jobs; ++slot)
        workers_.emplace_back(&Builds::work, this, slot);
}

Builds::~Builds() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_) worker.join();
}

Builds::Submitted Builds::submit(const std::string &language, const std::string &source,
                                 std::string *key, BuildStatus *status) {
    *key = build_key(settings_, language, source);
    std::lock_guard<std::mutex> lock(mutex_);
    auto known = entries_.find(*key);
    // A compile that met a limit is tried again when asked again; its words were only about
    // that attempt.
    if (known != entries_.end() &&
        !(known->second.state == BuildState::failed && known->second.retry)) {
        known->second.used = ++clock_;
        status->state = known->second.state;
        status->log = known->second.log;
        status->message = known->second.message;
        status->position = 0;
        if (known->second.state == BuildState::queued)
            status->position =
                (size_t)(std::find(queue_.begin(), queue_.end(), *key) - queue_.begin()) + 1;
        return Submitted::accepted;
    }
    if (queue_.size() >= settings_.queue) return Submitted::busy;
    Entry &entry = entries_[*key];
    entry = Entry();
    entry.language = language;
    entry.source = source;
    entry.used = ++clock_;
    queue_.push_back(*key);
    *status = BuildStatus();
    status->position = queue_.size();
    wake_.notify_one();
    return Submitted::accepted;
}

bool Builds::status(const std::string &key, BuildStatus *status) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto known = entries_.find(key);
    if (known == entries_.end()) return false;
    known->second.used = ++clock_;
    status->state = known->second.state;
    status->log = known->second.log;
    status->message = known->second.message;
    status->position = 0;
    if (status->state == BuildState::queued)
        status->position =
            (size_t)(std::find(queue_.begin(), queue_.end(), key) - queue_.begin()) + 1;
    return true;
}

std::string Builds::folder(const std::string &key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto known = entries_.find(key);
    if (known == entries_.end() || known->second.state != BuildState::done) return "";
    known->second.used = ++clock_;
    return settings_.cache + "/" + key;
}

bool Builds::source(const std::string &key, std::string *language, std::string *source) {
    std::string where = folder(key);
    if (where.empty()) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto known = entries_.find(key);
        if (known == entries_.end()) return false;
        *language = known->second.language;
    }
    std::string why;
    return read_regular_file(AT_FDCWD, where + (*language == "cpp" ? "/main.cpp" : "/main.c"),
                             1u << 20, source, &why);
}

void Builds::work(int slot) {
    for (;;) {
        std::string key;
        Entry job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            key = queue_.front();
            queue_.pop_front();
            Entry &entry = entries_[key];
            entry.state = BuildState::compiling;
            job = entry;
            entry.source.clear();
        }
        Entry result;
        compile(slot, key, job, &result);
        std::lock_guard<std::mutex> lock(mutex_);
        Entry &entry = entries_[key];
        entry.state = result.state;
        entry.log = result.log;
        entry.message = result.message;
        entry.retry = result.retry;
        forget_old();
    }
}

void Builds::compile(int slot, const std::string &key, Entry job, Entry *result) {
    result->state = BuildState::failed;
    std::string why;
    Sandbox box(host_, settings_.limits, slot);
    if (!box.prepare(settings_.cache + "/runs", &why)) {
        result->message = "The server cannot compile now (" + why + ").";
        result->retry = true;
        return;
    }
    // The learner's file has a name of ours: nothing they send names a file anywhere.
    const std::string name = job.language == "cpp" ? "main.cpp" : "main.c";
    std::string staged = settings_.cache + "/staged-" + key;
    bool copied = write_file_whole(staged, job.source, 0600) && box.copy_in(staged, name, &why);
    unlink(staged.c_str());
    if (!copied) {
        result->message = "The server cannot compile now (" + why + ").";
        result->retry = true;
        return;
    }
    bool bound = host_.isolation == Isolation::namespaces;
    SandboxCommand command;
    command.program = settings_.node;
    command.args = {(bound ? std::string("/kit") : settings_.kit) + "/bin/tavix-web",
                    name,
                    "-o",
                    ".",
                    "--max-memory",
                    std::to_string(settings_.run_memory_mb)};
    command.env = passed_environment(false, {});
    command.env.push_back("HOME=" + box.inside());
    command.env.push_back("TMPDIR=" + box.inside());
    command.env.push_back("NODE_PATH=/usr/share/nodejs");
    // The system libraries come from the cache warmed before; a compile never writes there.
    command.env.push_back("EM_FROZEN_CACHE=1");
    if (bound) command.read_only.push_back({settings_.kit, "/kit"});
    if (!box.start(command, &why)) {
        result->message = "The server cannot compile now (" + why + ").";
        result->retry = true;
        return;
    }
    std::string log;
    bool stopped = false;
    while (!box.ended()) {
        pollfd wait_for = {box.err_fd(), POLLIN, 0};
        poll(&wait_for, 1, 100);
        drain(box.err_fd(), &log);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            box.stop();
            stopped = true;
            break;
        }
    }
    drain(box.err_fd(), &log);
    result->log = log;
    if (stopped) {
        result->message = "The server stopped.";
        result->retry = true;
        return;
    }
    char text[160];
    if (box.timed_out()) {
        snprintf(text, sizeof text, "The compile took longer than %g s and was stopped.",
                 settings_.limits.timeout_s);
        result->message = text;
        result->retry = true;
        return;
    }
    if (box.limit_killed() || !box.limit_words().empty()) {
        result->message = "The compile met a limit (" + box.limit_words() + ") and was stopped.";
        result->retry = true;
        return;
    }
    int status = box.status();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result->message = WIFSIGNALED(status) ? "The compiler was stopped by a signal."
                                              : "The program did not compile.";
        if (WIFSIGNALED(status)) result->retry = true;
        return;
    }
    // The page folder: read back without trusting the run, written where only the server writes.
    std::string part = settings_.cache + "/" + key + ".part";
    remove_build(part);
    if (mkdir(part.c_str(), 0755) != 0) {
        result->message = "The server cannot keep the page (" + std::string(strerror(errno)) + ").";
        result->retry = true;
        return;
    }
    bool ok = write_file_whole(part + "/" + name, job.source, 0644);
    for (int i = 0; ok && BUILD_FILES[i]; ++i) {
        std::string data;
        ok = box.read_result(BUILD_FILES[i], OUTPUT_LIMIT, &data, &why) &&
             write_file_whole(part + "/" + BUILD_FILES[i], data, 0644);
    }
    std::string final_folder = settings_.cache + "/" + key;
    if (!ok || rename(part.c_str(), final_folder.c_str()) != 0) {
        remove_build(part);
        result->message = "The compile left no page (" + why + ").";
        result->retry = true;
        return;
    }
    result->state = BuildState::done;
}

void Builds::forget_old() {
    size_t finished = 0;
    for (const auto &entry : entries_)
        finished += entry.second.state == BuildState::done || entry.second.state == BuildState::failed;
    while (finished > settings_.kept) {
        auto oldest = entries_.end();
        for (auto e = entries_.begin(); e != entries_.end(); ++e)
            if ((e->second.state == BuildState::done || e->second.state == BuildState::failed) &&
                (oldest == entries_.end() || e->second.used < oldest->second.used))
                oldest = e;
        if (oldest->second.state == BuildState::done) remove_build(settings_.cache + "/" + oldest->first);
        entries_.erase(oldest);
        --finished;
    }
}
