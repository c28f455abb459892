// The scene after the collapse: title word, star field, fire ring, vortex, spark bursts and flares.
#pragma once

void DrawNovaScene();
