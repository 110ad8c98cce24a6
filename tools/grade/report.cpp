// The report: report.html, one page that opens from disk with its pictures in the pictures folder
// beside it, and summary.csv, one line per submission and script. Text from the programs is
// escaped (html_escape) before it reaches the page.
#include "tools/grade/grade.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::string escaped(const std::string &text) {
    return html_escape(text);
}

// A CSV field: quoted when it holds a comma, a quote or a line break, quotes doubled. A field a
// spreadsheet would take for a formula (it begins with =, +, -, @, a tab or a carriage return)
// gets a ' before it, so that it stays text.
std::string csv(const std::string &field) {
    std::string text = field;
    if (!text.empty() && strchr("=+-@\t\r", text[0])) text = "'" + text;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string image(const std::string &file, const char *alt) {
    if (file.empty()) return "<td class=\"none pic\">no picture</td>";
    std::string path = "pictures/" + file;
    return "<td class=pic><a href=\"" + escaped(path) + "\"><img src=\"" + escaped(path) +
           "\" alt=\"" + alt + "\"></a></td>";
}

const char *const STYLE =
    "body{font-family:sans-serif;margin:1em;color:#222}"
    "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:4px;vertical-align:top}"
    "th{background:#eee;text-align:left}a{color:inherit}"
    "img{width:298px;image-rendering:pixelated;display:block}"
    ".rows{width:100%}.rows td.pic{width:22%;min-width:120px}"
    ".rows td.pic img{width:100%;max-width:595px}.rows pre{overflow-wrap:anywhere;min-width:14em}"
    ".same{background:#d8f5d8}.bad{background:#fbd5d5}.none{color:#888;width:298px}"
    "pre{margin:0;font-size:12px;white-space:pre-wrap;max-width:24em}"
    ".n{text-align:right;font-variant-numeric:tabular-nums}";

// A run that could not be compared: where its replay had got to and what it printed last.
std::string ended_cell(const Row &row) {
    if (row.reached_line < 0 && row.last_lines.empty()) return "<td></td>";
    std::string cell = "<td><pre>";
    if (row.reached_line >= 0)
        cell += "reached script line " + std::to_string(row.reached_line) + "\n";
    if (!row.last_lines.empty())
        cell +=
            row.outcome == "does-not-compile" ? "the compiler said:\n" : "last console lines:\n";
    for (const std::string &line : row.last_lines) cell += "  " + escaped(line) + "\n";
    return cell + "</pre></td>";
}

std::string console_cell(const Row &row) {
    if (row.differing_pixels < 0) return ended_cell(row);
    if (row.console_line == 0) return "<td>same</td>";
    std::string cell = "<td><pre>";
    for (size_t i = 0; i + 1 < row.console_diff.size(); i += 2) {
        cell += "line " + std::to_string(row.console_line + (int)i / 2) + "\n";
        cell += "  reference: " + escaped(row.console_diff[i]) + "\n";
        cell += "  submission: " + escaped(row.console_diff[i + 1]) + "\n";
    }
    return cell + "</pre></td>";
}

}  // namespace

bool write_report(const std::string &dir, const Grading &g, std::string *why) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>TAVIX grading: " +
        escaped(g.reference) + "</title><style>" + STYLE + "</style></head><body>\n";
    long same = 0;
    for (const Row &row : g.rows) same += row.outcome == "same";
    char text[512];
    snprintf(text, sizeof text,
             "<h1>TAVIX grading</h1>\n<p>%zu submission%s, %zu script%s: <b>%ld of %zu "
             "same</b>. Compared: %s. Limits per run: %g s, %ld MB. %d at once; %.1f s in "
             "all.</p>\n",
             g.submissions.size(), g.submissions.size() == 1 ? "" : "s", g.scripts.size(),
             g.scripts.size() == 1 ? "" : "s", same, g.rows.size(),
             g.limits.whole_buffer ? "the whole 601 x 540 buffer and the console text"
                                   : "the visible 595 x 496 area and the console text",
             g.limits.timeout_s, g.limits.memory_mb, g.jobs, g.seconds);
    page += text;
    page += "<p>" + escaped(g.isolation) +
            " Seed of TAVIX_random where a script gives none: " + escaped(g.seed) + ".</p>\n";
    page += "<h2>Reference: " + escaped(g.reference) +
            "</h2>\n<table><tr><th>script</th><th>outcome</th><th>picture</th></tr>\n";
    for (const Row &row : g.reference_rows)
        page += "<tr><td>" + escaped(row.run->script) +
                "</td><td class=" + (row.outcome == "ok" ? "same" : "bad") + ">" +
                escaped(row.words) + "</td>" + image(row.picture, "reference") + "</tr>\n";
    // At a glance: one line per submission, one cell per script, each leading to its row.
    page += "</table>\n<h2>At a glance</h2>\n<table><tr><th>submission</th>";
    for (const std::string &script : g.scripts) page += "<th>" + escaped(script) + "</th>";
    page += "</tr>\n";
    for (size_t i = 0; i < g.rows.size(); ++i) {
        const Row &row = g.rows[i];
        if (row.run->script_index == 0) page += "<tr><td>" + escaped(row.run->program) + "</td>";
        page += "<td class=" + std::string(row.outcome == "same" ? "same" : "bad") +
                "><a href=\"#row" + std::to_string(i + 1) + "\">" + escaped(row.words) +
                "</a></td>";
        if (row.run->script_index + 1 == (int)g.scripts.size()) page += "</tr>\n";
    }
    page +=
        "</table>\n<h2>Submissions</h2>\n<p>In the difference picture the pixels that differ "
        "are red, ringed in magenta; the rest is the reference's picture, pale.</p>\n"
        "<table class=rows><tr><th>submission</th><th>script</th><th>outcome</th><th>differing "
        "pixels</th><th>console</th><th>reference</th><th>submission</th><th>difference</th>"
        "</tr>\n";
    std::string summary = "submission,script,outcome,differing_pixels,console_line,words\n";
    for (size_t i = 0; i < g.rows.size(); ++i) {
        const Row &row = g.rows[i];
        const Run &run = *row.run;
        const Row &ref = g.reference_rows[(size_t)run.script_index];
        std::string pixels = row.differing_pixels < 0 ? "" : std::to_string(row.differing_pixels);
        page += "<tr id=row" + std::to_string(i + 1) + "><td>" + escaped(run.program) +
                "</td><td>" + escaped(run.script) +
                "</td><td class=" + (row.outcome == "same" ? "same" : "bad") + ">" +
                escaped(row.words) + "</td><td class=n>" + pixels + "</td>" + console_cell(row) +
                image(ref.picture, "reference") + image(row.picture, "submission") +
                image(row.difference, "difference") + "</tr>\n";
        summary += csv(run.program) + "," + csv(run.script) + "," + row.outcome + "," + pixels +
                   "," + (row.differing_pixels < 0 ? "" : std::to_string(row.console_line)) + "," +
                   csv(row.words) + "\n";
    }
    page += "</table>\n</body></html>\n";
    const std::pair<std::string, const std::string *> files[] = {{dir + "/report.html", &page},
                                                                 {dir + "/summary.csv", &summary}};
    // Each written whole beside its place, then put there at once: a reader never sees half a
    // file, and whatever stood at the name (a link, say) is replaced, not written through.
    for (const auto &file : files) {
        if (!wants_format(g, file.second == &page ? "html" : "csv")) continue;
        std::string temporary = file.first + ".XXXXXX";
        int fd = mkstemp(&temporary[0]);
        FILE *out = fd < 0 ? nullptr : fdopen(fd, "wb");
        bool ok =
            out && fwrite(file.second->data(), 1, file.second->size(), out) == file.second->size();
        if (out && fchmod(fd, 0644) != 0) ok = false;
        if (out && fclose(out) != 0) ok = false;
        if (ok && rename(temporary.c_str(), file.first.c_str()) != 0) ok = false;
        if (!ok) {
            *why = "cannot write " + file.first + ": " + strerror(errno);
            if (fd >= 0) unlink(temporary.c_str());
            return false;
        }
    }
    return true;
}
