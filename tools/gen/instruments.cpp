// Synthesis of the module's instruments at 44100 Hz. Looped tones are built additively from whole-hertz
// partials over a one-second loop, so every partial completes whole cycles and the loop has no seam.
#include "tools/gen/instruments.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tools/gen/gen_common.h"

namespace inst {
namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

const std::vector<double>& SineTable()
{
    static const std::vector<double> table = [] {
        std::vector<double> t(kRate);
        for (int i = 0; i < kRate; ++i)
            t[i] = std::sin(2 * kPi * i / kRate);
        return t;
    }();
    return table;
}

// Sum of harmonics k * hz (hz a whole number) below `limit`, with amplitude amp(k, seconds) and a fixed
// phase per harmonic. The result is exactly periodic over kRate samples wherever amp does not vary.
void AddPartials(std::vector<double>& out, int hz, double limit, uint64_t phaseSeed,
                 const std::function<double(int, double)>& amp)
{
    const std::vector<double>& sine = SineTable();
    gen::Random rnd(phaseSeed);
    for (int k = 1; k * hz < limit; ++k) {
        int64_t phase = phaseSeed ? rnd.Below(kRate) : 0;
        int64_t step = int64_t(k) * hz;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] += amp(k, double(i) / kRate) * sine[(step * int64_t(i) + phase) % kRate];
    }
}

// Two-pole low-pass response with an optional resonant bump at the cutoff.
double LowPass(double f, double cutoff, double resonance)
{
    double x = f / cutoff;
    return (1 + resonance * std::exp(-std::pow((x - 1) / 0.25, 2))) / std::sqrt(1 + x * x * x * x);
}

// Scales to 75% of full scale (the effect sounds are mixed on top of the music) and tunes the sample:
// `contentHz` is the pitch the data has at 44100 Hz, and the player plays C-4 at 8363 Hz shifted by
// relative note + finetune / 128 semitones.
xm::Sample MakeSample(const std::vector<double>& wave, uint32_t loopStart, uint32_t loopLength, double contentHz)
{
    double peak = 1e-9;
    for (double v : wave)
        peak = std::max(peak, std::fabs(v));
    xm::Sample s;
    for (double v : wave)
        s.data.push_back(int16_t(std::lround(v / peak * 0.75 * 32767)));
    // A one-millisecond fade-in keeps a note's start from clicking, where it lies outside the loop.
    const size_t ramp = kRate / 1000;
    if (loopLength == 0 || loopStart >= ramp)
        for (size_t i = 0; i < ramp && i < s.data.size(); ++i)
            s.data[i] = int16_t(s.data[i] * double(i) / ramp);
    s.loopStart = loopStart;
    s.loopLength = loopLength;
    double shift = 12 * std::log2(261.6256 * kRate / (8363.0 * contentHz));
    int rel = int(std::floor(shift));
    int fine = int(std::lround((shift - rel) * 128));
    if (fine >= 128)
        ++rel, fine -= 128;
    s.relativeNote = int8_t(rel);
    s.finetune = int8_t(fine);
    return s;
}

xm::Instrument Named(const char* name, xm::Sample s)
{
    xm::Instrument ins;
    ins.name = name;
    ins.sample = std::move(s);
    return ins;
}

}  // namespace

xm::Instrument Bass()
{
    const int hz = 65;  // about C-2
    const double attack = 0.3;
    std::vector<double> w(size_t(attack * kRate) + kRate, 0.0);
    AddPartials(w, hz, 6000, 0, [&](int k, double t) {
        double open = t < attack ? std::pow(1 - t / attack, 3) : 0;  // filter sweep, closed once the loop starts
        double cutoff = 320 + 2600 * open;
        double saw = 1.0 / k, square = (k % 2) ? 0.5 / k : 0;
        double sub = k == 1 ? 0.5 : 0;
        return (saw + square) * LowPass(k * hz, cutoff, 0.8) + sub;
    });
    xm::Instrument ins = Named("bass", MakeSample(w, uint32_t(attack * kRate), kRate, hz));
    ins.volumeEnvelope = {{{0, 64}, {6, 50}}, 1};
    ins.fadeout = 2000;
    return ins;
}

xm::Instrument Pad()
{
    std::vector<double> w(kRate, 0.0);
    int seed = 100;
    for (int hz : {261, 262, 263}) {  // about C-4, a few cents apart for a slow chorus
        AddPartials(w, hz, 7000, uint64_t(seed++), [&](int k, double) { return LowPass(k * hz, 1400, 0.3) / k; });
    }
    xm::Instrument ins = Named("pad", MakeSample(w, 0, kRate, 262));
    ins.volumeEnvelope = {{{0, 0}, {12, 64}, {40, 52}}, 2};
    ins.fadeout = 400;
    return ins;
}

xm::Instrument Lead()
{
    const double attack = 0.08;
    std::vector<double> w(size_t(attack * kRate) + kRate, 0.0);
    for (int hz : {523, 524}) {  // about C-5
        AddPartials(w, hz, 11000, uint64_t(hz), [&](int k, double t) {
            double open = t < attack ? std::pow(1 - t / attack, 2) : 0;
            double shape = 1.0 / k + ((k % 2) ? 0.6 / k : 0);
            return shape * LowPass(k * hz, 3800 + 3000 * open, 0.6);
        });
    }
    xm::Instrument ins = Named("lead", MakeSample(w, uint32_t(attack * kRate), kRate, 523.5));
    ins.volumeEnvelope = {{{0, 64}, {5, 56}, {30, 48}}, 2};
    ins.fadeout = 1000;
    ins.vibratoSweep = 48;
    ins.vibratoDepth = 4;
    ins.vibratoRate = 20;
    return ins;
}

// Karplus-Strong string: a burst of soft noise circulating through a delay line with an averaging filter.
xm::Instrument Pluck()
{
    const int delay = 84;
    std::vector<double> w(size_t(0.9 * kRate), 0.0);
    gen::Random rnd(9);
    double lp = 0;
    for (int i = 0; i < delay + 1; ++i) {
        lp += 0.6 * (rnd.Signed() - lp);
        w[i] = lp;
    }
    for (size_t i = delay + 1; i < w.size(); ++i)
        w[i] = 0.4985 * (w[i - delay] + w[i - delay - 1]);
    size_t fade = size_t(0.05 * kRate);
    for (size_t i = 0; i < fade; ++i)
        w[w.size() - 1 - i] *= double(i) / fade;
    return Named("pluck", MakeSample(w, 0, 0, double(kRate) / (delay + 0.5)));
}

xm::Instrument Kick()
{
    std::vector<double> w(size_t(0.45 * kRate), 0.0);
    gen::Random rnd(21);
    double phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        double t = double(i) / kRate;
        phase += 2 * kPi * (46 + 120 * std::exp(-t / 0.035)) / kRate;
        double body = std::sin(phase) * std::exp(-t / 0.16);
        double click = rnd.Signed() * std::exp(-t / 0.002) * 0.5;
        w[i] = std::tanh(1.6 * (body + click)) * std::min(1.0, (0.45 - t) / 0.05);
    }
    return Named("kick", MakeSample(w, 0, 0, 261.6256));
}

xm::Instrument Snare()
{
    std::vector<double> w(size_t(0.35 * kRate), 0.0);
    gen::Random rnd(22);
    double lp = 0, prev = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        double t = double(i) / kRate;
        double tone = (std::sin(2 * kPi * 185 * t) + 0.5 * std::sin(2 * kPi * 330 * t)) * std::exp(-t / 0.05);
        double n = rnd.Signed();
        lp += 0.45 * (n - lp);
        double hp = lp - prev;  // band of the noise where a snare's wires sit
        prev = lp;
        w[i] = (0.6 * tone + 1.4 * hp * std::exp(-t / 0.09)) * std::min(1.0, (0.35 - t) / 0.04);
    }
    return Named("snare", MakeSample(w, 0, 0, 261.6256));
}

// Metallic noise: six detuned square waves plus white noise, high-passed.
std::vector<double> Metal(double seconds, double decay, uint64_t seed)
{
    std::vector<double> w(size_t(seconds * kRate), 0.0);
    gen::Random rnd(seed);
    const double freqs[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double hp1 = 0, hp2 = 0, x1 = 0, y1 = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        double t = double(i) / kRate;
        double m = 0;
        for (double f : freqs)
            m += std::sin(2 * kPi * f * 3.1 * t) > 0 ? 1 : -1;
        double x = m / 6 + 0.8 * rnd.Signed();
        double y = 0.55 * (y1 + x - x1);  // two one-pole high-passes near 6 kHz
        x1 = x, y1 = y;
        hp2 = 0.55 * (hp2 + y - hp1);
        hp1 = y;
        w[i] = hp2 * std::exp(-t / decay) * std::min(1.0, (seconds - t) / 0.02);
    }
    return w;
}

xm::Instrument HiHat() { return Named("hihat", MakeSample(Metal(0.12, 0.03, 23), 0, 0, 261.6256)); }
xm::Instrument Crash() { return Named("crash", MakeSample(Metal(1.6, 0.5, 24), 0, 0, 261.6256)); }

}  // namespace inst
