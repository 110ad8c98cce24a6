// rand() and srand() as the GNU C library computes them, for the browser build: emscripten's C
// library has a generator of its own, so a program that draws with rand() (the cone's confetti
// and scoop colours) would paint other pixels in the browser than on Linux from the same seed.
// This is glibc's default generator: an additive feedback generator over 31 words,
// r[i] = r[i-31] + r[i-3], seeded by a Park-Miller sequence and run 310 steps before its first
// number; each number is the sum's top 31 bits.
#include <cstdint>

namespace {

const int kWords = 31;
const int kSeparation = 3;

struct Generator {
    int32_t words[kWords];
    int front = kSeparation;  // the word that takes the sum
    int rear = 0;             // the word added to it
    bool seeded = false;      // srand (or the first rand) has filled the words
};

Generator generator;

int32_t next_number(Generator &g) {
    uint32_t sum = (uint32_t)g.words[g.front] + (uint32_t)g.words[g.rear];
    g.words[g.front] = (int32_t)sum;
    g.front = (g.front + 1) % kWords;
    g.rear = (g.rear + 1) % kWords;
    return (int32_t)(sum >> 1);
}

void seed_generator(Generator &g, unsigned seed) {
    int32_t word = seed == 0 ? 1 : (int32_t)seed;
    g.words[0] = word;
    for (int i = 1; i < kWords; ++i) {
        // 16807 * word mod (2^31 - 1), without overflow (Schrage's method).
        long hi = word / 127773, lo = word % 127773;
        word = (int32_t)(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        g.words[i] = word;
    }
    g.front = kSeparation;
    g.rear = 0;
    for (int i = 0; i < kWords * 10; ++i) next_number(g);
}

}  // namespace

extern "C" void tavix_glibc_srand(unsigned seed) {
    seed_generator(generator, seed);
    generator.seeded = true;
}

extern "C" int tavix_glibc_rand(void) {
    if (!generator.seeded) tavix_glibc_srand(1);  // as if srand(1), which C asks of an unseeded rand()
    return next_number(generator);
}

#ifdef __EMSCRIPTEN__
extern "C" void srand(unsigned seed) { tavix_glibc_srand(seed); }
extern "C" int rand(void) { return tavix_glibc_rand(); }
#endif
