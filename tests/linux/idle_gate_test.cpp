#include "linux/idle_gate.h"

#include <gtest/gtest.h>

constexpr int64_t kIdle = 600;

TEST(IdleGate, StartsOncePerIdleSpellAndNotWhileInhibited) {
    IdleGate gate(kIdle);
    gate.Update(true, false, 1000);
    EXPECT_TRUE(gate.TakeStart(1000));
    EXPECT_FALSE(gate.TakeStart(1001));  // the input that ends the showing has not been seen
    gate.Update(true, false, 1002);
    EXPECT_FALSE(gate.TakeStart(1002));
    gate.Update(false, true, 1003);  // input; then something inhibits
    gate.Update(true, true, 1700);
    EXPECT_FALSE(gate.TakeStart(1700));
    EXPECT_EQ(gate.WakeAt(), -1);
}

TEST(IdleGate, AfterTheLastInhibitorAWholeIdleTimeAgain) {
    IdleGate gate(kIdle);
    gate.Update(true, true, 1000);
    gate.Update(true, false, 2000);  // released while the session stays idle
    EXPECT_FALSE(gate.TakeStart(2599));
    EXPECT_EQ(gate.WakeAt(), 2600);
    EXPECT_TRUE(gate.TakeStart(2600));
    gate.Update(true, true, 3000);  // held again, and released with input since
    gate.Update(false, false, 3100);
    gate.Update(true, false, 3700);
    EXPECT_TRUE(gate.TakeStart(3700));
}
