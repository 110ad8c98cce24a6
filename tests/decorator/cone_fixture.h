// Helpers shared by the decorator's tests: the library opened once for the whole test program,
// a cone started from a fixed seed, and events fed through the decorator's own loop step.
#ifndef TAVIX_TESTS_DECORATOR_CONE_FIXTURE_H
#define TAVIX_TESTS_DECORATOR_CONE_FIXTURE_H

#include "decorator/state.h"

// A cone as the program has it after start-up and its first drawing (which records the palette
// and sample positions), with the random generator seeded by seed.
ConeState started_cone(unsigned seed);
// One event through the loop step: the state change, then the full redraw.
void click(ConeState *state, int x, int y);
void tick(ConeState *state);
// A click on button i (0 "Add Scoop" .. 7 "LET'S EAT!!!"), in the middle of its box.
void press(ConeState *state, int button);
// The first count values rand() gives after srand(seed).
void rand_sequence(unsigned seed, int *out, int count);

#endif
