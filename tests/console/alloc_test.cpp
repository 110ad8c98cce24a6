// A console message whose block cannot be allocated: the ring stays exactly as it was, the
// oldest message is not given up for it, and the call still answers the formatter's count.
#include "library/core/state.h"

#include <gtest/gtest.h>

#include <cstring>

static bool refuse_allocation;

extern "C" HGLOBAL __real_GlobalAlloc(UINT flags, SIZE_T bytes);
// The linker routes GlobalAlloc here (--wrap).
extern "C" HGLOBAL __wrap_GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (refuse_allocation) return nullptr;
    return __real_GlobalAlloc(flags, bytes);
}

namespace {

struct RingCopy {
    int first, end;
    HGLOBAL lines[CONSOLE_RING_SIZE];
};

RingCopy ring_now() {
    RingCopy r;
    r.first = library_state.console.first;
    r.end = library_state.console.end;
    memcpy(r.lines, library_state.console.lines, sizeof r.lines);
    return r;
}

void expect_same_ring(const RingCopy &a, const char *when) {
    RingCopy b = ring_now();
    EXPECT_EQ(a.first, b.first) << when;
    EXPECT_EQ(a.end, b.end) << when;
    EXPECT_EQ(memcmp(a.lines, b.lines, sizeof a.lines), 0) << when;
    for (HGLOBAL block : b.lines) {
        if (block) {
            EXPECT_GT(GlobalSize(block), 0u) << when;
        }
    }
}

TEST(ConsoleAllocation, AFailedBlockLeavesTheRingAsItWas) {
    refuse_allocation = true;
    RingCopy empty = ring_now();
    EXPECT_EQ(TAVIX_console_printf("nothing yet %d\n", 1), 14);
    expect_same_ring(empty, "empty ring");
    EXPECT_EQ(library_state.console.first, -1);

    refuse_allocation = false;
    for (int i = 0; i < 3; ++i) TAVIX_console_printf("kept %d\n", i);
    RingCopy partial = ring_now();
    refuse_allocation = true;
    EXPECT_EQ(TAVIX_console_printf("lost\n"), 5);
    expect_same_ring(partial, "three messages");

    // A full ring does not give up its oldest message for a block it cannot have.
    refuse_allocation = false;
    for (int i = 3; i < CONSOLE_RING_SIZE; ++i) TAVIX_console_printf("kept %d\n", i);
    RingCopy full = ring_now();
    ASSERT_EQ(full.first, full.end);
    refuse_allocation = true;
    EXPECT_EQ(TAVIX_console_printf("lost again\n"), 11);
    expect_same_ring(full, "full ring");

    refuse_allocation = false;
    TAVIX_console_printf("back\n");
    EXPECT_EQ(library_state.console.first, 1);
    EXPECT_EQ(library_state.console.end, 1);
}

}  // namespace
