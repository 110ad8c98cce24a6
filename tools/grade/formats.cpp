// The results in the forms courses read them: results.json (every run's outcome and numbers),
// junit.xml for CI systems, a Gradescope results.json and a PrairieLearn results.json for every
// submission; and the options that choose them and score the runs.
#include "tools/grade/grade.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const char *const FORMATS[] = {"html", "csv", "json", "junit", "gradescope", "prairielearn"};
const char *const VISIBILITIES[] = {"visible", "hidden", "after_due_date", "after_published"};
// PrairieLearn takes results of at most 1 MB; pictures are left out beyond this.
const size_t PRAIRIELEARN_PICTURES = 800 * 1024;

bool has_format(const Grading &g, const char *name) {
    for (const std::string &f : g.outputs.formats)
        if (f == name) return true;
    return false;
}

// A JSON string: valid UTF-8 (invalid bytes become U+FFFD), control characters escaped.
std::string json(const std::string &text) {
    std::string valid = valid_utf8(text);
    std::string out = "\"";
    for (char byte : valid) {
        unsigned char c = (unsigned char)byte;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            char code[8];
            snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

// XML text and attribute values: valid UTF-8, markup escaped, and the control characters XML
// 1.0 cannot hold at all replaced.
std::string xml(const std::string &text) {
    return xml_escape(text);
}

std::string number(double value) {
    char text[64];
    snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string integer_or_null(long value, bool present) {
    return present ? std::to_string(value) : "null";
}

std::string script_name(const Grading &g, int index) {
    const std::string &path = g.scripts[(size_t)index];
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The rows of one submission (they are kept submission by submission, script by script).
std::vector<const Row *> rows_of(const Grading &g, int submission) {
    std::vector<const Row *> rows;
    for (const Row &row : g.rows)
        if (row.run->submission == submission) rows.push_back(&row);
    return rows;
}

const Build *build_of(const Grading &g, int submission) {
    return g.builds.empty() ? nullptr : &g.builds[(size_t)submission + 1];
}

// What a reader is told of one run: the outcome, the picture's numbers, the console's first
// differing lines, and where a run that ended badly had got to.
std::string run_text(const Grading &g, const Row &row) {
    std::string text = row.words + "\n";
    if (row.differing_pixels >= 0) {
        // A program may choose its picture's size: the count is of what was compared.
        text += "differing pixels: " + std::to_string(row.differing_pixels) + " of " +
                std::to_string(row.compared_pixels) + " (tolerance " +
                std::to_string(g.outputs.tolerance) + ")\n";
    }
    for (size_t i = 0; i + 1 < row.console_diff.size(); i += 2) {
        text += "console line " + std::to_string(row.console_line + (int)i / 2) + "\n";
        text += "  expected: " + row.console_diff[i] + "\n";
        text += "  printed:  " + row.console_diff[i + 1] + "\n";
    }
    if (row.reached_line >= 0)
        text += "the replay had reached line " + std::to_string(row.reached_line) + "\n";
    if (!row.last_lines.empty()) {
        text += row.outcome == "does-not-compile" ? "the compiler said:\n"
                                                  : "its last console lines:\n";
        for (const std::string &line : row.last_lines) text += "  " + line + "\n";
    }
    return text;
}

std::string run_json(const Row &row, const char *indent) {
    const Run &run = *row.run;
    bool exited = run.start_error.empty() && !run.timed_out && WIFEXITED(run.status);
    bool signalled = run.start_error.empty() && !run.timed_out && WIFSIGNALED(run.status);
    bool compared = row.differing_pixels >= 0;
    std::string j =
        std::string(indent) + "{\"script\": " + json(run.script) +
        ", \"outcome\": " + json(row.outcome) + ", \"words\": " + json(row.words) +
        ", \"passed\": " + (row_passed(row) ? "true" : "false") +
        ", \"points\": " + number(row.points) +
        ", \"differing_pixels\": " + integer_or_null(row.differing_pixels, compared) +
        ", \"console_line\": " + integer_or_null(row.console_line, compared) +
        ", \"exit_status\": " + integer_or_null(exited ? WEXITSTATUS(run.status) : 0, exited) +
        ", \"signal\": " + integer_or_null(signalled ? WTERMSIG(run.status) : 0, signalled) +
        ", \"timed_out\": " + (run.timed_out ? "true" : "false") +
        ", \"seconds\": " + number(run.seconds) +
        ", \"reached_line\": " + integer_or_null(row.reached_line, row.reached_line >= 0) +
        ", \"last_lines\": [";
    for (size_t i = 0; i < row.last_lines.size(); ++i)
        j += (i ? ", " : "") + json(row.last_lines[i]);
    j += "], \"console_diff\": [";
    for (size_t i = 0; i + 1 < row.console_diff.size(); i += 2)
        j += std::string(i ? ", " : "") +
             "{\"line\": " + std::to_string(row.console_line + (int)i / 2) +
             ", \"reference\": " + json(row.console_diff[i]) +
             ", \"submission\": " + json(row.console_diff[i + 1]) + "}";
    j += "], \"picture\": " + (row.picture.empty() ? "null" : json("pictures/" + row.picture)) +
         ", \"difference\": " +
         (row.difference.empty() ? "null" : json("pictures/" + row.difference)) + "}";
    return j;
}

std::string build_json(const Build *build) {
    if (!build) return "null";
    std::string j = "{\"outcome\": " + json(build->outcome.empty() ? "compiled" : build->outcome) +
                    ", \"words\": " + json(build->words) +
                    ", \"seconds\": " + number(build->seconds) + ", \"errors\": [";
    for (size_t i = 0; i < build->errors.size(); ++i) j += (i ? ", " : "") + json(build->errors[i]);
    return j + "]}";
}

double score_of(const std::vector<const Row *> &rows) {
    double score = 0;
    for (const Row *row : rows) score += row->points;
    return score;
}

std::string results_json(const Grading &g) {
    std::string j = "{\n  \"reference\": " + json(g.reference) + ",\n  \"scripts\": [";
    for (size_t s = 0; s < g.scripts.size(); ++s) j += (s ? ", " : "") + json(g.scripts[s]);
    j += "],\n  \"compared\": " +
         json(g.limits.whole_buffer ? "buffer 601 x 540" : "visible 595 x 496") +
         ",\n  \"timeout_s\": " + number(g.limits.timeout_s) +
         ",\n  \"memory_mb\": " + std::to_string(g.limits.memory_mb) +
         ",\n  \"points_per_script\": " + number(g.outputs.points) +
         ",\n  \"tolerance\": " + std::to_string(g.outputs.tolerance) +
         ",\n  \"seconds\": " + number(g.seconds) +
         ",\n  \"reference_build\": " + build_json(g.builds.empty() ? nullptr : &g.builds[0]) +
         ",\n  \"reference_runs\": [\n";
    for (size_t i = 0; i < g.reference_rows.size(); ++i)
        j += run_json(g.reference_rows[i], "    ") +
             (i + 1 < g.reference_rows.size() ? ",\n" : "\n");
    j += "  ],\n  \"submissions\": [\n";
    for (size_t p = 0; p < g.submissions.size(); ++p) {
        std::vector<const Row *> rows = rows_of(g, (int)p);
        j += "    {\"name\": " + json(g.submissions[p]) + ", \"score\": " + number(score_of(rows)) +
             ", \"max_score\": " + number(g.outputs.points * (double)g.scripts.size()) +
             ", \"build\": " + build_json(build_of(g, (int)p)) + ", \"runs\": [\n";
        for (size_t i = 0; i < rows.size(); ++i)
            j += run_json(*rows[i], "      ") + (i + 1 < rows.size() ? ",\n" : "\n");
        j += std::string("    ]}") + (p + 1 < g.submissions.size() ? ",\n" : "\n");
    }
    return j + "  ]\n}\n";
}

// One test suite per submission, one test case per script. A run that differs is a failure;
// one that could not be compared (crashed, timed out, did not compile) is an error.
std::string junit_xml(const Grading &g) {
    std::string suites;
    long tests = 0, failures = 0, errors = 0;
    for (size_t p = 0; p < g.submissions.size(); ++p) {
        std::vector<const Row *> rows = rows_of(g, (int)p);
        std::string cases;
        long f = 0, e = 0;
        double seconds = 0;
        for (const Row *row : rows) {
            std::string name = script_name(g, row->run->script_index);
            cases += "    <testcase classname=\"" + xml(g.submissions[p]) + "\" name=\"" +
                     xml(name) + "\" time=\"" + number(row->run->seconds) + "\"";
            seconds += row->run->seconds;
            if (row_passed(*row)) {
                cases += "/>\n";
                continue;
            }
            bool failure = row->outcome == "differs";
            (failure ? f : e)++;
            const char *tag = failure ? "failure" : "error";
            cases += ">\n      <" + std::string(tag) + " message=\"" + xml(row->words) +
                     "\" type=\"" + xml(row->outcome) + "\">" + xml(run_text(g, *row)) + "</" +
                     tag + ">\n    </testcase>\n";
        }
        tests += (long)rows.size();
        failures += f;
        errors += e;
        suites += "  <testsuite name=\"" + xml(g.submissions[p]) + "\" tests=\"" +
                  std::to_string(rows.size()) + "\" failures=\"" + std::to_string(f) +
                  "\" errors=\"" + std::to_string(e) + "\" time=\"" + number(seconds) + "\">\n" +
                  cases + "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"tavix-grade\" tests=\"" +
           std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
           std::to_string(errors) + "\">\n" + suites + "</testsuites>\n";
}

std::string build_text(const Build *build) {
    if (!build || build->outcome.empty()) return "";
    std::string text = build->words + "\n";
    for (const std::string &line : build->errors) text += line + "\n";
    return text;
}

std::string gradescope_json(const Grading &g, int submission) {
    std::vector<const Row *> rows = rows_of(g, submission);
    const std::string &visibility = g.outputs.visibility;
    long passed = 0;
    double seconds = 0;
    for (const Row *row : rows) {
        passed += row_passed(*row);
        seconds += row->run->seconds;
    }
    std::string output = std::to_string(passed) + " of " + std::to_string(rows.size()) +
                         " scripts gave the reference's picture and console text.\n" +
                         build_text(build_of(g, submission));
    std::string j = "{\n  \"score\": " + number(score_of(rows)) +
                    ",\n  \"execution_time\": " + std::to_string((long)(seconds + 0.5)) +
                    ",\n  \"output\": " + json(output) + ",\n  \"output_format\": \"text\"" +
                    ",\n  \"visibility\": " + json(visibility) +
                    ",\n  \"stdout_visibility\": \"hidden\",\n  \"tests\": [\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &row = *rows[i];
        bool ok = row_passed(row);
        j += "    {\"name\": " + json(script_name(g, row.run->script_index)) +
             ", \"number\": " + json(std::to_string(i + 1)) + ", \"score\": " + number(row.points) +
             ", \"max_score\": " + number(g.outputs.points) +
             ", \"status\": " + (ok ? "\"passed\"" : "\"failed\"") +
             ", \"output\": " + json(run_text(g, row)) + ", \"output_format\": \"text\"" +
             ", \"visibility\": " + json(visibility) +
             ", \"extra_data\": {\"outcome\": " + json(row.outcome) + ", \"differing_pixels\": " +
             integer_or_null(row.differing_pixels, row.differing_pixels >= 0) +
             ", \"tolerance\": " + std::to_string(g.outputs.tolerance) + "}}" +
             (i + 1 < rows.size() ? ",\n" : "\n");
    }
    return j + "  ]\n}\n";
}

// A PNG file of the pictures folder as a data URL, or empty when it cannot be read.
std::string data_url(const std::string &dir, const std::string &file) {
    if (file.empty()) return "";
    std::ifstream in(dir + "/pictures/" + file, std::ios::binary);
    if (!in) return "";
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return "";
    return "data:image/png;base64," + base64(contents);
}

std::string prairielearn_json(const std::string &dir, const Grading &g, int submission) {
    std::vector<const Row *> rows = rows_of(g, submission);
    const Build *build = build_of(g, submission);
    double max_score = g.outputs.points * (double)rows.size();
    // A program that does not compile is not gradable: the student keeps the attempt.
    if (build && build->outcome == "does-not-compile") {
        std::string j = "{\n  \"gradable\": false,\n  \"message\": " + json(build->words) +
                        ",\n  \"format_errors\": [";
        for (size_t i = 0; i < build->errors.size(); ++i)
            j += (i ? ", " : "") + json(build->errors[i]);
        return j + "]\n}\n";
    }
    const std::vector<Row> &refs = g.reference_rows;
    size_t pictures = 0;
    bool left_out = false;
    std::string tests;
    long passed = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &row = *rows[i];
        passed += row_passed(row);
        tests += "    {\"name\": " + json(script_name(g, row.run->script_index)) +
                 ", \"description\": " + json("replay of " + row.run->script) +
                 ", \"points\": " + number(row.points) +
                 ", \"max_points\": " + number(g.outputs.points) +
                 ", \"message\": " + json(row.words) + ", \"output\": " + json(run_text(g, row)) +
                 ", \"images\": [";
        const std::pair<const char *, std::string> three[] = {
            {"reference", refs[(size_t)row.run->script_index].picture},
            {"submission", row.picture},
            {"difference", row.difference}};
        bool first = true;
        for (const auto &picture : three) {
            std::string url = data_url(dir, picture.second);
            if (url.empty()) continue;
            if (pictures + url.size() > PRAIRIELEARN_PICTURES) {
                left_out = true;
                continue;
            }
            pictures += url.size();
            tests += std::string(first ? "" : ", ") + "{\"label\": " + json(picture.first) +
                     ", \"url\": " + json(url) + "}";
            first = false;
        }
        tests += std::string("]}") + (i + 1 < rows.size() ? ",\n" : "\n");
    }
    std::string message = std::to_string(passed) + " of " + std::to_string(rows.size()) +
                          " scripts gave the reference's picture and console text." +
                          (left_out ? " Some pictures are left out: the results would be too "
                                      "large."
                                    : "");
    return "{\n  \"gradable\": true,\n  \"score\": " +
           number(max_score > 0 ? score_of(rows) / max_score : 0) +
           ",\n  \"message\": " + json(message) + ",\n  \"tests\": [\n" + tests + "  ]\n}\n";
}

bool write_text(const std::string &path, const std::string &text, std::string *why) {
    FILE *out = fopen(path.c_str(), "wb");
    bool ok = out && fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out && fclose(out) != 0) ok = false;
    if (!ok) *why = "cannot write " + path + ": " + strerror(errno);
    return ok;
}

// One folder per submission, named for it, each holding a results.json.
bool write_each(const std::string &dir, const Grading &g, const char *format,
                std::string (*make)(const std::string &, const Grading &, int), std::string *why) {
    std::string top = dir + "/" + format;
    mkdir(top.c_str(), 0777);
    for (size_t p = 0; p < g.submissions.size(); ++p) {
        std::string folder = top + "/" + std::to_string(p + 1) + "-" + file_stem(g.submissions[p]);
        mkdir(folder.c_str(), 0777);
        if (!write_text(folder + "/results.json", make(dir, g, (int)p), why)) return false;
    }
    return true;
}

std::string gradescope_for(const std::string &, const Grading &g, int p) {
    return gradescope_json(g, p);
}

}  // namespace

std::string file_stem(const std::string &path) {
    size_t end = path.find_last_not_of('/');
    std::string trimmed = end == std::string::npos ? path : path.substr(0, end + 1);
    size_t slash = trimmed.find_last_of('/');
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1), out;
    for (char c : name) out += isalnum((unsigned char)c) || c == '-' || c == '_' ? c : '_';
    return out.empty() ? "x" : out;
}

bool row_passed(const Row &row) {
    return row.outcome == "same";
}

bool take_output_option(int argc, char **argv, int *i, Outputs *outputs,
                        void (*fail)(const char *format, const char *what)) {
    const char *a = argv[*i];
    if (strcmp(a, "--build") == 0) {
        outputs->build = true;
        return true;
    }
    const char *const with_value[] = {"--format", "--points", "--tolerance", "--compile-timeout",
                                      "--visibility"};
    bool known = false;
    for (const char *name : with_value) known |= strcmp(a, name) == 0;
    if (!known) return false;
    if (*i + 1 >= argc || !argv[*i + 1][0]) fail("%s needs a value", a);
    const char *value = argv[++*i];
    char *end = nullptr;
    errno = 0;
    double n = strtod(value, &end);
    bool is_number = !errno && end != value && !*end;
    if (strcmp(a, "--points") == 0) {
        if (!is_number || !(n >= 0 && n <= 1e6)) fail("bad value for %s", a);
        outputs->points = n;
    } else if (strcmp(a, "--tolerance") == 0) {
        if (!is_number || !(n >= 0 && n <= 1e8) || n != (long)n) fail("bad value for %s", a);
        outputs->tolerance = (long)n;
    } else if (strcmp(a, "--compile-timeout") == 0) {
        if (!is_number || !(n >= 1 && n <= 86400)) fail("bad value for %s", a);
        outputs->compile_timeout_s = n;
    } else if (strcmp(a, "--visibility") == 0) {
        bool ok = false;
        for (const char *v : VISIBILITIES) ok |= strcmp(value, v) == 0;
        if (!ok) fail("bad value for %s", a);
        outputs->visibility = value;
    } else {
        outputs->formats.clear();
        std::string list = value;
        size_t start = 0;
        while (start <= list.size()) {
            size_t comma = list.find(',', start);
            if (comma == std::string::npos) comma = list.size();
            std::string name = list.substr(start, comma - start);
            bool ok = false;
            for (const char *f : FORMATS) ok |= name == f;
            if (!ok) fail("unknown format %s", name.c_str());
            outputs->formats.push_back(name);
            start = comma + 1;
        }
    }
    return true;
}

bool wants_format(const Grading &g, const char *name) {
    return has_format(g, name);
}

bool write_formats(const std::string &dir, const Grading &g, std::string *why) {
    if (has_format(g, "json") && !write_text(dir + "/results.json", results_json(g), why))
        return false;
    if (has_format(g, "junit") && !write_text(dir + "/junit.xml", junit_xml(g), why)) return false;
    if (has_format(g, "gradescope") && !write_each(dir, g, "gradescope", gradescope_for, why))
        return false;
    if (has_format(g, "prairielearn") &&
        !write_each(dir, g, "prairielearn", prairielearn_json, why))
        return false;
    return true;
}
