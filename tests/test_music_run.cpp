// Music keys, the notice rule and the mixed audio, run headless through korvale-capture; the keys without
// sound output or module, run in process.
#include "app/shell.h"
#include "core/constants.h"
#include "platform/harness/harness.h"
#include "sequence/timeline.h"
#include "tests/support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {


std::vector<int16_t> ReadWavSamples(const std::string& path, uint32_t* declaredBytes)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    if (bytes.size() < 44)
        return samples;
    std::memcpy(declaredBytes, &bytes[40], 4);
    samples.resize((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), &bytes[44], samples.size() * 2);
    return samples;
}

}  // namespace

TEST(MusicRun, KeysChangeTheSongAndOnlyLateOnesShowTheNotice)
{
    const std::string dir = TempDir("keys");
    ASSERT_EQ(RunCapture("--until 6172 --state '" + dir + "/s.jsonl' --keys "
                         "100:1:down,101:1:up,5999:2:down,6000:2:up,6050:1:down,6051:1:up,"
                         "6160:0:down,6161:0:up,6165:2:down,6169:2:up"),
              0);
    const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
    ASSERT_EQ(s.size(), 6172u);
    // Early presses change the song quietly; at demoFrame 6000 exactly no notice starts either.
    EXPECT_EQ(StateInt(s[100], "musicState"), 0);
    EXPECT_EQ(StateInt(s[101], "musicState"), 1);
    EXPECT_EQ(StateInt(s[101], "musicNoticeFrame"), 100);
    EXPECT_EQ(StateInt(s[6000], "musicState"), 2);
    EXPECT_EQ(StateInt(s[6000], "musicNoticeFrame"), 100);
    // After 6000 the notice starts, counts its 100 frames and stops.
    EXPECT_EQ(StateInt(s[6050], "musicState"), 2);
    EXPECT_EQ(StateInt(s[6051], "musicState"), 1);
    for (int call = 6051; call <= 6150; ++call)
        ASSERT_EQ(StateInt(s[call], "musicNoticeFrame"), call - 6050);
    EXPECT_EQ(StateInt(s[6159], "musicNoticeFrame"), 100);
    EXPECT_EQ(StateInt(s[6161], "musicState"), 0);
    EXPECT_EQ(StateInt(s[6161], "musicNoticeFrame"), 1);
    // A held key keeps the notice at full strength until it is released.
    for (int call = 6166; call <= 6169; ++call)
        EXPECT_EQ(StateInt(s[call], "musicNoticeFrame"), 1) << "call " << call;
    EXPECT_EQ(StateInt(s[6171], "musicNoticeFrame"), 3);
    EXPECT_EQ(StateInt(s[6171], "musicState"), 2);
}

TEST(MusicRun, WithoutSoundOutputOrModuleTheKeysChangeNothing)
{
    // Run in this process from demoFrame 5990, so that key 1 comes before frame 6000 and keys 2 and 0 after
    // it, where a working key would start the notice. The run with sound shows that the keys arrive.
    for (const char* failure : {"", "FSOUND_Init", "FMUSIC_LoadSong"}) {
        SCOPED_TRACE(*failure ? failure : "no failure");
        static std::vector<std::pair<int, int>> seen; // musicState and musicNoticeFrame after each call
        static int keysFor;
        seen.clear();
        keysFor = -1;
        std::fill(std::begin(keys), std::end(keys), false); // the last run ended with Escape held
        soundOk = songLoaded = true;
        musicState = 0;
        musicNoticeFrame = 100;
        demoFrame = 5990;
        Harness harness;
        if (*failure)
            harness.failures = {failure};
        harness.onIdle = [] {
            const int call = static_cast<int>(seen.size());
            if (keysFor == call)
                return;
            keysFor = call;
            const struct {
                int call, key;
                bool down;
            } script[] = {{3, '1', true}, {4, '1', false}, {15, '2', true}, {16, '2', false}, {20, '0', true},
                          {21, '0', false}, {40, VK_ESCAPE, true}};
            for (const auto& k : script)
                if (k.call == call)
                    HarnessPostKey(k.key, k.down);
        };
        harness.onPresent = [] { seen.emplace_back(musicState, musicNoticeFrame); };
        InstallHarness(harness);
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
        RemoveHarness();
        ASSERT_EQ(seen.size(), 40u);
        if (!*failure) {
            EXPECT_EQ(seen[4], std::make_pair(1, 100)); // before 6000: the song changes quietly
            EXPECT_EQ(seen[16], std::make_pair(2, 1));  // key 2 after call 15 (demoFrame 6005) started the notice
            EXPECT_EQ(seen[21], std::make_pair(0, 1));  // and key 0 after call 20 restarted it
            continue;
        }
        EXPECT_FALSE(soundOk && songLoaded);
        for (size_t call = 0; call < seen.size(); ++call)
            ASSERT_EQ(seen[call], std::make_pair(0, 100)) << "call " << call;
    }
}

TEST(MusicRun, AudioHas735FramesPerPresentedFrameAndTheBangsFallOnTheirFrames)
{
    // Without music output only the effects sound: the first short bang starts with the picture of the
    // frame that played it (planetFrame 25, demoFrame 5025).
    const std::string dir = TempDir("audio");
    ASSERT_EQ(RunCapture("--until 5040 --fail FSOUND_Init --audio '" + dir + "/a.wav' --state '" + dir + "/s.jsonl'"),
              0);
    uint32_t declared = 0;
    const std::vector<int16_t> samples = ReadWavSamples(dir + "/a.wav", &declared);
    // 5039 frames were presented: the one that saw Escape is not.
    ASSERT_EQ(samples.size(), 5039u * kSoundFramesPerFrame * 2);
    EXPECT_EQ(declared, samples.size() * 2);
    const size_t bang = 5025u * kSoundFramesPerFrame * 2;
    size_t firstSound = samples.size();
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            firstSound = i;
            break;
        }
    }
    EXPECT_GE(firstSound, bang);
    EXPECT_LT(firstSound, bang + kSoundFramesPerFrame * 2);
    int peak = 0;
    for (size_t i = bang; i < samples.size(); ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    printf("first sound at sample frame %zu (frame %zu), peak %d\n", firstSound / 2,
           firstSound / 2 / kSoundFramesPerFrame, peak);
    EXPECT_GT(peak, 1000);
}

TEST(MusicRun, TheModulePlaysFromTheStartAndKeyZeroSilencesIt)
{
    const std::string dir = TempDir("music");
    ASSERT_EQ(RunCapture("--until 400 --keys 300:0:down,301:0:up --audio '" + dir + "/a.wav'"), 0);
    uint32_t declared = 0;
    const std::vector<int16_t> samples = ReadWavSamples(dir + "/a.wav", &declared);
    ASSERT_EQ(samples.size(), 399u * kSoundFramesPerFrame * 2);
    int peakBefore = 0, peakAfter = 0;
    for (size_t i = 0; i < 300u * kSoundFramesPerFrame * 2; ++i)
        peakBefore = std::max(peakBefore, std::abs(int(samples[i])));
    for (size_t i = 302u * kSoundFramesPerFrame * 2; i < samples.size(); ++i)
        peakAfter = std::max(peakAfter, std::abs(int(samples[i])));
    printf("music peak %d before key 0, %d after\n", peakBefore, peakAfter);
    EXPECT_GT(peakBefore, 1000);
    EXPECT_LT(peakBefore, 32767);
    EXPECT_EQ(peakAfter, 0);
}
