// What the script and menu tests share: the library opened once per process (through the core
// tests' harness), its switches put back before every test, a fresh working directory per test
// for the script file, and readers for the console's messages, the menu's check marks and the
// script file.
#ifndef TAVIX_TESTS_SCRIPT_LIBRARY_FIXTURE_H
#define TAVIX_TESTS_SCRIPT_LIBRARY_FIXTURE_H

#include "library/core/state.h"
#include "library/script/script_line.h"
#include "tests/core/library_harness.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

class LibraryTest : public ::testing::Test {
   public:
    void SetUp() override {
        harness::start_library();
        ASSERT_NE(library_state.window.graphics, nullptr);
        // A wait that never gets its event ends the test program instead of hanging it.
        harness::arm_watchdog(30);

        char name[] = "/tmp/tavix-script-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        directory_ = name;
        ASSERT_NE(getcwd(previous_, sizeof previous_), nullptr);
        ASSERT_EQ(chdir(name), 0);

        reset_library();
    }

    void TearDown() override {
        harness::disarm_watchdog();
        reset_library();
        if (chdir(previous_) != 0) ADD_FAILURE() << "cannot return to " << previous_;
        remove_tree(directory_);
    }

    // Every switch off (logging on, as at load), no stream, no ticks counted, an empty queue.
    static void reset_library() {
        harness::reset_event_state();
        close_script();
        TAVIX_set_logging(1);
        stop_recording();
        stop_playback();
        drain_queue();
        library_state.events.pending = PendingEvent{0, 0, 0, TAVIX_NO_EVENT};
    }

    // Runs every queued message through the window procedures, as the wait's passes do; unlike
    // the harness's, it takes a quit for good, so that none reaches the next test.
    static void drain_queue() {
        for (int guard = 0; guard < 1000 && pump_one_message(); guard++) {
        }
    }

    static bool checked(UINT id) {
        return (GetMenuState(library_state.menu.run_menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    // The console's message count so far, to measure what a step printed.
    static int console_mark() { return library_state.console.end; }
    static int printed_since(int mark) {
        return (library_state.console.end - mark + CONSOLE_RING_SIZE) % CONSOLE_RING_SIZE;
    }
    // The newest console message, newline included.
    static std::string last_message() {
        if (library_state.console.first < 0) return "";
        int slot = (library_state.console.end + CONSOLE_RING_SIZE - 1) % CONSOLE_RING_SIZE;
        HGLOBAL block = library_state.console.lines[slot];
        const char *text = static_cast<const char *>(GlobalLock(block));
        std::string copy = text ? text : "";
        GlobalUnlock(block);
        return copy;
    }

    static std::string read_file(const char *name = SCRIPT_FILE_NAME) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    static void write_file(const std::string &text, const char *name = SCRIPT_FILE_NAME) {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }

    std::string directory_;

   private:
    static void remove_tree(const std::string &path) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) return;
        if (S_ISDIR(info.st_mode)) {
            if (DIR *dir = opendir(path.c_str())) {
                while (dirent *entry = readdir(dir)) {
                    std::string name = entry->d_name;
                    if (name != "." && name != "..") remove_tree(path + "/" + name);
                }
                closedir(dir);
            }
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
        }
    }

    char previous_[4096] = {};
};

#endif
