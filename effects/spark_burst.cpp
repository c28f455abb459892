// PLACEHOLDER until the spark burst lands.
#include "effects/spark_burst.h"
Spark sparks[500];
int burstFrame = 0;
void ResetSpark(int) {}
void InitSparks() {}
void DrawSparkBurst() {}
void DrawSpark(int) {}
