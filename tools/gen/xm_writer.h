// The extended-module (XM) file model and its writer: one sample per instrument, packed patterns,
// linear frequency table.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

constexpr uint8_t kKeyOff = 97;

struct Cell {
    uint8_t note = 0;  // 1 = C-0 .. 96 = B-7, kKeyOff, 0 = none
    uint8_t instr = 0;  // 1-based, 0 = none
    uint8_t volume = 0;  // volume column: 0x10 + 0..64 sets the volume, 0 = none
    uint8_t effect = 0;
    uint8_t param = 0;
    bool operator==(const Cell&) const = default;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;  // rows x channels, row-major
};

struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, level 0..64)
    int sustain = -1;  // point index, -1 = none
};

struct Sample {
    std::vector<int16_t> data;
    uint32_t loopStart = 0, loopLength = 0;  // in sample frames; length 0 = no loop
    uint8_t volume = 64;
    int8_t finetune = 0;
    int8_t relativeNote = 0;
    uint8_t panning = 128;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volumeEnvelope;
    uint16_t fadeout = 0;
    uint8_t vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
    std::string name;
    int channels = 8;
    uint16_t speed = 6, bpm = 125;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

std::vector<uint8_t> Write(const Module& module);

}  // namespace xm
