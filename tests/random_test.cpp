#include <gtest/gtest.h>

#include "animation/random.h"

TEST(RandomSource, UnseededSequenceIsTheClassicOne) {
    RandomSource random;
    EXPECT_EQ(NextRandom(random), 41);
    EXPECT_EQ(NextRandom(random), 18467);
    EXPECT_EQ(NextRandom(random), 6334);
}

TEST(RandomSource, OutputIsFifteenBitsOfTheWrappedState) {
    RandomSource random;
    SeedRandom(random, 0xFFFFFFFFu);
    const uint32_t expected = 0xFFFFFFFFu * 214013u + 2531011u;
    EXPECT_EQ(NextRandom(random), static_cast<int>((expected >> 16) & 0x7FFF));
    EXPECT_EQ(random.state, expected);
}

TEST(RandomSource, BoundedDrawConsumesExactlyOneValue) {
    for (int bound : {-1000, -3, -2, -1, 0, 1, 2, 9, 32767, 40000}) {
        RandomSource a, b;
        SeedRandom(a, 99);
        SeedRandom(b, 99);
        RandomUpTo(a, bound);
        NextRandom(b);
        EXPECT_EQ(a.state, b.state) << "bound " << bound;
    }
}

TEST(RandomSource, BoundedDrawRangesAndTruncatingModulo) {
    RandomSource random;
    SeedRandom(random, 12345);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(RandomUpTo(random, 0), 0);
        ASSERT_EQ(RandomUpTo(random, -1), 0);  // would divide by zero
        ASSERT_EQ(RandomUpTo(random, -2), 0);  // r % -1
        const int two = RandomUpTo(random, 2);
        ASSERT_TRUE(two >= 0 && two <= 2);
        const int nine = RandomUpTo(random, 9);
        ASSERT_TRUE(nine >= 0 && nine <= 9);
        const int negative = RandomUpTo(random, -5);  // r % -4 lies in 0..3
        ASSERT_TRUE(negative >= 0 && negative <= 3);
    }
}

TEST(RandomSource, ValuesBelowTheBoundAreReturnedUnchanged) {
    RandomSource reference;
    RandomSource bounded;
    SeedRandom(reference, 7);
    SeedRandom(bounded, 7);
    for (int i = 0; i < 1000; ++i) {
        const int r = NextRandom(reference);
        EXPECT_EQ(RandomUpTo(bounded, 40000), r);  // a bound above 32767 never wraps
    }
}
