// Text: font heights and metrics, the fixed 8 x 13 font, opaque and transparent drawing, extents
// that match what is painted, every 8-bit character, and fonts made and dropped per call.
#include "paint_helpers.h"
#include "platform/gdi/fine.h"
#include "platform/gdi/objects.h"

#include <gtest/gtest.h>

#include <climits>
#include <algorithm>
#include <cstring>
#include <string>

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF INK = RGB(0, 0, 160);
const COLORREF PAPER = RGB(250, 240, 0);

HFONT make_font(int height, const char *face = "", int weight = FW_NORMAL, int width = 0) {
    return CreateFontA(height, width, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

TEXTMETRICA metrics_of(HDC dc) {
    TEXTMETRICA tm;
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    return tm;
}

SIZE extent_of(HDC dc, const std::string &s) {
    SIZE size = {-1, -1};
    EXPECT_TRUE(GetTextExtentPointA(dc, s.data(), (int)s.size(), &size));
    return size;
}

// The box around every pixel that differs from the background, or an empty box.
RECT painted_box(HDC dc, int width, int height, COLORREF background) {
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (GetPixel(dc, x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.left == INT_MAX) box = RECT{0, 0, 0, 0};
    return box;
}

TEST(TextHelpers, PaintedBoxBoundsEveryPaintedPixel) {
    Canvas32 c(10, 10);
    EXPECT_EQ(painted_box(c.dc, 10, 10, WHITE).right, 0);
    SetPixel(c.dc, 2, 7, INK);
    SetPixel(c.dc, 6, 3, INK);
    RECT box = painted_box(c.dc, 10, 10, WHITE);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 3);
    EXPECT_EQ(box.right, 7);
    EXPECT_EQ(box.bottom, 8);
}

TEST(FontMetrics, FixedFontHasAnEightByThirteenCell) {
    Canvas32 c(4, 4);
    SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm = metrics_of(c.dc);
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, 13);
    EXPECT_GE(tm.tmAscent, 9);
    EXPECT_LE(tm.tmAscent, 12);
    EXPECT_EQ(tm.tmExternalLeading, 0);
    EXPECT_EQ(tm.tmAveCharWidth, 8);
    EXPECT_EQ(tm.tmMaxCharWidth, 8);
    EXPECT_EQ(tm.tmPitchAndFamily & 1, 0) << "the low bit set means variable pitch";
    for (const char *s : {"i", "W", "iiii", "WWWW", "Hello, world", "\x01\x7f\xff"}) {
        SIZE size = extent_of(c.dc, s);
        EXPECT_EQ(size.cx, 8 * (LONG)strlen(s)) << s;
        EXPECT_EQ(size.cy, 13) << s;
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST(FontMetrics, HeightsFollowTheCellRules) {
    Canvas32 c(4, 4);
    struct {
        int height;
        int cell;  // expected tmHeight, 0: only the character height is known
    } cases[] = {{0, 16}, {10, 10}, {13, 13}, {16, 16}, {25, 25}, {40, 40}, {-20, 0}, {-12, 0}};
    for (const char *face : {"", "DejaVu Sans Mono", "TAVIX-font"}) {
        for (const auto &k : cases) {
            HFONT font = make_font(k.height, face);
            HGDIOBJ old = SelectObject(c.dc, font);
            TEXTMETRICA tm = metrics_of(c.dc);
            EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
            if (k.cell) {
                EXPECT_EQ(tm.tmHeight, k.cell) << face << " " << k.height;
            } else {
                // Negative: the character height (cell less internal leading) is |h|.
                EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -k.height) << face << " " << k.height;
                EXPECT_GT(tm.tmHeight, -k.height);
                EXPECT_LT(tm.tmHeight, -k.height * 3 / 2);
            }
            EXPECT_GE(tm.tmExternalLeading, 0);
            EXPECT_EQ(extent_of(c.dc, "Ag").cy, tm.tmHeight);
            SelectObject(c.dc, old);
            DeleteObject(font);
        }
    }
}

TEST(FontMetrics, UnknownFaceFallsBackToTheDefaultSansFace) {
    Canvas32 c(4, 4);
    HFONT unknown = make_font(-20, "TAVIX-font"), plain = make_font(-20, "");
    SelectObject(c.dc, unknown);
    SIZE a = extent_of(c.dc, "The quick brown fox");
    SelectObject(c.dc, plain);
    SIZE b = extent_of(c.dc, "The quick brown fox");
    EXPECT_EQ(a.cx, b.cx);
    EXPECT_EQ(a.cy, b.cy);
    EXPECT_GT(a.cx, 0);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(unknown);
    DeleteObject(plain);
}

TEST(FontMetrics, BoldIsWiderAndExtentsAdd) {
    Canvas32 c(4, 4);
    HFONT normal = make_font(-16), bold = make_font(-16, "", FW_BOLD);
    SelectObject(c.dc, normal);
    LONG normal_width = extent_of(c.dc, "Mmmmmmmm").cx;
    EXPECT_EQ(extent_of(c.dc, "ab").cx, extent_of(c.dc, "a").cx + extent_of(c.dc, "b").cx);
    EXPECT_EQ(extent_of(c.dc, "").cx, 0);
    SelectObject(c.dc, bold);
    EXPECT_GT(extent_of(c.dc, "Mmmmmmmm").cx, normal_width);
    EXPECT_EQ(metrics_of(c.dc).tmWeight, FW_BOLD);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(normal);
    DeleteObject(bold);
}

// ---- Drawing
// --------------------------------------------------------------------------------------

struct DrawCase {
    const char *name;
    int height;  // 0: ANSI_FIXED_FONT
    const char *text;
};

class TextDrawing : public ::testing::TestWithParam<DrawCase> {
   protected:
    void select(HDC dc) {
        if (GetParam().height == 0) {
            SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
        } else {
            font = make_font(GetParam().height);
            SelectObject(dc, font);
        }
    }
    void TearDown() override {
        if (font) DeleteObject(font);
    }
    HFONT font = nullptr;
};

TEST_P(TextDrawing, OpaqueFillsExactlyTheCellBox) {
    Canvas32 c(400, 60);
    select(c.dc);
    SetTextColor(c.dc, INK);
    SetBkColor(c.dc, PAPER);
    const std::string text = GetParam().text;
    SIZE size = extent_of(c.dc, text);
    EXPECT_TRUE(TextOutA(c.dc, 7, 11, text.data(), (int)text.size()));
    RECT box = painted_box(c.dc, 400, 60, WHITE);
    EXPECT_EQ(box.left, 7);
    EXPECT_EQ(box.top, 11);
    EXPECT_EQ(box.right, 7 + size.cx);
    EXPECT_EQ(box.bottom, 11 + size.cy);
    // Inside the box: background, ink, or a blend of the two; some ink is there.
    int ink = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            COLORREF p = GetPixel(c.dc, x, y);
            ASSERT_NE(p, WHITE) << x << "," << y;
            if (p == INK) ++ink;
        }
    EXPECT_GT(ink, 0);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST_P(TextDrawing, TransparentPaintsOnlyGlyphsWithinTheCellRow) {
    Canvas32 c(400, 60);
    select(c.dc);
    SetTextColor(c.dc, INK);
    SetBkColor(c.dc, PAPER);
    SetBkMode(c.dc, TRANSPARENT);
    const std::string text = GetParam().text;
    SIZE size = extent_of(c.dc, text);
    TEXTMETRICA tm = metrics_of(c.dc);
    EXPECT_TRUE(TextOutA(c.dc, 7, 11, text.data(), (int)text.size()));
    RECT box = painted_box(c.dc, 400, 60, WHITE);
    EXPECT_NE(box.right, 0) << "something is drawn";
    EXPECT_GE(box.top, 11);
    EXPECT_LE(box.bottom, 11 + tm.tmHeight);
    // Glyphs may overhang their advance by a pixel or two, no more.
    EXPECT_GE(box.left, 7 - 2);
    EXPECT_LE(box.right, 7 + size.cx + 2);
    EXPECT_EQ(coverage_of(c.dc, 400, 60, PAPER), "") << "no background in transparent mode";
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

const DrawCase draw_cases[] = {
    {"FixedFont", 0, "Hello, world"},
    {"Small", -11, "Scores: 10"},
    {"Large", -24, "Gyre & gimble"},
    {"CellSized", 30, "Quit? (y/n)"},
    {"HighCharacters", -16, "caf\xe9 \x80 \x93quoted\x94 \xff"},
};

INSTANTIATE_TEST_SUITE_P(Fonts, TextDrawing, ::testing::ValuesIn(draw_cases),
                         [](const ::testing::TestParamInfo<DrawCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(TextOut, BaselineSitsAtTheAscent) {
    Canvas32 c(100, 40);
    SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
    SetBkMode(c.dc, TRANSPARENT);
    TEXTMETRICA tm = metrics_of(c.dc);
    // A flat-bottomed capital ends on the baseline; a descender goes below it.
    TextOutA(c.dc, 0, 5, "H", 1);
    EXPECT_EQ(painted_box(c.dc, 100, 40, WHITE).bottom, 5 + tm.tmAscent);
    c.clear();
    TextOutA(c.dc, 0, 5, "p", 1);
    EXPECT_GT(painted_box(c.dc, 100, 40, WHITE).bottom, 5 + tm.tmAscent);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST(TextOut, EveryCharacterDrawsAndAdvances) {
    Canvas32 c(64, 32);
    SelectObject(c.dc, GetStockObject(ANSI_VAR_FONT));
    for (int ch = 0; ch < 256; ++ch) {
        char s[1] = {(char)ch};
        EXPECT_TRUE(TextOutA(c.dc, 2, 2, s, 1)) << ch;
        EXPECT_GT(extent_of(c.dc, std::string(1, (char)ch)).cx, 0) << ch;
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST(TextOut, BadArgumentsAndFarPositions) {
    Canvas32 c(32, 32);
    SIZE size;
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, "abc", -1));
    EXPECT_FALSE(TextOutA(c.dc, 0, 0, nullptr, 3));
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, nullptr, 0));
    EXPECT_FALSE(GetTextExtentPointA(c.dc, "abc", 3, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(c.dc, "abc", -2, &size));
    EXPECT_TRUE(GetTextExtentPoint32A(c.dc, "abc", 3, &size));
    EXPECT_GT(size.cx, 0);
    EXPECT_FALSE(GetTextMetricsA(c.dc, nullptr));
    const char text[] = "far away text";
    EXPECT_TRUE(TextOutA(c.dc, INT_MAX, INT_MAX, text, 13));
    EXPECT_TRUE(TextOutA(c.dc, INT_MIN, INT_MIN, text, 13));
    EXPECT_TRUE(TextOutA(c.dc, INT_MAX - 5, 0, text, 13));
    EXPECT_TRUE(TextOutA(c.dc, INT_MIN, 0, text, 13));
    EXPECT_EQ(coverage(c.dc, 32, 32), "");
}

TEST(TextOut, FontsMadeAndDroppedPerCallDoNotRunOut) {
    // More than the handle table holds at once: every deleted font must give its handle back.
    Canvas32 c(64, 20);
    for (int i = 0; i < 70000; ++i) {
        HFONT font = make_font(-13 - i % 3, i % 2 ? "DejaVu Sans" : "TAVIX-font");
        ASSERT_NE(font, nullptr) << i;
        HGDIOBJ old = SelectObject(c.dc, font);
        ASSERT_TRUE(TextOutA(c.dc, 0, 0, "Score", 5));
        SelectObject(c.dc, old);
        ASSERT_TRUE(DeleteObject(font));
    }
}

TEST(TextOut, AFontInUseSurvivesManyOtherSizesComingAndGoing) {
    Canvas32 c(120, 30), again(120, 30);
    HFONT kept = make_font(-15);
    SelectObject(c.dc, kept);
    SelectObject(again.dc, kept);
    TextOutA(c.dc, 1, 1, "Kept font", 9);
    HDC other = CreateCompatibleDC(nullptr);
    for (int h = 8; h < 300; ++h) {
        HFONT font = make_font(-h);
        SelectObject(other, font);
        SIZE size;
        GetTextExtentPointA(other, "x", 1, &size);
        SelectObject(other, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    }
    DeleteDC(other);
    TextOutA(again.dc, 1, 1, "Kept font", 9);
    EXPECT_EQ(coverage(again.dc, 120, 30), coverage(c.dc, 120, 30));
    EXPECT_NE(coverage(c.dc, 120, 30), "");
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    SelectObject(again.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(kept);
}

TEST(TextOut, LargeSizesDrawTheSameEveryTime) {
    // Glyphs this large are not kept between calls; each call must still draw the same.
    HFONT font = make_font(-300);
    Canvas32 first(500, 400), second(500, 400);
    SelectObject(first.dc, font);
    SelectObject(second.dc, font);
    SetBkColor(first.dc, PAPER);
    SetBkColor(second.dc, PAPER);
    SIZE whole = extent_of(first.dc, "Ag"), a = extent_of(first.dc, "A"),
         g = extent_of(first.dc, "g");
    EXPECT_EQ(whole.cx, a.cx + g.cx);
    EXPECT_GT(whole.cx, 200);
    TextOutA(first.dc, 0, 0, "Ag", 2);
    TextOutA(second.dc, 0, 0, "gA", 2);
    second.clear();
    TextOutA(second.dc, 0, 0, "Ag", 2);
    EXPECT_EQ(coverage(first.dc, 500, 400), coverage(second.dc, 500, 400));
    RECT box = painted_box(first.dc, 500, 400, WHITE);
    EXPECT_EQ(box.right, whole.cx);
    SelectObject(first.dc, GetStockObject(SYSTEM_FONT));
    SelectObject(second.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

// Paints every row of the canvas a colour of its own, so that blended pixels show what lay below.
void paint_striped(Canvas32 &c) {
    for (int y = 0; y < c.height; ++y) {
        HBRUSH brush = CreateSolidBrush(RGB(y * 37 % 256, 255 - y * 91 % 256, y * 13 % 256));
        RECT row = {0, y, c.width, y + 1};
        FillRect(c.dc, &row, brush);
        DeleteObject(brush);
    }
}

TEST(TextOut, ATextRunningInFromTheLeftShowsWhatTheWholeTextPaints) {
    // Glyphs wholly left of the surface are skipped unrendered; whatever reaches in must still
    // show, overhangs and slanted, bold, large and fixed-cell glyphs included. Glyphs cut by the
    // edge and whole ones are painted by different code, over rows of many colours here.
    struct Case {
        int height, width, weight;
        BOOL italic;
        const char *face;
    } cases[] = {{-13, 0, FW_NORMAL, FALSE, ""},
                 {-40, 0, FW_BOLD, TRUE, ""},
                 {-120, 0, FW_NORMAL, TRUE, "DejaVu Serif"},
                 {-30, 40, FW_NORMAL, FALSE, "DejaVu Sans Mono"}};
    const char text[] = "fjWAVjf/y";
    const int shown = 160, height = 170;
    for (const Case &k : cases) {
        HFONT font = CreateFontA(k.height, k.width, 0, 0, k.weight, k.italic, 0, 0, ANSI_CHARSET, 0,
                                 0, 0, FIXED_PITCH * (k.width > 0), k.face);
        Canvas32 cut(shown, height);
        SelectObject(cut.dc, font);
        SetBkMode(cut.dc, TRANSPARENT);
        int whole = extent_of(cut.dc, text).cx;
        Canvas32 all(whole + shown + 100, height);
        SelectObject(all.dc, font);
        SetBkMode(all.dc, TRANSPARENT);
        paint_striped(all);
        TextOutA(all.dc, 50, 0, text, 9);
        for (int shift = 0; shift < whole; shift += 7) {
            paint_striped(cut);
            TextOutA(cut.dc, -shift, 0, text, 9);
            int differ = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < shown; ++x)
                    differ += GetPixel(cut.dc, x, y) != GetPixel(all.dc, x + shift + 50, y);
            EXPECT_EQ(differ, 0) << k.height << " shifted " << shift;
        }
        SelectObject(cut.dc, GetStockObject(SYSTEM_FONT));
        SelectObject(all.dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    }
}

}  // namespace

// A surface's companion twice as large, as windows have on a scale-2 screen: text is drawn into
// it sharp while the 1x pixels a program reads stay exactly those of an unscaled surface; whatever
// later covers the text, moves it or copies it out leaves no trace of the marks behind.
namespace fine_text {

// The companion after it is brought up to date: how many of its 2 x 2 blocks are not one colour,
// and how many of its pixels are not white.
struct FineLook {
    int mixed = 0, inked = 0;
};

FineLook look_of(Surface *s) {
    fine_sync(s, 0, 0, s->width, s->height);
    FineLook look;
    const Surface &f = *s->fine;
    for (int y = 0; y < f.height; y += 2)
        for (int x = 0; x < f.width; x += 2) {
            uint32_t c = f.pixels[(size_t)y * f.width + x];
            look.mixed += f.pixels[(size_t)y * f.width + x + 1] != c ||
                          f.pixels[(size_t)(y + 1) * f.width + x] != c ||
                          f.pixels[(size_t)(y + 1) * f.width + x + 1] != c;
        }
    for (int i = 0; i < f.width * f.height; ++i) look.inked += f.pixels[i] != 0xFFFFFFu;
    return look;
}

TEST(FineText, TextIsSharpInTheCompanionAndProgramsSeeTheUnscaledPixels) {
    const int W = 70, H = 40;
    Canvas32 plain(W, H), scaled(W, H);
    Surface *s = bitmap_surface(scaled.bitmap);
    fine_attach(s, 2);
    ASSERT_NE(s->fine, nullptr);
    // A picture too large to have a companion of its scale gets none (and nothing is read).
    uint32_t one = 0;
    Surface huge{4096, 4096, &one};
    fine_attach(&huge, 4);
    EXPECT_EQ(huge.fine, nullptr);
    EXPECT_EQ(look_of(s).inked, 0);
    HFONT font = make_font(-11);
    for (Canvas32 *c : {&plain, &scaled}) {
        SelectObject(c->dc, font);
        SetTextColor(c->dc, INK);
        SetBkColor(c->dc, PAPER);
        TextOutA(c->dc, 3, 22, "Hig", 3);
        SetBkMode(c->dc, TRANSPARENT);
        TextOutA(c->dc, 30, 22, "Rx", 2);
    }
    EXPECT_EQ(coverage(scaled.dc, W, H), coverage(plain.dc, W, H));
    FineLook drawn = look_of(s);
    EXPECT_GT(drawn.mixed, 5) << "text in the companion is drawn, not magnified";

    // Scrolled up by 20: the companion's text moves with its pixels, and equals text drawn
    // there in the first place; what the scroll left behind is painted over and goes.
    Canvas32 moved(W, H);
    Surface *m = bitmap_surface(moved.bitmap);
    fine_attach(m, 2);
    SelectObject(moved.dc, font);
    SetTextColor(moved.dc, INK);
    SetBkColor(moved.dc, PAPER);
    TextOutA(moved.dc, 3, 2, "Hig", 3);
    SetBkMode(moved.dc, TRANSPARENT);
    TextOutA(moved.dc, 30, 2, "Rx", 2);
    ScrollDC(scaled.dc, 0, -20, nullptr, nullptr, nullptr, nullptr);
    RECT below = {0, 20, W, H};
    FillRect(scaled.dc, &below, (HBRUSH)GetStockObject(WHITE_BRUSH));
    FillRect(moved.dc, &below, (HBRUSH)GetStockObject(WHITE_BRUSH));
    look_of(s);
    look_of(m);
    EXPECT_EQ(memcmp(s->fine->pixels, m->fine->pixels, (size_t)W * H * 4 * 4), 0);
    EXPECT_EQ(coverage(scaled.dc, W, H), coverage(moved.dc, W, H));

    // Copied out to a surface without a companion: plain pixels, no marks.
    BitBlt(plain.dc, 0, 0, W, H, scaled.dc, 0, 0, SRCCOPY);
    const Surface *p = bitmap_surface(plain.bitmap);
    int marked = 0;
    for (int i = 0; i < W * H; ++i) marked += (p->pixels[i] & FINE_MARK) != 0;
    EXPECT_EQ(marked, 0);

    // A fill over the text leaves none of its ink, even where its 1x pixels were paper already.
    RECT all = {0, 0, W, H};
    FillRect(scaled.dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(look_of(s).inked, 0);
    for (Canvas32 *c : {&plain, &scaled, &moved}) SelectObject(c->dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

}  // namespace fine_text
