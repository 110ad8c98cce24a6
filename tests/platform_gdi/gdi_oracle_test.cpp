// The layer against the GDI oracle: the corpus is drawn here and every shape's checksum compared
// with the one the oracle's GDI gave (data/gdi_oracle.txt.gz, made by scripts/gdi-oracle.sh).
// Shapes listed in data/gdi_oracle_known.txt are known to differ; any other difference fails.
#include "gdi_corpus.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Shape {
    std::string family, name;
    unsigned checksum;
    bool unstable;  // the oracle painted it differently from run to run: no reference
};

std::string data_path(const char *file) {
    const char *source = getenv("TAVIX_SOURCE_DIR");
    return std::string(source ? source : "../../..") + "/tests/platform_gdi/data/" + file;
}

// "family name... checksum" lines; '#' starts a comment line.
std::vector<Shape> read_oracle(const std::string &path) {
    std::vector<Shape> shapes;
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return shapes;
    char line[512];
    while (gzgets(file, line, sizeof line)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        size_t first = text.find(' '), last = text.rfind(' ');
        if (first == std::string::npos || last <= first) continue;
        std::string sum = text.substr(last + 1);
        shapes.push_back(Shape{text.substr(0, first), text.substr(first + 1, last - first - 1),
                               (unsigned)strtoul(sum.c_str(), nullptr, 16), sum == "unstable"});
    }
    gzclose(file);
    return shapes;
}

// Entries "family" (the whole family) or "family name", comments after '#'.
std::set<std::string> read_known(const std::string &path) {
    std::set<std::string> known;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) known.insert(line);
    }
    return known;
}

void collect(void *context, const char *family, const char *name, unsigned checksum, HDC,
             const RECT *) {
    ((std::vector<Shape> *)context)->push_back(Shape{family, name, checksum, false});
}

struct Tally {
    int shapes = 0, match = 0, known = 0, unexpected = 0, unstable = 0, known_but_matching = 0;
};

TEST(GdiOracle, EveryCorpusShapeMatchesTheOracleOrIsAKnownDifference) {
    std::vector<Shape> oracle = read_oracle(data_path("gdi_oracle.txt.gz"));
    ASSERT_FALSE(oracle.empty()) << "no oracle data at " << data_path("gdi_oracle.txt.gz");
    std::set<std::string> known = read_known(data_path("gdi_oracle_known.txt"));
    std::vector<Shape> ours;
    ASSERT_GE(corpus_run(collect, &ours), 0);
    ASSERT_EQ(ours.size(), oracle.size()) << "the corpus changed: regenerate the oracle's data";

    std::map<std::string, Tally> tally;
    std::vector<std::string> unexpected;
    for (size_t i = 0; i < ours.size(); ++i) {
        const Shape &a = ours[i], &b = oracle[i];
        ASSERT_EQ(a.family + " " + a.name, b.family + " " + b.name)
            << "the corpus changed: regenerate the oracle's data";
        Tally &t = tally[a.family];
        ++t.shapes;
        if (b.unstable) {
            ++t.unstable;
            continue;
        }
        bool listed = known.count(a.family) || known.count(a.family + " " + a.name);
        if (a.checksum == b.checksum) {
            ++t.match;
            if (listed && known.count(a.family + " " + a.name)) ++t.known_but_matching;
        } else if (listed) {
            ++t.known;
        } else {
            ++t.unexpected;
            if (unexpected.size() < 20) unexpected.push_back(a.family + " " + a.name);
        }
    }
    int total = 0, matching = 0, failing = 0;
    for (const auto &entry : tally) {
        const Tally &t = entry.second;
        printf("%-20s %5d shapes %5d match %5d known differences %5d unexpected %4d no reference",
               entry.first.c_str(), t.shapes, t.match, t.known, t.unexpected, t.unstable);
        if (t.known_but_matching) printf(" (%d listed as known now match)", t.known_but_matching);
        printf("\n");
        total += t.shapes;
        matching += t.match;
        failing += t.unexpected;
    }
    printf("%d of %d shapes match the oracle\n", matching, total);
    for (const std::string &name : unexpected) ADD_FAILURE() << "differs from the oracle: " << name;
    EXPECT_EQ(failing, 0);
}

}  // namespace
