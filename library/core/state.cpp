// The library's one state record. Every field starts from the value beside it in state.h, set
// before the program runs: the program's start is its start.
#include "library/core/state.h"

LibraryState library_state;
