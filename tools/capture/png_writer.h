// PNG files of captured frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb holds width * height RGB pixels, top row first.
bool WritePngFile(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height);
