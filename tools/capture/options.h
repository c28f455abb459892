// korvale-capture's command line: what a run records and how it is driven, read and checked before the
// demo starts.
#pragma once

#include "core/constants.h"
#include "platform/gles/layer.h"
#include "tools/capture/wav_writer.h"

#include <string>
#include <utility>
#include <vector>

struct ScriptedKey {
    int call;
    int virtualKey;
    bool down;
};

struct Options {
    bool allFrames = false;
    std::vector<std::pair<long, long>> frameRanges;  // --frames, each range checked against --until
    std::string outDir = ".";
    long until = 8600;
    std::vector<ScriptedKey> keys;
    std::vector<int> answers;  // one per Yes/No box in turn, the last repeated
    std::vector<std::string> failures;
    std::string statePath;
    std::string audioPath;
    std::string videoPath;
    bool bench = false;
    int width = 0;  // --size: the picture drawn at this size, 4:3 centred; 0 keeps the demo's 640 x 480
    int height = 0;
    GlApi gl = ChosenGlApi();  // --gl; the build's own GL unless asked
    int droppedRun = 0;  // --drop-pictures: after each picture drawn, this many dropped
    bool onlyListed = false;  // --only-listed: the pictures of the frames not listed are dropped
};

// The most frames a run with --audio or --video may present: a WAV file counts its bytes in 32 bits, so
// about 6.7 hours of sound.
constexpr long kMaxSoundedFrames = kWavMaxSampleFrames / kSoundFramesPerFrame;
// The most frames --bench keeps a time for.
constexpr long kMaxBenchFrames = 1000000;

// Reads the command line. A bad one is refused with the usage on standard error and exit status 2; --help
// prints it on standard output and exits with 0.
Options ParseOptions(int argc, char** argv);

// Whether --frames lists the picture drawn from demoFrame `frame`.
bool FrameListed(const Options& options, int frame);
