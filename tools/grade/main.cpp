// tavix-grade's command line, the plan of runs (the reference and every submission on every
// script), the comparison of each run with the reference's and the exit status.
#include "tools/grade/grade.h"
#include "tools/grade/sandbox.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// Exit statuses.
const int ALL_SAME = 0, SOME_DIFFER = 1, BAD_USE = 2, REFERENCE_FAILED = 3;

void usage(FILE *to) {
    fputs(
        "usage: tavix-grade --reference PROGRAM --script FILE [--script FILE...]\n"
        "                   [--jobs N] [--timeout S] [--memory MB] [--disk MB] [--whole-buffer]\n"
        "                   [--sandbox namespaces|user-ids | --no-sandbox] [--build]\n"
        "                   [--compile-timeout S] [--format LIST] [--points N]\n"
        "                   [--tolerance PIXELS] [--visibility V] [--out DIR] [--] SUBMISSION...\n"
        "       tavix-grade --autograder DIR --reference PROGRAM --script FILE... [--deb FILE]\n"
        "                   [--points N] [--tolerance PIXELS] [--timeout S] [--memory MB]\n"
        "Replays every script into the reference and into every submission, headless, each run\n"
        "in a fresh folder of its own, and compares the pictures (the visible area) and the\n"
        "console text with the reference's. Writes DIR/report.html (pictures in DIR/pictures)\n"
        "and DIR/summary.csv; DIR is ./grading unless given.\n"
        "  --script FILE    a script to replay (once per script)\n"
        "  --jobs N         runs at once (default: one per processor this process may use)\n"
        "  --timeout S      seconds a run may take (default 10)\n"
        "  --memory MB      memory a run may take (default 512, less in a smaller container)\n"
        "  --disk MB        what a run may write, in all (default 64)\n"
        "  --sandbox MODE   how every run is isolated (default: namespaces where bubblewrap "
        "works,\n"
        "                   else user-ids as root, else the grading is refused)\n"
        "  --no-sandbox     run the programs as this user, with limits only\n"
        "  --whole-buffer   compare the whole 601 x 540 buffer, not only what the window shows\n"
        "  --build          the reference and submissions are folders of sources (*.c, *.cpp,\n"
        "                   a CMakeLists.txt or a Makefile), compiled against the library first\n"
        "  --compile-timeout S  seconds one folder's build may take (default 120)\n"
        "  --format LIST    what to write, comma-separated: html, csv, json, junit, gradescope,\n"
        "                   prairielearn (default html,csv)\n"
        "  --points N       points a script gives when it matches (default 1)\n"
        "  --tolerance PIXELS  differing pixels a picture may have and still match (default 0)\n"
        "  --visibility V   when Gradescope shows the results: visible (default), hidden,\n"
        "                   after_due_date or after_published\n"
        "  --autograder DIR write a Gradescope autograder and a PrairieLearn grader into DIR\n"
        "Exit status: 0 every submission matched on every script; 1 some did not; 2 a bad\n"
        "command line, no sandbox or a report that cannot be written; 3 the reference itself\n"
        "failed; 130 interrupted.\n",
        to);
}

[[noreturn]] void fail(const char *format, const char *what) {
    fprintf(stderr, "tavix-grade: ");
    fprintf(stderr, format, what);
    fputc('\n', stderr);
    usage(stderr);
    exit(BAD_USE);
}

double number(const char *option, const char *text, double low, double high) {
    char *end = nullptr;
    errno = 0;
    double value = strtod(text, &end);
    if (errno || end == text || *end || !(value >= low && value <= high))
        fail("bad value for %s", option);
    return value;
}

// Removes a folder and all it holds, whatever rights the program left on its contents.
void remove_tree(const std::string &path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return;
    if (!S_ISDIR(status.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), 0700);
    if (DIR *dir = opendir(path.c_str())) {
        while (dirent *entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
            remove_tree(path + "/" + entry->d_name);
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

// The library's own lines on standard error, which are not console text.
bool diagnostic(const std::string &line) {
    static const char *const prefixes[] = {
        "tavix: ", "tavix-grade: ", "TAVIX: ", "TAVIX_REPLAY: ", "TAVIX_SNAPSHOT: "};
    for (const char *p : prefixes)
        if (line.compare(0, strlen(p), p) == 0) return true;
    return false;
}

std::vector<std::string> console_lines(const Run &run) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < run.err.size()) {
        size_t end = run.err.find('\n', start);
        if (end == std::string::npos) end = run.err.size();
        std::string line = run.err.substr(start, end - start);
        if (!diagnostic(line)) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The line number of the refused script line the library reported, or 0.
long refused_line(const Run &run) {
    size_t at = run.err.find("TAVIX_REPLAY: ");
    while (at != std::string::npos) {
        size_t end = run.err.find('\n', at);
        std::string line = run.err.substr(at, end == std::string::npos ? end : end - at);
        size_t refused = line.find(" refused: ");
        size_t number = line.rfind(" line ", refused);
        if (refused != std::string::npos && number != std::string::npos)
            return strtol(line.c_str() + number + 6, nullptr, 10);
        at = run.err.find("TAVIX_REPLAY: ", at + 1);
    }
    return 0;
}

std::string signal_words(int signal) {
    const char *name = sigabbrev_np(signal);
    char text[64];
    snprintf(text, sizeof text, "crashed with signal %d%s%s%s", signal, name ? " (SIG" : "",
             name ? name : "", name ? ")" : "");
    return text;
}

// The script line the library said a replay had reached when it ended early, or -1.
long reached_line(const Run &run) {
    size_t at = run.err.rfind("TAVIX_REPLAY: ended at line ");
    if (at == std::string::npos || (at > 0 && run.err[at - 1] != '\n')) return -1;
    return strtol(run.err.c_str() + at + 28, nullptr, 10);
}

// Why a run gave nothing to compare, or false when it ended as it should and left its picture
// in *picture.
bool run_failed(const Run &run, const Limits &limits, Picture *picture, std::string *outcome,
                std::string *words) {
    char text[256];
    if (!run.start_error.empty()) {
        *outcome = "cannot-run";
        *words = run.start_error;
        return true;
    }
    if (run.limit_killed) {
        *outcome = "over-limit";
        *words = run.limit_words;
        return true;
    }
    if (run.timed_out) {
        *outcome = "timed-out";
        snprintf(text, sizeof text, "timed out after %g s", limits.timeout_s);
        *words = text;
        return true;
    }
    if (WIFSIGNALED(run.status)) {
        *outcome = "crashed";
        *words = signal_words(WTERMSIG(run.status));
        return true;
    }
    int code = WEXITSTATUS(run.status);
    if (code == 127 && run.err.find("tavix-grade: cannot run ") != std::string::npos) {
        *outcome = "cannot-run";
        *words = "cannot run " + run.program;
        return true;
    }
    if (code == 3) {
        *outcome = "replay-unreadable";
        *words = "the program could not read the script";
        return true;
    }
    if (code == 4) {
        *outcome = "replay-incomplete";
        snprintf(text, sizeof text, "replay incomplete at line %ld", refused_line(run));
        *words = text;
        return true;
    }
    std::string why;
    if (code == 5 || !run.has_snapshot || !decode_picture(run.snapshot, picture, &why)) {
        *outcome = "no-picture";
        *words = code == 5 ? "no picture: the snapshot could not be written" : "no picture";
        if (code != 0 && code != 5) {
            snprintf(text, sizeof text, " (exit status %d)", code);
            *words += text;
        }
        return true;
    }
    if (!limits.whole_buffer) *picture = visible_area(*picture);
    return false;
}

// Compares the console lines from the first that differs: that line and two more, both sides.
int compare_console(const std::vector<std::string> &ref, const std::vector<std::string> &student,
                    std::vector<std::string> *shown) {
    size_t first = 0;
    while (first < ref.size() && first < student.size() && ref[first] == student[first]) ++first;
    if (first == ref.size() && first == student.size()) return 0;
    for (size_t i = first; i < first + 3 && (i < ref.size() || i < student.size()); ++i) {
        shown->push_back(i < ref.size() ? ref[i] : std::string());
        shown->push_back(i < student.size() ? student[i] : std::string());
    }
    return (int)first + 1;
}

// Writes a picture into the pictures folder as *name; a picture that cannot be written is said
// on stderr and left out of the report (*name emptied).
bool save(const std::string &folder, const Picture &picture, std::string *name) {
    std::string why;
    if (write_picture(folder + "/" + *name, picture, &why)) return true;
    fprintf(stderr, "tavix-grade: cannot write %s/%s: %s\n", folder.c_str(), name->c_str(),
            why.c_str());
    name->clear();
    return false;
}

void interrupted(int) {
    grade_interrupted = 1;
}

// What the command line asks for besides the grading itself.
struct Options {
    std::string out = "grading";  // the report's folder
    std::string sandbox;          // namespaces, user-ids, none, or empty for the best there is
};

// Reads the command line into the grading and *options; a bad one ends the program (fail),
// --help prints the usage and ends it well.
void parse_arguments(int argc, char **argv, Grading *g, Options *options) {
    g->limits = Limits{10, 0, 64, 64, 256, 1 << 20, false};
    g->jobs = 0;
    std::string &sandbox = options->sandbox;
    int i = 1;
    for (; i < argc; ++i) {
        const char *a = argv[i];
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            usage(stdout);
            exit(0);
        }
        if (strcmp(a, "--") == 0) {
            ++i;
            break;
        }
        if (take_output_option(argc, argv, &i, &g->outputs, fail)) continue;
        if (strcmp(a, "--whole-buffer") == 0) {
            g->limits.whole_buffer = true;
            continue;
        }
        if (strcmp(a, "--no-sandbox") == 0) {
            if (!sandbox.empty() && sandbox != "none") fail("%s", "--no-sandbox with --sandbox");
            sandbox = "none";
            continue;
        }
        if (a[0] != '-') {
            g->submissions.push_back(a);
            continue;
        }
        bool takes_value = strcmp(a, "--reference") == 0 || strcmp(a, "--script") == 0 ||
                           strcmp(a, "--jobs") == 0 || strcmp(a, "--timeout") == 0 ||
                           strcmp(a, "--memory") == 0 || strcmp(a, "--out") == 0 ||
                           strcmp(a, "--disk") == 0 || strcmp(a, "--sandbox") == 0;
        if (!takes_value) fail("unknown option %s", a);
        if (i + 1 >= argc || !argv[i + 1][0]) fail("%s needs a value", a);
        const char *value = argv[++i];
        if (strcmp(a, "--reference") == 0) g->reference = value;
        if (strcmp(a, "--script") == 0) g->scripts.push_back(value);
        if (strcmp(a, "--out") == 0) options->out = value;
        if (strcmp(a, "--jobs") == 0) g->jobs = (int)number(a, value, 1, 256);
        if (strcmp(a, "--timeout") == 0) g->limits.timeout_s = number(a, value, 0.1, 86400);
        if (strcmp(a, "--memory") == 0) g->limits.memory_mb = (long)number(a, value, 64, 1 << 20);
        if (strcmp(a, "--disk") == 0) g->limits.disk_mb = (long)number(a, value, 1, 1 << 20);
        if (strcmp(a, "--sandbox") == 0) {
            if (strcmp(value, "namespaces") != 0 && strcmp(value, "user-ids") != 0)
                fail("unknown sandbox %s (namespaces or user-ids)", value);
            if (sandbox == "none") fail("%s", "--sandbox with --no-sandbox");
            sandbox = value;
        }
    }
    for (; i < argc; ++i) g->submissions.push_back(argv[i]);
    if (g->reference.empty()) fail("%s", "no --reference program");
    if (g->scripts.empty()) fail("%s", "no --script file");
    if (g->submissions.empty()) fail("%s", "no submission");
    for (const std::string &script : g->scripts)
        if (access(script.c_str(), R_OK) != 0) fail("cannot read script %s", script.c_str());
}

// Finds what this machine permits (while this process has one thread) and settles the limits
// and the seed every run gets; false, said on stderr, when no sandbox of the kind asked for can
// be had.
bool prepare_sandbox(const std::string &sandbox, int argc, char **argv, Grading *g,
                     SandboxHost *host) {
    std::string why;
    if (!SandboxHost::probe(sandbox, host, &why)) {
        fprintf(stderr, "tavix-grade: %s\n", why.c_str());
        if (sandbox.empty())
            fprintf(stderr,
                    "tavix-grade: install bubblewrap, run as root, or give --no-sandbox to run "
                    "the submissions as this user\n");
        return false;
    }
    // Under user ids a run can read this process's command line: it shows no paths there.
    if (host->isolation == Isolation::user_ids)
        for (int a = 1; a < argc; ++a) memset(argv[a], 0, strlen(argv[a]));
    if (g->jobs == 0) g->jobs = sandbox_default_jobs();
    // Without a cgroup the limit is of address space, which runs well above memory in use.
    if (g->limits.memory_mb == 0)
        g->limits.memory_mb =
            host->memory_cgroup.empty() ? 1024 : sandbox_default_memory_mb(g->jobs);
    SandboxLimits described;
    described.timeout_s = g->limits.timeout_s;
    described.memory_mb = g->limits.memory_mb;
    described.disk_mb = g->limits.disk_mb;
    described.processes = g->limits.processes;
    described.open_files = g->limits.open_files;
    g->isolation = host->describe(described);
    // Every run gets the same seed for TAVIX_random unless its script says otherwise.
    const char *seed = getenv("TAVIX_SEED");
    g->seed = seed && *seed ? seed : "1";
    setenv("TAVIX_SEED", g->seed.c_str(), 1);
    return true;
}

// Makes the report's folder with its pictures folder (*pictures) and the scratch folder the runs
// are made in (*scratch); a folder that cannot be made ends the program (fail).
void make_folders(const std::string &out, std::string *pictures, std::string *scratch) {
    mkdir(out.c_str(), 0777);
    *pictures = out + "/pictures";
    mkdir(pictures->c_str(), 0777);
    struct stat status;
    if (stat(pictures->c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        fail("cannot make the folder %s", pictures->c_str());
    const char *tmp = getenv("TMPDIR");
    *scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavix-grade-XXXXXX";
    if (!mkdtemp(&(*scratch)[0])) fail("cannot make a folder in %s", tmp && *tmp ? tmp : "/tmp");
    // The runs' users pass through it to their own folders, but cannot list it.
    chmod(scratch->c_str(), 0711);
}

// Compiles the source folders, each in the scratch folder; a folder that does not compile gets
// that outcome on every script. False, said on stderr, when the library cannot be found.
bool build_programs(Grading *g, const std::string &scratch, const SandboxHost &host) {
    g->builds.resize(g->submissions.size() + 1);
    for (size_t p = 0; p < g->builds.size(); ++p)
        g->builds[p].folder = p == 0 ? g->reference : g->submissions[p - 1];
    std::string why;
    if (!build_all(g->builds, g->outputs, g->jobs, scratch, g->limits, host, &why)) {
        fprintf(stderr, "tavix-grade: %s\n", why.c_str());
        return false;
    }
    return true;
}

// The plan: the reference's runs first, so that they are done early, then the submissions'.
std::vector<Run> plan_runs(const Grading &g) {
    std::vector<Run> runs;
    for (int p = -1; p < (int)g.submissions.size(); ++p)
        for (int s = 0; s < (int)g.scripts.size(); ++s) {
            Run run;
            run.program = p < 0 ? g.reference : g.submissions[(size_t)p];
            char resolved[PATH_MAX];
            if (g.outputs.build)
                run.program_path = g.builds[(size_t)p + 1].program;
            else if (realpath(run.program.c_str(), resolved))
                run.program_path = resolved;
            run.script = g.scripts[(size_t)s];
            run.submission = p;
            run.script_index = s;
            runs.push_back(run);
        }
    return runs;
}

// Runs every run in its sandbox, timing the whole; false when interrupted, every run ended.
bool run_in_sandboxes(std::vector<Run> &runs, Grading *g, const SandboxHost &host,
                      const std::string &scratch) {
    // The library's own word on where a replay that ended early had got to.
    setenv("TAVIX_REPLAY_LINE", "1", 1);
    // Interrupted, the grading ends every run before it goes.
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = interrupted;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    double start = now_s();
    bool complete = run_all(runs, g->limits, g->jobs, host, scratch);
    g->seconds = now_s() - start;
    return complete;
}

// What the comparison found, for the exit status.
struct Verdict {
    bool reference_failed = false, all_same = true, pictures_lost = false;
};

// The reference's run of a script, kept to compare the submissions' runs with.
struct ReferenceRun {
    bool ok = false;
    Picture picture;
    std::vector<std::string> console;
    int exit_code = 0;
};

// The outcome of a submission's run that ended as it should, compared with the reference's.
void compare_with_reference(const Run &run, const Picture &picture, const ReferenceRun &reference,
                            const Outputs &outputs, const std::string &pictures,
                            const std::string &stem, Row *row, Verdict *verdict) {
    Picture difference;
    row->differing_pixels = compare_pictures(reference.picture, picture, &difference);
    row->compared_pixels = (long)difference.width * difference.height;
    row->difference = stem + "-difference.png";
    verdict->pictures_lost |= !save(pictures, difference, &row->difference);
    row->console_line = compare_console(reference.console, console_lines(run), &row->console_diff);
    int code = WEXITSTATUS(run.status);
    int ref_code = reference.exit_code;
    std::string words;
    char text[128];
    if (row->differing_pixels > outputs.tolerance) {
        snprintf(text, sizeof text, "%ld pixel%s", row->differing_pixels,
                 row->differing_pixels == 1 ? "" : "s");
        words += text;
    }
    if (row->console_line > 0) {
        snprintf(text, sizeof text, "%sconsole from line %d", words.empty() ? "" : ", ",
                 row->console_line);
        words += text;
    }
    if (code != ref_code) {
        snprintf(text, sizeof text, "%sexit status %d (reference %d)", words.empty() ? "" : ", ",
                 code, ref_code);
        words += text;
    }
    row->outcome = words.empty() ? "same" : "differs";
    row->words = words.empty() ? "same" : "differs: " + words;
    if (words.empty() && row->differing_pixels > 0) {
        snprintf(text, sizeof text, "same: %ld pixel%s, within the tolerance of %ld",
                 row->differing_pixels, row->differing_pixels == 1 ? "" : "s", outputs.tolerance);
        row->words = text;
    }
}

// Every run's row: the reference's rows first (each keeps its picture and console to compare
// with), then every submission's, compared with the reference's run of the same script.
Verdict compare_runs(const std::vector<Run> &runs, const std::string &pictures, Grading *g) {
    Verdict verdict;
    std::vector<ReferenceRun> references(g->scripts.size());
    for (const Run &run : runs) {
        size_t s = (size_t)run.script_index;
        std::string script = std::to_string(s + 1) + "-" + file_stem(run.script);
        Row row;
        row.run = &run;
        Picture picture;
        bool failed = run_failed(run, g->limits, &picture, &row.outcome, &row.words);
        const Build *build = g->outputs.build ? &g->builds[(size_t)run.submission + 1] : nullptr;
        if (build && !build->outcome.empty()) {
            row.outcome = build->outcome;
            row.words = build->words;
            row.last_lines = build->errors;
        } else if (failed) {
            row.reached_line = reached_line(run);
            std::vector<std::string> lines = console_lines(run);
            size_t from = lines.size() > 5 ? lines.size() - 5 : 0;
            row.last_lines.assign(lines.begin() + (long)from, lines.end());
        }
        if (run.submission < 0) {
            ReferenceRun &reference = references[s];
            reference.ok = !failed;
            reference.exit_code = WEXITSTATUS(run.status);
            verdict.reference_failed |= failed;
            if (!failed) {
                row.outcome = "ok";
                row.words = "ran to the end of the script";
                reference.picture = picture;
                reference.console = console_lines(run);
                row.picture = "reference-" + script + ".png";
                verdict.pictures_lost |= !save(pictures, picture, &row.picture);
            }
            g->reference_rows.push_back(row);
            continue;
        }
        std::string stem =
            std::to_string(run.submission + 1) + "-" + file_stem(run.program) + "-" + script;
        if (!failed) {
            row.picture = stem + "-picture.png";
            verdict.pictures_lost |= !save(pictures, picture, &row.picture);
        }
        if (!failed && !references[s].ok) {
            row.outcome = "not-compared";
            row.words = "not compared: the reference failed on this script";
        } else if (!failed) {
            compare_with_reference(run, picture, references[s], g->outputs, pictures, stem, &row,
                                   &verdict);
        }
        if (!run.limit_words.empty() && !run.limit_killed) {
            if (failed) {
                row.outcome = "over-limit";
                row.words = run.limit_words + ": " + row.words;
            } else {
                row.words += "; " + run.limit_words;
            }
        }
        if (run.err_cut) row.words += "; its standard error was cut at 1 MB";
        verdict.all_same &= row.outcome == "same";
        row.points = row_passed(row) ? g->outputs.points : 0;
        g->rows.push_back(row);
    }
    return verdict;
}

// Writes the report and the formats and says the tally on stdout; the exit status.
int report(const std::string &out, const Grading &g, const Verdict &verdict) {
    std::string why;
    if (!write_report(out, g, &why) || !write_formats(out, g, &why)) {
        fprintf(stderr, "tavix-grade: %s\n", why.c_str());
        return BAD_USE;
    }
    long same = 0;
    for (const Row &row : g.rows) same += row.outcome == "same";
    printf("tavix-grade: %zu submission%s x %zu script%s: %ld same, %ld not; %s/report.html\n",
           g.submissions.size(), g.submissions.size() == 1 ? "" : "s", g.scripts.size(),
           g.scripts.size() == 1 ? "" : "s", same, (long)g.rows.size() - same, out.c_str());
    if (verdict.pictures_lost) return BAD_USE;
    if (verdict.reference_failed) {
        fprintf(stderr, "tavix-grade: the reference failed on a script; see the report\n");
        return REFERENCE_FAILED;
    }
    return verdict.all_same ? ALL_SAME : SOME_DIFFER;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1 && strcmp(argv[1], "--autograder") == 0) return write_autograder(argc, argv);
    Grading g;
    Options options;
    parse_arguments(argc, argv, &g, &options);
    SandboxHost host;
    if (!prepare_sandbox(options.sandbox, argc, argv, &g, &host)) return BAD_USE;
    std::string pictures, scratch;
    make_folders(options.out, &pictures, &scratch);
    if (g.outputs.build && !build_programs(&g, scratch, host)) {
        remove_tree(scratch);
        return BAD_USE;
    }
    std::vector<Run> runs = plan_runs(g);
    if (!run_in_sandboxes(runs, &g, host, scratch)) {
        remove_tree(scratch);
        fprintf(stderr, "tavix-grade: interrupted; every run is ended, no report written\n");
        return 130;
    }
    Verdict verdict = compare_runs(runs, pictures, &g);
    remove_tree(scratch);
    return report(options.out, g, verdict);
}
