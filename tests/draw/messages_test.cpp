// What a client reads on the console from each drawing call: the warnings for corrected
// arguments, in their order, then the log line while logging is on; and each call's result.
#include "library/draw/raster.h"
#include "tests/draw/draw_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

using drawtest::take_console;

namespace {

struct MessageCase {
    const char *what;
    std::function<int()> call;
    int result;
    std::vector<std::string> lines_logging_on;
    std::vector<std::string> lines_logging_off;
};

class Messages : public ::testing::Test {
   protected:
    static void SetUpTestSuite() { drawtest::open_library(); }
    void SetUp() override { take_console(); }
    void TearDown() override { TAVIX_set_logging(1); }
};

std::string long_text(size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += (char)('a' + i % 26);
    return text;
}

TEST_F(Messages, EachCallPrintsItsWarningsInOrderThenItsLogLine) {
    const std::vector<MessageCase> cases = {
        {"circle with a negative radius",
         [] { return TAVIX_draw_circle(3, 10, -20, -5); },
         1,
         {"Radius of -5 not possible, using radius 5\n", "green circle at (10,-20), radius 5\n"},
         {"Radius of -5 not possible, using radius 5\n"}},
        {"reversed filled rectangle",
         [] { return TAVIX_draw_rectangle(4, 50, -50, -50, 50, 0); },
         1,
         {"blue rectangle with bounding box (-50,50) to (50,-50), filled\n"},
         {}},
        {"rectangle sorted axis by axis",
         [] { return TAVIX_draw_rectangle(0, 10, 0, 0, 10, 2); },
         1,
         {"black rectangle with bounding box (0,10) to (10,0) with line width 2\n"},
         {}},
        {"rectangle with a negative width",
         [] { return TAVIX_draw_rectangle(40, 1, 2, 3, 4, -7); },
         1,
         {"Illegal color 40; using RED.\n", "Width of -7 not possible, using width 7\n",
          "red rectangle with bounding box (1,4) to (3,2) with line width 7\n"},
         {"Illegal color 40; using RED.\n", "Width of -7 not possible, using width 7\n"}},
        {"line: width before colour",
         [] { return TAVIX_draw_line(99, 0, 0, 10, 10, -3); },
         1,
         {"Width of -3 not possible, using width 3\n", "Illegal color 99; using RED.\n",
          "red line from (0,0) to (10,10), width 3\n"},
         {"Width of -3 not possible, using width 3\n", "Illegal color 99; using RED.\n"}},
        {"line of width 0 is logged as 0",
         [] { return TAVIX_draw_line(5, -1, 2, 3, -4, 0); },
         1,
         {"yellow line from (-1,2) to (3,-4), width 0\n"},
         {}},
        {"triangle: colour before width",
         [] { return TAVIX_draw_triangle(99, 1, 2, 3, 4, 5, 6, -3); },
         1,
         {"Illegal color 99; using RED.\n", "Width of -3 not possible, using width 3\n",
          "red triangle at (1,2), (3,4), (5,6)\n"},
         {"Illegal color 99; using RED.\n", "Width of -3 not possible, using width 3\n"}},
        {"pixel in a bad colour",
         [] { return TAVIX_draw_pixel(30, 5, 5); },
         1,
         {"Illegal color 30; using RED.\n", "red pixel at (5,5)\n"},
         {"Illegal color 30; using RED.\n"}},
        {"a negative colour stays negative in its warning",
         [] { return TAVIX_draw_pixel(-1, 0, 0); },
         1,
         {"Illegal color -1; using RED.\n", "red pixel at (0,0)\n"},
         {"Illegal color -1; using RED.\n"}},
        {"colour 23 is good",
         [] { return TAVIX_draw_pixel(23, -3, 4); },
         1,
         {"20% gray pixel at (-3,4)\n"},
         {}},
        {"colour 24 is not",
         [] { return TAVIX_draw_pixel(24, 0, 0); },
         1,
         {"Illegal color 24; using RED.\n", "red pixel at (0,0)\n"},
         {"Illegal color 24; using RED.\n"}},
        {"text size -200 is corrected twice",
         [] { return TAVIX_draw_text(1, 7, 8, -200, "Hi"); },
         1,
         {"ptsize of -200 not possible, using ptsize 200\n",
          "ptsize of 200 not possible, using ptsize 127\n", "white text at (7,8), \"Hi\"\n"},
         {"ptsize of -200 not possible, using ptsize 200\n",
          "ptsize of 200 not possible, using ptsize 127\n"}},
        {"text size 127",
         [] { return TAVIX_draw_text(9, 0, 0, 127, "x"); },
         1,
         {"navy blue text at (0,0), \"x\"\n"},
         {}},
        {"text size 0, a name with a per-cent sign",
         [] { return TAVIX_draw_text(22, 0, 0, 0, "100%"); },
         1,
         {"50% gray text at (0,0), \"100%\"\n"},
         {}},
        {"text: sizes before colour",
         [] { return TAVIX_draw_text(-9, 0, 0, 128, ""); },
         1,
         {"ptsize of 128 not possible, using ptsize 127\n", "Illegal color -9; using RED.\n",
          "red text at (0,0), \"\"\n"},
         {"ptsize of 128 not possible, using ptsize 127\n", "Illegal color -9; using RED.\n"}},
        {"formatted text",
         [] { return TAVIX_draw_formatted(0, 1, 1, 12, "%d apples", 3); },
         8,
         {"black text at (1,1), \"3 apples\"\n"},
         {}},
        {"clear", [] { return TAVIX_clear_window(); }, 1, {"Clearing the graphics window\n"}, {}},
        // The most negative int has no positive counterpart: it becomes the largest int.
        {"radius INT_MIN",
         [] { return TAVIX_draw_circle(2, 0, 0, INT_MIN); },
         1,
         {"Radius of -2147483648 not possible, using radius 2147483647\n",
          "red circle at (0,0), radius 2147483647\n"},
         {"Radius of -2147483648 not possible, using radius 2147483647\n"}},
        {"width INT_MIN",
         [] { return TAVIX_draw_line(2, 0, 0, 1, 1, INT_MIN); },
         1,
         {"Width of -2147483648 not possible, using width 2147483647\n",
          "red line from (0,0) to (1,1), width 2147483647\n"},
         {"Width of -2147483648 not possible, using width 2147483647\n"}},
        {"size INT_MIN",
         [] { return TAVIX_draw_text(2, 0, 0, INT_MIN, "a"); },
         1,
         {"ptsize of -2147483648 not possible, using ptsize 2147483647\n",
          "ptsize of 2147483647 not possible, using ptsize 127\n", "red text at (0,0), \"a\"\n"},
         {"ptsize of -2147483648 not possible, using ptsize 2147483647\n",
          "ptsize of 2147483647 not possible, using ptsize 127\n"}},
        {"colour INT_MIN",
         [] { return TAVIX_draw_pixel(INT_MIN, 0, 0); },
         1,
         {"Illegal color -2147483648; using RED.\n", "red pixel at (0,0)\n"},
         {"Illegal color -2147483648; using RED.\n"}},
        {"null text", [] { return TAVIX_draw_text(0, 0, 0, -5, nullptr); }, 1, {}, {}},
        {"null format", [] { return TAVIX_draw_formatted(99, 0, 0, -5, nullptr); }, 0, {}, {}},
    };
    for (int logging = 1; logging >= 0; --logging) {
        for (const MessageCase &c : cases) {
            TAVIX_set_logging(logging);
            EXPECT_EQ(c.call(), c.result) << c.what;
            EXPECT_EQ(take_console(), logging ? c.lines_logging_on : c.lines_logging_off)
                << c.what << (logging ? ", logging on" : ", logging off");
        }
    }
}

TEST_F(Messages, EveryColourIsLoggedByItsName) {
    const char *names[24] = {"black",      "white",    "red",       "green",   "blue",
                             "yellow",     "magenta",  "cyan",      "purple",  "navy blue",
                             "dusty plum", "ice blue", "turquoise", "orange",  "brown",
                             "pink",       "chalk",    "gold",      "peach",   "forest green",
                             "sea green",  "olive",    "50% gray",  "20% gray"};
    for (int colour = 0; colour < 24; ++colour) {
        TAVIX_draw_pixel(colour, 1, 2);
        EXPECT_EQ(take_console(),
                  std::vector<std::string>{std::string(names[colour]) + " pixel at (1,2)\n"});
    }
}

// A text too long for one console line is quoted only in part, so the log line still ends in
// its quote and newline; the text itself is drawn whole.
TEST_F(Messages, LongTextsKeepTheirLogLineWhole) {
    std::string text = long_text(3000);
    EXPECT_EQ(TAVIX_draw_text(13, -123456, 654321, 10, text.c_str()), 1);
    std::vector<std::string> lines = take_console();
    ASSERT_EQ(lines.size(), 1u);
    const std::string prefix = "orange text at (-123456,654321), \"";
    EXPECT_EQ(lines[0].size(), (size_t)CONSOLE_TEXT_SIZE - 1);
    EXPECT_EQ(lines[0].compare(0, prefix.size(), prefix), 0);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "\"\n");
    EXPECT_EQ(lines[0].substr(prefix.size(), 10), "abcdefghij");

    // Formatted: drawn cut to the 1023 characters of its buffer; the result is the length the
    // formatting produced all the same.
    EXPECT_EQ(TAVIX_draw_formatted(0, 0, 0, 10, "%s", text.c_str()), 3000);
    lines = take_console();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), (size_t)CONSOLE_TEXT_SIZE - 1);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "\"\n");

    // One that just fits is quoted whole.
    const std::string short_prefix = "black text at (0,0), \"";
    std::string fitting = long_text(CONSOLE_TEXT_SIZE - 1 - short_prefix.size() - 2);
    TAVIX_draw_text(0, 0, 0, 10, fitting.c_str());
    EXPECT_EQ(take_console(), std::vector<std::string>{short_prefix + fitting + "\"\n"});
}

}  // namespace
