#!/usr/bin/env python3
"""Checks a results.json against the fields Gradescope's autograders and PrairieLearn's external
graders document, and its score against the one expected.
    check_results.py gradescope|prairielearn FILE [SCORE]
Prints what is wrong and exits 1, or exits 0."""
import base64
import json
import os
import sys

VISIBILITIES = {"hidden", "after_due_date", "after_published", "visible"}
FORMATS = {"text", "html", "simple_format", "md", "ansi"}
GRADESCOPE_TOP = {"score", "execution_time", "output", "output_format", "test_output_format",
                  "test_name_format", "visibility", "stdout_visibility", "extra_data", "tests",
                  "leaderboard"}
GRADESCOPE_TEST = {"score", "max_score", "status", "name", "name_format", "number", "output",
                   "output_format", "tags", "visibility", "extra_data"}
PRAIRIELEARN_TOP = {"gradable", "score", "message", "output", "images", "tests", "format_errors"}
PRAIRIELEARN_TEST = {"name", "description", "points", "max_points", "message", "output", "images"}

problems = []


def need(condition, what):
    if not condition:
        problems.append(what)


def number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def gradescope(results):
    need(set(results) <= GRADESCOPE_TOP, "unknown fields %s" % (set(results) - GRADESCOPE_TOP))
    tests = results.get("tests", [])
    need("score" in results or all("score" in t for t in tests), "no score")
    need("score" not in results or number(results["score"]), "score is not a number")
    for key in ("visibility", "stdout_visibility"):
        need(results.get(key, "visible") in VISIBILITIES, key + " is not a visibility")
    for key in ("output_format", "test_output_format"):
        need(results.get(key, "text") in FORMATS, key + " is not a format")
    need(isinstance(tests, list), "tests is not a list")
    for t in tests:
        need(set(t) <= GRADESCOPE_TEST, "unknown test fields %s" % (set(t) - GRADESCOPE_TEST))
        need(t.get("status", "passed") in ("passed", "failed"), "a test's status")
        need(t.get("visibility", "visible") in VISIBILITIES, "a test's visibility")
        need(t.get("output_format", "text") in FORMATS, "a test's output_format")
        need(isinstance(t.get("name", ""), str) and isinstance(t.get("output", ""), str),
             "a test's name or output is not text")
        need(isinstance(t.get("number", ""), str), "a test's number is not a string")
        if "score" in t and "max_score" in t:
            need(number(t["score"]) and number(t["max_score"]) and t["score"] <= t["max_score"],
                 "a test's score is above its max_score")
    return results.get("score", sum(t.get("score", 0) for t in tests))


def image(item):
    url = item if isinstance(item, str) else item.get("url")
    need(isinstance(item, str) or set(item) <= {"url", "label"}, "an image's fields")
    prefix = "data:image/png;base64,"
    need(isinstance(url, str) and url.startswith(prefix), "an image is not an embedded PNG")
    if isinstance(url, str) and url.startswith(prefix):
        need(base64.b64decode(url[len(prefix):])[:8] == b"\x89PNG\r\n\x1a\n", "not PNG bytes")


def prairielearn(results, size):
    need(size <= 1024 * 1024, "larger than 1 MB")
    need(set(results) <= PRAIRIELEARN_TOP, "unknown fields %s" % (set(results) - PRAIRIELEARN_TOP))
    gradable = results.get("gradable", True)
    need(isinstance(gradable, bool), "gradable is not a boolean")
    if not gradable:
        errors = results.get("format_errors", [])
        need(isinstance(errors, (str, list)), "format_errors is neither text nor a list")
        return None
    score = results.get("score")
    need(number(score) and 0 <= score <= 1, "score is not a number from 0 to 1")
    for item in results.get("images", []):
        image(item)
    for t in results.get("tests", []):
        need(set(t) <= PRAIRIELEARN_TEST, "unknown test fields %s" % (set(t) - PRAIRIELEARN_TEST))
        need(number(t.get("points", 0)) and number(t.get("max_points", 0)), "a test's points")
        for item in t.get("images", []):
            image(item)
    return score


def main():
    kind, path = sys.argv[1], sys.argv[2]
    with open(path, encoding="utf-8") as f:
        results = json.load(f)
    score = gradescope(results) if kind == "gradescope" else prairielearn(results, os.path.getsize(path))
    if len(sys.argv) > 3:
        expected = None if sys.argv[3] == "none" else float(sys.argv[3])
        need(score == expected, "score %s, not %s" % (score, expected))
    for p in problems:
        print("%s: %s" % (path, p))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
