// Everything a fresh GL context needs before the first frame: quadric, textures, fonts, fixed GL state and
// the random tables of the effects.
#pragma once

bool InitScene();
