// The sound services against a real SDL audio device (the dummy driver by default): the audio thread mixes
// while the main thread switches songs, replaces effects, frees the song and closes the device; effects land
// at their frames' samples, heard through the driver that writes to a file. Built on its own so that the
// thread checker can run it; mixing is checked not to allocate.
#include "core/constants.h"
#include "platform/harness/harness.h"
#include "platform/media/wav.h"
#include "platform/windows/music.h"
#include "platform/windows/sound.h"
#include "platform/windows/win32.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {
thread_local bool counting = false;
std::atomic<long> allocations{0};
}  // namespace

// Every allocation of the counting thread is counted; the others pass straight through.
__attribute__((noinline)) void* operator new(std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
// The other forms go the same way, so that every new meets its own delete.
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

constexpr DWORD kFlags = SND_FILENAME | SND_NODEFAULT | SND_ASYNC;

void WaitForMixing(long frames)
{
    const long until = HarnessAudioDeviceFrames() + frames;
    for (int i = 0; i < 400 && HarnessAudioDeviceFrames() < until; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(HarnessAudioDeviceFrames(), until) << "the audio thread stopped mixing";
}

}  // namespace

TEST(AudioDevice, SongsAndEffectsChangeWhileTheAudioThreadMixes)
{
    Harness harness;
    harness.audioDevice = true;
    InstallHarness(harness);
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    ASSERT_TRUE(HarnessAudioDeviceOpen());
    FMUSIC_MODULE* song = FMUSIC_LoadSong("data/gz2.xm");
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    WaitForMixing(4096);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(FMUSIC_SetOrder(song, 23));
        EXPECT_TRUE(PlaySoundA("data/bang.wav", nullptr, kFlags));
        WaitForMixing(1024);
        EXPECT_TRUE(PlaySoundA("data/bangshrt1.wav", nullptr, kFlags));
        EXPECT_TRUE(PlaySoundA("data/bangshrt2.wav", nullptr, kFlags));
        EXPECT_TRUE(FMUSIC_StopSong(song));
        WaitForMixing(1024);
        EXPECT_TRUE(FMUSIC_PlaySong(song));
        EXPECT_TRUE(PlaySoundA("data/bangshrt3.wav", nullptr, kFlags));
        WaitForMixing(1024);
    }
    // Freed while it plays: the audio thread lets go of it first.
    EXPECT_TRUE(FMUSIC_FreeSong(song));
    EXPECT_TRUE(PlaySoundA("data/bangshrt4.wav", nullptr, kFlags));
    WaitForMixing(2048);
    FSOUND_Close();
    EXPECT_FALSE(HarnessAudioDeviceOpen());
    RemoveHarness();
}

TEST(AudioDevice, MixingLongerThanAnyDeviceBufferAllocatesNothing)
{
    InstallHarness(Harness{});
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* song = FMUSIC_LoadSong("data/gz2.xm");
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    ASSERT_TRUE(PlaySoundA("data/bang.wav", nullptr, kFlags));
    std::vector<int16_t> out(2 * 16384);
    HarnessMixAudio(out.data(), kSoundFramesPerFrame);
    counting = true;
    HarnessMixAudio(out.data(), 16384);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    RemoveHarness();
}


// Two frames' explosions through a device whose output is a file: one due ahead of the mixer, which starts at
// its sample, and one whose place was mixed a fifth of a second ago, which joins there as far in as it would
// have played, instead of starting late. The places are taken from the audio thread's count a moment before
// each call; where a busy machine held this thread so long that the mixer passed what each premise needs, the
// recording proves nothing and is made again.
TEST(AudioDevice, EffectsLandAtTheirFramesSamplesEarlyOrLate)
{
    const std::string out = testing::TempDir() + "korvale-disk-audio-" + std::to_string(getpid()) + ".raw";
    constexpr long kLead = 2 * 1024;  // the device's two chunks
    long early = 0, late = 0;
    bool kept = false;
    for (int attempt = 0; attempt < 3 && !kept; ++attempt) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
        Harness harness;
        harness.audioDevice = true;
        InstallHarness(harness);
        ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
        ASSERT_TRUE(HarnessAudioDeviceOpen());
        WaitForMixing(4096);
        early = HarnessAudioDeviceFrames() + 44100 / 4;
        SoundFrameDue(static_cast<double>(early - kLead) / 44100);
        ASSERT_TRUE(PlaySoundA("data/bang.wav", nullptr, kFlags));
        kept = HarnessAudioDeviceFrames() < early - 1024;
        WaitForMixing(44100 / 4 + 44100 / 2);
        late = HarnessAudioDeviceFrames() - 44100 / 5;
        SoundFrameDue(static_cast<double>(late - kLead) / 44100);
        ASSERT_TRUE(PlaySoundA("data/bang.wav", nullptr, kFlags));
        kept = kept && HarnessAudioDeviceFrames() < late + 2 * 44100 / 5 - 256;
        WaitForMixing(44100 / 2);
        FSOUND_Close();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        RemoveHarness();
    }
    ASSERT_TRUE(kept) << "three times the mixer passed an explosion's place before its call was made";

    std::vector<int16_t> heard(2 * 44100 * 4);
    FILE* file = fopen(out.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    heard.resize(fread(heard.data(), sizeof(int16_t), heard.size(), file));
    fclose(file);
    std::remove(out.c_str());
    const std::vector<int16_t> bang = DecodeWav("data/bang.wav", 44100);  // as the mixer has it
    ASSERT_GT(bang.size(), 44100u);
    ASSERT_GT(heard.size(), static_cast<size_t>(2 * late + 44100));
    // SDL writes silence for each buffer its thread plays while the device is still paused, just after it was
    // opened: the file may lead the mixer's count by whole buffers of it, never by part of one.
    long lead = 0;
    while (2 * lead < static_cast<long>(heard.size()) && heard[2 * lead] == 0 && heard[2 * lead + 1] == 0)
        ++lead;
    long first = 0;
    while (bang[2 * first] == 0 && bang[2 * first + 1] == 0)
        ++first;
    lead -= early + first;
    ASSERT_TRUE(lead >= 0 && lead <= 4096 && lead % 1024 == 0) << "the first explosion is " << lead
                                                                 << " sample frames from its place";
    early += lead;
    late += lead;
    // Nothing before the first; then the file from its first sample.
    for (long i = 0; i < 2 * (late - early); ++i)
        ASSERT_EQ(heard[2 * early + i], bang[i]) << "sample frame " << early + i / 2;
    // The second replaced it where the mixer had got to (a fifth of a second past its place and whatever the
    // audio thread mixed before the call, faded in over a few samples): from 0.4 s on, the file stands as if it
    // had started at its place.
    for (long j = 2 * 44100 / 5; j < 2 * 44100 / 5 + 4410; ++j)
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(heard[2 * (late + j) + c], bang[2 * j + c]) << "sample frame " << late + j;
}
