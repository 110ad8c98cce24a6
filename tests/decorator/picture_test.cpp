// The decorator's picture in the library's back buffer: after a fixed seed and a fixed list of
// events, chosen points have the colours the scene puts there.
#include "tests/decorator/cone_fixture.h"

#include "library/core/state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

COLORREF pixel(int x, int y) {
    return GetPixel(library_state.buffer_dc, library_state.origin_x + x,
                    library_state.origin_y - y);
}

// The value the library paints for a colour index; 24 is shown red.
COLORREF value_of(int colour) {
    return library_state.colours[colour == 24 ? RED : colour];
}

int count_pixels(int x0, int y0, int x1, int y1, COLORREF c) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) n += pixel(x, y) == c;
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
        {"background", -299, 249, BLACK},
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
    // Eat mode's status line is red; the add-topping one is blue.
    EXPECT_GT(count_pixels(-150, -214, 150, -190, value_of(RED)), 50);
    press(&s, 2);
    EXPECT_EQ(0, count_pixels(-150, -214, 150, -190, value_of(RED)));
    EXPECT_GT(count_pixels(-130, -214, 150, -190, value_of(BLUE)), 50);
    // Labels: "Add Scoop" green, "Remove Scoop" red, "LET'S EAT!!!" sea green.
    EXPECT_GT(count_pixels(-290, 228, -190, 243, value_of(GREEN)), 10);
    EXPECT_GT(count_pixels(-290, 203, -190, 218, value_of(RED)), 10);
    EXPECT_GT(count_pixels(-290, 53, -190, 68, value_of(SEA_GREEN)), 10);
    EXPECT_GT(count_pixels(242, 233, 299, 249, value_of(WHITE)), 10);  // "Colors"
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
            {"background", -299, 249, BLACK},
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
