// Small helpers shared by the data generators: a fixed-seed random source and file output.
// Everything here is deterministic, so every build writes byte-identical files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gen {

// xorshift-multiply generator: the same sequence on every machine, independent of the C library.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
    }
    double Unit() { return Next() / 4294967296.0; }  // [0, 1)
    double Signed() { return Unit() * 2.0 - 1.0; }  // [-1, 1)
    int Below(int n) { return static_cast<int>(Unit() * n); }  // 0 .. n-1
};

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "error writing %s\n", path.c_str());
    return ok;
}

inline void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace gen
