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
    int console_line = 0;        // first differing console line, from 1; 0 when the same
    std::vector<std::string> console_diff;  // that line and a few after it, both sides
    std::string picture, difference;        // file names in the pictures folder, or empty
};

// Everything the report shows.
struct Grading {
    std::string reference;
    std::vector<std::string> scripts, submissions;
    std::vector<Row> reference_rows;  // one per script
    std::vector<Row> rows;            // submission by submission, script by script
    Limits limits;
    int jobs;
    double seconds;         // the whole grading, wall clock
    std::string isolation;  // how the runs were isolated and limited, in words
    std::string seed;       // TAVIX_SEED of every run
};

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
