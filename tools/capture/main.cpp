// korvale-capture: runs the demo's own WinMain headless under the platform harness and records what it
// does: frames as PNG, the state after every RenderFrame as JSON Lines, the mixed audio as WAV, timings.
#include "core/rand15.h"
#include "app/shell.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "effects/word_sequence.h"
#include "platform/harness/harness.h"
#include "platform/host/startup.h"
#include "sequence/timeline.h"
#include "tools/capture/alloc_count.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/startup_figures.h"
#include "tools/capture/wav_writer.h"
#include "tools/capture/video.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct ScriptedKey {
    int call;
    int virtualKey;
    bool down;
};

struct Options {
    bool allFrames = false;
    std::vector<std::pair<long, long>> frameRanges;  // as given, checked against --until once all are read
    std::set<int> frames;
    std::string outDir = ".";
    long until = 8600;
    std::vector<ScriptedKey> keys;
    std::vector<int> answers{IDYES};  // one per Yes/No box in turn, the last repeated
    std::vector<std::string> failures;
    std::string statePath;
    std::string audioPath;
    std::string videoPath;
    bool bench = false;
    int width = 0;  // --size: the picture drawn at this size, 4:3 centred; 0 keeps the demo's 640 x 480
    int height = 0;
};

struct Run {
    Options options;
    long renderCalls = 0;       // RenderFrame calls begun
    long keysInjectedFor = -1;  // the call whose scripted keys have been posted
    bool pending = false;       // a RenderFrame call whose state is not yet written
    bool writeFailed = false;   // a file could not be written: the run is being ended
    bool stopPosted = false;
    int startDemoFrame = 0;
    bool startPlanet = false;
    char sounds[8][64];  // the files played during the call, kept without allocating
    size_t soundCount = 0;
    FILE* state = nullptr;
    FILE* audio = nullptr;
    uint32_t audioFrames = 0;
    std::vector<int16_t> audioBuffer = std::vector<int16_t>(2 * 735);
    std::vector<uint8_t> rgb;
    Clock::time_point frameStarted;
    std::vector<double> words, planet, nova;  // frame times in milliseconds
    // Heap allocations per phase over steady frames, from one frame's start to the next.
    struct PhaseAllocations {
        uint64_t frames = 0, own = 0, total = 0;
    } allocations[3];
    int timedPhase = -1;        // the phase of the frame begun last
    bool timedPhaseFirst = false;  // that frame was its phase's first: not steady
    AllocCounts frameAllocations;
};

Run run;

void PrintUsage(FILE* out)
{
    fprintf(out,
            "usage: korvale-capture [--frames LIST|all] [--out DIR] [--until N] [--keys CALL:KEY:down|up,...]\n"
            "                       [--answer yes|no[,...]] [--fail OP[@N]] [--state FILE] [--audio FILE.wav] [--bench]\n"
            "                       [--video FILE.mp4] [--size WxH] [--help]\n"
            "  KEY is one of ESC SPACE F1 0 1 2; LIST is comma-separated numbers or ranges A-B, none past --until - 1\n");
}

[[noreturn]] void Usage(const std::string& problem)
{
    fprintf(stderr, "korvale-capture: %s\n", problem.c_str());
    PrintUsage(stderr);
    exit(2);
}

// Ends the run as Escape would, after a file could not be written.
void WriteFailed(const std::string& path)
{
    if (!run.writeFailed)
        fprintf(stderr, "korvale-capture: cannot write %s; ending the run\n", path.c_str());
    run.writeFailed = true;
}

int KeyCode(const std::string& name)
{
    if (name == "ESC") return VK_ESCAPE;
    if (name == "SPACE") return VK_SPACE;
    if (name == "F1") return VK_F1;
    if (name == "0" || name == "1" || name == "2") return name[0];
    Usage("unknown key " + name);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

// A count or index: 0 up to the largest int.
long Number(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end)
        Usage("not a number: " + text);
    if (errno == ERANGE || value < 0 || value > std::numeric_limits<int>::max())
        Usage("out of range: " + text);
    return value;
}

Options Parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Usage("missing value for " + arg);
            return argv[++i];
        };
        if (arg == "--frames") {
            std::string list = value();
            if (list == "all") {
                options.allFrames = true;
                continue;
            }
            for (const std::string& item : Split(list, ',')) {
                size_t dash = item.find('-', 1);
                long first = Number(item.substr(0, dash));
                long last = dash == std::string::npos ? first : Number(item.substr(dash + 1));
                if (last < first)
                    Usage("reversed range " + item);
                options.frameRanges.emplace_back(first, last);
            }
        } else if (arg == "--out") {
            options.outDir = value();
        } else if (arg == "--until") {
            options.until = Number(value());
        } else if (arg == "--keys") {
            for (const std::string& item : Split(value(), ',')) {
                std::vector<std::string> fields = Split(item, ':');
                if (fields.size() != 3 || (fields[2] != "down" && fields[2] != "up"))
                    Usage("bad key entry " + item);
                options.keys.push_back({static_cast<int>(Number(fields[0])), KeyCode(fields[1]), fields[2] == "down"});
            }
        } else if (arg == "--answer") {
            options.answers.clear();
            for (const std::string& answer : Split(value(), ',')) {
                if (answer != "yes" && answer != "no")
                    Usage("--answer takes yes or no (or a comma-separated list of them)");
                options.answers.push_back(answer == "yes" ? IDYES : IDNO);
            }
            if (options.answers.empty())
                Usage("--answer takes yes or no");
        } else if (arg == "--fail") {
            options.failures.push_back(value());
            if (!HarnessCanFail(options.failures.back()))
                Usage("--fail: the platform has no operation " + options.failures.back());
        } else if (arg == "--state") {
            options.statePath = value();
        } else if (arg == "--audio") {
            options.audioPath = value();
        } else if (arg == "--video") {
            options.videoPath = value();
            // H.264 with AAC is written as MP4; other containers would fail only after the whole run.
            const std::string& path = options.videoPath;
            std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
            for (char& c : ending)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ending != ".mp4")
                Usage("--video writes an MP4 file: " + path + " must end in .mp4");
        } else if (arg == "--size") {
            const std::string size = value();
            const size_t x = size.find('x');
            if (x == std::string::npos)
                Usage("--size takes WIDTHxHEIGHT, for example 1920x1080");
            options.width = static_cast<int>(Number(size.substr(0, x)));
            options.height = static_cast<int>(Number(size.substr(x + 1)));
            if (options.width < 4 || options.height < 3 || options.width > 8192 || options.height > 8192)
                Usage("--size must lie between 4x3 and 8192x8192");
        } else if (arg == "--bench") {
            options.bench = true;
        } else if (arg == "--help") {
            PrintUsage(stdout);
            exit(0);
        } else {
            Usage("unknown option " + arg);
        }
    }
    if (options.until < 1)
        Usage("--until must be at least 1");
    if (!options.videoPath.empty() && (options.width % 2 || options.height % 2))
        Usage("a video's --size must be even in both directions");
    // The call with index N starts at demoFrame N at most: later frames would never be drawn.
    for (const auto& [first, last] : options.frameRanges) {
        if (last > options.until - 1)
            Usage("frame " + std::to_string(last) + " is past --until " + std::to_string(options.until));
        for (long f = first; f <= last; ++f)
            options.frames.insert(static_cast<int>(f));
    }
    // Paths stay relative to where the user started; the data folder becomes the working directory.
    options.outDir = PathFromStart(options.outDir);
    options.statePath = PathFromStart(options.statePath);
    options.audioPath = PathFromStart(options.audioPath);
    options.videoPath = PathFromStart(options.videoPath);
    return options;
}


// The state after one RenderFrame call, written when its picture is presented or the run ends.
void FinishRender()
{
    if (!run.pending)
        return;
    run.pending = false;
    if (run.options.bench)
        HarnessFinishDrawing();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - run.frameStarted).count();
    (run.startDemoFrame < 5000 ? run.words : run.startPlanet ? run.planet : run.nova).push_back(ms);
    if (!run.state)
        return;
    int written = fprintf(run.state,
            "{\"frame\":%ld,\"demoFrame\":%d,\"planetFrame\":%d,\"spinAngle\":%d,\"phaseAngle\":%.9g,"
            "\"planetYaw\":%.9g,\"sceneSwitch\":%d,\"switchCooldown\":%d,\"lastBangRays\":%d,\"flashFrame\":%d,"
            "\"wheelFrame\":%d,\"musicNoticeFrame\":%d,\"musicState\":%d,\"ringRadius\":%.9g,\"ringFade\":%d,"
            "\"burstFrame\":%d,\"rand\":%u,\"draws\":%llu,\"scene\":\"%s\",\"sounds\":[",
            run.renderCalls - 1, demoFrame, planetFrame, spinAngle, phaseAngle, planetYaw, sceneSwitch ? 1 : 0,
            switchCooldown, lastBangRays, flashFrame, wheelFrame, musicNoticeFrame, musicState, ringRadius, ringFade,
            burstFrame, randState, static_cast<unsigned long long>(randDraws),
            run.startDemoFrame < 5000 ? "words" : run.startPlanet ? "planet" : "nova");
    // Written piece by piece: a steady frame allocates nothing.
    for (size_t i = 0; i < run.soundCount && written >= 0; ++i)
        written = fprintf(run.state, i ? ",\"%s\"" : "\"%s\"", run.sounds[i]);
    run.soundCount = 0;
    if (written >= 0)
        written = fputs("]}\n", run.state);
    if (written < 0 || ferror(run.state))
        WriteFailed(run.options.statePath);
}

// The picture of the call that just drew, when it is one of the listed frames.
void WriteListedFrame()
{
    if (!run.pending || !(run.options.allFrames || run.options.frames.count(run.startDemoFrame)))
        return;
    int width = 0, height = 0;
    if (!HarnessReadFrame(run.rgb, width, height))
        return;
    char name[64];
    snprintf(name, sizeof name, "/frame-%05d.png", run.startDemoFrame);
    if (!WritePngFile(run.options.outDir + name, run.rgb, width, height))
        WriteFailed(run.options.outDir + name);
}

int Phase(int startDemoFrame, bool planet) { return startDemoFrame < 5000 ? 0 : planet ? 1 : 2; }

// Closes the count of the frame begun before (kept when it was a steady one) and opens this one's.
void CountFrameAllocations()
{
    const AllocCounts now = AllocationsSoFar();
    if (run.timedPhase >= 0 && !run.timedPhaseFirst) {
        Run::PhaseAllocations& phase = run.allocations[run.timedPhase];
        ++phase.frames;
        phase.own += now.own - run.frameAllocations.own;
        phase.total += now.total - run.frameAllocations.total;
    }
    const int phase = Phase(run.startDemoFrame, run.startPlanet);
    run.timedPhaseFirst = phase != run.timedPhase;
    run.timedPhase = phase;
    run.frameAllocations = now;
}

void OnIdle()
{
    FinishRender();
    if (VideoFailed())
        run.writeFailed = true;
    if (run.writeFailed) {
        if (!run.stopPosted)
            HarnessPostKey(VK_ESCAPE, true);
        run.stopPosted = true;
        return;
    }
    const long call = run.renderCalls;
    if (run.keysInjectedFor != call) {
        run.keysInjectedFor = call;
        bool posted = false;
        for (const ScriptedKey& key : run.options.keys) {
            if (key.call == call) {
                HarnessPostKey(key.virtualKey, key.down);
                posted = true;
            }
        }
        if (call == run.options.until - 1) {
            HarnessPostKey(VK_ESCAPE, true);
            posted = true;
        }
        if (posted)
            return;  // the keys are handled first; this idle check comes round again
    }
    if (!active)
        return;
    run.pending = true;
    run.startDemoFrame = demoFrame;
    run.startPlanet = sceneSwitch;
    StartupFirstFrameBegins();
    run.frameStarted = Clock::now();
    ++run.renderCalls;
    CountFrameAllocations();
}

void OnPresent()
{
    StartupFirstPresent();
    WriteListedFrame();
    FinishRender();
    VideoAddFrame();
    if (run.audio || VideoActive()) {
        HarnessMixAudio(run.audioBuffer.data(), 735);
        VideoAddAudio(run.audioBuffer.data(), 735);
    }
    if (run.audio) {
        if (fwrite(run.audioBuffer.data(), sizeof(int16_t), run.audioBuffer.size(), run.audio) !=
            run.audioBuffer.size())
            WriteFailed(run.options.audioPath);
        run.audioFrames += 735;
    }
}

void PrintPhase(const char* name, std::vector<double> ms, const Run::PhaseAllocations& allocations)
{
    if (ms.empty()) {
        printf("%-6s frames 0\n", name);
        return;
    }
    if (!AllocCountingAvailable())
        printf("%-6s allocations not counted in this build\n", name);
    else if (allocations.frames)
        printf("%-6s own allocs/frame %.2f  all allocs/frame %.2f (the GL driver and the other libraries)\n", name,
               static_cast<double>(allocations.own) / allocations.frames,
               static_cast<double>(allocations.total) / allocations.frames);
    std::sort(ms.begin(), ms.end());
    double total = 0;
    for (double m : ms)
        total += m;
    printf("%-6s frames %zu  mean %.1f fps  median %.3f ms  worst %.3f ms\n", name, ms.size(),
           1000.0 * ms.size() / total, ms[ms.size() / 2], ms.back());
}

}  // namespace

int main(int argc, char** argv)
{
    run.options = Parse(argc, argv);
    // Room for every frame time up front: steady frames allocate nothing.
    for (std::vector<double>* times : {&run.words, &run.planet, &run.nova})
        times->reserve(static_cast<size_t>(run.options.until) + 1);

    std::error_code error;
    std::filesystem::create_directories(run.options.outDir, error);
    if (error) {
        fprintf(stderr, "korvale-capture: cannot create %s: %s\n", run.options.outDir.c_str(),
                error.message().c_str());
        return 2;
    }
    EnterDataFolder("korvale-capture");
    // Binary, so that Windows writes the same bytes (no carriage returns) as Linux.
    if (!run.options.statePath.empty() && !(run.state = fopen(run.options.statePath.c_str(), "wb"))) {
        fprintf(stderr, "korvale-capture: cannot write %s\n", run.options.statePath.c_str());
        return 2;
    }
    if (!run.options.audioPath.empty()) {
        if (!(run.audio = fopen(run.options.audioPath.c_str(), "wb"))) {
            fprintf(stderr, "korvale-capture: cannot write %s\n", run.options.audioPath.c_str());
            return 2;
        }
        WriteWavHeader(run.audio, 0);
    }

    const int width = run.options.width ? run.options.width : 640, height = run.options.width ? run.options.height : 480;
    if (!run.options.videoPath.empty() && !VideoStart(run.options.videoPath, run.options.until - 1, width, height))
        return 2;

    Harness harness;
    harness.answers = run.options.answers;
    harness.failures = run.options.failures;
    harness.width = run.options.width;
    harness.height = run.options.height;
    harness.onIdle = OnIdle;
    harness.onPresent = OnPresent;
    // A benchmark pays for showing each picture, as the program does; recording reads the picture directly.
    harness.presents = run.options.bench;
    // The last call's picture is never presented: the loop ends before SwapBuffers.
    harness.onRelease = [] {
        WriteListedFrame();
        FinishRender();
        VideoAddFrame(true);
    };
    harness.onSound = [](const char* fileName) {
        if (run.soundCount < std::size(run.sounds))
            snprintf(run.sounds[run.soundCount++], sizeof run.sounds[0], "%s", fileName);
    };
    InstallHarness(harness);

    StartupBegins();
    int exitCode = WinMain(nullptr, nullptr, nullptr, 0);
    FinishRender();
    RemoveHarness();

    if (run.state && fclose(run.state) != 0)
        WriteFailed(run.options.statePath);
    if (run.audio) {
        fseek(run.audio, 0, SEEK_SET);
        WriteWavHeader(run.audio, run.audioFrames);
        if (ferror(run.audio) | fclose(run.audio))
            WriteFailed(run.options.audioPath);
    }
    if (!VideoFinish() || run.writeFailed)
        exitCode = exitCode ? exitCode : 3;
    if (run.options.bench) {
        printf("size %d x %d\n", width, height);
        PrintStartup();
        PrintPhase("words", run.words, run.allocations[0]);
        PrintPhase("planet", run.planet, run.allocations[1]);
        PrintPhase("nova", run.nova, run.allocations[2]);
    }
    return exitCode;
}
