// The script line codec on its own: what each line decodes to, which lines are refused, and that
// formatting and decoding agree.
#include "library/script/script_line.h"
#include "library/tavix.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>
#include <cstring>

namespace {

struct DecodeCase {
    const char *line;
    int ok;
    int type;
    int x, y;
    int key;
    int count;
};

TEST(ScriptLineDecode, LinesAndTheirEvents) {
    const DecodeCase cases[] = {
        {"TAVIX_MOUSE(-40, 17);\n", 1, TAVIX_MOUSE, -40, 17, 0, 0},
        {"TAVIX_MOUSE(-3, -4);\n", 1, TAVIX_MOUSE, -3, -4, 0, 0},
        {"TAVIX_MOUSE(5,7);\n", 1, TAVIX_MOUSE, 5, 7, 0, 0},
        {"TAVIX_MOUSE(5-3, 7);\n", 1, TAVIX_MOUSE, 5, 7, 0, 0},  // "5-3" reads as 5
        {"TAVIX_MOUSE(-2147483648, 2147483647);\n", 1, TAVIX_MOUSE, INT_MIN, INT_MAX, 0, 0},
        {"TAVIX_KBD(97);\n", 1, TAVIX_KBD, 0, 0, 97, 0},
        {"TAVIX_KBD(-23);\n", 1, TAVIX_KBD, 0, 0, -23, 0},
        {"TAVIX_KBD(233);\n", 1, TAVIX_KBD, 0, 0, -23, 0},  // the low 8 bits
        {"TAVIX_KBD(--5);\n", 1, TAVIX_KBD, 0, 0, 0, 0},    // as atoi reads it
        {"TAVIX_KBD(3-4);\n", 1, TAVIX_KBD, 0, 0, 3, 0},
        {"TAVIX_PERIODIC(12);\n", 1, TAVIX_PERIODIC, 0, 0, 0, 12},
        {"TAVIX_PERIODIC(-3);\n", 1, TAVIX_PERIODIC, 0, 0, 0, 3},  // '-' is skipped
        {"XXXXXXK 42", 1, TAVIX_KBD, 0, 0, 42, 0},  // only the letter at index 6 counts
        {"TAVIX_PERIODIC(2147483647);", 1, TAVIX_PERIODIC, 0, 0, 0, INT_MAX},
        {"TAVIX_PERIODIC(0);\n", 1, TAVIX_PERIODIC, 0, 0, 0, 0},
        {"TAVIX_MOUSE(-, 5);\n", 1, TAVIX_MOUSE, 0, 5, 0, 0},  // a text of "-" alone is 0
        {"TAVIX_MOUSE(7, -);\n", 1, TAVIX_MOUSE, 7, 0, 0, 0},
        {"TAVIX_KBD(-);\n", 1, TAVIX_KBD, 0, 0, 0, 0},
        // Refused: nothing to identify, unknown letters, missing or oversized numbers.
        {"", 0, 0, 0, 0, 0, 0},
        {"TAVIX", 0, 0, 0, 0, 0, 0},
        {"TAVIX_", 0, 0, 0, 0, 0, 0},
        {"TAVIX_QUIT();\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_kbd(97);\n", 0, 0, 0, 0, 0, 0},
        {"      \n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_KBD();\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_MOUSE(5);\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_MOUSE();\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_PERIODIC();\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_PERIODIC(-);\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_MOUSE(-);\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_KBD(123456789012);\n", 0, 0, 0, 0, 0, 0},  // 12 characters
        {"TAVIX_MOUSE(1, -12345678901);\n", 0, 0, 0, 0, 0, 0},
        {"TAVIX_MOUSE(2147483648, 0);\n", 0, 0, 0, 0, 0, 0},  // beyond 32 bits
        {"TAVIX_PERIODIC(99999999999);\n", 0, 0, 0, 0, 0, 0},
    };
    for (const DecodeCase &c : cases) {
        SCOPED_TRACE(c.line);
        ScriptEvent event = {};
        ASSERT_EQ(decode_script_line(c.line, &event), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(event.type, c.type);
        if (c.type == TAVIX_MOUSE) {
            EXPECT_EQ(event.x, c.x);
            EXPECT_EQ(event.y, c.y);
        }
        if (c.type == TAVIX_KBD) {
            EXPECT_EQ(event.key, c.key);
        }
        if (c.type == TAVIX_PERIODIC) {
            EXPECT_EQ(event.count, c.count);
        }
    }
}

TEST(ScriptLineDecode, NeverLooksPastTheLine) {
    // The buffer holds a number after the line's end; a reader that ran on would find it.
    char buffer[SCRIPT_LINE_SIZE];
    memset(buffer, '7', sizeof buffer);
    memcpy(buffer, "TAVIX_KBD(", 11);  // with its zero
    ScriptEvent event = {};
    EXPECT_EQ(decode_script_line(buffer, &event), 0);
    memcpy(buffer, "TAVIX_MOUSE(4, ", 16);
    EXPECT_EQ(decode_script_line(buffer, &event), 0);

    // A full buffer without any zero: only SCRIPT_LINE_SIZE bytes are looked at.
    memset(buffer, 'P', sizeof buffer);
    EXPECT_EQ(decode_script_line(buffer, &event), 0);
}

// Each line read has the number of the line it is in, counted by the newlines before it, whatever
// bytes the lines hold; a piece of a long line has its line's number.
TEST(ScriptLineRead, LinesAreNumberedByTheirEnds) {
    const std::string long_line = "TAVIX_KBD(1);" + std::string(SCRIPT_LINE_SIZE, ' ') + "\n";
    const struct {
        std::string file;
        std::vector<int> numbers;
    } cases[] = {
        {"TAVIX_KBD(65);\nTAVIX_KBD(66);\n", {1, 2}},
        {std::string("TAVIX_KBD(65);\0\nTAVIX_KBD(66);\nTAVIX_MOUSE(1, 2);\n", 50), {1, 2, 3}},
        {std::string("\0\0\n\nX\0\0\0\nY\n", 11), {1, 3, 4}},
        {"\n\r\nA\n\nB\n", {3, 5}},  // empty lines are skipped, not forgotten
        {long_line + "B\n", {1, 1, 2}},
        {"# a\nA\n#" + long_line + "B\n", {2, 4}},  // comments are passed over, a long one whole
        {"A\nB", {1}},                              // a last line without its newline is not read
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        FILE *stream = tmpfile();
        ASSERT_NE(stream, nullptr);
        fwrite(c.file.data(), 1, c.file.size(), stream);
        rewind(stream);
        char line[SCRIPT_LINE_SIZE];
        int lines_read = 0, number = 0;
        std::vector<int> numbers;
        while (next_script_line_numbered(stream, line, &lines_read, &number))
            numbers.push_back(number);
        EXPECT_EQ(numbers, c.numbers);
        fclose(stream);
    }
}

TEST(ScriptLineFormat, RoundTrips) {
    struct Case {
        int type, x, y, key, count;
        const char *line;
    } cases[] = {
        {TAVIX_MOUSE, -40, 17, 0, 0, "TAVIX_MOUSE(-40, 17);\n"},
        {TAVIX_MOUSE, INT_MIN, INT_MAX, 0, 0, "TAVIX_MOUSE(-2147483648, 2147483647);\n"},
        {TAVIX_KBD, 0, 0, 'a', 0, "TAVIX_KBD(97);\n"},
        {TAVIX_KBD, 0, 0, (signed char)233, 0, "TAVIX_KBD(-23);\n"},
        {TAVIX_KBD, 0, 0, (signed char)128, 0, "TAVIX_KBD(-128);\n"},
        {TAVIX_KBD, 0, 0, 127, 0, "TAVIX_KBD(127);\n"},
        {TAVIX_PERIODIC, 9, 9, 9, 1, "TAVIX_PERIODIC(1);\n"},
        {TAVIX_PERIODIC, 0, 0, 0, INT_MAX, "TAVIX_PERIODIC(2147483647);\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        char line[SCRIPT_LINE_SIZE];
        int length =
            format_script_line(line, sizeof line, c.type, c.x, c.y, (signed char)c.key, c.count);
        EXPECT_STREQ(line, c.line);
        EXPECT_EQ(length, (int)strlen(c.line));
        ScriptEvent event = {};
        ASSERT_EQ(decode_script_line(line, &event), 1);
        EXPECT_EQ(event.type, c.type);
        if (c.type == TAVIX_MOUSE) {
            EXPECT_EQ(event.x, c.x);
            EXPECT_EQ(event.y, c.y);
        }
        if (c.type == TAVIX_KBD) {
            EXPECT_EQ(event.key, (signed char)c.key);
        }
        if (c.type == TAVIX_PERIODIC) {
            EXPECT_EQ(event.count, c.count);
        }
    }
    char line[SCRIPT_LINE_SIZE] = "old";
    EXPECT_EQ(format_script_line(line, sizeof line, TAVIX_QUIT, 1, 2, 3, 4), 0);
    EXPECT_STREQ(line, "");
}

}  // namespace

TEST(ScriptLineDecode, TheRicherWaitsLinesAndWhatIsNotOne) {
    struct Case {
        const char *line;
        char kind;  // 0: refused
        std::vector<int> values;
    };
    const Case cases[] = {
        {"TAVIX_EVENT(40, 1, -2, 37, 0, 1, 1234);\n", 'E', {40, 1, -2, 37, 0, 1, 1234}},
        {"TAVIX_TIME(1234, 3);\n", 'T', {1234, 3}},
        {"TAVIX_SEED(-5);\n", 'S', {-5}},
        {"TAVIX_NONE(2);\n", 'N', {2}},
        {"TAVIX_EVENT(40, 1, -2, 37, 0, 1);\n", 0, {}},  // a number short
        {"TAVIX_TIME(5, 0);\n", 0, {}},                  // a run of none
        {"TAVIX_NONE(-1);\n", 0, {}},
        {"TAVIX_TEST(5, 1);\n", 0, {}},  // the letter of a form, not its word
        {"TAVIX_KBD(97);\n", 0, {}},     // the first three are not these
        {"TAVIX_SEED(99999999999);\n", 0, {}},
        // Event lines a recording can make, at the ends of their ranges...
        {"TAVIX_EVENT(40, -131072, 131072, 255, 0, 15, 2147483647);\n",
         'E',
         {40, -131072, 131072, 255, 0, 15, 2147483647}},
        {"TAVIX_EVENT(6, 0, 0, 0, 7, 0, 0);\n", 'E', {6, 0, 0, 0, 7, 0, 0}},  // all three held
        {"TAVIX_EVENT(7, 0, 0, 0, -274, 0, 0);\n", 'E', {7, 0, 0, 0, -274, 0, 0}},
        {"TAVIX_EVENT(3, 1, 2, 0, 0, 1, 5);\n", 'E', {3, 1, 2, 0, 0, 1, 5}},
        // Typed text: any code point but the surrogates, with the modifiers held.
        {"TAVIX_EVENT(8, 3, 4, 945, 0, 1, 9);\n", 'E', {8, 3, 4, 945, 0, 1, 9}},
        {"TAVIX_EVENT(8, 0, 0, 1114111, 0, 0, 0);\n", 'E', {8, 0, 0, 0x10FFFF, 0, 0, 0}},
        {"TAVIX_EVENT(8, 0, 0, 55295, 0, 0, 0);\n", 'E', {8, 0, 0, 0xD7FF, 0, 0, 0}},
        {"TAVIX_EVENT(8, 0, 0, 57344, 0, 0, 0);\n", 'E', {8, 0, 0, 0xE000, 0, 0, 0}},
        {"TAVIX_EVENT(8, 0, 0, 1114112, 0, 0, 0);\n", 0, {}},  // past Unicode
        {"TAVIX_EVENT(8, 0, 0, 55296, 0, 0, 0);\n", 0, {}},    // a surrogate
        {"TAVIX_EVENT(8, 0, 0, 57343, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(8, 0, 0, 0, 0, 0, 0);\n", 0, {}},        // no character
        {"TAVIX_EVENT(8, 0, 0, -65, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(8, 0, 0, 97, 1, 0, 0);\n", 0, {}},       // text carries no button
        {"TAVIX_EVENT(8, 0, 0, 97, 0, 8, 0);\n", 0, {}},       // nor a repeat
        {"TAVIX_EVENT(9, 0, 0, 3, 13, 0, 5);\n", 'E', {9, 0, 0, 3, 13, 0, 5}},  // a pad's press
        {"TAVIX_EVENT(10, 4, 5, 0, 0, 0, 5);\n", 'E', {10, 4, 5, 0, 0, 0, 5}},
        {"TAVIX_EVENT(11, 0, 0, 2, 0, 0, 5);\n", 'E', {11, 0, 0, 2, 0, 0, 5}},
        {"TAVIX_EVENT(12, 0, 0, 3, 0, 1, 5);\n", 'E', {12, 0, 0, 3, 0, 1, 5}},
        {"TAVIX_GAMEPAD(-1000, 1);\n", 'G', {-1000, 1}},
        {"TAVIX_GAMEPAD(1000, 2147483647);\n", 'G', {1000, 2147483647}},
        // ...and the ones none can: no such type (quit has no line), key out of a byte, no
        // such button, a time before the start, modifiers or places no message carries.
        {"TAVIX_EVENT(99, 0, 0, 0, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(0, 0, 0, 0, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(4, 0, 0, 0, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(40, 0, 0, 1000, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(38, 0, 0, -7, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(2, 0, 0, 256, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(1, 0, 0, 0, 7, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(5, 0, 0, 0, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(1, 0, 0, 65, 1, 0, 0);\n", 0, {}},  // a click carries no key
        {"TAVIX_EVENT(6, 0, 0, 0, 8, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(7, 0, 0, 0, 0, 0, 0);\n", 0, {}},  // a turn of no notches
        {"TAVIX_EVENT(7, 0, 0, 0, 275, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(40, 0, 0, 65, 1, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(2, 0, 0, 97, 0, 0, -2147483648);\n", 0, {}},
        {"TAVIX_EVENT(2, 0, 0, 97, 0, 16, 0);\n", 0, {}},
        {"TAVIX_EVENT(38, 0, 0, 65, 0, 8, 0);\n", 0, {}},  // only a key-down repeats
        {"TAVIX_EVENT(1, 131073, 0, 0, 1, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(3, 0, -2147483648, 0, 0, 0, 0);\n", 0, {}},
        // No pad but 0 to 3, no button but 0 to 13, none on a pad coming or going.
        {"TAVIX_EVENT(9, 0, 0, 4, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(10, 0, 0, -1, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(9, 0, 0, -2147483648, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(9, 0, 0, 0, 14, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(10, 0, 0, 0, -1, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(11, 0, 0, 0, 1, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(12, 0, 0, 9, 0, 0, 0);\n", 0, {}},
        {"TAVIX_EVENT(9, 0, 0, 0, 0, 8, 0);\n", 0, {}},  // only a key-down repeats
        {"TAVIX_EVENT(13, 0, 0, 0, 0, 0, 0);\n", 0, {}},
        // A read returns -1000 to 1000, at least once.
        {"TAVIX_GAMEPAD(1001, 1);\n", 0, {}},
        {"TAVIX_GAMEPAD(-1001, 1);\n", 0, {}},
        {"TAVIX_GAMEPAD(0, 0);\n", 0, {}},
        {"TAVIX_GAMEPAD(0);\n", 0, {}},
    };
    for (const Case &c : cases) {
        ScriptExtraLine extra = {};
        int decoded = decode_extra_script_line(c.line, &extra);
        EXPECT_EQ(decoded, c.kind != 0) << c.line;
        if (!decoded || !c.kind) continue;
        EXPECT_EQ(extra.kind, c.kind) << c.line;
        for (size_t i = 0; i < c.values.size(); i++)
            EXPECT_EQ(extra.values[i], c.values[i]) << c.line;
        // None of them is taken for one of the first three.
        ScriptEvent event;
        EXPECT_FALSE(decode_script_line(c.line, &event)) << c.line;
    }
}
