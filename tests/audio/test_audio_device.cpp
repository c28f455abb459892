// The sound services against a real SDL audio device (the dummy driver by default): the audio thread mixes
// while the main thread switches songs, replaces effects, frees the song and closes the device. Built on its
// own so that the thread checker can run it; mixing is checked not to allocate.
#include "core/constants.h"
#include "platform/harness/harness.h"
#include "platform/windows/music.h"
#include "platform/windows/win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

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
