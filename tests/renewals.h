// What a renewed fire-ring or vortex particle must hold, replayed from the generator: the draws in order.
#pragma once

#include "effects/fire_ring.h"
#include "effects/vortex.h"
#include "tests/rand_replica.h"

#include <gtest/gtest.h>

// Colour, speed, then a tilt centred on 0; the offset starts again at 0.
inline void ExpectRingRenewal(RandReplica& ref, const RingParticle& p)
{
    EXPECT_EQ(p.r, ref.Next() % 127 + 128);
    EXPECT_EQ(p.g, ref.Next() % 32 + 32);
    EXPECT_EQ(p.b, ref.Next() % 16 + 16);
    EXPECT_FLOAT_EQ(p.speed, (ref.Next() % 10) * 0.01f + 0.1f);
    int tilt = ref.Next() % 60;
    EXPECT_EQ(p.tilt, static_cast<float>(tilt > 30 ? tilt - 60 : tilt));
}

// Colour, spread, angle, then speed.
inline void ExpectVortexRenewal(RandReplica& ref, const VortexParticle& p)
{
    EXPECT_EQ(p.r, ref.Next() % 32 + 32);
    EXPECT_EQ(p.g, ref.Next() % 64 + 64);
    EXPECT_EQ(p.b, ref.Next() % 127 + 128);
    EXPECT_EQ(p.spread, static_cast<float>(ref.Next() % 5));
    EXPECT_EQ(p.angle, static_cast<float>(ref.Next() % 360));
    EXPECT_FLOAT_EQ(p.speed, (ref.Next() % 100) * 0.001f + 0.0005f);
}
