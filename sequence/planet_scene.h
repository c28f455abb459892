// The burning planet in its glow shells, pierced by a growing bundle of spikes.
#pragma once

#include "core/constants.h"

struct RayAngle {
    float angleX;
    float angleY;
};

extern RayAngle rayAngles[kRays];

void InitRayAngles();
void DrawPlanetScene();
