// korvale-capture --bench: each phase's frame times and its steady frames' heap allocations, and how they
// are printed at the end of the run.
#pragma once

// The demo's three phases, by the demoFrame a frame starts at and whether the planet shows.
enum class Phase { Words, Planet, Nova };
Phase PhaseOf(int startDemoFrame, bool planet);
const char* PhaseName(Phase phase);

// Room for `frames` frame times up front: steady frames then allocate nothing.
void BenchReserve(long frames);
// A RenderFrame call begins: closes the allocation count of the frame before (kept when it was a steady one)
// and starts this one's clock and count.
void BenchFrameBegins(Phase phase);
// The frame begun last has drawn: its time is kept.
void BenchFrameEnds();
// The picture size, the start-up figures and each phase's frames, times and allocations, on standard output.
void PrintBench(int width, int height);
