// The menu model without a window: the Run menu's items in order, check marks by command id with
// the previous state returned, grayed items, label splitting, and dead or bad handles.
#include "tests/programs/platform_run_menu.h"
#include "platform/kernel/handles.h"
#include "platform/user/menu_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string item_text(HMENU menu, UINT pos) {
    char text[128];
    int n = GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return std::string(text, (size_t)n);
}

TEST(MenuModel, RunMenuKeepsItsItemsInOrder) {
    HMENU run = nullptr;
    HMENU bar = build_run_menu_bar(&run);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(GetSubMenu(bar, 0), run);
    EXPECT_EQ(item_text(bar, 0), "&Run");
    // A pop-up item reports its own item count in the high byte.
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), (16u << 8) | MF_POPUP);
    EXPECT_EQ(GetMenuItemID(bar, 0), (UINT)-1);

    ASSERT_EQ(GetMenuItemCount(run), 16);
    for (UINT pos = 0; pos < 16; ++pos) {
        const RunMenuItem &want = kRunMenuItems[pos];
        SCOPED_TRACE(pos);
        EXPECT_EQ(GetMenuItemID(run, (int)pos), want.id);
        EXPECT_EQ(GetMenuState(run, pos, MF_BYPOSITION), want.flags);
        EXPECT_EQ(item_text(run, pos), want.text ? want.text : "");
        EXPECT_EQ(GetSubMenu(run, (int)pos), nullptr);
    }
    EXPECT_EQ(GetMenuItemID(run, 16), (UINT)-1);
    EXPECT_EQ(GetMenuItemID(run, -1), (UINT)-1);
    EXPECT_TRUE(DestroyMenu(bar));
}

TEST(MenuModel, CheckMarksGoByCommandIdAndReturnThePreviousState) {
    HMENU run = nullptr;
    HMENU bar = build_run_menu_bar(&run);
    struct Step {
        HMENU menu;
        UINT id, flags;
        DWORD previous;
    } steps[] = {
        {run, 4, MF_BYCOMMAND | MF_UNCHECKED, MF_CHECKED},  // Logging starts checked
        {run, 4, MF_BYCOMMAND | MF_UNCHECKED, MF_UNCHECKED},
        {run, 5, MF_BYCOMMAND | MF_CHECKED, MF_UNCHECKED},
        {bar, 5, MF_BYCOMMAND | MF_CHECKED, MF_CHECKED},  // found through the bar's pop-up
        {bar, 6, MF_BYCOMMAND | MF_CHECKED, MF_UNCHECKED},
        {run, 6, MF_BYPOSITION | MF_UNCHECKED, MF_CHECKED},  // position 6 is Record (id 5)
        {run, 77, MF_BYCOMMAND | MF_CHECKED, (DWORD)-1},
        {run, 16, MF_BYPOSITION | MF_CHECKED, (DWORD)-1},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "id " << s.id << " flags " << s.flags);
        EXPECT_EQ(CheckMenuItem(s.menu, s.id, s.flags), s.previous);
    }
    EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND), 0u);
    EXPECT_EQ(GetMenuState(run, 5, MF_BYCOMMAND), 0u) << "unchecked by position";
    EXPECT_EQ(GetMenuState(run, 6, MF_BYCOMMAND), (UINT)MF_CHECKED);
    EXPECT_EQ(GetMenuState(run, 77, MF_BYCOMMAND), (UINT)-1);
    // Checking a grayed item keeps it grayed; the first item with a shared id is the one changed.
    EXPECT_EQ(CheckMenuItem(run, 9, MF_CHECKED), (DWORD)MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(run, 12, MF_BYPOSITION), (UINT)(MF_GRAYED | MF_CHECKED));
    EXPECT_EQ(GetMenuState(run, 13, MF_BYPOSITION), (UINT)MF_GRAYED);
    DestroyMenu(bar);
}

TEST(MenuModel, StringsAreCopiedAndTruncatedSafely) {
    HMENU m = CreatePopupMenu();
    char text[] = "&Grow";
    ASSERT_TRUE(AppendMenuA(m, MF_STRING, 10, text));
    text[1] = 'X';  // the menu keeps its own copy
    char out[4] = {'?', '?', '?', '?'};
    EXPECT_EQ(GetMenuStringA(m, 10, out, 4, MF_BYCOMMAND), 3);
    EXPECT_STREQ(out, "&Gr");
    EXPECT_EQ(GetMenuStringA(m, 10, nullptr, 0, MF_BYCOMMAND), 5);
    EXPECT_EQ(GetMenuStringA(m, 10, out, 0, MF_BYCOMMAND), 0);
    EXPECT_EQ(GetMenuStringA(m, 11, out, 4, MF_BYCOMMAND), 0);
    DestroyMenu(m);
}

TEST(MenuModel, DeadAndBadHandlesAreHarmless) {
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    HMENU inner = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(popup, MF_POPUP, (UINT_PTR)inner, "&Inner"));
    ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, (UINT_PTR)popup, "&File"));
    // A menu inside itself, directly or through its pop-ups, would make every walk endless.
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, (UINT_PTR)bar, "&Loop"));
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, (UINT_PTR)inner, "&Self"));
    EXPECT_FALSE(AppendMenuA(bar, MF_POPUP, (UINT_PTR)0x12345, "&Bogus"));
    EXPECT_EQ(GetMenuItemCount(bar), 1);

    // Destroying the bar takes its pop-ups with it.
    EXPECT_TRUE(DestroyMenu(bar));
    for (HMENU dead : {bar, popup, inner}) {
        EXPECT_EQ(GetMenuItemCount(dead), -1);
        EXPECT_FALSE(AppendMenuA(dead, MF_STRING, 1, "x"));
        EXPECT_EQ(CheckMenuItem(dead, 1, MF_CHECKED), (DWORD)-1);
        EXPECT_EQ(GetMenuState(dead, 0, MF_BYPOSITION), (UINT)-1);
        EXPECT_EQ(GetSubMenu(dead, 0), nullptr);
        EXPECT_FALSE(DestroyMenu(dead));
    }
    EXPECT_EQ(GetMenuItemCount(nullptr), -1);
    // A handle of another kind is not a menu.
    HMENU not_a_menu = (HMENU)handle_new(HANDLE_ICON, nullptr);
    EXPECT_FALSE(DestroyMenu(not_a_menu));
    handle_free(not_a_menu);
}

TEST(MenuModel, LabelsSplitIntoTextMnemonicAndHint) {
    struct Case {
        const char *text;
        const char *label;
        int mnemonic_at;
        const char *hint;
        char letter;
    } cases[] = {
        {"&Animate\tCtrl+A", "Animate", 0, "Ctrl+A", 'A'},
        {"Play &One Script\tCtrl+O", "Play One Script", 5, "Ctrl+O", 'O'},
        {"Advance one &frame\tCtrl+F", "Advance one frame", 12, "Ctrl+F", 'F'},
        {"TAVIX v2.2 July 1997", "TAVIX v2.2 July 1997", -1, "", 0},
        {"Salt && &Pepper", "Salt & Pepper", 7, "", 'P'},
        {"&&&Q", "&Q", 1, "", 'Q'},
        {"Trailing&", "Trailing", -1, "", 0},
        {"&One &Two", "One Two", 0, "", 'O'},
        {"", "", -1, "", 0},
        {"Tab\tA\tB", "Tab", -1, "A\tB", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        MenuLabel l = menu_split_label(c.text);
        EXPECT_EQ(l.label, c.label);
        EXPECT_EQ(l.mnemonic_at, c.mnemonic_at);
        EXPECT_EQ(l.hint, c.hint);
        EXPECT_EQ(menu_mnemonic(MenuItem{MF_STRING, 1, c.text}), c.letter);
    }
    EXPECT_EQ(menu_mnemonic(MenuItem{MF_SEPARATOR, 0, "&X"}), 0);
}

}  // namespace
