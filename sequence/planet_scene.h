// The burning planet in its glow shells, pierced by a growing bundle of spikes.
#pragma once

struct RayAngle {
    float angleX;
    float angleY;
};

extern RayAngle rayAngles[202];

void InitRayAngles();
void DrawPlanetScene();
