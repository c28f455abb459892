// The frame times and allocation counts --bench reports, kept per phase.
#include "tools/capture/bench.h"

#include "core/constants.h"
#include "tools/capture/alloc_count.h"
#include "tools/capture/startup_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct PhaseFigures {
    std::vector<double> ms;  // frame times in milliseconds
    // Heap allocations over steady frames, from one frame's start to the next.
    uint64_t allocatedFrames = 0, own = 0, total = 0;
};

PhaseFigures phases[3];
Phase timedPhase = Phase::Words;  // the phase of the frame begun last
bool timing = false;              // a frame has begun
bool timedPhaseFirst = false;     // that frame was its phase's first: not steady
Clock::time_point frameStarted;
AllocCounts frameAllocations;

void PrintPhase(Phase phase)
{
    const char* name = PhaseName(phase);
    PhaseFigures& figures = phases[static_cast<int>(phase)];
    std::vector<double>& ms = figures.ms;
    if (ms.empty()) {
        printf("%-6s frames 0\n", name);
        return;
    }
    if (!AllocCountingAvailable())
        printf("%-6s allocations not counted in this build\n", name);
    else if (figures.allocatedFrames)
        printf("%-6s own allocs/frame %.2f  all allocs/frame %.2f (the GL driver and the other libraries)\n", name,
               static_cast<double>(figures.own) / figures.allocatedFrames,
               static_cast<double>(figures.total) / figures.allocatedFrames);
    std::sort(ms.begin(), ms.end());
    double total = 0;
    for (double m : ms)
        total += m;
    printf("%-6s frames %zu  mean %.1f fps  median %.3f ms  worst %.3f ms\n", name, ms.size(),
           1000.0 * ms.size() / total, ms[ms.size() / 2], ms.back());
}

}  // namespace

Phase PhaseOf(int startDemoFrame, bool planet)
{
    return startDemoFrame < kPlanetStartFrame ? Phase::Words : planet ? Phase::Planet : Phase::Nova;
}

const char* PhaseName(Phase phase)
{
    static const char* const names[] = {"words", "planet", "nova"};
    return names[static_cast<int>(phase)];
}

void BenchReserve(long frames)
{
    for (PhaseFigures& figures : phases)
        figures.ms.reserve(static_cast<size_t>(frames) + 1);
}

void BenchFrameBegins(Phase phase)
{
    const AllocCounts now = AllocationsSoFar();
    if (timing && !timedPhaseFirst) {
        PhaseFigures& figures = phases[static_cast<int>(timedPhase)];
        ++figures.allocatedFrames;
        figures.own += now.own - frameAllocations.own;
        figures.total += now.total - frameAllocations.total;
    }
    timedPhaseFirst = !timing || phase != timedPhase;
    timedPhase = phase;
    timing = true;
    frameAllocations = now;
    frameStarted = Clock::now();
}

void BenchFrameEnds()
{
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - frameStarted).count();
    phases[static_cast<int>(timedPhase)].ms.push_back(ms);
}

void PrintBench(int width, int height)
{
    printf("size %d x %d\n", width, height);
    PrintStartup();
    for (Phase phase : {Phase::Words, Phase::Planet, Phase::Nova})
        PrintPhase(phase);
}
