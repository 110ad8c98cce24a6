// Movable global memory: zeroing, the lock count, sizes, and freed handles.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(GlobalMemory, LockCountAndZeroing) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 64u);
    char *p = (char *)GlobalLock(block);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    strcpy(p, "kept");
    EXPECT_EQ(GlobalLock(block), p);
    EXPECT_TRUE(GlobalUnlock(block));   // still locked once
    EXPECT_FALSE(GlobalUnlock(block));  // now unlocked
    EXPECT_FALSE(GlobalUnlock(block));  // unlocking an unlocked block changes nothing
    EXPECT_STREQ((char *)GlobalLock(block), "kept");
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, AFreedHandleMakesLaterCallsHarmless) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_EQ(GlobalFree(block), nullptr);
    HGLOBAL other = GlobalAlloc(GMEM_MOVEABLE, 16);  // may reuse the slot, never the handle
    EXPECT_NE(other, block);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_NE(GlobalLock(other), nullptr);
    GlobalUnlock(other);
    GlobalFree(other);
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnAddress) {
    char *p = (char *)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 8);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[7], 0);
    EXPECT_EQ(GlobalLock(p), p);
    EXPECT_EQ(GlobalSize(p), 8u);
    EXPECT_EQ(GlobalFree(p), nullptr);
    EXPECT_EQ(GlobalSize(p), 0u);
}

TEST(GlobalMemory, ZeroSizedAndHugeRequests) {
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    GlobalFree(empty);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)-1), nullptr);
}
