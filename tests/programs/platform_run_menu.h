// The "Run" menu of the graphics window, built with plain platform calls: the test programs and
// the menu tests use it to exercise the layer's menus with the real sixteen items.
#ifndef TAVIX_EXAMPLES_PLATFORM_RUN_MENU_H
#define TAVIX_EXAMPLES_PLATFORM_RUN_MENU_H

#include "platform/win32.h"

struct RunMenuItem {
    UINT flags;
    UINT id;
    const char *text;  // null for a separator
};

#define RUN_MENU_CONTACT "https://github.com/tavix/tavix/issues"

static const RunMenuItem kRunMenuItems[16] = {
    {MF_STRING, 1, "&Animate\tCtrl+A"},
    {MF_STRING, 2, "&Halt animation\tCtrl+H"},
    {MF_STRING, 3, "Advance one &frame\tCtrl+F"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_CHECKED, 4, "&Logging\tCtrl+L"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_STRING, 5, "&Record Script\tCtrl+R"},
    {MF_STRING, 6, "&Playback Script\tCtrl+P"},
    {MF_STRING, 7, "Play &One Script\tCtrl+O"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_STRING, 8, "&Quit\tCtrl+Q"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_GRAYED, 9, "TAVIX v2.2 July 1997"},
    {MF_GRAYED, 9, "MAC: " RUN_MENU_CONTACT},
    {MF_GRAYED, 9, "WINDOWS: " RUN_MENU_CONTACT},
    {MF_GRAYED, 9, "UPDATES: " RUN_MENU_CONTACT},
};

// Builds the bar with its one "&Run" pop-up; *popup (when given) receives the pop-up.
static inline HMENU build_run_menu_bar(HMENU *popup) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    for (const RunMenuItem &item : kRunMenuItems) AppendMenuA(run, item.flags, item.id, item.text);
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)run, "&Run");
    if (popup) *popup = run;
    return bar;
}

#endif
