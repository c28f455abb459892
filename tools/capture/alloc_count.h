// Heap allocations counted for --bench: every malloc, calloc and realloc of the process, and among them the
// ones asked for by the program's own code rather than by a shared library (the GL driver, SDL, libopenmpt).
#pragma once

#include <cstdint>

struct AllocCounts {
    uint64_t own = 0;
    uint64_t total = 0;
};

// False in sanitizer builds, whose own allocator is left alone, and on Windows: nothing is counted there.
bool AllocCountingAvailable();
AllocCounts AllocationsSoFar();
