// Drawing menus with the layer's own GDI: the bar at the top of a window and the pop-up that the
// tracking code shows as an overlay. Only measures and paints; what is open is decided elsewhere.
#include "platform/user/menu_paint.h"

#include "platform/user/menu_model.h"
#include "platform/user/window.h"

#include <algorithm>

namespace {

const COLORREF kFace = RGB(192, 192, 192);
const COLORREF kShadow = RGB(128, 128, 128);
const COLORREF kLight = RGB(255, 255, 255);
const COLORREF kDark = RGB(0, 0, 0);
const COLORREF kHighlight = RGB(0, 0, 128);
const COLORREF kHighlightText = RGB(255, 255, 255);
const COLORREF kText = RGB(0, 0, 0);
const COLORREF kGrayText = RGB(128, 128, 128);

const int kTitlePad = 6;         // space each side of a bar title
const int kBorder = 3;           // pop-up frame: two bevel lines and one pixel of face
const int kCheckColumn = 18;     // left of each label: room for the check mark
const int kRightMargin = 18;     // right of the hints
const int kHintGap = 24;         // least space between the longest label and the longest hint
const int kSeparatorHeight = 9;  // pixels
const int kItemHeight = 18;      // least height of a text item

// The check mark, 7 x 7, as drawn beside checked items.
const char *const kCheckGlyph[7] = {
    "......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#....",
};

// The menu face: a sans face at 11 pixels, which leaves room in a 19-pixel bar. Made once and
// kept for the life of the process, as the system's menu font is.
HFONT menu_font() {
    static HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
    return font;
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT rect = {l, t, r, b};
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A one-pixel line from (x0, y0) up to, not including, (x1, y1).
void line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// A bevel around [l,r) x [t,b): top and left in one colour, bottom and right in the other.
void bevel(HDC dc, int l, int t, int r, int b, COLORREF top_left, COLORREF bottom_right) {
    line(dc, l, t, r - 1, t, top_left);
    line(dc, l, t, l, b - 1, top_left);
    line(dc, l, b - 1, r, b - 1, bottom_right);
    line(dc, r - 1, t, r - 1, b - 1, bottom_right);
}

int text_width(HDC dc, const std::string &text) {
    if (text.empty()) return 0;
    SIZE size = {0, 0};
    GetTextExtentPointA(dc, text.c_str(), (int)text.size(), &size);
    return size.cx;
}

int text_height(HDC dc) {
    TEXTMETRICA tm;
    if (!GetTextMetricsA(dc, &tm) || tm.tmHeight <= 0) return 13;
    return tm.tmHeight;
}

int text_ascent(HDC dc) {
    TEXTMETRICA tm;
    if (!GetTextMetricsA(dc, &tm) || tm.tmHeight <= 0) return 10;
    return tm.tmAscent;
}

// A label with its mnemonic underlined, top-left at (x, y).
void draw_label(HDC dc, const MenuLabel &l, int x, int y, COLORREF colour) {
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, l.label.c_str(), (int)l.label.size());
    if (l.mnemonic_at < 0) return;
    int from = x + text_width(dc, l.label.substr(0, (size_t)l.mnemonic_at));
    int to = from + text_width(dc, l.label.substr((size_t)l.mnemonic_at, 1));
    int under = y + text_ascent(dc) + 1;
    line(dc, from, under, to, under, colour);
}

// Selects the menu font and transparent text into dc for the duration of a drawing.
struct TextSetup {
    HDC dc;
    HGDIOBJ old_font;
    int old_mode;
    explicit TextSetup(HDC d) : dc(d) {
        old_font = SelectObject(dc, menu_font());
        old_mode = SetBkMode(dc, TRANSPARENT);
    }
    ~TextSetup() {
        SetBkMode(dc, old_mode);
        if (old_font) SelectObject(dc, old_font);
    }
};

}  // namespace

std::vector<RECT> menu_bar_titles(HDC dc, const Menu &bar) {
    TextSetup setup(dc);
    std::vector<RECT> titles;
    int x = 0;
    for (const MenuItem &item : bar.items) {
        int w = text_width(dc, menu_split_label(item.text).label) + 2 * kTitlePad;
        titles.push_back(RECT{x, 0, x + w, MENU_BAR_HEIGHT});
        x += w;
    }
    return titles;
}

void menu_draw_bar(HDC dc, const Menu &bar, int width, int selected, TitleLook look) {
    std::vector<RECT> titles = menu_bar_titles(dc, bar);
    TextSetup setup(dc);
    fill(dc, 0, 0, width, MENU_BAR_HEIGHT, kFace);
    int text_top = (MENU_BAR_HEIGHT - text_height(dc)) / 2;
    for (size_t i = 0; i < bar.items.size(); ++i) {
        const MenuItem &item = bar.items[i];
        const RECT &r = titles[i];
        int shift = 0;
        if ((int)i == selected && look == TITLE_RAISED) {
            bevel(dc, r.left, r.top, r.right, r.bottom, kLight, kShadow);
        } else if ((int)i == selected && look == TITLE_SUNKEN) {
            bevel(dc, r.left, r.top, r.right, r.bottom, kShadow, kLight);
            shift = 1;  // a pressed title moves down and right, as a pressed button does
        }
        MenuLabel l = menu_split_label(item.text);
        int x = r.left + kTitlePad + shift, y = text_top + shift;
        if (item.flags & MF_GRAYED) {
            draw_label(dc, l, x + 1, y + 1, kLight);
            draw_label(dc, l, x, y, kGrayText);
        } else {
            draw_label(dc, l, x, y, kText);
        }
    }
}

PopupLayout menu_popup_layout(HDC dc, const Menu &popup) {
    TextSetup setup(dc);
    int item_height = std::max(kItemHeight, text_height(dc) + 5);
    int label_width = 0, hint_width = 0;
    for (const MenuItem &item : popup.items) {
        if (item.flags & MF_SEPARATOR) continue;
        MenuLabel l = menu_split_label(item.text);
        label_width = std::max(label_width, text_width(dc, l.label));
        hint_width = std::max(hint_width, text_width(dc, l.hint));
    }
    PopupLayout layout;
    layout.width = kBorder + kCheckColumn + label_width + (hint_width ? kHintGap + hint_width : 0) +
                   kRightMargin + kBorder;
    layout.width = std::max(layout.width, 2 * kBorder + kCheckColumn + kRightMargin);
    int y = kBorder;
    for (const MenuItem &item : popup.items) {
        int h = (item.flags & MF_SEPARATOR) ? kSeparatorHeight : item_height;
        layout.rows.push_back(RECT{kBorder, y, layout.width - kBorder, y + h});
        y += h;
    }
    layout.height = y + kBorder;
    return layout;
}

void menu_draw_popup(HDC dc, const Menu &popup, const PopupLayout &layout, int selected) {
    TextSetup setup(dc);
    int w = layout.width, h = layout.height;
    fill(dc, 0, 0, w, h, kFace);
    bevel(dc, 0, 0, w, h, kFace, kDark);
    bevel(dc, 1, 1, w - 1, h - 1, kLight, kShadow);
    int th = text_height(dc);
    for (size_t i = 0; i < popup.items.size() && i < layout.rows.size(); ++i) {
        const MenuItem &item = popup.items[i];
        const RECT &r = layout.rows[i];
        if (item.flags & MF_SEPARATOR) {
            int mid = (r.top + r.bottom) / 2 - 1;
            line(dc, r.left + 1, mid, r.right - 1, mid, kShadow);
            line(dc, r.left + 1, mid + 1, r.right - 1, mid + 1, kLight);
            continue;
        }
        bool lit = (int)i == selected;
        bool grayed = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        if (lit) fill(dc, r.left, r.top, r.right, r.bottom, kHighlight);
        COLORREF colour = grayed ? kGrayText : lit ? kHighlightText : kText;
        int text_top = r.top + (r.bottom - r.top - th) / 2;
        if (item.flags & MF_CHECKED) {
            int gx = r.left + (kCheckColumn - 7) / 2, gy = r.top + (r.bottom - r.top - 7) / 2;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 7; ++col)
                    if (kCheckGlyph[row][col] == '#') SetPixel(dc, gx + col, gy + row, colour);
        }
        MenuLabel l = menu_split_label(item.text);
        int x = r.left + kCheckColumn;
        int hint_x = r.right - kRightMargin - text_width(dc, l.hint);
        // Grayed text is embossed (a white copy below right) except on the highlight.
        if (grayed && !lit) {
            draw_label(dc, l, x + 1, text_top + 1, kLight);
            draw_label(dc, MenuLabel{l.hint, -1, ""}, hint_x + 1, text_top + 1, kLight);
        }
        draw_label(dc, l, x, text_top, colour);
        draw_label(dc, MenuLabel{l.hint, -1, ""}, hint_x, text_top, colour);
    }
}
