// Serialises an xm::Module into the extended-module file layout (version 1.04, little-endian).
#include "tools/gen/xm_writer.h"

#include <algorithm>
#include <cstring>

#include "tools/gen/gen_common.h"

namespace xm {
namespace {

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? uint8_t(text[i]) : uint8_t(' '));
}

void PutZeroText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? uint8_t(text[i]) : uint8_t(0));
}

// A cell is packed as a flag byte (bit 7 set) naming the fields that follow, or all five bytes when
// that is no shorter.
void PutCell(std::vector<uint8_t>& out, const Cell& c)
{
    uint8_t flags = 0x80;
    if (c.note)
        flags |= 1;
    if (c.instr)
        flags |= 2;
    if (c.volume)
        flags |= 4;
    if (c.effect)
        flags |= 8;
    if (c.param)
        flags |= 16;
    if (flags == 0x9F) {
        out.insert(out.end(), {c.note, c.instr, c.volume, c.effect, c.param});
        return;
    }
    out.push_back(flags);
    if (c.note)
        out.push_back(c.note);
    if (c.instr)
        out.push_back(c.instr);
    if (c.volume)
        out.push_back(c.volume);
    if (c.effect)
        out.push_back(c.effect);
    if (c.param)
        out.push_back(c.param);
}

}  // namespace

std::vector<uint8_t> Write(const Module& m)
{
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutZeroText(out, m.name, 20);
    out.push_back(0x1A);
    PutZeroText(out, "Korvale XM writer", 20);
    gen::PutLe(out, 0x0104, 2);
    gen::PutLe(out, 276, 4);  // header size, counted from this field
    gen::PutLe(out, uint32_t(m.orders.size()), 2);
    gen::PutLe(out, 0, 2);  // restart position
    gen::PutLe(out, uint32_t(m.channels), 2);
    gen::PutLe(out, uint32_t(m.patterns.size()), 2);
    gen::PutLe(out, uint32_t(m.instruments.size()), 2);
    gen::PutLe(out, 1, 2);  // linear frequency table
    gen::PutLe(out, m.speed, 2);
    gen::PutLe(out, m.bpm, 2);
    for (size_t i = 0; i < 256; ++i)
        out.push_back(i < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        std::vector<uint8_t> packed;
        for (const Cell& c : p.cells)
            PutCell(packed, c);
        gen::PutLe(out, 9, 4);
        out.push_back(0);
        gen::PutLe(out, uint32_t(p.rows), 2);
        gen::PutLe(out, uint32_t(packed.size()), 2);
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (const Instrument& ins : m.instruments) {
        const Sample& s = ins.sample;
        gen::PutLe(out, 263, 4);
        PutZeroText(out, ins.name, 22);
        out.push_back(0);
        gen::PutLe(out, 1, 2);  // one sample
        gen::PutLe(out, 40, 4);  // sample header size
        for (int i = 0; i < 96; ++i)
            out.push_back(0);
        const Envelope& env = ins.volumeEnvelope;
        for (size_t i = 0; i < 12; ++i) {
            gen::PutLe(out, i < env.points.size() ? env.points[i].first : 0, 2);
            gen::PutLe(out, i < env.points.size() ? env.points[i].second : 0, 2);
        }
        for (int i = 0; i < 48; ++i)
            out.push_back(0);  // panning envelope
        out.push_back(uint8_t(env.points.size()));
        out.push_back(0);
        out.push_back(uint8_t(std::max(env.sustain, 0)));
        out.push_back(0);
        out.push_back(0);
        out.insert(out.end(), {0, 0, 0});
        uint8_t envType = env.points.empty() ? 0 : uint8_t(1 | (env.sustain >= 0 ? 2 : 0));
        out.push_back(envType);
        out.push_back(0);
        out.insert(out.end(), {0, ins.vibratoSweep, ins.vibratoDepth, ins.vibratoRate});
        gen::PutLe(out, ins.fadeout, 2);
        for (int i = 0; i < 22; ++i)
            out.push_back(0);

        // Sample header; lengths are in bytes for 16-bit data.
        gen::PutLe(out, uint32_t(s.data.size() * 2), 4);
        gen::PutLe(out, s.loopStart * 2, 4);
        gen::PutLe(out, s.loopLength * 2, 4);
        out.push_back(s.volume);
        out.push_back(uint8_t(s.finetune));
        out.push_back(uint8_t((s.loopLength ? 1 : 0) | 0x10));  // forward loop, 16-bit
        out.push_back(s.panning);
        out.push_back(uint8_t(s.relativeNote));
        out.push_back(0);
        PutZeroText(out, ins.name, 22);

        int16_t previous = 0;  // sample data is stored as deltas
        for (int16_t v : s.data) {
            gen::PutLe(out, uint16_t(int16_t(v - previous)), 2);
            previous = v;
        }
    }
    return out;
}

}  // namespace xm
