// The decorator's picture in the library's back buffer: after a fixed seed and a fixed list of
// events, chosen points have the colours the scene puts there.
#include "tests/decorator/cone_fixture.h"

#include "library/core/state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

COLORREF pixel(int x, int y) {
    return GetPixel(library_state.window.buffer_dc, library_state.window.origin_x + x,
                    library_state.window.origin_y - y);
}

// The value the library paints for a colour index; 24 is shown red.
COLORREF value_of(int colour) {
    return library_state.draw.colours[colour == 24 ? RED : colour];
}

// Text is smoothed against the black background, so its pixels are the text's colour scaled
// down. How many pixels of the box are such shades of colour (*others: how many are not black
// and not such a shade).
int shades_of(int x0, int y0, int x1, int y1, int colour, int *others) {
    COLORREF want = value_of(colour);
    const int wc[3] = {GetRValue(want), GetGValue(want), GetBValue(want)};
    int wmax = std::max(wc[0], std::max(wc[1], wc[2]));
    int n = 0;
    *others = 0;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            COLORREF c = pixel(x, y);
            const int pc[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
            int pmax = std::max(pc[0], std::max(pc[1], pc[2]));
            if (pmax == 0) continue;
            bool shade = true;
            for (int i = 0; i < 3; ++i)
                if (std::abs(pc[i] * wmax - wc[i] * pmax) > 4 * wmax) shade = false;
            if (shade)
                ++n;
            else
                ++*others;
        }
    }
    return n;
}

// Three scoops, a green nut at (30, 100), a red M & M at (-30, 150), a bite out of the cone,
// eat mode, and one marquee step.
ConeState decorated_cone(unsigned seed) {
    ConeState s = started_cone(seed);
    press(&s, 0);
    press(&s, 0);
    click(&s, 30, 100);
    press(&s, 4);
    click(&s, 260, 192);  // green
    press(&s, 3);
    click(&s, -250, -70);  // nut
    press(&s, 2);
    click(&s, -30, 150);
    press(&s, 7);
    click(&s, 0, -100);
    tick(&s);
    return s;
}

struct Expected {
    const char *what;
    int x, y;
    int colour;
};

void expect_points(const Expected *points, int n) {
    for (int i = 0; i < n; ++i) {
        const Expected &e = points[i];
        EXPECT_EQ(value_of(e.colour), pixel(e.x, e.y))
            << e.what << " at (" << e.x << ", " << e.y << ")";
    }
}

TEST(Picture, EveryPartOfTheSceneIsWhereItBelongs) {
    ConeState s = decorated_cone(21);
    ASSERT_EQ(3, s.scoop_count);
    ASSERT_EQ(2, s.topping_count);
    ASSERT_EQ(1, s.bite_count);
    ASSERT_NE(BLACK, s.light_color[1]) << "pick a seed that lights the first light";
    const Expected points[] = {
        {"top scoop", 0, 180, s.scoop_color[2]},
        {"middle scoop's side", -50, 82, s.scoop_color[1]},
        {"bottom scoop", 40, 40, s.scoop_color[0]},
        {"bottom scoop's lower half, under the cone", 0, 20, BROWN},
        {"cone", 0, -50, BROWN},
        {"cone below the bite", 0, -140, BROWN},
        {"bite", 0, -100, BLACK},
        {"bite's edge circle", 8, -90, BLACK},
        {"green nut", 30, 97, GREEN},
        {"red M & M", -30, 145, RED},
        {"background", -296, 247, BLACK},
        {"background", 299, -250, BLACK},
        {"button outline, top", -240, 245, BLUE},
        {"button outline, left", -295, 150, BLUE},
        {"button outline, right", -185, 150, BLUE},
        {"line between buttons", -240, 120, BLUE},
        {"panel bottom", -240, 45, BLUE},
        {"yellow palette circle", 260, 150, YELLOW},
        {"last palette circle", 260, -192, GRAY_20},
        {"between palette circles", 260, 216, BLACK},
        {"lit light", -135, -114, s.light_color[1]},
        {"light put out", -135, -170, BLACK},
        {"light in the top row", 39, 222, BLACK},
        {"M & M sample", -250, -25, RED},
        {"nut sample", -250, -72, BROWN},
        {"sprinkle sample", -250, -119, YELLOW},
        {"red frame, palette side", 230, 0, RED},
        {"red frame, under the palette", 265, -210, RED},
        {"blue frame, samples side", -185, -100, BLUE},
        {"blue frame, under the samples", -250, -215, BLUE},
    };
    expect_points(points, sizeof points / sizeof points[0]);
}

TEST(Picture, TextsAreDrawnInTheirColours) {
    ConeState s = decorated_cone(21);
    const struct {
        const char *what;
        int mode;
        int x0, y0, x1, y1;
        int colour;
    } cases[] = {
        {"eat mode's status", MODE_EAT, -150, -214, 150, -190, RED},
        {"add mode's status", MODE_ADD_TOPPING, -150, -214, 150, -190, BLUE},
        {"choose-colour status", MODE_CHOOSE_COLOR, -150, -214, 150, -190, RED},
        {"\"Add Scoop\"", MODE_EAT, -290, 228, -190, 243, GREEN},
        {"\"Remove Scoop\"", MODE_EAT, -290, 203, -190, 218, RED},
        {"\"Add Topping\"", MODE_EAT, -290, 178, -190, 193, WHITE},
        {"\"LET'S EAT!!!\"", MODE_EAT, -290, 53, -190, 68, SEA_GREEN},
        {"\"Colors\"", MODE_EAT, 242, 233, 296, 247, WHITE},
        {"\"Topppings\"", MODE_EAT, -280, 11, -190, 30, WHITE},
        {"\"Confetti\"", MODE_EAT, -270, -204, -190, -188, ORANGE},
    };
    for (const auto &c : cases) {
        s.mode = c.mode;
        handle_event(&s, TAVIX_KBD, 0, 0);
        int others = 0;
        EXPECT_GT(shades_of(c.x0, c.y0, c.x1, c.y1, c.colour, &others), 20) << c.what;
        EXPECT_EQ(0, others) << c.what;
    }
}

TEST(Picture, AButtonIndexOutsideThePanelChangesNothingAndSaysSo) {
    // Only press_button called directly can meet these: every click in the panel maps to 0..7.
    const int ys[] = {45, 270, -1000};
    for (int y : ys) {
        ConeState s = started_cone(28);
        ConeState before = s;
        draw_background();
        press_button(&s, -240, y);
        EXPECT_EQ(0, memcmp(&before, &s, sizeof s)) << "y = " << y;
        int others = 0;
        EXPECT_GT(shades_of(0, 1, 200, 30, RED, &others), 20) << "y = " << y;
        EXPECT_EQ(0, others);
    }
}

TEST(Picture, OneScoopHidesTheOthersAndLowerScoopsCoverUpperOnes) {
    ConeState s = started_cone(22);
    s.scoop_color[0] = RED;
    s.scoop_color[1] = GREEN;
    s.scoop_color[2] = CYAN;
    const struct {
        int count;
        int at_110;  // colour at (0, 110): middle over top
        int at_170;  // (0, 170): top scoop only
        int at_60;   // (0, 60): bottom over middle
    } cases[] = {
        {1, BLACK, BLACK, RED},
        {2, GREEN, BLACK, RED},
        {3, GREEN, CYAN, RED},
    };
    for (const auto &c : cases) {
        s.scoop_count = c.count;
        handle_event(&s, TAVIX_KBD, 0, 0);
        EXPECT_EQ(value_of(c.at_110), pixel(0, 110)) << c.count << " scoops";
        EXPECT_EQ(value_of(c.at_170), pixel(0, 170)) << c.count << " scoops";
        EXPECT_EQ(value_of(c.at_60), pixel(0, 60)) << c.count << " scoops";
    }
}

TEST(Picture, ColourTwentyFourIsShownRed) {
    ConeState s = started_cone(23);
    s.scoop_color[0] = 24;
    s.light_color[5] = 24;
    handle_event(&s, TAVIX_KBD, 0, 0);
    EXPECT_EQ(value_of(RED), pixel(0, 60));
    int x, y;
    light_centre(5, &x, &y);
    EXPECT_EQ(value_of(RED), pixel(x, y));
}

TEST(Picture, EveryEventRedrawsTheWholeScene) {
    ConeState s = decorated_cone(24);
    const int codes[] = {TAVIX_KBD, TAVIX_PERIODIC, TAVIX_MOUSE, TAVIX_QUIT};
    for (int code : codes) {
        TAVIX_clear_window();
        ASSERT_EQ(value_of(WHITE), pixel(0, 0));
        handle_event(&s, code, 100, -240);  // in eat mode a click there stores a bite
        const Expected points[] = {
            {"background", -296, 247, BLACK},
            {"background", 299, -250, BLACK},
            {"top scoop", 0, 180, s.scoop_color[2]},
            {"cone", 0, -50, BROWN},
            {"nut", 30, 97, GREEN},
            {"button outline", -240, 245, BLUE},
            {"frame", 230, 0, RED},
            {"palette", 260, 150, YELLOW},
        };
        SCOPED_TRACE(code);
        expect_points(points, sizeof points / sizeof points[0]);
    }
}

TEST(Picture, ConfettiStaysInItsSquareAndChangesAtEveryDrawing) {
    ConeState s = started_cone(25);
    click(&s, -10, 50);
    press(&s, 3);
    click(&s, -255, -170);
    ASSERT_EQ(TOPPING_CONFETTI, s.topping_kind[0]);
    ASSERT_EQ(-10, s.topping_x[0]);
    // The topping's square is (-10, 50) to (9, 69), over the scoop; the sample's (-260, -180)
    // to (-241, -161), over the background. Pixels outside keep the colour around them.
    COLORREF scoop = value_of(s.scoop_color[0]);
    COLORREF previous[20][20];
    int changed = 0;
    for (int drawing = 0; drawing < 10; ++drawing) {
        tick(&s);
        for (int i = -1; i <= 20; ++i) {
            EXPECT_EQ(scoop, pixel(-11, 50 + i));
            EXPECT_EQ(scoop, pixel(10, 50 + i));
            EXPECT_EQ(scoop, pixel(-10 + i, 49));
            EXPECT_EQ(scoop, pixel(-10 + i, 70));
            EXPECT_EQ(value_of(BLACK), pixel(-261, -180 + i));
            EXPECT_EQ(value_of(BLACK), pixel(-240, -180 + i));
            EXPECT_EQ(value_of(BLACK), pixel(-260 + i, -160));
            EXPECT_EQ(value_of(BLACK), pixel(-260 + i, -181));
        }
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                COLORREF c = pixel(-10 + x, 50 + y);
                if (drawing > 0 && c != previous[y][x]) ++changed;
                previous[y][x] = c;
            }
    }
    EXPECT_GT(changed, 20);
}

TEST(Picture, ConfettiPixelsFollowTheirRandomValues) {
    // The first drawing's only confetti is the sample at (-260, -180); it takes the 60 values
    // after the three scoop colours: y offset, x offset, colour for each pixel.
    int seq[63];
    rand_sequence(27, seq, 63);
    started_cone(27);
    int expected[20][20];
    for (auto &row : expected)
        for (int &c : row) c = BLACK;
    for (int p = 0; p < 20; ++p) {
        int r1 = seq[3 + 3 * p], r2 = seq[4 + 3 * p], r3 = seq[5 + 3 * p];
        expected[r1 % 20][r2 % 20] = r3 % 24;
    }
    for (int dy = 0; dy < 20; ++dy)
        for (int dx = 0; dx < 20; ++dx)
            EXPECT_EQ(value_of(expected[dy][dx]), pixel(-260 + dx, -180 + dy))
                << "confetti offset (" << dx << ", " << dy << ")";
}

TEST(Picture, SameSeedAndEventsGiveTheSamePicture) {
    auto snapshot = [](unsigned seed, std::vector<COLORREF> *out) {
        ConeState s = decorated_cone(seed);
        press(&s, 3);
        click(&s, -255, -170);  // the selected M & M becomes confetti
        for (int y = -250; y <= 250; y += 1)
            for (int x = -300; x <= 300; x += 1) out->push_back(pixel(x, y));
    };
    std::vector<COLORREF> a, b;
    snapshot(26, &a);
    snapshot(26, &b);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b);
}

}  // namespace
