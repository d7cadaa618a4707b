#include "animation/random.h"

void SeedRandom(RandomSource& random, uint32_t seed) { random.state = seed; }

int NextRandom(RandomSource& random) {
    random.state = random.state * 214013u + 2531011u;
    return static_cast<int>((random.state >> 16) & 0x7FFF);
}

int RandomUpTo(RandomSource& random, int n) {
    const int r = NextRandom(random);
    const int64_t bound = static_cast<int64_t>(n) + 1;  // n == INT_MAX must not overflow
    if (r < bound) return r;
    if (bound == 0) return 0;            // n == -1: no value is right, 0 matches the neighbours
    return static_cast<int>(r % bound);  // C++ '%' truncates, as the original did
}
