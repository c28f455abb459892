// korvale-gen-sounds: synthesizes the explosion sounds, 16-bit mono PCM WAV at 44100 Hz.
// Usage: korvale-gen-sounds OUTDIR. Writes bang.wav (the big one) and bangshrt1..4.wav (short blasts).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/gen/gen_common.h"

namespace {

constexpr double kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// One explosion: a falling sine thump, low-passed noise whose cutoff sinks as the blast dies, and
// sparse crackles; `hits` repeats the onset for a rolling double blast.
struct Blast {
    double seconds;
    double thumpFrom, thumpTo, thumpDecay, thumpLevel;
    double cutoffFrom, cutoffTo, noiseDecay, noiseLevel;
    double crackles, drive;
    int hits;
    uint64_t seed;
};

std::vector<double> Render(const Blast& b)
{
    int n = int(b.seconds * kRate);
    std::vector<double> out(n, 0.0);
    gen::Random rnd(b.seed);
    for (int hit = 0; hit < b.hits; ++hit) {
        int start = hit == 0 ? 0 : int(kRate * (0.06 + 0.05 * rnd.Unit()) * hit);
        double level = hit == 0 ? 1.0 : 0.55;
        double phase = 0, lp1 = 0, lp2 = 0, crackle = 0;
        for (int i = start; i < n; ++i) {
            double t = (i - start) / kRate;
            double attack = std::min(1.0, t / 0.004);
            double freq = b.thumpTo + (b.thumpFrom - b.thumpTo) * std::exp(-t / 0.12);
            phase += 2 * kPi * freq / kRate;
            double thump = std::sin(phase) * std::exp(-t / b.thumpDecay) * b.thumpLevel;
            double cutoff = b.cutoffTo + (b.cutoffFrom - b.cutoffTo) * std::exp(-t / 0.15);
            double a = 1 - std::exp(-2 * kPi * cutoff / kRate);
            lp1 += a * (rnd.Signed() - lp1);
            lp2 += a * (lp1 - lp2);
            double noise = lp2 * std::exp(-t / b.noiseDecay) * b.noiseLevel * (1 + 2 * std::exp(-t / 0.02));
            if (rnd.Unit() < b.crackles / kRate)
                crackle = rnd.Signed() * std::exp(-t / (0.5 * b.seconds));
            crackle *= 0.92;
            double v = (thump + noise + 0.5 * crackle) * attack * level;
            out[i] += std::tanh(v * b.drive) / b.drive;
        }
    }
    // Fade the tail to exact silence and set the peak to -6 dBFS, leaving room for the
    // music they are mixed with.
    int fade = std::min(n, int(0.08 * kRate));
    for (int i = 0; i < fade; ++i)
        out[n - 1 - i] *= double(i) / fade;
    double peak = 0;
    for (double v : out)
        peak = std::max(peak, std::fabs(v));
    for (double& v : out)
        v *= 0.5 / peak;
    return out;
}

bool WriteWav(const std::string& path, const std::vector<double>& samples)
{
    std::vector<uint8_t> f;
    uint32_t dataBytes = uint32_t(samples.size() * 2);
    auto tag = [&](const char* s) { f.insert(f.end(), s, s + 4); };
    tag("RIFF");
    gen::PutLe(f, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    gen::PutLe(f, 16, 4);
    gen::PutLe(f, 1, 2);  // PCM
    gen::PutLe(f, 1, 2);  // mono
    gen::PutLe(f, uint32_t(kRate), 4);
    gen::PutLe(f, uint32_t(kRate) * 2, 4);
    gen::PutLe(f, 2, 2);
    gen::PutLe(f, 16, 2);
    tag("data");
    gen::PutLe(f, dataBytes, 4);
    for (double v : samples)
        gen::PutLe(f, uint16_t(int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767))), 2);
    return gen::WriteFile(path, f);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    //                 secs  thump: from  to   decay level  noise: from  to  decay level crackle drive hits seed
    const Blast big{2.0, 75, 26, 0.7, 1.0, 2200, 90, 0.65, 1.6, 40, 2.0, 2, 1};
    const Blast shorts[4] = {
        {0.35, 130, 50, 0.07, 0.9, 3500, 400, 0.07, 1.4, 60, 2.5, 1, 2},
        {0.50, 100, 45, 0.10, 0.6, 5500, 700, 0.10, 1.8, 140, 3.0, 1, 3},
        {0.62, 85, 32, 0.16, 1.0, 1600, 180, 0.15, 1.5, 30, 2.0, 1, 4},
        {0.75, 110, 40, 0.12, 0.8, 2600, 300, 0.12, 1.6, 80, 4.0, 2, 5},
    };
    bool ok = WriteWav(dir + "/bang.wav", Render(big));
    for (int i = 0; i < 4; ++i)
        ok = WriteWav(dir + "/bangshrt" + std::to_string(i + 1) + ".wav", Render(shorts[i])) && ok;
    return ok ? 0 : 1;
}
