// tavix-playground: the compile queue in the real sandbox with a stand-in kit (fake_kit/), the
// store of shared programs, and the helpers its answers rely on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <cstdlib>
#include <string>
#include <thread>

#include "tools/playground/builds.h"
#include "tools/playground/shares.h"
#include "tools/playground/text.h"

namespace {

std::string temporary_folder() {
    char folder[] = "/tmp/tavix-playground-test-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    chmod(folder, 0711);
    return folder;
}

bool exists(const std::string &path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

std::string node_program() {
    for (const char *path : {"/usr/bin/node", "/usr/local/bin/node", "/usr/bin/nodejs"})
        if (access(path, X_OK) == 0) return path;
    return "";
}

// Waits until the build has finished (or the time is up) and gives its last status.
BuildStatus finished(Builds &builds, const std::string &key) {
    BuildStatus status;
    for (int i = 0; i < 300; ++i) {
        if (builds.status(key, &status) &&
            (status.state == BuildState::done || status.state == BuildState::failed))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return status;
}

}  // namespace

TEST(PlaygroundText, JsonStringsAreSafeInsideAPageAndValid) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"a\nb\tc\r", "\"a\\nb\\tc\\u000d\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"</script>&", "\"\\u003c/script\\u003e\\u0026\""},
        {"caf\xc3\xa9 \xe2\x82\xac", "\"caf\xc3\xa9 \xe2\x82\xac\""},
        {"\xff\xfe", "\"\\ufffd\\ufffd\""},                     // not UTF-8 at all
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""},                     // an overlong '/'
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},          // a surrogate
        {"cut \xe2\x82", "\"cut \\ufffd\\ufffd\""},             // a sequence cut short
    };
    for (const Case &c : cases) EXPECT_EQ(json_string(c.in), c.out) << c.in;
}

TEST(PlaygroundText, DigestsAndNames) {
    EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // A file is digested a piece at a time: the same digest as its bytes at once.
    std::string folder = temporary_folder(), big(200000, 'x');
    ASSERT_TRUE(write_file_whole(folder + "/big", big, 0600));
    EXPECT_EQ(sha256_file_hex(folder + "/big"), sha256_hex(big));
    EXPECT_EQ(sha256_file_hex(folder + "/missing"), "");
    EXPECT_EQ(system(("rm -rf " + folder).c_str()), 0);
    struct Case {
        std::string text;
        bool key, share;
    } cases[] = {
        {std::string(64, 'a'), true, false},
        {std::string(32, '0'), false, true},
        {std::string(63, 'a'), false, false},
        {std::string(64, 'A'), false, false},
        {"../" + std::string(29, 'a'), false, false},
        {std::string(31, 'a') + "/", false, false},
        {"", false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(is_build_key(c.text), c.key) << c.text;
        EXPECT_EQ(is_share_id(c.text), c.share) << c.text;
    }
    // Each thing that changes the page changes the key.
    BuildSettings a, b;
    a.version = b.version = "1.0";
    std::string key = build_key(a, "c", "int main;");
    EXPECT_NE(key, build_key(a, "cpp", "int main;"));
    EXPECT_NE(key, build_key(a, "c", "int main; "));
    b.version = "1.1";
    EXPECT_NE(key, build_key(b, "c", "int main;"));
    b = a;
    b.run_memory_mb = 512;
    EXPECT_NE(key, build_key(b, "c", "int main;"));
    EXPECT_EQ(key, build_key(a, "c", "int main;"));
}

TEST(PlaygroundShares, StoresBoundedProgramsByDigestOnly) {
    std::string data = temporary_folder();
    Shares shares;
    std::string why, id, id2, language, source;
    ASSERT_TRUE(shares.open(data + "/shares", 2, 100, &why)) << why;
    ASSERT_EQ(shares.store("c", "int x;", &id), Shares::Stored::stored);
    EXPECT_TRUE(is_share_id(id));
    EXPECT_TRUE(exists(data + "/shares/" + id + ".c"));
    ASSERT_TRUE(shares.load(id, &language, &source));
    EXPECT_EQ(language, "c");
    EXPECT_EQ(source, "int x;");
    // The same program again is the same link and takes no room.
    ASSERT_EQ(shares.store("c", "int x;", &id2), Shares::Stored::stored);
    EXPECT_EQ(id, id2);
    EXPECT_EQ(shares.count(), 1u);
    EXPECT_EQ(shares.store("c", std::string(101, 'x'), &id2), Shares::Stored::too_large);
    ASSERT_EQ(shares.store("cpp", "int x;", &id2), Shares::Stored::stored);
    EXPECT_NE(id, id2);
    ASSERT_TRUE(shares.load(id2, &language, &source));
    EXPECT_EQ(language, "cpp");
    EXPECT_EQ(shares.store("c", "int y;", &id2), Shares::Stored::full);
    // Names that are not the store's, and a planted link, are not read.
    EXPECT_FALSE(shares.load("../../etc/passwd", &language, &source));
    std::string planted(32, 'b');
    ASSERT_EQ(symlink("/etc/passwd", (data + "/shares/" + planted + ".c").c_str()), 0);
    EXPECT_FALSE(shares.load(planted, &language, &source));
    // Opened again, the store counts what it holds (the link too: it takes a name).
    Shares again;
    ASSERT_TRUE(again.open(data + "/shares", 4, 100, &why));
    EXPECT_EQ(again.count(), 3u);
    EXPECT_EQ(system(("rm -rf " + data).c_str()), 0);
}

// The queue with a stand-in kit: each program's words choose what the stand-in compiler does.
TEST(PlaygroundBuilds, CompilesOnceInTheSandboxWithBoundedQueueAndCache) {
    SandboxHost host;
    std::string why;
    if (!SandboxHost::probe("", &host, &why)) GTEST_SKIP() << "no sandbox here: " << why;
    host.faketime.clear();
    std::string node = node_program();
    ASSERT_FALSE(node.empty());
    std::string cache = temporary_folder();
    ASSERT_EQ(mkdir((cache + "/runs").c_str(), 0711), 0);
    BuildSettings settings;
    settings.kit = FAKE_KIT;
    settings.node = node;
    settings.cache = cache;
    settings.version = "test";
    settings.jobs = 1;
    settings.queue = 1;
    settings.kept = 4;
    settings.limits.timeout_s = 3;
    settings.limits.memory_mb = 2048;
    settings.limits.disk_mb = 64;

    auto owned = std::make_unique<Builds>(host, settings);
    Builds &builds = *owned;
    struct Case {
        const char *language, *source;
        BuildState state;
        const char *log, *message;  // expected within the log and the message
    } cases[] = {
        {"c", "int main(void) { return 0; }", BuildState::done, "", ""},
        {"cpp", "int main() {}", BuildState::done, "", ""},
        {"c", "ERROR", BuildState::failed, "main.c:2:5: error: 'nothing' undeclared",
         "did not compile"},
        {"c", "NOISE", BuildState::done, "main.c:1:1: warning: xxx", ""},
        {"c", "LINK", BuildState::failed, "", "left no page"},
        {"c", "SLEEP", BuildState::failed, "", "longer than 3 s"},
    };
    for (const Case &c : cases) {
        std::string key;
        BuildStatus status;
        ASSERT_EQ(builds.submit(c.language, c.source, &key, &status), Builds::Submitted::accepted);
        status = finished(builds, key);
        EXPECT_EQ(status.state, c.state) << c.source;
        EXPECT_NE(status.log.find(c.log), std::string::npos) << c.source << ": " << status.log;
        EXPECT_NE(status.message.find(c.message), std::string::npos) << c.source << ": " << status.message;
        EXPECT_LE(status.log.size(), 32u * 1024);
        if (c.state != BuildState::done) {
            EXPECT_EQ(builds.folder(key), "");
            continue;
        }
        std::string folder = builds.folder(key), language, source, js;
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(builds.source(key, &language, &source));
        EXPECT_EQ(source, c.source);
        EXPECT_EQ(language, c.language);
        // The compiler got the file by a name of the server's, and the run's memory cap.
        ASSERT_TRUE(read_regular_file(AT_FDCWD, folder + "/main.js", 1 << 10, &js, &why));
        EXPECT_EQ(js, std::string(c.language[1] ? "main.cpp" : "main.c") + " 256");
        // Asked again, it is known at once.
        BuildStatus again;
        builds.submit(c.language, c.source, &key, &again);
        EXPECT_EQ(again.state, BuildState::done);
    }

    // A failed compile stays failed; one that met its time limit is tried again.
    std::string key;
    BuildStatus status;
    builds.submit("c", "ERROR", &key, &status);
    EXPECT_EQ(status.state, BuildState::failed);
    builds.submit("c", "SLEEP", &key, &status);
    EXPECT_EQ(status.state, BuildState::queued);
    // One compiling, one waiting: the next is refused at once as busy.
    for (int i = 0; i < 100 && builds.status(key, &status) && status.state == BuildState::queued; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(status.state, BuildState::compiling);
    std::string waiting, refused;
    ASSERT_EQ(builds.submit("c", "SLEEP 2", &waiting, &status), Builds::Submitted::accepted);
    EXPECT_EQ(status.position, 1u);
    EXPECT_EQ(builds.submit("c", "SLEEP 3", &refused, &status), Builds::Submitted::busy);
    EXPECT_FALSE(builds.status(refused, &status));

    // Only the last `kept` finished builds stay, the least recently asked for going first.
    finished(builds, waiting);
    std::string first, second;
    builds.submit("c", "int main(void) { return 0; }", &first, &status);
    EXPECT_EQ(builds.folder(first), "");
    EXPECT_FALSE(exists(cache + "/" + first));
    // Stopped while it compiles, nothing of the runs is left behind.
    owned.reset();
    EXPECT_EQ(system(("test -z \"$(ls -A " + cache + "/runs)\"").c_str()), 0);
    EXPECT_EQ(system(("rm -rf " + cache).c_str()), 0);
}
