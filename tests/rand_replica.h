// An independent copy of the demo's generator: tests replay the draws a layout or a pass must make,
// starting from the demo generator's state at a chosen moment.
#pragma once

#include <cstdint>

struct RandReplica {
    uint32_t state;
    explicit RandReplica(uint32_t start) : state(start) {}
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};
