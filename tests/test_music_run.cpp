// Music keys, the notice rule and the mixed audio, run headless through korvale-capture.
#include "tests/support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
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
    for (const char* failure : {"FSOUND_Init", "FMUSIC_LoadSong"}) {
        const std::string dir = TempDir(failure);
        ASSERT_EQ(RunCapture(std::string("--until 6030 --fail ") + failure + " --state '" + dir +
                             "/s.jsonl' --keys 100:1:down,101:1:up,6005:2:down,6006:2:up,6010:0:down,6011:0:up"),
                  0);
        const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
        ASSERT_EQ(s.size(), 6030u);
        for (const std::string& line : s) {
            ASSERT_EQ(StateInt(line, "musicState"), 0) << failure;
            ASSERT_EQ(StateInt(line, "musicNoticeFrame"), 100) << failure;
        }
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
    ASSERT_EQ(samples.size(), 5039u * 735 * 2);
    EXPECT_EQ(declared, samples.size() * 2);
    const size_t bang = 5025u * 735 * 2;
    size_t firstSound = samples.size();
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            firstSound = i;
            break;
        }
    }
    EXPECT_GE(firstSound, bang);
    EXPECT_LT(firstSound, bang + 735 * 2);
    int peak = 0;
    for (size_t i = bang; i < samples.size(); ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    printf("first sound at sample frame %zu (frame %zu), peak %d\n", firstSound / 2, firstSound / 2 / 735, peak);
    EXPECT_GT(peak, 1000);
}

TEST(MusicRun, TheModulePlaysFromTheStartAndKeyZeroSilencesIt)
{
    const std::string dir = TempDir("music");
    ASSERT_EQ(RunCapture("--until 400 --keys 300:0:down,301:0:up --audio '" + dir + "/a.wav'"), 0);
    uint32_t declared = 0;
    const std::vector<int16_t> samples = ReadWavSamples(dir + "/a.wav", &declared);
    ASSERT_EQ(samples.size(), 399u * 735 * 2);
    int peakBefore = 0, peakAfter = 0;
    for (size_t i = 0; i < 300u * 735 * 2; ++i)
        peakBefore = std::max(peakBefore, std::abs(int(samples[i])));
    for (size_t i = 302u * 735 * 2; i < samples.size(); ++i)
        peakAfter = std::max(peakAfter, std::abs(int(samples[i])));
    printf("music peak %d before key 0, %d after\n", peakBefore, peakAfter);
    EXPECT_GT(peakBefore, 1000);
    EXPECT_LT(peakBefore, 32767);
    EXPECT_EQ(peakAfter, 0);
}
