// The one pseudo-random generator behind every choice the walkers make.
// Its exact sequence is part of the behaviour: a seed replays a run tick for tick.
#pragma once
#include <cstdint>

struct RandomSource {
    uint32_t state = 1;  // unseeded generators start at 1
};

void SeedRandom(RandomSource& random, uint32_t seed);

// Advances the state and returns bits 16..30 of it: 0..32767.
int NextRandom(RandomSource& random);

// 0..n for n >= 0, drawn with the classic (slightly biased) modulo rule.
// Always consumes exactly one value. Negative n follows truncating division;
// n == -1 would divide by zero and returns 0 instead.
int RandomUpTo(RandomSource& random, int n);

// Milliseconds since start plus the millisecond field of the UTC time, as the
// saver seeds itself. Provided by the platform layer (clock_seed_*.cpp).
uint32_t ClockSeed();
