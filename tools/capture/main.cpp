// korvale-capture: runs the demo's own WinMain headless under the platform harness and records what it
// does: frames as PNG, the state after every RenderFrame as JSON Lines, the mixed audio as WAV, timings.
#include "core/constants.h"
#include "core/rand15.h"
#include "app/shell.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "effects/word_sequence.h"
#include "platform/harness/harness.h"
#include "platform/host/leave_main.h"
#include "platform/host/startup.h"
#include "sequence/timeline.h"
#include "tools/capture/bench.h"
#include "tools/capture/hand_over.h"
#include "tools/capture/options.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/startup_figures.h"
#include "tools/capture/wav_writer.h"
#include "tools/capture/video.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Run {
    Options options;
    long renderCalls = 0;       // RenderFrame calls begun
    long keysInjectedFor = -1;  // the call whose scripted keys have been posted
    bool pending = false;       // a RenderFrame call whose state is not yet written
    bool failed = false;        // a file could not be written or a picture read: the run is being ended
    bool stopPosted = false;
    int startDemoFrame = 0;
    bool startPlanet = false;
    char sounds[8][64];  // the files played during the call, kept without allocating
    size_t soundCount = 0;
    FILE* state = nullptr;
    FILE* audio = nullptr;
    uint32_t audioFrames = 0;
    std::vector<int16_t> audioBuffer = std::vector<int16_t>(2 * kSoundFramesPerFrame);
    std::vector<uint8_t> rgb;
    long dropped = 0;  // pictures dropped (--drop-pictures)
    long glErrors = 0;  // pictures drawn after which the GL had an error to tell
    GLenum firstGlError = GL_NO_ERROR;
    long firstGlErrorCall = -1;
};

Run run;

// Ends the run as Escape would, once something it records has gone wrong.
void Fail(const std::string& problem)
{
    if (!run.failed)
        fprintf(stderr, "korvale-capture: %s; ending the run\n", problem.c_str());
    run.failed = true;
}

void WriteFailed(const std::string& path) { Fail("cannot write " + path); }

// The state after one RenderFrame call, written when its picture is presented or the run ends.
void FinishRender()
{
    if (!run.pending)
        return;
    run.pending = false;
    if (run.options.bench) {
        HarnessFinishDrawing();
        BenchFrameEnds();
    }
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
            PhaseName(PhaseOf(run.startDemoFrame, run.startPlanet)));
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
    if (!run.pending || run.failed || !FrameListed(run.options, run.startDemoFrame))
        return;
    int width = 0, height = 0;
    if (!HarnessReadFrame(run.rgb, width, height)) {
        Fail("cannot read back the picture of frame " + std::to_string(run.startDemoFrame));
        return;
    }
    char name[64];
    snprintf(name, sizeof name, "/frame-%05d.png", run.startDemoFrame);
    if (!WritePngFile(run.options.outDir + name, run.rgb, width, height))
        WriteFailed(run.options.outDir + name);
    else
        HandOverFile(run.options.outDir + name);
}

void OnIdle()
{
    FinishRender();
    if (VideoFailed())
        run.failed = true;
    if (run.failed) {
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
    if (run.options.onlyListed)
        HarnessDropPicture(!FrameListed(run.options, demoFrame));
    StartupFirstFrameBegins();
    ++run.renderCalls;
    if (run.options.bench)
        BenchFrameBegins(PhaseOf(run.startDemoFrame, run.startPlanet));
}

// Counts the picture just drawn when the GL has an error to tell, and clears them: a picture is then read with
// none pending.
void TakeGlErrors()
{
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        if (run.glErrors++ == 0) {
            run.firstGlError = error;
            run.firstGlErrorCall = run.renderCalls - 1;
        }
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

void OnPresent()
{
    TakeGlErrors();
    StartupFirstPresent();
    run.dropped += HarnessPictureDropped();
    WriteListedFrame();
    FinishRender();
    VideoAddFrame();
    // A picture that could not be kept ends the run before its sound is: they stay in step.
    if (run.failed || VideoFailed())
        return;
    if (run.audio || VideoActive()) {
        HarnessMixAudio(run.audioBuffer.data(), kSoundFramesPerFrame);
        VideoAddAudio(run.audioBuffer.data(), kSoundFramesPerFrame);
    }
    if (run.audio) {
        if (run.audioFrames > kWavMaxSampleFrames - kSoundFramesPerFrame)
            Fail("4 GiB of sound is all a WAV file holds: " + run.options.audioPath + " is full");
        else if (fwrite(run.audioBuffer.data(), sizeof(int16_t), run.audioBuffer.size(), run.audio) !=
                 run.audioBuffer.size())
            WriteFailed(run.options.audioPath);
        else
            run.audioFrames += kSoundFramesPerFrame;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    run.options = ParseOptions(argc, argv);
    ChooseGlApi(run.options.gl);
    if (run.options.bench)
        BenchReserve(run.options.until);

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
        if (!(run.audio = fopen(run.options.audioPath.c_str(), "wb")) || !WriteWavHeader(run.audio, 0)) {
            fprintf(stderr, "korvale-capture: cannot write %s\n", run.options.audioPath.c_str());
            return 2;
        }
    }

    const int width = run.options.width ? run.options.width : 640, height = run.options.width ? run.options.height : 480;
    if (!run.options.videoPath.empty() && !VideoStart(run.options.videoPath, run.options.until - 1, width, height))
        return 2;

    Harness harness;
    harness.answers = run.options.answers;
    harness.failures = run.options.failures;
    harness.width = run.options.width;
    harness.height = run.options.height;
    harness.droppedRun = run.options.droppedRun;
    harness.onIdle = OnIdle;
    harness.onPresent = OnPresent;
    // A benchmark pays for showing each picture, as the program does; recording reads the picture directly.
    harness.presents = run.options.bench;
    harness.waitsForEachFrame =
        run.options.frameRanges.empty() && !run.options.allFrames && run.options.videoPath.empty();
    // The last call's picture is never presented: the loop ends before SwapBuffers.
    harness.onRelease = [] {
        TakeGlErrors();
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
        // The header counts what was written, so a run ended early still leaves a sound file that plays.
        const bool ok = fseek(run.audio, 0, SEEK_SET) == 0 && WriteWavHeader(run.audio, run.audioFrames) &&
                        !ferror(run.audio);
        const bool closed = fclose(run.audio) == 0;
        if (!ok || !closed)
            WriteFailed(run.options.audioPath);
    }
    // A GL error is a fault of the drawing, whatever the pictures show: the run goes on and ends in failure.
    if (!VideoFinish() || run.failed || run.glErrors)
        exitCode = exitCode ? exitCode : 3;
    if (run.options.bench)
        PrintBench(width, height);
    if (run.options.droppedRun || run.options.onlyListed)
        fprintf(stderr, "korvale-capture: %ld pictures dropped\n", run.dropped);
    if (run.glErrors)
        fprintf(stderr, "korvale-capture: GL errors after %ld pictures, the first (0x%04x) in call %ld\n", run.glErrors,
                run.firstGlError, run.firstGlErrorCall);
    return LeaveMain(exitCode);
}
