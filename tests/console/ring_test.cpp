// The console ring without a window (the library is never started here): indices, block sizes
// and contents as messages come, the bound on a message's length, and what is returned.
#include "library/core/state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string block_text(HGLOBAL block) {
    const char *text = static_cast<const char *>(GlobalLock(block));
    std::string copy = text ? text : "<unlockable>";
    GlobalUnlock(block);
    return copy;
}

std::string message(int i) {
    return "message " + std::to_string(i) + "\n";
}

int newest_slot() {
    return (library_state.console.end + CONSOLE_RING_SIZE - 1) % CONSOLE_RING_SIZE;
}

// Runs first: it counts messages from the process's start.
TEST(ConsoleRing, FillsThenRotatesKeepingTheLast25) {
    ASSERT_EQ(library_state.console.first, -1);
    ASSERT_EQ(library_state.console.end, 0);
    ASSERT_EQ(library_state.window.console, nullptr);

    HGLOBAL first_block = nullptr;
    for (int i = 1; i <= 30; ++i) {
        int n = TAVIX_console_printf("message %d\n", i);
        ASSERT_EQ(n, (int)message(i).size());
        if (i == 1) {
            first_block = library_state.console.lines[0];
            EXPECT_EQ(library_state.console.first, 0);
            EXPECT_EQ(library_state.console.end, 1);
        }
        if (i == 24) {
            EXPECT_EQ(library_state.console.first, 0);
            EXPECT_EQ(library_state.console.end, 24);
            EXPECT_EQ(library_state.console.lines[24], nullptr);
        }
        if (i == 25) {
            EXPECT_EQ(library_state.console.first, 0);
            EXPECT_EQ(library_state.console.end, 0);
            // Full, nothing freed yet: every slot holds its own message, newline and all.
            for (int slot = 0; slot < CONSOLE_RING_SIZE; ++slot) {
                EXPECT_EQ(block_text(library_state.console.lines[slot]), message(slot + 1));
                EXPECT_EQ(GlobalSize(library_state.console.lines[slot]),
                          message(slot + 1).size() + 1);
            }
            EXPECT_EQ(GlobalSize(first_block), message(1).size() + 1);
        }
        if (i == 26) {
            EXPECT_EQ(library_state.console.first, 1);
            EXPECT_EQ(library_state.console.end, 1);
            EXPECT_EQ(GlobalSize(first_block), 0u) << "the oldest block is freed for the 26th";
            EXPECT_EQ(block_text(library_state.console.lines[0]), message(26));
        }
    }
    // After 30: messages 6 to 30, oldest at console_first.
    EXPECT_EQ(library_state.console.first, 5);
    EXPECT_EQ(library_state.console.end, 5);
    for (int k = 0; k < CONSOLE_RING_SIZE; ++k) {
        int slot = (library_state.console.first + k) % CONSOLE_RING_SIZE;
        EXPECT_EQ(block_text(library_state.console.lines[slot]), message(6 + k)) << slot;
        EXPECT_EQ(GlobalSize(library_state.console.lines[slot]), message(6 + k).size() + 1);
    }
}

TEST(ConsoleRing, StoresExactlyWhatWasFormatted) {
    struct Case {
        const char *text;
        int result;
        size_t block;
    } cases[] = {
        {"Clearing the graphics window\n", 29, 30},
        {"", 0, 1},
        {"\n", 1, 2},
        {"two\nparts", 9, 10},
        {"tab\there\n", 9, 10},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(TAVIX_console_printf("%s", c.text), c.result) << c.text;
        HGLOBAL block = library_state.console.lines[newest_slot()];
        EXPECT_EQ(GlobalSize(block), c.block) << c.text;
        EXPECT_EQ(block_text(block), c.text);
    }
    EXPECT_EQ(TAVIX_console_printf("%d %s %c%%", -42, "x", 'y'), 8);
    EXPECT_EQ(block_text(library_state.console.lines[newest_slot()]), "-42 x y%");
}

TEST(ConsoleRing, ALongMessageIsCutButCountedInFull) {
    std::string long_text(5000, 'x');
    EXPECT_EQ(TAVIX_console_printf("%s\n", long_text.c_str()), 5001);
    HGLOBAL block = library_state.console.lines[newest_slot()];
    EXPECT_EQ(GlobalSize(block), (size_t)CONSOLE_TEXT_SIZE);
    EXPECT_EQ(block_text(block), std::string(CONSOLE_TEXT_SIZE - 1, 'x'));

    // Exactly 1023 characters still fit whole.
    std::string fits(CONSOLE_TEXT_SIZE - 2, 'y');
    EXPECT_EQ(TAVIX_console_printf("%s\n", fits.c_str()), CONSOLE_TEXT_SIZE - 1);
    EXPECT_EQ(block_text(library_state.console.lines[newest_slot()]), fits + "\n");
}

TEST(ConsoleRing, PrintingWithoutAWindowDrawsNothingAndShowsNothing) {
    // No window exists: the switch does nothing and printing only stores.
    EXPECT_EQ(TAVIX_show_console(1), 0);
    EXPECT_EQ(library_state.window.console, nullptr);
    char text[] = "straight to the line printer\n";
    print_console_line(text);
    EXPECT_EQ(paint_console(), 0);
}

}  // namespace
