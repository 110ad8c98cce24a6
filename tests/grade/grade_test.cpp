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
        size_t name = prefix.empty() ? 0 : program.rfind(prefix) + prefix.size();
        rows[program.substr(name) + " " + script.substr(script.rfind('/') + 1, 3)] =
            rest.substr(script.size() + 1);
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
    // The crash's row says where its replay had got to (the key, line 2) and what it printed.
    EXPECT_NE(page.find("reached script line 2\nlast console lines:\n  click at -100, 50\n"),
              std::string::npos);
    // The chatty one's first line of its own reaches the page inert: markup escaped, the
    // escape sequence and the bytes that are not UTF-8 each a U+FFFD.
    EXPECT_NE(page.find("  submission: &lt;b&gt;chatter&lt;/b&gt; &amp; &quot;it&#39;s&quot; "
                        "\xEF\xBF\xBD[31m\xEF\xBF\xBD\xEF\xBF\xBD(\n"),
              std::string::npos);

    // Only a program told to (as the grader tells every run) says the line it had reached.
    for (const char *setting : {"", "TAVIX_REPLAY_LINE=1 "}) {
        std::string run = "cp " + source + "one.scr . && " + setting +
                          "TAVIX_HEADLESS=1 TAVIX_REPLAY=one.scr " + here +
                          "/grade_crashes 2>crash.err";
        system(run.c_str());
        bool told =
            read_file("crash.err").find("TAVIX_REPLAY: ended at line 2\n") != std::string::npos;
        EXPECT_EQ(told, setting[0] != 0) << setting << read_file("crash.err");
    }
}

// Writes a folder of sources built from grade_program.c: its variant.h, and a build file.
void source_folder(const std::string &name, const std::string &variant, const char *build_file,
                   const std::string &build_text) {
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    system(("rm -rf '" + name + "' && mkdir '" + name + "' && cp " + source + "grade_program.c '" +
            name + "/'")
               .c_str());
    std::ofstream(name + "/variant.h") << variant << "\n";
    if (build_file) std::ofstream(name + "/" + build_file) << build_text;
}

const char *const MAKEFILE =
    "program: grade_program.o\n\t$(CC) grade_program.o -o program $(LDLIBS)\n";
const char *const CMAKELISTS =
    "cmake_minimum_required(VERSION 3.16)\nproject(hangs C)\n"
    "find_package(PkgConfig REQUIRED)\npkg_check_modules(TAVIX REQUIRED IMPORTED_TARGET tavix)\n"
    "add_executable(hangs grade_program.c)\n"
    "target_link_libraries(hangs PRIVATE PkgConfig::TAVIX)\n";

// The class a teacher grades from sources, each folder built its own way.
void write_class() {
    source_folder("reference", "#define GRADE_VARIANT 0", nullptr, "");
    source_folder("=good", "#define GRADE_VARIANT 1", nullptr, "");
    source_folder("wrong", "#define GRADE_VARIANT 2", "Makefile", MAKEFILE);
    source_folder("broken", "#define GRADE_VARIANT 1 +", nullptr, "");
    source_folder("unlinked",
                  "#define GRADE_VARIANT 1\nvoid TAVIX_unheard_of(void);\n"
                  "#define TAVIX_finish TAVIX_unheard_of",
                  nullptr, "");
    source_folder("hangs", "#define GRADE_VARIANT 4", "CMakeLists.txt", CMAKELISTS);
}

// Source folders compiled against the library and graded in one go, in every format.
TEST(Grade, SourceFoldersAreCompiledAndGraded) {
    const std::string build = getenv("TAVIX_BUILD_DIR");
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    const std::string checker = "python3 " + source + "check_results.py ";
    write_class();
    system("rm -rf sources");
    int status = system((build +
                         "/tavix-grade --build --timeout 8 --out sources --format "
                         "html,csv,json,junit,gradescope,prairielearn --reference "
                         "reference --script " +
                         source + "one.scr --script " + source +
                         "two.scr =good wrong broken unlinked hangs > sources.out 2>&1")
                            .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << read_file("sources.out");

    struct Expected {
        const char *folder, *one, *two, *gradescope, *prairielearn;
    } expected[] = {
        {"'=good", "same", "same", "2", "1"},  // the name is kept from being a formula
        {"wrong", "same", "differs", "1", "0.5"},
        {"broken", "does-not-compile", "does-not-compile", "0", "none"},
        {"unlinked", "does-not-compile", "does-not-compile", "0", "none"},
        {"hangs", "timed-out", "timed-out", "0", "0"},
    };
    std::map<std::string, std::string> rows = summary("sources/summary.csv", "");
    EXPECT_EQ(rows.size(), 10u);
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        const Expected &e = expected[i];
        for (const char *script : {"one", "two"}) {
            std::string key = std::string(e.folder) + " " + script;
            std::string want = std::string(script[0] == 'o' ? e.one : e.two) + ",";
            EXPECT_EQ(rows[key].compare(0, want.size(), want), 0) << key << ": " << rows[key];
        }
        std::string stem = std::to_string(i + 1) + "-" + (i == 0 ? "_good" : e.folder);
        for (const char *format : {"gradescope", "prairielearn"}) {
            std::string score = format[0] == 'g' ? e.gradescope : e.prairielearn;
            std::string check =
                checker + format + " sources/" + format + "/" + stem + "/results.json " + score;
            EXPECT_EQ(system(check.c_str()), 0) << check;
        }
    }
    std::string page = read_file("sources/report.html");
    EXPECT_NE(page.find("the compiler said:\n  ./grade_program.c"), std::string::npos);
    EXPECT_NE(page.find("undefined reference to"), std::string::npos);
    std::string junit = read_file("sources/junit.xml");
    EXPECT_NE(junit.find("<testsuites name=\"tavix-grade\" tests=\"10\" failures=\"1\" "
                         "errors=\"6\">"),
              std::string::npos);
    EXPECT_NE(read_file("sources/results.json").find("\"name\": \"=good\""), std::string::npos);
}

// The autograder folders, run as Gradescope and PrairieLearn would run them on one student's
// folder, in a tree of their own instead of /autograder and /grade.
TEST(Grade, AutogradersWriteTheirResults) {
    const std::string build = getenv("TAVIX_BUILD_DIR");
    const std::string source = std::string(getenv("TAVIX_SOURCE_DIR")) + "/tests/grade/";
    const std::string checker = "python3 " + source + "check_results.py ";
    write_class();
    system("rm -rf autograder gs pl");
    // One pixel off is forgiven: wrong earns every point.
    std::string make = build +
                       "/tavix-grade --autograder autograder --reference reference "
                       "--points 5 --tolerance 1 --timeout 8 --script " +
                       source + "one.scr --script " + source + "two.scr > autograder.out 2>&1";
    ASSERT_EQ(system(make.c_str()), 0) << read_file("autograder.out");
    struct Case {
        const char *student, *format, *score;
    } cases[] = {
        {"wrong", "gradescope", "10"},
        {"broken", "gradescope", "0"},
        {"wrong", "prairielearn", "1"},
        {"broken", "prairielearn", "none"},
    };
    // The checker itself refuses what the formats do not allow.
    std::ofstream("bad.json") << "{\"score\": 1.5, \"tests\": [{\"status\": \"ok\"}]}";
    EXPECT_NE(system((checker + "gradescope bad.json > /dev/null").c_str()), 0);
    EXPECT_NE(system((checker + "prairielearn bad.json > /dev/null").c_str()), 0);
    for (const Case &c : cases) {
        bool gs = c.format[0] == 'g';
        std::string root = gs ? "gs" : "pl", student = root + (gs ? "/submission" : "/student");
        std::string setup =
            "rm -rf " + root + " && mkdir " + root + " && cp -r autograder/" +
            (gs ? "gradescope " + root + "/source" : "prairielearn/tests " + root + "/tests") +
            " && cp -r " + c.student + " " + student;
        ASSERT_EQ(system(setup.c_str()), 0) << setup;
        std::string run = std::string(gs ? "TAVIX_AUTOGRADER_ROOT=" : "TAVIX_GRADE_ROOT=") + root +
                          " TAVIX_GRADE=" + build + "/tavix-grade sh " + root +
                          (gs ? "/source/run_autograder" : "/tests/run.sh") + " > run.out 2>&1";
        system(run.c_str());
        std::string check = checker + c.format + " " + root + "/results/results.json " + c.score;
        EXPECT_EQ(system(check.c_str()), 0) << c.student << " " << c.format << "\n"
                                            << read_file("run.out");
        // The count is of the pixels compared: the 595 x 496 a window shows.
        if (std::string(c.student) == "wrong")
            EXPECT_NE(read_file(root + "/results/results.json").find(" of 295120 "),
                      std::string::npos);
    }
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
    std::string command = "TMPDIR=" + tmp + " " + mark + " HOSTILE_TOKEN=hunter2 exec " + build +
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
