// The browser's table of font files (font_files_web.cpp, built here under other names) against
// fontconfig on this machine: wherever fontconfig picks a file that the page offers, the table
// picks the same one, so a page draws a face asked for by name as Linux does.
#include "platform/gdi/font_files.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

bool web_font_files_find(const char *face, int weight, bool italic, int pitch_family,
                         std::string *file, int *index);

// The page fetches nothing here: every file it names is there.
extern "C" int tavix_web_font_fetch(const char *) {
    return 1;
}

namespace {

std::string base_name(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TEST(FontFilesWeb, PicksWhatFontconfigPicksAmongTheFacesOffered) {
    ASSERT_EQ(font_files_start(), nullptr);
    const char *faces[] = {"",           "TAVIX-font",     "Arial",           "Liberation Sans",
                           "liberation sans", "Times New Roman", "Liberation Serif", "Courier New",
                           "Liberation Mono", "DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif",
                           "Comic Sans MS"};
    const int weights[] = {FW_NORMAL, 600, FW_BOLD};  // 600: semibold
    const int pitches[] = {DEFAULT_PITCH | FF_DONTCARE, VARIABLE_PITCH | FF_SWISS,
                           VARIABLE_PITCH | FF_ROMAN, FIXED_PITCH | FF_MODERN};
    struct Request {
        const char *face;
        int weight;
        bool italic;
        int pitch;
    };
    std::vector<Request> requests;
    std::set<std::string> offered;
    for (const char *face : faces)
        for (int weight : weights)
            for (bool italic : {false, true})
                for (int pitch : pitches) {
                    requests.push_back({face, weight, italic, pitch});
                    std::string file;
                    int index = -1;
                    ASSERT_TRUE(web_font_files_find(face, weight, italic, pitch, &file, &index));
                    EXPECT_EQ(index, 0);
                    offered.insert(base_name(file));
                }
    int compared = 0;
    for (const Request &r : requests) {
        std::string native, web;
        int index = 0;
        ASSERT_TRUE(font_files_find(r.face, r.weight, r.italic, r.pitch, &native, &index));
        // A face this machine has beyond those the project installs: nothing to compare.
        if (!offered.count(base_name(native))) continue;
        web_font_files_find(r.face, r.weight, r.italic, r.pitch, &web, &index);
        ++compared;
        EXPECT_EQ(base_name(web), base_name(native))
            << "\"" << r.face << "\" weight " << r.weight << (r.italic ? " italic" : "")
            << " pitch " << r.pitch;
    }
    // Most requests land on offered faces wherever the project's fonts are installed.
    EXPECT_GE(compared, (int)requests.size() / 2);
}

}  // namespace
