// 500 coloured sparks flying out of the centre, laid out anew with a bang every 251 nova frames.
#pragma once

#include "core/constants.h"

#include <cstdint>

struct Spark {
    int32_t r, g, b;
    float speed;
    float distance;
    float angleX;
    float angleZ;
};

extern Spark sparks[kSparks];
extern int burstFrame;

void ResetSpark(int index);
void InitSparks();
void DrawSparkBurst();
void DrawSpark(int index);
