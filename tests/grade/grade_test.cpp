// tavix-grade on a reference and submissions with one fault each, on two scripts: the outcome of
// every submission and script in summary.csv, the exit status, and a report page that shows the
// difference picture of the one that differs.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// Whether the library leaves a snapshot when a program returns without TAVIX_finish.
bool snapshot_at_exit(const std::string &program) {
    std::string picture = "no_finish_alone.png";
    remove(picture.c_str());
    std::string command =
        "TAVIX_HEADLESS=1 TAVIX_SNAPSHOT=" + picture + " " + program + " 2>/dev/null";
    return system(command.c_str()) == 0 && exists(picture);
}

// summary.csv's lines by "submission script" (the program's name after prefix, the script's first
// three letters), each holding the rest of its line.
std::map<std::string, std::string> summary(const std::string &path, const std::string &prefix) {
    std::map<std::string, std::string> rows;
    std::istringstream csv(read_file(path));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "submission,script,outcome,differing_pixels,console_line,words");
    while (std::getline(csv, line)) {
        std::string program = line.substr(0, line.find(','));
        std::string rest = line.substr(program.size() + 1);
        std::string script = rest.substr(0, rest.find(','));
        rows[program.substr(program.rfind(prefix) + prefix.size()) + " " +
             script.substr(script.rfind('/') + 1, 3)] = rest.substr(script.size() + 1);
    }
    return rows;
}

TEST(Grade, EverySubmissionGetsItsOutcome) {
    const std::string build = getenv("TAVIX_BUILD_DIR"), here = GRADE_PROGRAMS;
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    const char *submissions[] = {"identical", "pixel_off", "crashes", "hangs",
                                 "no_finish", "chatty",    "forks",   "refused"};
    std::string command = build + "/tavix-grade --timeout 5 --out report --reference " + here +
                          "/grade_reference --script " + source + "one.scr --script " + source +
                          "two.scr";
    for (const char *s : submissions) command += std::string(" ") + here + "/grade_" + s;
    system("rm -rf report");
    int status = system((command + " > grade.out 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status)) << read_file("grade.out");
    EXPECT_EQ(WEXITSTATUS(status), 1) << read_file("grade.out");

    const char *no_finish = snapshot_at_exit(here + "/grade_no_finish") ? "same" : "no-picture";
    struct Expected {
        const char *submission, *script, *outcome, *pixels;
    } expected[] = {
        {"identical", "one", "same", "0"},
        {"identical", "two", "same", "0"},
        {"pixel_off", "one", "same", "0"},
        {"pixel_off", "two", "differs", "1"},  // the extra pixel beside the click at x > 150
        {"crashes", "one", "crashed", ""},     // at the key
        {"crashes", "two", "same", "0"},       // no key in this script
        {"hangs", "one", "timed-out", ""},
        {"hangs", "two", "timed-out", ""},
        {"no_finish", "one", no_finish, no_finish[0] == 's' ? "0" : ""},
        {"no_finish", "two", no_finish, no_finish[0] == 's' ? "0" : ""},
        {"chatty", "one", "differs", "0"},  // megabytes on standard error at the key
        {"chatty", "two", "same", "0"},
        {"forks", "one", "same", "0"},  // its child, still holding the pipe, does not hold it up
        {"forks", "two", "same", "0"},
        {"refused", "one", "replay-incomplete", ""},  // stops at the key
        {"refused", "two", "same", "0"},
    };
    std::map<std::string, std::string> rows = summary("report/summary.csv", "grade_");
    EXPECT_EQ(rows.size(), sizeof expected / sizeof expected[0]);
    for (const Expected &e : expected) {
        std::string key = std::string(e.submission) + " " + e.script;
        std::string want = std::string(e.outcome) + "," + e.pixels + ",";
        EXPECT_EQ(rows[key].compare(0, want.size(), want), 0) << key << ": " << rows[key];
    }
    EXPECT_NE(rows["crashes one"].find("signal 6 (SIGABRT)"), std::string::npos);
    EXPECT_NE(rows["hangs one"].find("timed out after 5 s"), std::string::npos);
    EXPECT_NE(rows["refused one"].find("replay incomplete at line 3"), std::string::npos);

    std::string page = read_file("report/report.html");
    std::string difference = "pictures/2-grade_pixel_off-2-two_scr-difference.png";
    EXPECT_NE(page.find("src=\"" + difference + "\""), std::string::npos);
    EXPECT_TRUE(exists("report/" + difference));
}

// The guide's worked example gives what the guide says it gives.
TEST(Grade, TheGuidesExampleGradesAsTheGuideSays) {
    const std::string build = getenv("TAVIX_BUILD_DIR");
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/docs/grading/";
    const std::string programs = build + "/docs/grading/grading_";
    if (!exists(programs + "flowers")) GTEST_SKIP() << "the examples are not built";
    system("rm -rf class");
    int status =
        system((build + "/tavix-grade --out class --reference " + programs + "flowers --script " +
                source + "garden.scr --script " + source + "meadow.scr " + programs + "alice " +
                programs + "bob " + programs + "carol > class.out 2>&1")
                   .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << read_file("class.out");
    const std::map<std::string, std::string> expected = {
        {"alice gar", "same,0,0,same"},
        {"alice mea", "same,0,0,same"},
        {"bob gar", "differs,340,0,differs: 340 pixels"},
        {"bob mea", "differs,272,0,differs: 272 pixels"},
        {"carol gar", "same,0,0,same"},
        {"carol mea", "crashed,,,crashed with signal 6 (SIGABRT)"},
    };
    EXPECT_EQ(summary("class/summary.csv", "grading_"), expected);
}

// Runs a shell command as a process of its own: its process id (the grader's, as the command
// ends in exec) and its wait status; interrupt_after: seconds after which it gets SIGINT, or 0.
int run_command(const std::string &command, pid_t *pid, double interrupt_after = 0) {
    *pid = fork();
    if (*pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), (char *)nullptr);
        _exit(127);
    }
    if (interrupt_after > 0) {
        usleep((useconds_t)(interrupt_after * 1e6));
        kill(*pid, SIGINT);
    }
    int status = 0;
    waitpid(*pid, &status, 0);
    return status;
}

// The names in a folder, or "missing".
std::vector<std::string> listing(const std::string &folder) {
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (!dir) return {"missing"};
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Processes whose environment holds mark: those this test's grading started.
std::vector<std::string> processes_with(const std::string &mark) {
    std::vector<std::string> found;
    for (const std::string &pid : listing("/proc")) {
        if (pid[0] < '0' || pid[0] > '9') continue;
        std::string environ = read_file("/proc/" + pid + "/environ");
        if (environ.find(mark) != std::string::npos)
            found.push_back(pid + " " + read_file("/proc/" + pid + "/cmdline").c_str());
    }
    return found;
}

// Cgroups a grading made and left, by the grader's process id.
std::vector<std::string> cgroups_of(pid_t grader) {
    std::vector<std::string> found;
    std::string lines = read_file("/proc/self/cgroup");
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(':'), second = line.find(':', colon + 1);
        std::string controller = line.substr(colon + 1, second - colon - 1);
        if (controller != "memory" && controller != "pids") continue;
        std::string folder = "/sys/fs/cgroup/" + controller + line.substr(second + 1);
        for (const std::string &name : listing(folder))
            if (name.find("tavix-grade-" + std::to_string(grader) + "-") == 0)
                found.push_back(folder + "/" + name);
    }
    return found;
}

// One grading of hostile submissions beside honest ones, in each sandbox: the honest are graded
// right, every attack comes to nothing (an attack that works says so on the console, and its
// run differs), and once the grader has gone nothing of the grading is left: no process, no
// folder, no cgroup, no file where it does not belong, and the report as it was written.
class Hostile : public testing::TestWithParam<const char *> {};

TEST_P(Hostile, SubmissionsCannotReachBeyondTheirRun) {
    const std::string mode = GetParam(), build = getenv("TAVIX_BUILD_DIR"), here = GRADE_PROGRAMS;
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    if (mode == "user-ids" && geteuid() != 0) GTEST_SKIP() << "user ids need root";
    const std::string tmp = here + "/hostile_tmp", out = here + "/hostile_report";
    const std::string secret = here + "/hostile_class";
    system(("rm -rf " + tmp + " " + out + " " + secret + " " + here + "/planted.txt").c_str());
    mkdir(tmp.c_str(), 0755);
    mkdir(secret.c_str(), 0700);  // a teacher's folder of the class's sources
    std::ofstream(secret + "/other.c") << "int answer = 42; /* another student's work */\n";

    // A server on the loopback that a submission would send a stolen file to.
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(47613);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool listening =
        bind(listener, (sockaddr *)&address, sizeof address) == 0 && listen(listener, 8) == 0;

    const char *hostile[] = {"neighbour", "cmdline",   "setsid",   "plant",     "steal",
                             "tcp",       "write_out", "litter",   "fork_bomb", "memory",
                             "gigabyte",  "deaf",      "parricide"};
    const std::string mark = "TAVIX_GRADE_TEST_MARK=" + std::to_string(getpid()) + mode;
    std::string command = "TMPDIR=" + tmp + " " + mark + " exec " + build +
                          "/tavix-grade --sandbox " + mode +
                          " --jobs 2 --timeout 8 --memory 200 --out " + out + " --reference " +
                          here + "/grade_reference --script " + source + "two.scr " + here +
                          "/grade_identical " + here + "/grade_pixel_off";
    for (const char *h : hostile) command += " " + here + "/hostile_" + h;
    pid_t grader = 0;
    int status = run_command(command + " > hostile.out 2>&1", &grader);
    std::string report = read_file(out + "/report.html"), csv = read_file(out + "/summary.csv");
    std::vector<std::string> alive = processes_with(mark);
    if (mode == "namespaces" && WIFEXITED(status) && WEXITSTATUS(status) == 2 &&
        read_file("hostile.out").find("no sandbox can be had") != std::string::npos)
        GTEST_SKIP() << read_file("hostile.out");
    ASSERT_TRUE(WIFEXITED(status)) << read_file("hostile.out");
    EXPECT_EQ(WEXITSTATUS(status), 1) << read_file("hostile.out");
    EXPECT_EQ(alive, std::vector<std::string>());
    EXPECT_EQ(cgroups_of(grader), std::vector<std::string>());

    bool ids = mode == "user-ids";
    struct Expected {
        const char *submission, *outcome, *words;  // words: a part of them
    } expected[] = {
        {"identical", "same", "same"},
        {"pixel_off", "differs", "1 pixel"},
        {"neighbour", "same", "same"},                  // every other run's snapshot out of reach
        {"cmdline", "differs", "console from line 1"},  // could not run the reference
        {"setsid", "same", "same"},
        {"plant", "same", "same"},
        {"steal", "same", "same"},
        // The loopback is out of reach in a network namespace only.
        {"tcp", ids ? "differs" : "same", ids ? "console" : "same"},
        {"write_out", "same", "same"},
        {"litter", "over-limit", "disk limit 64 MB"},
        {"fork_bomb", "over-limit", "process limit 64"},  // starved in its own share
        {"memory", "over-limit", "killed: memory limit 200 MB"},
        {"gigabyte", "same", "same"},  // stopped at 64 MB, deleted, then honest
        {"deaf", "timed-out", "timed out after 8 s"},
    };
    std::map<std::string, std::string> rows = summary(out + "/summary.csv", "/");
    EXPECT_EQ(rows.size(), 15u) << csv;
    for (const Expected &e : expected) {
        std::string name = e.submission;
        std::string file =
            (name == "identical" || name == "pixel_off" ? "grade_" : "hostile_") + name + " two";
        const std::string &row = rows[file];
        EXPECT_EQ(row.compare(0, strlen(e.outcome) + 1, std::string(e.outcome) + ","), 0)
            << file << ": " << row;
        EXPECT_NE(row.find(e.words), std::string::npos) << file << ": " << row;
    }
    // A submission that kills whatever it can reaches no further than its own run.
    EXPECT_NE(rows["hostile_parricide two"], "");

    // Nothing left behind, nothing written where it does not belong, nothing sent.
    EXPECT_EQ(listing(tmp), std::vector<std::string>());
    EXPECT_EQ(listing(out), (std::vector<std::string>{"pictures", "report.html", "summary.csv"}));
    EXPECT_FALSE(exists(here + "/planted.txt"));
    if (listening && !ids) {
        EXPECT_LT(accept(listener, nullptr, nullptr), 0);
    }
    close(listener);
    usleep(300000);
    EXPECT_EQ(read_file(out + "/report.html"), report);
    EXPECT_EQ(read_file(out + "/summary.csv"), csv);
    EXPECT_EQ(csv.find("defaced"), std::string::npos);

    // Interrupted while runs that never end and children in sessions of their own are alive:
    // every run is ended before the grader goes, and nothing is left.
    system(("rm -rf " + out).c_str());
    command = "TMPDIR=" + tmp + " " + mark + " exec " + build + "/tavix-grade --sandbox " + mode +
              " --jobs 2 --out " + out + " --reference " + here + "/grade_reference --script " +
              source + "two.scr " + here + "/hostile_setsid " + here + "/hostile_deaf " + here +
              "/hostile_deaf";
    status = run_command(command + " > hostile.out 2>&1", &grader, 3);
    alive = processes_with(mark);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << read_file("hostile.out");
    EXPECT_EQ(alive, std::vector<std::string>());
    EXPECT_EQ(cgroups_of(grader), std::vector<std::string>());
    EXPECT_EQ(listing(tmp), std::vector<std::string>());
    EXPECT_EQ(listing(out), std::vector<std::string>{"pictures"});
}

INSTANTIATE_TEST_SUITE_P(Sandbox, Hostile, testing::Values("namespaces", "user-ids"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param) == "namespaces" ? "Namespaces"
                                                                            : "UserIds";
                         });

// Where no sandbox can be had (no bubblewrap, not root), submissions are run only when asked to
// run without one, and the report says so.
TEST(Grade, RefusesToRunWithoutASandboxUnlessTold) {
    const std::string build = getenv("TAVIX_BUILD_DIR"), here = GRADE_PROGRAMS;
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    system("rm -rf unboxed && mkdir -m 777 unboxed");
    std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups env PATH=/nowhere " +
                          build + "/tavix-grade --out unboxed/report --reference " + here +
                          "/grade_reference --script " + source + "two.scr " + here +
                          "/grade_identical > unboxed.out 2>&1";
    int status = system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << read_file("unboxed.out");
    EXPECT_NE(read_file("unboxed.out").find("no sandbox can be had"), std::string::npos);
    EXPECT_FALSE(exists("unboxed/report/summary.csv"));
    command.replace(command.find(" --out"), 0, " --no-sandbox");
    status = system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << read_file("unboxed.out");
    EXPECT_NE(read_file("unboxed/report/report.html").find("Isolation: none"), std::string::npos);
}

// A program seeded from the clock, and TAVIX_random with no seed in the script: every copy of
// the reference is graded the same as the reference, run after run.
TEST(Grade, ClockSeededProgramsGradeTheSameEveryRun) {
    const std::string build = getenv("TAVIX_BUILD_DIR"), here = GRADE_PROGRAMS;
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    system(("cp " + here + "/hostile_clock clock_copy && rm -rf clock").c_str());
    std::string command = build + "/tavix-grade --jobs 2 --out clock --reference " + here +
                          "/hostile_clock --script " + source + "one.scr";
    for (int i = 0; i < 20; ++i) command += " ./clock_copy";
    int status = system((command + " > clock.out 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << read_file("clock.out");
    std::string csv = read_file("clock/summary.csv");
    size_t same = 0;
    for (size_t at = csv.find(",same,0,0,same\n"); at != std::string::npos;
         at = csv.find(",same,0,0,same\n", at + 1))
        ++same;
    EXPECT_EQ(same, 20u) << csv;
}

}  // namespace
