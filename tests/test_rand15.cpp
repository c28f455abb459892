// The generator's sequence is fixed: every run of the demo looks the same.
#include "core/angles.h"
#include "core/rand15.h"
#include "tests/rand_replica.h"

#include <gtest/gtest.h>

TEST(Rand15, FollowsTheLinearCongruentialSequenceFromStateOne)
{
    randState = 1;
    randDraws = 0;
    // state = state * 214013 + 2531011, value = (state >> 16) & 0x7FFF
    EXPECT_EQ(Rand15(), 41);
    EXPECT_EQ(Rand15(), 18467);
    EXPECT_EQ(Rand15(), 6334);
    EXPECT_EQ(randDraws, 3u);
    RandReplica replica(randState);
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(Rand15(), replica.Next()) << "draw " << i;
    EXPECT_EQ(randState, replica.state);
    EXPECT_EQ(randDraws, 100003u);
}

TEST(Rand15, DegreesUseTheDemosPi)
{
    // 90 degrees with pi = 3.1415 is slightly short of a right angle.
    EXPECT_DOUBLE_EQ(sinD(90.0), std::sin(3.1415 / 2.0));
    EXPECT_DOUBLE_EQ(cosD(180.0), std::cos(3.1415));
    EXPECT_NE(cosD(90.0), 0.0);
}
