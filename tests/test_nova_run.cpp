// The nova phase end to end through korvale-capture: scripted keys (space during and after the collapse,
// music, F1) and the video it encodes. The whole default run is in test_timeline_run.cpp.
#include "tests/support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The bottom-left corner where the music notice is printed.
std::vector<uint8_t> NoticeCorner(const std::string& png)
{
    std::vector<uint8_t> rgb, corner;
    int width = 0, height = 0;
    if (!ReadPng(png, rgb, width, height))
        return corner;
    for (int y = height - 24; y < height; ++y)
        corner.insert(corner.end(), rgb.begin() + (y * width) * 3, rgb.begin() + (y * width + 280) * 3);
    return corner;
}

} // namespace

TEST(NovaRun, ScriptedKeysHoldThePlanetShowTheNoticesAndReopenTheWindow)
{
    const std::string dir = TempDir("keys");
    ASSERT_EQ(RunCapture("--until 6700 --state '" + dir + "/s.jsonl' --out '" + dir +
                         "' --frames 6130,6205,6325,6445 --keys "
                         "5950:SPACE:down,6050:SPACE:up,6100:SPACE:down,6150:SPACE:up,6200:1:down,6201:1:up,"
                         "6320:2:down,6321:2:up,6440:0:down,6441:0:up,6600:F1:down,6601:F1:up"),
              0);
    const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
    ASSERT_EQ(s.size(), 6700u);
    for (const char* field : {"frame", "demoFrame", "planetFrame", "spinAngle", "phaseAngle", "planetYaw",
                              "sceneSwitch", "switchCooldown", "lastBangRays", "flashFrame", "wheelFrame",
                              "musicNoticeFrame", "musicState", "ringRadius", "ringFade", "burstFrame", "rand",
                              "draws"})
        EXPECT_FALSE(std::isnan(StateField(s[6262], field))) << field;
    EXPECT_NE(s[6262].find("\"sounds\":["), std::string::npos);

    // Space held during the collapse and the cool-down changes nothing; held later, the planet shows from the
    // next frame on.
    for (int call = 5950; call < 6160; ++call) {
        const bool planet = call <= 6011 || (call >= 6101 && call <= 6150);
        EXPECT_NE(s[call].find(planet ? "\"scene\":\"planet\"" : "\"scene\":\"nova\""), std::string::npos)
            << "call " << call;
        EXPECT_EQ(StateInt(s[call], "planetFrame"), std::min(call - 4999, 1011)) << "call " << call;
    }
    // Space held: the planet with all 202 rays from the next frame on, nova counters frozen.
    for (int call = 6101; call <= 6150; ++call) {
        ASSERT_NE(s[call].find("\"scene\":\"planet\""), std::string::npos) << call;
        EXPECT_EQ(StateInt(s[call], "planetFrame") / 5, 202);
        EXPECT_EQ(StateInt(s[call], "ringFade"), StateInt(s[6100], "ringFade")) << call;
        EXPECT_EQ(StateInt(s[call], "burstFrame"), StateInt(s[6100], "burstFrame")) << call;
        EXPECT_EQ(StateField(s[call], "ringRadius"), StateField(s[6100], "ringRadius")) << call;
    }
    EXPECT_NE(s[6151].find("\"scene\":\"nova\""), std::string::npos);
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    ASSERT_TRUE(ReadPng(dir + "/frame-06130.png", rgb, width, height));
    EXPECT_TRUE(MatchesGolden("planet-held", rgb, width, height));
    EXPECT_EQ(StateInt(s[6151], "burstFrame"), (StateInt(s[6100], "burstFrame") + 1) % 251);

    // F1 in the nova: the window reopens and lays out every table again (at least 11400 draws) while
    // the ring and the burst go on counting.
    const double reinit = StateField(s[6601], "draws") - StateField(s[6600], "draws");
    EXPECT_GE(reinit, 5400 + 3000 + 3000 + 502);
    for (int call = 6590; call < 6620; ++call) {
        EXPECT_EQ(StateInt(s[call], "burstFrame"), (StateInt(s[call - 1], "burstFrame") + 1) % 251) << call;
        EXPECT_EQ(StateInt(s[call], "ringFade"), 255 - StateInt(s[call], "burstFrame")) << call;
    }
    int wrongBangs = 0, firstWrong = -1;
    for (size_t call = 6012; call < s.size(); ++call) {
        // The held planet frames delay the bursts by 50 calls.
        const long nova = static_cast<long>(call) - (call > 6150 ? 50 : 0);
        const bool held = call >= 6101 && call <= 6150;
        if (StatePlayed(s[call], "data/bang.wav") != (!held && BangDue(nova))) {
            ++wrongBangs;
            if (firstWrong < 0)
                firstWrong = static_cast<int>(call);
        }
    }
    EXPECT_EQ(wrongBangs, 0) << "first at call " << firstWrong;

    // Music keys after 6000 act after their frame: the notice runs 100 frames from the next call on.
    EXPECT_EQ(StateInt(s[6200], "musicState"), 0);
    EXPECT_EQ(StateInt(s[6201], "musicState"), 1);
    EXPECT_EQ(StateInt(s[6321], "musicState"), 2);
    EXPECT_EQ(StateInt(s[6441], "musicState"), 0);
    for (int k = 1; k <= 100; ++k)
        ASSERT_EQ(StateInt(s[6200 + k], "musicNoticeFrame"), k) << k;
    EXPECT_EQ(StateInt(s[6319], "musicNoticeFrame"), 100);
    const std::vector<uint8_t> mod1 = NoticeCorner(dir + "/frame-06205.png");
    const std::vector<uint8_t> mod2 = NoticeCorner(dir + "/frame-06325.png");
    const std::vector<uint8_t> off = NoticeCorner(dir + "/frame-06445.png");
    ASSERT_FALSE(mod1.empty());
    EXPECT_NE(mod1, mod2);
    EXPECT_NE(mod2, off);
    EXPECT_TRUE(MatchesGolden("notice-mod1", mod1, 280, 24));
    EXPECT_TRUE(MatchesGolden("notice-mod2", mod2, 280, 24));
    EXPECT_TRUE(MatchesGolden("notice-off", off, 280, 24));
}

TEST(NovaRun, VideoCarriesEveryPresentedFrameAndASoundTrackOfTheSameLength)
{
    const std::string dir = TempDir("video");
    std::string err;
    ASSERT_EQ(RunCapture("--until 121 --video '" + dir + "/v.mp4'", &err), 0) << err;
    EXPECT_NE(err.find("video: frame 120 of 120"), std::string::npos) << err;
    EXPECT_NE(err.find(dir + "/v.mp4"), std::string::npos);

    const std::string probe = "ffprobe -v error -show_entries stream=codec_type,nb_frames,duration,r_frame_rate "
                              "-of csv=p=0 '" + dir + "/v.mp4'";
    FILE* pipe = popen(probe.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256];
    std::vector<std::string> streams;
    while (fgets(line, sizeof line, pipe))
        streams.push_back(line);
    pclose(pipe);
    ASSERT_EQ(streams.size(), 2u);
    double videoSeconds = 0, audioSeconds = 0;
    int frames = 0;
    for (const std::string& stream : streams) {
        char type[16] = {};
        char rate[16] = {};
        double duration = 0;
        int count = 0;
        ASSERT_EQ(sscanf(stream.c_str(), "%15[^,],%15[^,],%lf,%d", type, rate, &duration, &count), 4) << stream;
        if (std::string(type) == "video") {
            EXPECT_STREQ(rate, "60/1");
            videoSeconds = duration;
            frames = count;
        } else {
            audioSeconds = duration;
        }
    }
    EXPECT_EQ(frames, 120);
    EXPECT_NEAR(videoSeconds, 2.0, 0.02);
    EXPECT_NEAR(audioSeconds, videoSeconds, 0.03);
}

TEST(NovaRun, VideoWithoutFfmpegSaysSoAndLeavesNoFiles)
{
    const std::string dir = TempDir("noffmpeg");
    setenv("PATH", "/nonexistent", 1);
    std::string err;
    EXPECT_EQ(RunCapture("--until 5 --video '" + dir + "/v.mp4'", &err), 2);
    EXPECT_NE(err.find("cannot start ffmpeg"), std::string::npos) << err;
    EXPECT_NE(err.find("install the ffmpeg package"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/v.mp4"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/v.mp4.sound.wav"));
}
