// Linear congruential generator: the order of draws fixes every random choice of the demo.
#include "core/rand15.h"

uint32_t randState = 1;
uint64_t randDraws = 0;

int Rand15()
{
    randState = randState * 214013u + 2531011u;
    ++randDraws;
    return static_cast<int>((randState >> 16) & 0x7FFF);
}
