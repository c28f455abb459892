// JPEG decoding in two steps, as the image loader drives it: open a file and read its size and channel
// count, then decode it into a caller-owned buffer, bottom row first, rows without padding.
#pragma once

struct JpegFile;

// Null when the file cannot be read or is not a JPEG. channels is the picture's own count (1 or 3).
JpegFile* JpegOpen(const char* fileName, int* width, int* height, int* channels);
// channels is 1 (grey levels) or 3 (R, G, B); buffer holds width * height * channels bytes.
bool JpegDecode(JpegFile* file, unsigned char* buffer, int width, int height, int channels);
void JpegClose(JpegFile* file);
