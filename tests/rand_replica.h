// An independent copy of the demo's generator, for tests that predict what a layout must draw.
#pragma once

#include <cstdint>

struct RandReplica {
    uint32_t state;
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};
