// The decorator's buttons, modes and hit tests, and the order of its rand() calls, driven through
// its own loop step from fixed seeds.
#include "tests/decorator/cone_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace {

// Which button a click at (x, y) pressed, read back from what it changed; -1 when the click
// went to the cone side instead (eat mode stores a bite there).
int pressed_button(int x, int y) {
    ConeState s = started_cone(1);
    s.scoop_count = 2;
    s.mode = MODE_EAT;
    for (int &c : s.scoop_color) c = 0;
    click(&s, x, y);
    if (s.bite_count == 1) return -1;
    if (s.scoop_count == 3) return 0;
    if (s.scoop_count == 1) return 1;
    if (s.scoop_color[0] != 0) return 6;
    switch (s.mode) {
        case MODE_ADD_TOPPING:
            return 2;
        case MODE_CHOOSE_TYPE:
            return 3;
        case MODE_CHOOSE_COLOR:
            return 4;
        case MODE_SELECT_TOPPING:
            return 5;
        case MODE_EAT:
            return 7;
    }
    return -2;
}

TEST(Buttons, PanelEdgesAndBoxBoundaries) {
    struct Case {
        int x, y, button;
    } cases[] = {
        {-295, 100, -1},
        {-185, 100, -1},
        {-240, 45, -1},
        {-240, 245, -1},  // outline is outside
        {-294, 244, 0},
        {-186, 221, 0},
        {-240, 220, 1},
        {-240, 196, 1},  // a line joins the box
                         // below
        {-240, 195, 2},
        {-240, 170, 3},
        {-240, 145, 4},
        {-240, 120, 5},
        {-240, 95, 6},
        {-240, 71, 6},
        {-240, 70, 7},
        {-186, 46, 7},
        {-296, 100, -1},
        {-240, 246, -1},
        {-240, 44, -1},
        {-184, 150, -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.button, pressed_button(c.x, c.y)) << "click at (" << c.x << ", " << c.y << ")";
        EXPECT_EQ(c.button >= 0, in_button_panel(c.x, c.y) == 1) << c.x << ", " << c.y;
    }
}

TEST(Buttons, ScoopCountStaysOneToThree) {
    ConeState s = started_cone(2);
    press(&s, 1);
    EXPECT_EQ(1, s.scoop_count);
    press(&s, 0);
    press(&s, 0);
    EXPECT_EQ(3, s.scoop_count);
    press(&s, 0);
    EXPECT_EQ(3, s.scoop_count);
    press(&s, 1);
    EXPECT_EQ(2, s.scoop_count);
    EXPECT_EQ(MODE_ADD_TOPPING, s.mode);  // scoop buttons leave the mode alone
}

TEST(Buttons, ScoopColoursAreRerolledTopFirstHiddenOnesToo) {
    int seq[200];
    rand_sequence(9, seq, 200);
    ConeState s = started_cone(9);
    // Start-up: top, middle, bottom from the first three values.
    EXPECT_EQ(seq[0] % 24 + 1, s.scoop_color[2]);
    EXPECT_EQ(seq[1] % 24 + 1, s.scoop_color[1]);
    EXPECT_EQ(seq[2] % 24 + 1, s.scoop_color[0]);
    // The first drawing's sample confetti took 60 values; the button takes the next three.
    s.mode = MODE_SELECT_TOPPING;
    press(&s, 6);
    EXPECT_EQ(1, s.scoop_count);
    EXPECT_EQ(MODE_SELECT_TOPPING, s.mode);
    EXPECT_EQ(seq[63] % 24 + 1, s.scoop_color[2]);
    EXPECT_EQ(seq[64] % 24 + 1, s.scoop_color[1]);
    EXPECT_EQ(seq[65] % 24 + 1, s.scoop_color[0]);
}

TEST(Scoops, HitTestFollowsShownScoops) {
    struct Case {
        int x, y, count, hit;
    } cases[] = {
        {0, 81, 1, 1},                      // 56 above the bottom scoop's centre
        {0, 82, 1, 0},                      // exactly 57: outside
        {40, 64, 1, 1},                     // 40² + 39² < 57²
        {40, 66, 1, 0},                     // 40² + 41² > 57²
        {0, 26, 1, 1},                      // just above the centre line
        {0, 25, 3, 0},                      // the lower half is behind the cone
        {-30, -10, 3, 0}, {-56, 82, 1, 0},  // the middle scoop's side, not shown
        {-56, 82, 2, 1},                   // shown: its sides count though no neighbour covers them
        {56, 82, 3, 1},   {0, 138, 2, 1},  // 56 above the middle scoop
        {0, 139, 2, 0},   {0, 139, 3, 1},  // the top scoop
        {0, 195, 3, 1},   {0, 196, 3, 0},
        {-57, 139, 3, 0}, {2000000000, 2000000000, 3, 0},  // far away, no overflow
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.hit, on_scoops(c.x, c.y, c.count)) << c.x << ", " << c.y << " / " << c.count;
}

TEST(Modes, AddingSelectsTheNewToppingWhichTheNextClickMoves) {
    ConeState s = started_cone(3);
    click(&s, 0, 82);  // exactly 57 from the only scoop: nothing
    EXPECT_EQ(0, s.topping_count);
    EXPECT_EQ(MODE_ADD_TOPPING, s.mode);
    click(&s, 0, 81);
    ASSERT_EQ(1, s.topping_count);
    EXPECT_EQ(0, s.topping_x[0]);
    EXPECT_EQ(81, s.topping_y[0]);
    EXPECT_EQ(TOPPING_MM, s.topping_kind[0]);
    EXPECT_EQ(RED, s.topping_color[0]);
    EXPECT_EQ(0, s.selected_topping);
    EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode);
    click(&s, 10, 40);  // moves it, adds nothing
    EXPECT_EQ(1, s.topping_count);
    EXPECT_EQ(10, s.topping_x[0]);
    EXPECT_EQ(40, s.topping_y[0]);
    click(&s, 10, 0);  // off the scoops: stays where it was
    EXPECT_EQ(40, s.topping_y[0]);
    EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode);
    press(&s, 2);
    click(&s, -20, 50);
    EXPECT_EQ(2, s.topping_count);
    EXPECT_EQ(1, s.selected_topping);
}

TEST(Modes, TenToppingsAtMost) {
    ConeState s = started_cone(4);
    for (int i = 0; i < 10; ++i) {
        press(&s, 2);
        click(&s, -45 + 10 * i, 50);
    }
    ASSERT_EQ(10, s.topping_count);
    press(&s, 2);
    click(&s, 0, 40);
    EXPECT_EQ(10, s.topping_count);
    EXPECT_EQ(MODE_ADD_TOPPING, s.mode);
    EXPECT_EQ(9, s.selected_topping);
    EXPECT_EQ(45, s.topping_x[9]);
    EXPECT_EQ(50, s.topping_y[9]);
}

TEST(Modes, RemovingAScoopKeepsItsToppings) {
    ConeState s = started_cone(5);
    press(&s, 0);
    press(&s, 0);
    click(&s, 0, 180);  // on the top scoop
    press(&s, 1);
    press(&s, 1);
    EXPECT_EQ(1, s.topping_count);
    EXPECT_EQ(180, s.topping_y[0]);
    press(&s, 5);
    click(&s, 0, 180);  // still selectable
    EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode);
    click(&s, 0, 180);  // but can no longer be moved there
    EXPECT_EQ(180, s.topping_y[0]);
    click(&s, 0, 60);
    EXPECT_EQ(60, s.topping_y[0]);
}

TEST(Modes, SelectingPicksTheFirstAddedOfOverlappingToppings) {
    ConeState s = started_cone(6);
    click(&s, 0, 60);
    press(&s, 2);
    click(&s, 4, 64);
    ASSERT_EQ(2, s.topping_count);
    struct Case {
        int x, y, slot;  // -1: misses both
    } cases[] = {
        {2, 62, 0},  {7, 67, 0},    // both boxes: the first added wins
        {8, 60, 1},  {-7, 52, -1},  // 8 along x misses slot 0
        {0, 52, -1}, {4, 71, 1},   {-8, 60, -1}, {11, 71, 1}, {12, 64, -1},
    };
    for (const Case &c : cases) {
        ConeState t = s;
        press(&t, 5);
        t.selected_topping = 9;
        click(&t, c.x, c.y);
        if (c.slot < 0) {
            EXPECT_EQ(MODE_SELECT_TOPPING, t.mode) << c.x << ", " << c.y;
            EXPECT_EQ(9, t.selected_topping);
        } else {
            EXPECT_EQ(MODE_TOPPING_SELECTED, t.mode) << c.x << ", " << c.y;
            EXPECT_EQ(c.slot, t.selected_topping) << c.x << ", " << c.y;
        }
    }
}

TEST(Modes, PaletteBoxes) {
    struct Case {
        int x, y, colour;  // 0: misses
    } cases[] = {
        {260, 230, 1},   {255, 225, 1},   {265, 235, 1},  {254, 230, 0}, {266, 230, 0},
        {260, 236, 0},   {260, 224, 0},   {260, 220, 0},  {260, 216, 2}, {260, 211, 2},
        {260, 192, 3},   {260, -2, 13},  // colour 13's circle is drawn at (260, -2)
        {260, -4, 0},                    // its lower rim lies outside every box
        {262, -188, 23}, {260, -193, 23}, {260, -194, 0}, {200, 0, 0},
    };
    for (const Case &c : cases) {
        ConeState s = started_cone(7);
        click(&s, 0, 60);  // a red M & M, selected
        press(&s, 4);
        EXPECT_EQ(MODE_CHOOSE_COLOR, s.mode);
        click(&s, c.x, c.y);
        if (c.colour == 0) {
            EXPECT_EQ(MODE_CHOOSE_COLOR, s.mode) << c.x << ", " << c.y;
            EXPECT_EQ(RED, s.topping_color[0]);
        } else {
            EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode) << c.x << ", " << c.y;
            EXPECT_EQ(c.colour, s.topping_color[0]) << c.x << ", " << c.y;
        }
    }
}

TEST(Modes, SampleBoxes) {
    struct Case {
        int x, y, kind;  // -1: misses
    } cases[] = {
        {-250, -20, TOPPING_MM},
        {-257, -27, TOPPING_MM},
        {-243, -13, TOPPING_MM},
        {-258, -20, -1},
        {-250, -12, -1},
        {-250, -70, TOPPING_NUT},
        {-257, -63, TOPPING_NUT},
        {-250, -78, -1},
        {-262, -127, TOPPING_SPRINKLE},
        {-248, -113, TOPPING_SPRINKLE},
        {-263, -120, -1},
        {-259, -179, TOPPING_CONFETTI},
        {-241, -161, TOPPING_CONFETTI},
        {-260, -170, -1},  // the square's left column
        {-250, -180, -1},  // and bottom row
        {-240, -170, -1},
        {-250, -160, -1},
        {-250, -45, -1},
    };
    for (const Case &c : cases) {
        ConeState s = started_cone(8);
        click(&s, 0, 60);
        press(&s, 3);
        EXPECT_EQ(MODE_CHOOSE_TYPE, s.mode);
        click(&s, c.x, c.y);
        if (c.kind < 0) {
            EXPECT_EQ(MODE_CHOOSE_TYPE, s.mode) << c.x << ", " << c.y;
            EXPECT_EQ(TOPPING_MM, s.topping_kind[0]);
        } else {
            EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode) << c.x << ", " << c.y;
            EXPECT_EQ(c.kind, s.topping_kind[0]) << c.x << ", " << c.y;
        }
    }
}

// Clicks replayed from a script may lie anywhere in the int range: at the limits every hit test
// gives its plain answer, a miss except in eat mode, and the buttons' index is no button.
TEST(Modes, ClicksAtTheIntLimitsMissWithoutOverflow) {
    const int lo = INT_MIN, hi = INT_MAX;
    const struct {
        int x, y;
    } far[] = {{lo, lo}, {hi, hi}, {lo, hi}, {hi, lo}, {0, lo}, {0, hi}, {-240, lo}, {260, hi}};
    for (int mode = MODE_ADD_TOPPING; mode <= MODE_CHOOSE_TYPE; ++mode) {
        for (const auto &f : far) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << " at " << f.x << ", " << f.y);
            ConeState s = started_cone(12);
            click(&s, 0, 60);
            s.mode = mode;
            click(&s, f.x, f.y);
            EXPECT_EQ(mode, s.mode);
            EXPECT_EQ(1, s.topping_count);
            EXPECT_EQ(0, s.topping_x[0]);
            EXPECT_EQ(mode == MODE_EAT ? 1 : 0, s.bite_count);
            press_button(&s, f.x, f.y);
            EXPECT_EQ(mode, s.mode);
            EXPECT_EQ(1, s.scoop_count);
        }
    }
    // A topping at the limits is found by a click beside it, and missed 8 away.
    const struct {
        int tx, ty, x, y, found;
    } toppings[] = {
        {hi, hi, hi - 7, hi, 1}, {hi, hi, hi - 8, hi, 0}, {lo, lo, lo + 7, lo + 7, 1},
        {lo, lo, lo, lo + 8, 0}, {hi, lo, hi, lo, 1},
    };
    for (const auto &t : toppings) {
        ConeState s = started_cone(12);
        s.topping_count = 1;
        s.topping_x[0] = t.tx;
        s.topping_y[0] = t.ty;
        int slot = -1;
        EXPECT_EQ(t.found, pick_topping(t.x, t.y, &s, &slot)) << t.x << ", " << t.y;
    }
}

TEST(Modes, RecolouringAndRetypingWithoutToppingsActOnSlotZero) {
    ConeState s = started_cone(10);
    press(&s, 4);
    click(&s, 260, 192);  // green
    EXPECT_EQ(MODE_TOPPING_SELECTED, s.mode);
    EXPECT_EQ(GREEN, s.topping_color[0]);
    EXPECT_EQ(0, s.topping_count);
    press(&s, 3);
    click(&s, -250, -70);
    EXPECT_EQ(TOPPING_NUT, s.topping_kind[0]);
    press(&s, 2);
    click(&s, 0, 60);
    ASSERT_EQ(1, s.topping_count);
    EXPECT_EQ(RED, s.topping_color[0]);
    EXPECT_EQ(TOPPING_MM, s.topping_kind[0]);
}

TEST(Modes, EatModeBitesAnywhereUntilTheTableIsFull) {
    ConeState s = started_cone(11);
    press(&s, 7);
    EXPECT_EQ(MODE_EAT, s.mode);
    const int where[][2] = {{0, 0}, {260, 230}, {-250, -20}, {299, -249}, {0, 60}};
    for (const auto &w : where) click(&s, w[0], w[1]);
    ASSERT_EQ(5, s.bite_count);
    EXPECT_EQ(260, s.bite_x[1]);
    EXPECT_EQ(230, s.bite_y[1]);
    EXPECT_EQ(0, s.topping_count);  // a scoop click in eat mode adds no topping
    EXPECT_EQ(MODE_EAT, s.mode);
    for (int i = 5; i < 120; ++i) click(&s, i, -i);
    EXPECT_EQ(MAX_BITES, s.bite_count);
    EXPECT_EQ(99, s.bite_x[99]);
    EXPECT_EQ(MODE_EAT, s.mode);
    press(&s, 0);  // buttons still work, and a button leaves eat mode
    EXPECT_EQ(2, s.scoop_count);
    EXPECT_EQ(MAX_BITES, s.bite_count);
    press(&s, 5);
    EXPECT_EQ(MODE_SELECT_TOPPING, s.mode);
}

TEST(Loop, KeysChangeNothingAndQuitEndsTheLoop) {
    ConeState s = started_cone(12);
    press(&s, 7);
    ConeState before = s;
    handle_event(&s, TAVIX_KBD, 0, 0);
    EXPECT_EQ(0, s.done);
    EXPECT_EQ(before.mode, s.mode);
    EXPECT_EQ(before.light_cursor, s.light_cursor);
    EXPECT_EQ(before.bite_count, s.bite_count);
    handle_event(&s, TAVIX_QUIT, 0, 0);
    EXPECT_EQ(1, s.done);
}

TEST(Marquee, OneLightRunsRoundTwentyPositions) {
    int seq[3000];
    rand_sequence(13, seq, 3000);
    ConeState s = started_cone(13);
    for (int j = 0; j < LIGHT_COUNT; ++j) EXPECT_EQ(BLACK, s.light_color[j]);
    int used = 63;  // start-up colours and the first drawing's sample confetti
    for (int step = 1; step <= 41; ++step) {
        tick(&s);
        int lit = step % LIGHT_COUNT;
        ASSERT_EQ(lit, s.light_cursor);
        EXPECT_EQ(seq[used] % 25, s.light_color[lit]) << "step " << step;
        used += 1 + 60;  // the marquee's value, then the redraw's sample confetti
        for (int j = 0; j < LIGHT_COUNT; ++j) {
            if (j == lit) continue;
            EXPECT_EQ(BLACK, s.light_color[j]) << "light " << j << " step " << step;
        }
    }
}

TEST(RandomOrder, ConfettiTakesSixtyValuesPerToppingThenTheSample) {
    int seq[400];
    rand_sequence(14, seq, 400);
    ConeState s = started_cone(14);
    // Two confetti toppings and an M & M: each redraw uses 60 + 60 + 60 values.
    click(&s, -20, 60);
    press(&s, 3);
    click(&s, -255, -170);
    press(&s, 2);
    click(&s, 20, 60);
    press(&s, 2);
    click(&s, 0, 40);
    press(&s, 3);
    click(&s, -255, -170);
    ASSERT_EQ(3, s.topping_count);
    srand(14);
    for (int i = 0; i < 63; ++i) rand();
    tick(&s);
    EXPECT_EQ(seq[63] % 25, s.light_color[1]);
    EXPECT_EQ(seq[63 + 1 + 180], rand());
}

}  // namespace
