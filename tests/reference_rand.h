// An independent copy of the demo's generator for tests: replays the draws a pass is expected to make,
// starting from the demo generator's state at a chosen moment.
#pragma once

#include <cstdint>

struct ReferenceRand {
    uint32_t state;
    explicit ReferenceRand(uint32_t start) : state(start) {}
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};
