// The whole demo, 8600 frame calls run once in this process under the harness: the frame table's counters,
// phases and sounds, the random draws of every frame up to the nova, the collapse, the ring, burst and
// credits of the nova, no GL error and the golden frames of all three phases. One test case, so that ctest
// (one process per case) runs the demo once.
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "platform/harness/harness.h"
#include "sequence/overlays.h"
#include "sequence/timeline.h"
#include "tests/rand_replica.h"
#include "tests/support.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

// Frames of the default course compared with pictures a person has looked at.
const std::set<int> kOpeningGoldens = {300, 1200, 2250, 2750, 3500, 4700, 4990, 5000, 5025, 5450, 5950, 6005, 6011};
const std::set<int> kNovaGoldens = {6012, 6040, 6100, 6261, 6262, 6263, 6500, 7200, 7600, 8100, 8499, 8500};

// Draws of the frame drawn with this demoFrame, in the planet phase and before: the planet's core, spikes
// and shell; the short bang every 25 frames; the three sun flares of the collapse; the countdown's peak.
uint64_t FrameDraws(int frame)
{
    if (frame < 5000)
        return 0;
    int planet = frame - 5000; // reaches 1011 at demoFrame 6011
    uint64_t draws = 2 + planet / 5;
    if (planet > 0 && planet % 25 == 0 && planet <= 1000)
        ++draws;
    int after = planet < 1011 ? planet + 1 : planet;
    if (after / 5 > 185)
        draws += 3;
    if (frame >= 5900 && frame < 6000)
        ++draws;
    return draws;
}

// The timeline counters after one RenderFrame call, as korvale-capture's state records hold them.
struct Record {
    int demoFrame = 0;
    bool planet = false; // sceneSwitch when the call began
    int planetFrame = 0;
    int switchCooldown = 0;
    int flashFrame = 0;
    int lastBangRays = 0;
    float phaseAngle = 0.0f;
    uint64_t draws = 0; // generator draws since the start
    uint32_t rand = 0;  // the generator's state
    std::vector<std::string> sounds;
};

// The demo from frame 0, driven as korvale-capture drives it, checked after every RenderFrame call.
struct WholeRun {
    long until = 8600;
    long calls = 0;
    bool pending = false;
    bool escapePosted = false;
    int start = 0; // demoFrame when the call began
    bool startPlanet = false;
    std::vector<std::string> sounds;
    std::vector<Record> records;
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

bool Played(const std::vector<std::string>& sounds, const std::string& file)
{
    return std::find(sounds.begin(), sounds.end(), file) != sounds.end();
}

void CheckCall()
{
    whole.pending = false;
    const int start = whole.start;
    whole.records.push_back(Record{demoFrame, whole.startPlanet, planetFrame, switchCooldown, flashFrame,
                                   lastBangRays, phaseAngle, randDraws, randState, whole.sounds});
    const bool bang = Played(whole.sounds, "data/bang.wav");
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
    whole.startPlanet = sceneSwitch;
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
    if (!whole.pending || whole.calls - 1 != whole.start)
        return;
    const bool opening = kOpeningGoldens.count(whole.start) > 0;
    if (opening || kNovaGoldens.count(whole.start)) {
        int width = 0, height = 0;
        const std::vector<uint8_t> rgb = ReadFrameRgb(width, height);
        EXPECT_TRUE(MatchesGolden((opening ? "opening-" : "nova-") + std::to_string(whole.start), rgb, width, height));
    }
}

// The frame table from the words to the end, over the records of the run.
void ExpectTimeline(const std::vector<Record>& s)
{
    int shortBangs = 0;
    int flashFrames = 0;
    float previousPhase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        const Record& r = s[i];
        const int start = static_cast<int>(std::min<size_t>(i, 8500)); // demoFrame when the call began
        ASSERT_EQ(r.demoFrame, std::min(start + 1, 8500)) << "call " << i;

        // Words first, the planet up to 6011, the nova from 6012 on.
        const std::string scene = start < 5000 ? "words" : start <= 6011 ? "planet" : "nova";
        const std::string recorded = start < 5000 ? "words" : r.planet ? "planet" : "nova";
        ASSERT_EQ(recorded, scene) << "call " << i;
        ASSERT_EQ(r.planetFrame, std::clamp(start - 4999, 0, 1011)) << "call " << i;

        // Short bangs when planetFrame was 25, 50, ... 1000 at the start of the frame.
        const int planetBefore = std::clamp(start - 5000, 0, 1011);
        bool shortBang = false;
        for (int n = 1; n <= 4; ++n)
            shortBang = shortBang || Played(r.sounds, "data/bangshrt" + std::to_string(n) + ".wav");
        const bool bangDue = start >= 5000 && planetBefore % 25 == 0 && planetBefore >= 25 && planetBefore <= 1000;
        ASSERT_EQ(shortBang, bangDue) << "call " << i;
        shortBangs += shortBang;

        // The big bang in the first nova frame, then a burst's bang every 251 nova frames from 6262 on; the
        // cool-down runs 70 to 0 over 6012..6081.
        ASSERT_EQ(Played(r.sounds, "data/bang.wav"), BangDue(static_cast<long>(i))) << "call " << i;
        ASSERT_EQ(r.switchCooldown, start < 6012 ? 70 : std::max(0, 70 - (start - 6011))) << "call " << i;

        // The white flash: 13 frames, 6004..6016.
        ASSERT_EQ(r.flashFrame, std::clamp(start - 6003, 0, 13)) << "call " << i;
        flashFrames = r.flashFrame;

        // phaseAngle goes back to 0 only after passing 360.
        ASSERT_LE(r.phaseAngle, 360.0f);
        if (r.phaseAngle < previousPhase) {
            ASSERT_EQ(r.phaseAngle, 0.0f);
            ASSERT_GT(previousPhase + 0.1, 360.0) << "call " << i;
        }
        previousPhase = r.phaseAngle;
    }
    EXPECT_EQ(shortBangs, 40);
    EXPECT_EQ(flashFrames, 13);
    EXPECT_EQ(s.back().lastBangRays, 200);
}

// The generator draws of every frame through the planet phase, after the scene set-up's `init`.
void ExpectDraws(const std::vector<Record>& s, uint64_t init)
{
    EXPECT_EQ(s[0].draws, init);
    int wrong = 0;
    for (int call = 1; call < 6012 && wrong < 5; ++call) {
        const uint64_t drawn = s[call].draws - s[call - 1].draws;
        if (drawn != FrameDraws(call)) {
            ADD_FAILURE() << "demoFrame " << call << " drew " << drawn << ", expected " << FrameDraws(call);
            ++wrong;
        }
    }
    // The generator state is the one reached after exactly that many draws.
    RandReplica rand(1u);
    for (uint64_t i = 0; i < s[6011].draws; ++i)
        rand.Next();
    EXPECT_EQ(s[6011].rand, rand.state);
}

} // namespace

TEST(WholeRun, FollowsTheFrameTableWithoutGlErrorsAndKeepsRingBurstAndCreditsInStep)
{
    Harness harness;
    harness.onIdle = OnIdle;
    harness.onPresent = OnPresent;
    harness.onSound = [](const char* file) { whole.sounds.push_back(file); };
    InstallHarness(harness);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    if (whole.pending)
        CheckCall();
    RemoveHarness();

    EXPECT_EQ(whole.calls, 8600);
    ASSERT_EQ(whole.records.size(), 8600u);
    ExpectTimeline(whole.records);
    ExpectDraws(whole.records, InitSceneDraws()); // measured after the run: it moves the generator
    EXPECT_EQ(whole.glErrors, 0) << "first at frame " << whole.firstGlErrorFrame;
    for (const std::string& failure : whole.failures)
        ADD_FAILURE() << failure;
    // 6012, then 6262 + 251k up to call 8521 (demoFrame stops at 8500 but the calls go on).
    EXPECT_EQ(whole.bangs, 1 + 10);
    EXPECT_EQ(creditY[71], 1499.0f - 16.0f * 71);
}
