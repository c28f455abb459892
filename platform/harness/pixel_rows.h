// Pictures as glReadPixels gives them, bottom row first, and their copy into RGB rows, top row first. ES
// promises to read only RGBA bytes, so there the alpha is read and dropped; the desktop reads RGB.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

// The format the current GL's pictures are read in, and its bytes a pixel.
GLenum ReadFormat();
int ReadChannels();

// Copies width x height pixels of ReadFormat(), bottom row first and packed, into rgb, top row first.
void CopyRowsTopFirst(const uint8_t* rows, int width, int height, std::vector<uint8_t>& rgb);
