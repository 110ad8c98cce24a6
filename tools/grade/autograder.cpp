// tavix-grade --autograder DIR: a Gradescope autograder folder (setup.sh, run_autograder, the
// reference and the scripts) and a PrairieLearn external grader folder (an image's Dockerfile,
// the question's externalGradingOptions and its tests folder), both grading one student's
// sources with tavix-grade itself.
#include "tools/grade/grade.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void refuse(const std::string &why) {
    fprintf(stderr, "tavix-grade: %s\n", why.c_str());
    fprintf(
        stderr,
        "usage: tavix-grade --autograder DIR --reference PROGRAM --script FILE... [--deb FILE]\n"
        "                   [--points N] [--tolerance PIXELS] [--timeout S] [--memory MB]\n"
        "                   [--compile-timeout S] [--visibility V] [--whole-buffer]\n");
    exit(2);
}

void refuse_option(const char *format, const char *what) {
    char text[512];
    snprintf(text, sizeof text, format, what);
    refuse(text);
}

// A word for a POSIX shell, whatever it holds.
std::string quoted(const std::string &word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string base_name(const std::string &path) {
    size_t end = path.find_last_not_of('/');
    std::string trimmed = end == std::string::npos ? path : path.substr(0, end + 1);
    size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

void write_file(const std::string &path, const std::string &text, mode_t mode) {
    FILE *out = fopen(path.c_str(), "wb");
    bool ok = out && fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out && fclose(out) != 0) ok = false;
    if (!ok) refuse("cannot write " + path + ": " + strerror(errno));
    chmod(path.c_str(), mode);
}

void make_folder(const std::string &path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        refuse("cannot make the folder " + path + ": " + strerror(errno));
}

std::string read_all(const std::string &path) {
    FILE *in = fopen(path.c_str(), "rb");
    if (!in) refuse("cannot read " + path + ": " + strerror(errno));
    std::string bytes;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, got);
    bool failed = ferror(in);
    fclose(in);
    if (failed) refuse("cannot read " + path);
    return bytes;
}

// The reference (a folder of sources, or a program), as reference in folder, and the scripts
// in its scripts folder.
void copy_inputs(const std::string &folder, const std::string &reference,
                 const std::vector<std::string> &scripts) {
    struct stat status;
    if (stat(reference.c_str(), &status) != 0) refuse("cannot read " + reference);
    std::string target = folder + "/reference";
    if (S_ISDIR(status.st_mode)) {
        CopyCount count;
        copy_tree(reference, target, &count, 0, 0644);
        if (!count.problem.empty()) refuse(count.problem);
    } else {
        write_file(target, read_all(reference), 0755);
    }
    make_folder(folder + "/scripts");
    for (const std::string &script : scripts)
        write_file(folder + "/scripts/" + base_name(script), read_all(script), 0644);
}

// The grading command both graders run: root is the shell variable holding the tree's root.
std::string grade_command(const Outputs &o, const Limits &limits,
                          const std::vector<std::string> &scripts, const char *format,
                          const std::string &source, const std::string &student) {
    char numbers[256];
    snprintf(numbers, sizeof numbers,
             " --points %g --tolerance %ld --timeout %g --compile-timeout %g", o.points,
             o.tolerance, limits.timeout_s, o.compile_timeout_s);
    if (limits.memory_mb > 0)
        snprintf(numbers + strlen(numbers), sizeof numbers - strlen(numbers), " --memory %ld",
                 limits.memory_mb);
    std::string command = "\"$grade\" --build --jobs 1 --format " + std::string(format) + numbers +
                          " --visibility " + o.visibility +
                          (limits.whole_buffer ? " --whole-buffer" : "") + " --reference \"" +
                          source + "/reference\"";
    for (const std::string &script : scripts)
        command += " \\\n    --script \"" + source + "/scripts/\"" + quoted(base_name(script));
    return command + " \\\n    --out \"$work/out\" -- \"" + student + "\"";
}

const char *const SETUP =
    "#!/bin/sh\n"
    "# Gradescope runs this once, as root, when it builds the autograder's image: TAVIX (the\n"
    "# library and tavix-grade) from its Debian package, and the tools a build needs.\n"
    "set -e\n"
    "cd \"$(dirname \"$0\")\"\n"
    "set -- ./libtavix-dev_*.deb\n"
    "if [ ! -f \"$1\" ]; then\n"
    "    echo 'setup.sh: put the libtavix-dev Debian package (make deb) beside this file' >&2\n"
    "    exit 1\n"
    "fi\n"
    "apt-get update\n"
    "DEBIAN_FRONTEND=noninteractive apt-get install -y \"$1\" cmake make g++ \\\n"
    "    bubblewrap libfaketime\n";

}  // namespace

int write_autograder(int argc, char **argv) {
    std::string dir, reference, deb;
    std::vector<std::string> scripts;
    Outputs outputs;
    outputs.compile_timeout_s = 60;
    Limits limits{10, 0, 64, 64, 256, 1 << 20, false};
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (take_output_option(argc, argv, &i, &outputs, refuse_option)) continue;
        if (strcmp(a, "--whole-buffer") == 0) {
            limits.whole_buffer = true;
            continue;
        }
        bool takes_value = strcmp(a, "--autograder") == 0 || strcmp(a, "--reference") == 0 ||
                           strcmp(a, "--script") == 0 || strcmp(a, "--deb") == 0 ||
                           strcmp(a, "--timeout") == 0 || strcmp(a, "--memory") == 0;
        if (!takes_value) refuse(std::string("unknown option ") + a);
        if (i + 1 >= argc || !argv[i + 1][0]) refuse(std::string(a) + " needs a value");
        const char *value = argv[++i];
        char *end = nullptr;
        double n = strtod(value, &end);
        bool is_number = end != value && !*end;
        if (strcmp(a, "--autograder") == 0) dir = value;
        if (strcmp(a, "--reference") == 0) reference = value;
        if (strcmp(a, "--script") == 0) scripts.push_back(value);
        if (strcmp(a, "--deb") == 0) deb = value;
        if (strcmp(a, "--timeout") == 0) {
            if (!is_number || !(n >= 0.1 && n <= 600)) refuse("bad value for --timeout");
            limits.timeout_s = n;
        }
        if (strcmp(a, "--memory") == 0) {
            if (!is_number || !(n >= 64 && n <= 1 << 20)) refuse("bad value for --memory");
            limits.memory_mb = (long)n;
        }
    }
    if (reference.empty()) refuse("no --reference program or folder");
    if (scripts.empty()) refuse("no --script file");
    for (size_t i = 0; i < scripts.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (base_name(scripts[i]) == base_name(scripts[j]))
                refuse("two scripts are named " + base_name(scripts[i]));

    make_folder(dir);
    // Gradescope: the zip's contents are this folder's.
    std::string gs = dir + "/gradescope";
    make_folder(gs);
    copy_inputs(gs, reference, scripts);
    if (!deb.empty()) write_file(gs + "/" + base_name(deb), read_all(deb), 0644);
    write_file(gs + "/setup.sh", SETUP, 0755);
    write_file(
        gs + "/run_autograder",
        "#!/bin/sh\n"
        "# Gradescope runs this for every submission: the student's sources are in\n"
        "# submission/, the grade goes to results/results.json.\n"
        "root=${TAVIX_AUTOGRADER_ROOT:-/autograder}\n"
        "grade=${TAVIX_GRADE:-tavix-grade}\n"
        "work=$(mktemp -d)\n"
        "mkdir -p \"$root/results\"\n" +
            grade_command(outputs, limits, scripts, "gradescope", "$root/source",
                          "$root/submission") +
            "\nstatus=$?\n"
            "# 0 or 1: graded. 3: the reference itself failed, which is no fault of the\n"
            "# student's; anything else: the grading could not be done.\n"
            "if [ \"$status\" -le 1 ] && [ -f \"$work/out/gradescope/1-submission/results.json\" "
            "]; then\n"
            "    cp \"$work/out/gradescope/1-submission/results.json\" "
            "\"$root/results/results.json\"\n"
            "else\n"
            "    printf '{\"score\": 0, \"output\": \"This submission could not be graded "
            "(tavix-grade exit status %d%s); please tell your teacher.\", \"tests\": []}\\n' "
            "\"$status\" \"$([ \"$status\" = 3 ] && echo ': the reference failed')\" \\\n"
            "        >\"$root/results/results.json\"\n"
            "fi\n"
            "rm -rf \"$work\"\n",
        0755);

    // PrairieLearn: the image is built once from the Dockerfile (it cannot reach the network
    // while grading); the question's tests folder holds the rest.
    std::string pl = dir + "/prairielearn";
    make_folder(pl);
    make_folder(pl + "/tests");
    copy_inputs(pl + "/tests", reference, scripts);
    if (!deb.empty()) write_file(pl + "/" + base_name(deb), read_all(deb), 0644);
    double seconds =
        outputs.compile_timeout_s * 2 + limits.timeout_s * 2 * (double)scripts.size() + 10;
    char options[512];
    snprintf(options, sizeof options,
             "{\n  \"externalGradingOptions\": {\n    \"enabled\": true,\n"
             "    \"image\": \"tavix-grader\",\n    \"entrypoint\": \"/grade/tests/run.sh\",\n"
             "    \"timeout\": %d\n  }\n}\n",
             (int)(seconds < 600 ? seconds : 600));
    write_file(pl + "/info.json", options, 0644);
    write_file(pl + "/Dockerfile",
               "# The grading image: TAVIX from its Debian package and the tools a build needs.\n"
               "# docker build -t tavix-grader . (push it where PrairieLearn can pull it, and\n"
               "# name it in info.json's externalGradingOptions).\n"
               "FROM debian:bookworm\n"
               "COPY libtavix-dev_*.deb /tmp/\n"
               "RUN apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y "
               "/tmp/libtavix-dev_*.deb cmake make g++ bubblewrap libfaketime && rm -rf "
               "/var/lib/apt/lists/* /tmp/*.deb\n",
               0644);
    write_file(
        pl + "/tests/run.sh",
        "#!/bin/sh\n"
        "# PrairieLearn runs this for every submission: the student's files are in\n"
        "# student/, the grade goes to results/results.json.\n"
        "root=${TAVIX_GRADE_ROOT:-/grade}\n"
        "grade=${TAVIX_GRADE:-tavix-grade}\n"
        "work=$(mktemp -d)\n"
        "mkdir -p \"$root/results\"\n" +
            grade_command(outputs, limits, scripts, "prairielearn", "$root/tests",
                          "$root/student") +
            "\nstatus=$?\n"
            "# 0 or 1: graded. Otherwise (3: the reference itself failed) the student is not\n"
            "# charged an attempt.\n"
            "if [ \"$status\" -le 1 ] && [ -f \"$work/out/prairielearn/1-student/results.json\" ]; "
            "then\n"
            "    cp \"$work/out/prairielearn/1-student/results.json\" "
            "\"$root/results/results.json\"\n"
            "else\n"
            "    printf '{\"gradable\": false, \"format_errors\": [\"This submission could "
            "not be graded (tavix-grade exit status %d%s); please tell your teacher.\"]}\\n' "
            "\"$status\" \"$([ \"$status\" = 3 ] && echo ': the reference failed')\" \\\n"
            "        >\"$root/results/results.json\"\n"
            "fi\n"
            "rm -rf \"$work\"\n",
        0755);
    printf(
        "tavix-grade: wrote %s/gradescope (zip its contents for Gradescope) and "
        "%s/prairielearn (the question's tests folder, its info.json options and the "
        "grading image's Dockerfile)\n",
        dir.c_str(), dir.c_str());
    if (deb.empty())
        printf(
            "tavix-grade: add the libtavix-dev Debian package (make deb) to both folders, or "
            "give it with --deb\n");
    return 0;
}
