// The sound stand-ins: one effect voice that a new sound takes over, silence for missing files, and the
// module's songs and stop, all pulled through the harness's mixer.
#include "tests/support.h"

#include "core/constants.h"
#include "platform/harness/harness.h"
#include "platform/windows/music.h"
#include "platform/windows/win32.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

std::vector<int16_t> Pull(int frames)
{
    std::vector<int16_t> out(2 * frames);
    HarnessMixAudio(out.data(), frames);
    return out;
}

int Peak(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

constexpr DWORD kFlags = SND_FILENAME | SND_NODEFAULT | SND_ASYNC;

}  // namespace

TEST(Sound, OneEffectVoiceTakenOverByEachNewSound)
{
    InstallHarness(Harness{});
    EXPECT_EQ(Peak(Pull(kSoundFramesPerFrame)), 0);
    ASSERT_TRUE(PlaySoundA("data/bangshrt1.wav", nullptr, kFlags));
    const std::vector<int16_t> alone = Pull(2000);
    EXPECT_GT(Peak(alone), 1000);

    // A long bang, interrupted at once by the short one: what follows is the short one alone.
    ASSERT_TRUE(PlaySoundA("data/bang.wav", nullptr, kFlags));
    Pull(100);
    ASSERT_TRUE(PlaySoundA("data/bangshrt1.wav", nullptr, kFlags));
    EXPECT_EQ(Pull(2000), alone);

    // A missing file plays nothing and leaves silence.
    EXPECT_FALSE(PlaySoundA("data/missing.wav", nullptr, kFlags));
    EXPECT_EQ(Peak(Pull(kSoundFramesPerFrame)), 0);
    RemoveHarness();
}

TEST(Sound, EffectEndsAfterItsLength)
{
    InstallHarness(Harness{});
    ASSERT_TRUE(PlaySoundA("data/bangshrt2.wav", nullptr, kFlags));
    Pull(44100);  // the short bangs last under a second
    EXPECT_EQ(Peak(Pull(kSoundFramesPerFrame)), 0);
    RemoveHarness();
}

TEST(Sound, SongsStartAtTheirOrdersAndStopSilences)
{
    InstallHarness(Harness{});
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* module = FMUSIC_LoadSong("data/gz2.xm");
    ASSERT_NE(module, nullptr);
    // Loaded but not started: silent.
    EXPECT_EQ(Peak(Pull(kSoundFramesPerFrame)), 0);

    FMUSIC_PlaySong(module);
    const std::vector<int16_t> song1 = Pull(44100 * 2);
    EXPECT_GT(Peak(song1), 100);
    // Playing again restarts from the beginning: the same sound again.
    FMUSIC_PlaySong(module);
    EXPECT_EQ(Pull(44100 * 2), song1);

    FMUSIC_PlaySong(module);
    FMUSIC_SetOrder(module, 23);
    EXPECT_NE(Pull(44100 * 2), song1);

    FMUSIC_StopSong(module);
    EXPECT_EQ(Peak(Pull(kSoundFramesPerFrame)), 0);
    EXPECT_TRUE(FMUSIC_FreeSong(module));
    EXPECT_FALSE(FMUSIC_FreeSong(nullptr));
    FSOUND_Close();
    FSOUND_Close();  // closing twice, or after a failed start, is harmless
    EXPECT_EQ(FMUSIC_LoadSong("data/missing.xm"), nullptr);
    RemoveHarness();
}

TEST(Sound, TheDataFolderSoundsAreDecodedWhenSoundStartsNotWhenFirstPlayed)
{
    // A data folder of its own with one sound under a name no other test plays; it is gone before the play,
    // so the play can only use what the start decoded.
    namespace fs = std::filesystem;
    const std::string folder = TempDir("sound-start");
    const fs::path back = fs::current_path();
    fs::create_directories(folder + "/data");
    fs::copy_file("data/bangshrt1.wav", folder + "/data/early.wav");
    fs::current_path(folder);
    InstallHarness(Harness{});
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    fs::remove_all("data");
    EXPECT_TRUE(PlaySoundA("data/early.wav", nullptr, kFlags));
    EXPECT_GT(Peak(Pull(2000)), 1000);
    FSOUND_Close();
    fs::current_path(back);
    RemoveHarness();
}

TEST(Sound, SixteenBitSoundsAtTheMixRateAreMixedSampleForSample)
{
    // The extremes are where a conversion through floats loses a step; every build must give these back as
    // they stand, on both channels.
    namespace fs = std::filesystem;
    const std::vector<int16_t> mono = {1, -1, 3, 20000, -20000, 32767, -32768, 12345};
    const std::string folder = TempDir("sound-exact");
    const fs::path back = fs::current_path();
    fs::create_directories(folder + "/data");
    {
        const uint32_t data = static_cast<uint32_t>(2 * mono.size());
        const uint32_t riff = 36 + data, fmtSize = 16, rate = 44100, byteRate = 2 * rate;
        const uint16_t pcm = 1, channels = 1, align = 2, bits = 16;
        std::ofstream out(folder + "/data/exact.wav", std::ios::binary);
        auto put = [&out](const auto& value) { out.write(reinterpret_cast<const char*>(&value), sizeof value); };
        out.write("RIFF", 4), put(riff), out.write("WAVEfmt ", 8), put(fmtSize), put(pcm), put(channels);
        put(rate), put(byteRate), put(align), put(bits), out.write("data", 4), put(data);
        out.write(reinterpret_cast<const char*>(mono.data()), data);
    }
    fs::current_path(folder);
    InstallHarness(Harness{});
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    ASSERT_TRUE(PlaySoundA("data/exact.wav", nullptr, kFlags));
    const std::vector<int16_t> mixed = Pull(static_cast<int>(mono.size()) + 1);
    for (size_t i = 0; i < mono.size(); ++i) {
        EXPECT_EQ(mixed[2 * i], mono[i]) << "left, sample " << i;
        EXPECT_EQ(mixed[2 * i + 1], mono[i]) << "right, sample " << i;
    }
    EXPECT_EQ(mixed[2 * mono.size()], 0);
    FSOUND_Close();
    fs::current_path(back);
    RemoveHarness();
}
