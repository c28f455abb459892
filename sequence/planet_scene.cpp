// PLACEHOLDER until the planet scene lands.
#include "sequence/planet_scene.h"
RayAngle rayAngles[202];
void InitRayAngles() {}
void DrawPlanetScene() {}
