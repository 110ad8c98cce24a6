// tavix-grade on a reference and submissions with one fault each, on two scripts: the outcome of
// every submission and script in summary.csv, the exit status, and a report page that shows the
// difference picture of the one that differs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

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

}  // namespace
