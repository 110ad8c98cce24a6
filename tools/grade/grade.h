// tavix-grade: replays scripts into a reference program and many submissions, headless, and
// compares each submission's picture and console text with the reference's. This header holds
// the records the runner, the picture comparison and the report share.
#ifndef TAVIX_TOOLS_GRADE_H
#define TAVIX_TOOLS_GRADE_H

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// What one run may use; a run over a limit is stopped and reported as such.
struct Limits {
    double timeout_s;   // wall-clock time of the whole run
    long memory_mb;     // memory (a cgroup's limit where one can be made, else address space)
    long disk_mb;       // everything the program may write, in all
    long processes;     // processes and threads
    long open_files;    // open files per process
    size_t output_cap;  // bytes of standard error kept; the rest is read and dropped
    bool whole_buffer;  // compare the 601 x 540 buffer instead of the visible area
};

// One program run on one script, in a folder of its own.
struct Run {
    std::string program;       // as given on the command line
    std::string program_path;  // absolute, or empty when it cannot be found
    std::string script;        // as given on the command line
    int submission;            // index into the submissions, -1 for the reference
    int script_index;          // index into the scripts
    // While it runs:
    int err_fd = -1;  // read end of its standard error
    // What came of it:
    std::string err;            // standard error, at most output_cap bytes
    bool err_cut = false;       // more came than was kept
    bool timed_out = false;     // stopped at the deadline
    int status = 0;             // the wait status
    std::string start_error;    // why it could not be started, or empty
    double seconds = 0;         // wall-clock time it took
    std::string limit_words;    // a limit it met, in words, or empty
    bool limit_killed = false;  // that limit ended it
    bool has_snapshot = false;  // the picture it left, read once it had ended
    std::string snapshot, snapshot_why;
};

// A picture as compared: rows top first, 0x00RRGGBB pixels.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// What came of one run, compared with the reference's run of the same script.
struct Row {
    const Run *run;              // the submission's run (or the reference's, in its own rows)
    std::string outcome;         // one word for the summary: same, differs, crashed, ...
    std::string words;           // the outcome for a reader
    long differing_pixels = -1;  // -1: no pictures to compare
    long compared_pixels = 0;    // the pixels compared: the larger picture's width x height
    int console_line = 0;        // first differing console line, from 1; 0 when the same
    std::vector<std::string> console_diff;  // that line and a few after it, both sides
    std::string picture, difference;        // file names in the pictures folder, or empty
    long reached_line = -1;                 // script line a run that ended early had reached
    std::vector<std::string> last_lines;    // its last console lines, when it ended badly
    double points = 0;                      // the points this run earned
};

// What the grading writes besides report.html and summary.csv, and how it scores.
struct Outputs {
    std::vector<std::string> formats = {"html", "csv"};  // html csv json junit gradescope
                                                         // prairielearn
    double points = 1;   // points a script gives when picture, text and exit status match
    long tolerance = 0;  // differing pixels that still count as the same picture
    bool build = false;  // the programs are folders of sources, compiled first
    double compile_timeout_s = 120;      // wall-clock time one program's build may take
    std::string visibility = "visible";  // Gradescope's visibility of the results
};

// One folder of sources compiled into a program.
struct Build {
    std::string folder;               // as given on the command line
    std::string program;              // the program made, absolute, or empty when none was
    std::string outcome;              // empty when it compiled, else does-not-compile
    std::string words;                // the outcome for a reader
    std::vector<std::string> errors;  // the compiler's first error lines
    double seconds = 0;
};

// Everything the report shows.
struct Grading {
    std::string reference;
    std::vector<std::string> scripts, submissions;
    std::vector<Row> reference_rows;  // one per script
    std::vector<Row> rows;            // submission by submission, script by script
    Limits limits;
    int jobs;
    double seconds;  // the whole grading, wall clock
    Outputs outputs;
    std::vector<Build> builds;  // with --build: the reference's first, then every submission's
    std::string isolation;      // how the runs were isolated and limited, in words
    std::string seed;           // TAVIX_SEED of every run
};

// The formats besides report.html and summary.csv, each written into dir (formats.cpp); false
// with *why set when one cannot be written.
bool write_formats(const std::string &dir, const Grading &grading, std::string *why);
// Whether the grading writes the format of that name.
bool wants_format(const Grading &grading, const char *name);
// Takes the formats' and the build's options at argv[*i] (moving *i past a value); false when
// argv[*i] is none of them. Bad values end the program through fail.
bool take_output_option(int argc, char **argv, int *i, Outputs *outputs,
                        void (*fail)(const char *format, const char *what));
// A name made of the file's own name that is safe in a file name and a link.
std::string file_stem(const std::string &path);
// Whether the row counts as matching the reference (and earns its points).
bool row_passed(const Row &row);

// Compiles every folder (build.cpp), jobs at once, each in a sandbox of its own within the
// compile time limit, its program left in scratch; fills builds. False with *why set when the
// library cannot be found.
struct SandboxHost;
bool build_all(std::vector<Build> &builds, const Outputs &outputs, int jobs,
               const std::string &scratch, const Limits &limits, const SandboxHost &host,
               std::string *why);

// What copy_tree copied, and why it stopped early (empty when it did not).
struct CopyCount {
    long files = 0, bytes = 0;
    std::string problem;
};
// Copies a folder's ordinary files and folders (no links, no devices, at most 2000 files and
// 64 MB), every file with the given mode (build.cpp).
void copy_tree(const std::string &from, const std::string &to, CopyCount *copy, int depth,
               mode_t mode);

// Writes a ready Gradescope autograder folder and a PrairieLearn external grader folder into dir
// (autograder.cpp); the exit status.
int write_autograder(int argc, char **argv);

// The programs' text made safe (escape.cpp). valid_utf8: every byte that begins no valid UTF-8
// sequence (a NUL too) becomes U+FFFD. html_escape: for HTML text and quoted attribute values,
// & < > " ' as references, invalid bytes and control characters (but for tab, line feed and
// carriage return) as U+FFFD. xml_escape: for XML text and attribute values, the five as
// references, invalid bytes as U+FFFD, the characters XML 1.0 cannot hold as '?'.
std::string valid_utf8(const std::string &text);
std::string html_escape(const std::string &text);
std::string xml_escape(const std::string &text);
// Bytes in base64, padded with '='.
std::string base64(const std::string &bytes);

// Writes report.html and summary.csv into dir; false with *why set when they cannot be written.
bool write_report(const std::string &dir, const Grading &grading, std::string *why);

// Monotonic seconds.
double now_s();
struct SandboxHost;
// Set by a signal: the grading stops, every run is ended.
extern volatile sig_atomic_t grade_interrupted;
// Runs every run in a sandbox of its own (folders made in scratch), at most jobs at once;
// returns when all have ended, false when interrupted.
bool run_all(std::vector<Run> &runs, const Limits &limits, int jobs, const SandboxHost &host,
             const std::string &scratch);

// Reads a PNG file; false with *why set when it cannot be read.
bool read_picture(const std::string &path, Picture *picture, std::string *why);
// Reads a PNG file's bytes; likewise.
bool decode_picture(const std::string &png, Picture *picture, std::string *why);
// The part a window shows of a whole-buffer snapshot (its top left 595 x 496); any other size is
// kept as it is.
Picture visible_area(const Picture &picture);
// Counts the pixels that differ (every pixel of either when the sizes differ) and makes the
// difference picture: unchanged pixels faded, changed ones marked in a colour nothing else has,
// ringed so that a single one shows at a glance.
long compare_pictures(const Picture &reference, const Picture &student, Picture *difference);
bool write_picture(const std::string &path, const Picture &picture, std::string *why);

#endif
