// Pictures as glReadPixels gives them, bottom row first, and their copy into RGB rows, top row first. ES
// promises to read only RGBA bytes, so there the alpha is read and dropped; the desktop reads RGB.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

// The format the current GL's pictures are read in, and its bytes a pixel.
GLenum ReadFormat();
int ReadChannels();

// Reads width x height pixels of ReadFormat() from the bottom left of the bound picture into `pixels` (an
// offset into the bound pixel-pack buffer, if one is), packed; false when the GL reports an error, which
// counts any it had to tell before the read. A harness's "glReadPixels" failure asks for a format there is
// none of, so the GL refuses the read itself.
bool ReadPicture(int width, int height, void* pixels);

// Copies width x height pixels of ReadFormat(), bottom row first and packed, into rgb, top row first.
void CopyRowsTopFirst(const uint8_t* rows, int width, int height, std::vector<uint8_t>& rgb);
