// The whole timeline, run headless through korvale-capture: counters, phases, sounds and the collapse.
#include "tests/support.h"

#include <cmath>
#include <string>
#include <vector>

namespace {



}  // namespace

TEST(TimelineRun, FollowsTheFrameTableFromTheWordsToTheEnd)
{
    const std::string dir = TempDir("run");
    ASSERT_EQ(RunCapture("--until 8600 --state '" + dir + "/s.jsonl'"), 0);
    const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
    ASSERT_EQ(s.size(), 8600u);

    int shortBangs = 0;
    int flashFrames = 0;
    float previousPhase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        const std::string& line = s[i];
        const int start = static_cast<int>(std::min<size_t>(i, 8500));  // demoFrame when the call began
        ASSERT_EQ(StateInt(line, "frame"), static_cast<int>(i));
        ASSERT_EQ(StateInt(line, "demoFrame"), std::min(start + 1, 8500)) << "call " << i;

        // Words first, the planet up to 6011, the nova from 6012 on.
        const std::string scene = start < 5000 ? "words" : start <= 6011 ? "planet" : "nova";
        ASSERT_NE(line.find("\"scene\":\"" + scene + "\""), std::string::npos) << "call " << i;
        ASSERT_EQ(StateInt(line, "planetFrame"), std::clamp(start - 4999, 0, 1011)) << "call " << i;

        // Short bangs when planetFrame was 25, 50, ... 1000 at the start of the frame.
        const int planetBefore = std::clamp(start - 5000, 0, 1011);
        bool shortBang = false;
        for (int n = 1; n <= 4; ++n)
            shortBang = shortBang || StatePlayed(line, "data/bangshrt" + std::to_string(n) + ".wav");
        const bool bangDue = start >= 5000 && planetBefore % 25 == 0 && planetBefore >= 25 && planetBefore <= 1000;
        ASSERT_EQ(shortBang, bangDue) << "call " << i;
        shortBangs += shortBang;

        // The big bang in the first nova frame, then a burst's bang every 251 nova frames from 6262 on; the
        // cool-down runs 70 to 0 over 6012..6081.
        const long call = static_cast<long>(i);
        ASSERT_EQ(StatePlayed(line, "data/bang.wav"), call == 6012 || (call >= 6262 && (call - 6262) % 251 == 0))
            << "call " << i;
        ASSERT_EQ(StateInt(line, "switchCooldown"), start < 6012 ? 70 : std::max(0, 70 - (start - 6011)))
            << "call " << i;

        // The white flash: 13 frames, 6004..6016.
        const int flash = StateInt(line, "flashFrame");
        ASSERT_EQ(flash, std::clamp(start - 6003, 0, 13)) << "call " << i;
        flashFrames = flash;

        // phaseAngle goes back to 0 only after passing 360.
        const float phase = static_cast<float>(StateField(line, "phaseAngle"));
        ASSERT_LE(phase, 360.0f);
        if (phase < previousPhase) {
            ASSERT_EQ(phase, 0.0f);
            ASSERT_GT(previousPhase + 0.1, 360.0) << "call " << i;
        }
        previousPhase = phase;
    }
    EXPECT_EQ(shortBangs, 40);
    EXPECT_EQ(flashFrames, 13);
    EXPECT_EQ(StateInt(s.back(), "lastBangRays"), 200);
}

TEST(TimelineRun, SpaceIsBlockedUntilTheCooldownEndsThenHoldsThePlanet)
{
    const std::string dir = TempDir("space");
    ASSERT_EQ(RunCapture("--until 6160 --state '" + dir + "/s.jsonl' --keys "
                         "5950:SPACE:down,6050:SPACE:up,6100:SPACE:down,6150:SPACE:up"),
              0);
    const std::vector<std::string> s = ReadLines(dir + "/s.jsonl");
    ASSERT_EQ(s.size(), 6160u);
    for (int call = 5950; call < 6160; ++call) {
        // Held during the collapse it changes nothing; held later the planet shows from the next frame on.
        const bool planet = call <= 6011 || (call >= 6101 && call <= 6150);
        EXPECT_NE(s[call].find(planet ? "\"scene\":\"planet\"" : "\"scene\":\"nova\""), std::string::npos)
            << "call " << call;
        EXPECT_EQ(StateInt(s[call], "planetFrame"), std::min(call - 4999, 1011));
    }
}
