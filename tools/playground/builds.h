// tavix-playground's compiles: each program typed into the page becomes a page folder of its own,
// made by the browser kit's tavix-web inside the sandbox that tavix-grade runs submissions in.
//
// A program is known by its key, the SHA-256 of what decides the result (the source, its
// language, the library's version and the run's memory cap): the same program is compiled once.
// At most `jobs` compiles run at once; others wait in a queue of bounded length, whose places the
// page shows. Finished folders are kept in a cache folder of bounded count, oldest dropped first.
#ifndef TAVIX_TOOLS_PLAYGROUND_BUILDS_H
#define TAVIX_TOOLS_PLAYGROUND_BUILDS_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/grade/sandbox.h"

// The files of a finished page folder, in the build's folder under these names.
extern const char *const BUILD_FILES[];  // "main.html", "main.js", "main.wasm", nullptr

struct BuildSettings {
    std::string kit;         // the browser kit's prefix (bin/tavix-web, lib, include, share)
    std::string node;        // the node program that runs tavix-web
    std::string cache;       // folder of the finished builds (made and owned by the server)
    std::string version;     // the library's version and the kit's identity, part of each key
    int jobs = 2;            // compiles at once
    size_t queue = 32;       // programs waiting at most; more are refused as busy
    size_t kept = 200;       // finished builds kept at most
    long run_memory_mb = 256;  // the most memory a program may grow to in the browser
    SandboxLimits limits;    // each compile's limits
};

enum class BuildState { queued, compiling, done, failed };

struct BuildStatus {
    BuildState state = BuildState::queued;
    size_t position = 0;  // queued: 1 for the next to start
    std::string log;      // what the compiler said (warnings, errors), at most a bounded size
    std::string message;  // failed: one line on why, for the page
};

// The key of a program: hex SHA-256 of its language, the settings' version and memory cap, and
// its source.
std::string build_key(const BuildSettings &settings, const std::string &language,
                      const std::string &source);
// Whether text is a key as build_key makes them (64 lower-case hex digits).
bool is_build_key(const std::string &text);

class Builds {
   public:
    Builds(const SandboxHost &host, const BuildSettings &settings);
    ~Builds();  // stops the compiles under way and the workers
    Builds(const Builds &) = delete;
    Builds &operator=(const Builds &) = delete;

    enum class Submitted { accepted, busy };
    // Queues a program unless it is known (then its status is given); busy when the queue is
    // full. language: "c" or "cpp".
    Submitted submit(const std::string &language, const std::string &source, std::string *key,
                     BuildStatus *status);
    // The status of a known key; false for a key never submitted (or dropped from the cache).
    bool status(const std::string &key, BuildStatus *status);
    // A finished build's folder (marked as used just now), or empty.
    std::string folder(const std::string &key);
    // The source of a finished build (read from its folder), or false.
    bool source(const std::string &key, std::string *language, std::string *source);

   private:
    struct Entry {
        BuildState state = BuildState::queued;
        std::string language, source;  // source: only while queued
        std::string log, message;
        bool retry = false;  // failed for want of time or memory, not for the program: tried again
        unsigned long used = 0;  // when last asked for, in submissions and requests
    };
    void work(int slot);
    void compile(int slot, const std::string &key, Entry job, Entry *result);
    void forget_old();

    const SandboxHost &host_;
    BuildSettings settings_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> queue_;
    std::map<std::string, Entry> entries_;
    unsigned long clock_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

#endif
