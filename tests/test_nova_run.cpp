// The nova phase end to end: the whole demo run in this process under the harness (GL errors, ring and
// burst cycles, bangs, the credits' end, golden frames), the scripted keys through korvale-capture, and
// the video it encodes.
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "platform/harness.h"
#include "sequence/overlays.h"
#include "sequence/timeline.h"
#include "tests/support.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

// Frames of the default course compared with pictures a person has looked at.
const std::set<int> kGoldenFrames = {6012, 6040, 6100, 6261, 6262, 6263, 6500, 7200, 7600, 8100, 8499, 8500};

// The demo from frame 0, driven as korvale-capture drives it, checked after every RenderFrame call.
struct WholeRun {
    long until = 8600;
    long calls = 0;
    bool pending = false;
    bool escapePosted = false;
    int start = 0; // demoFrame when the call began
    std::vector<std::string> sounds;
    std::vector<std::string> failures;
    int glErrors = 0;
    int firstGlErrorFrame = -1;
    int bangs = 0;
    int novaCalls = 0;
};

WholeRun whole;

void Fail(const std::string& what)
{
    if (whole.failures.size() < 20)
        whole.failures.push_back("frame " + std::to_string(whole.start) + ": " + what);
}

// Calls are counted from 0; below 8500 the call index is the demoFrame it starts with.
bool BangDue(long call)
{
    return call == 6012 || (call >= 6262 && (call - 6262) % 251 == 0);
}

void CheckCall()
{
    whole.pending = false;
    const int start = whole.start;
    bool bang = false;
    for (const std::string& s : whole.sounds)
        bang = bang || s == "data/bang.wav";
    whole.sounds.clear();
    if (bang != BangDue(whole.calls - 1))
        Fail(bang ? "unexpected bang" : "missing bang");
    whole.bangs += bang;

    if (start < 6012) {
        if (ringFade != 255 || burstFrame != 0 || ringRadius != 1.0f)
            Fail("ring or burst moved before the nova");
        return;
    }
    // After the k-th nova call (k = 1, 2, ...): k mod 251 frames into the cycle.
    ++whole.novaCalls;
    const int cycle = whole.novaCalls % 251;
    if (burstFrame != cycle)
        Fail("burstFrame " + std::to_string(burstFrame) + ", expected " + std::to_string(cycle));
    if (ringFade != 255 - burstFrame)
        Fail("ringFade " + std::to_string(ringFade) + " with burstFrame " + std::to_string(burstFrame));
    const float expectedRadius = (whole.novaCalls <= 250 ? 1.0f : 0.1f) + 0.025f * cycle;
    if (std::fabs(ringRadius - expectedRadius) > 1e-3f)
        Fail("ringRadius " + std::to_string(ringRadius) + ", expected " + std::to_string(expectedRadius));

    // The credits move in 7001..8499 only: line 0 has risen one unit per call.
    const float line0 = static_cast<float>(std::clamp(start, 7000, 8499) - 7000);
    if (creditY[0] != line0)
        Fail("credit line 0 at " + std::to_string(creditY[0]));
}

void OnIdle()
{
    if (whole.pending)
        CheckCall();
    if (whole.calls == whole.until - 1 && !whole.escapePosted) {
        HarnessPostKey(VK_ESCAPE, true);
        whole.escapePosted = true;
        return;
    }
    whole.pending = true;
    whole.start = demoFrame;
    ++whole.calls;
}

void OnPresent()
{
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        ++whole.glErrors;
        if (whole.firstGlErrorFrame < 0)
            whole.firstGlErrorFrame = whole.start;
    }
    // From call 8500 on demoFrame stands still; only the call that reaches it is compared.
    if (whole.pending && whole.calls - 1 == whole.start && kGoldenFrames.count(whole.start)) {
        int width = 0, height = 0;
        const std::vector<uint8_t> rgb = ReadFrameRgb(width, height);
        EXPECT_TRUE(MatchesGolden("nova-" + std::to_string(whole.start), rgb, width, height));
    }
}



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

TEST(NovaRun, WholeDemoHasNoGlErrorAndKeepsRingBurstAndCreditsInStep)
{
    Harness harness;
    harness.onIdle = OnIdle;
    harness.onPresent = OnPresent;
    harness.onSound = [](const char* file) { whole.sounds.push_back(file); };
    InstallHarness(harness);
    WinMain(nullptr, nullptr, nullptr, 0);
    if (whole.pending)
        CheckCall();
    RemoveHarness();

    EXPECT_EQ(whole.calls, 8600);
    EXPECT_EQ(whole.glErrors, 0) << "first at frame " << whole.firstGlErrorFrame;
    for (const std::string& failure : whole.failures)
        ADD_FAILURE() << failure;
    // 6012, then 6262 + 251k up to call 8521 (demoFrame stops at 8500 but the calls go on).
    EXPECT_EQ(whole.bangs, 1 + 10);
    EXPECT_EQ(creditY[71], 1499.0f - 16.0f * 71);
}

TEST(NovaRun, ScriptedKeysHoldThePlanetShowTheNoticesAndReopenTheWindow)
{
    const std::string dir = TempDir("keys");
    ASSERT_EQ(RunCapture("--until 6700 --state '" + dir + "/s.jsonl' --out '" + dir +
                         "' --frames 6130,6205,6325,6445 --keys "
                         "6100:SPACE:down,6150:SPACE:up,6200:1:down,6201:1:up,6320:2:down,6321:2:up,"
                         "6440:0:down,6441:0:up,6600:F1:down,6601:F1:up"),
              0);
    const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
    ASSERT_EQ(s.size(), 6700u);
    for (const char* field : {"frame", "demoFrame", "planetFrame", "spinAngle", "phaseAngle", "planetYaw",
                              "sceneSwitch", "switchCooldown", "lastBangRays", "flashFrame", "wheelFrame",
                              "musicNoticeFrame", "musicState", "ringRadius", "ringFade", "burstFrame", "rand",
                              "draws"})
        EXPECT_FALSE(std::isnan(StateField(s[6262], field))) << field;
    EXPECT_NE(s[6262].find("\"sounds\":["), std::string::npos);

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
