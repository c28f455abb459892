// The opening and the planet phase end to end through korvale-capture: the random draws of every frame up
// to the nova, the golden frames of the opening and the planet, and F1 during the words re-laying the spark
// table and recolouring the words.
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/vortex.h"
#include "tests/rand_replica.h"
#include "tests/support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Field(const std::string& line, const std::string& name)
{
    double value = StateField(line, name);
    EXPECT_FALSE(std::isnan(value)) << "no field " << name << " in " << line;
    return value;
}

// What the first scene set-up draws: the ring and vortex tables count only where they are built; the spark
// and ray tables always are.
uint64_t InitSceneDraws()
{
    uint64_t before = randDraws;
    InitRingParticles();
    uint64_t ring = randDraws - before;
    before = randDraws;
    InitVortexParticles();
    uint64_t vortex = randDraws - before;
    EXPECT_TRUE(ring == 0 || ring == 5400) << ring;
    EXPECT_TRUE(vortex == 0 || vortex == 3000) << vortex;
    return ring + vortex + 3000 + 404;
}

// Draws of the frame drawn with this demoFrame, in the planet phase and before: the planet's core, spikes
// and shell; the short bang every 25 frames; the three sun flares of the collapse; the countdown's peak.
uint64_t FrameDraws(int frame)
{
    if (frame < 5000) {
        return 0;
    }
    int planet = frame - 5000; // reaches 1011 at demoFrame 6011
    uint64_t draws = 2 + planet / 5;
    if (planet > 0 && planet % 25 == 0 && planet <= 1000) {
        ++draws;
    }
    int after = planet < 1011 ? planet + 1 : planet;
    if (after / 5 > 185) {
        draws += 3;
    }
    if (frame >= 5900 && frame < 6000) {
        ++draws;
    }
    return draws;
}

const int goldenFrames[] = {300, 1200, 2250, 2750, 3500, 4700, 4990, 5000, 5025, 5450, 5950, 6005, 6011};

std::string FrameList()
{
    std::string list;
    for (int f : goldenFrames) {
        list += (list.empty() ? "" : ",") + std::to_string(f);
    }
    return list;
}

std::string FramePath(const std::string& dir, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05d.png", frame);
    return dir + name;
}

} // namespace

TEST(OpeningRun, RandomDrawsAndGoldenFramesThroughThePlanetPhase)
{
    uint64_t init = InitSceneDraws();
    std::string dir = TempDir("opening-run");
    // The call that meets Escape is not presented, so one nova frame more lets 6011 be captured.
    ASSERT_EQ(RunCapture("--until 6013 --state " + dir + "/state.jsonl --frames " + FrameList() + " --out " + dir), 0);
    std::vector<std::string> lines = ReadLines(dir + "/state.jsonl");
    ASSERT_EQ(lines.size(), 6013u);

    EXPECT_EQ(static_cast<uint64_t>(Field(lines[0], "draws")), init);
    uint64_t previous = init;
    int wrong = 0;
    for (int call = 1; call < 6012 && wrong < 5; ++call) {
        const std::string& line = lines[call];
        ASSERT_EQ(static_cast<int>(Field(line, "demoFrame")), call + 1);
        uint64_t draws = static_cast<uint64_t>(Field(line, "draws"));
        if (draws - previous != FrameDraws(call)) {
            ADD_FAILURE() << "demoFrame " << call << " drew " << draws - previous << ", expected "
                          << FrameDraws(call);
            ++wrong;
        }
        previous = draws;
    }
    // The recorded generator state is the one reached after exactly that many draws.
    RandReplica rand{1u};
    for (uint64_t i = 0; i < previous; ++i) {
        rand.Next();
    }
    EXPECT_EQ(static_cast<uint32_t>(Field(lines[6011], "rand")), rand.state);

    for (int frame : goldenFrames) {
        int w = 0, h = 0;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(ReadPng(FramePath(dir, frame), rgb, w, h)) << frame;
        EXPECT_TRUE(MatchesGolden("opening-" + std::to_string(frame), rgb, w, h)) << frame;
    }
}

TEST(OpeningRun, F1DuringTheWordsRelaysTheSparksAndRecoloursTheWords)
{
    uint64_t init = InitSceneDraws();
    std::string plain = TempDir("opening-plain");
    std::string switched = TempDir("opening-f1");
    ASSERT_EQ(RunCapture("--until 702 --frames 700 --out " + plain), 0);
    ASSERT_EQ(RunCapture("--until 702 --keys 600:F1:down,601:F1:up --frames 700 --state " + switched +
                         "/state.jsonl --out " + switched),
              0);
    std::vector<std::string> lines = ReadLines(switched + "/state.jsonl");
    ASSERT_EQ(lines.size(), 702u);
    // One more scene set-up, from where the generator stood, and no other draw during the words.
    int jumps = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        uint64_t step = static_cast<uint64_t>(Field(lines[i], "draws") - Field(lines[i - 1], "draws"));
        if (step != 0) {
            EXPECT_EQ(step, init) << "call " << i;
            EXPECT_TRUE(i == 600 || i == 601) << "call " << i;
            ++jumps;
        }
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(static_cast<int>(Field(lines.back(), "demoFrame")), 702);

    // "THIS" and "IS" are on screen at 700: same places, new colours.
    std::vector<uint8_t> a, b;
    int wa = 0, ha = 0, wb = 0, hb = 0;
    ASSERT_TRUE(ReadPng(FramePath(plain, 700), a, wa, ha));
    ASSERT_TRUE(ReadPng(FramePath(switched, 700), b, wb, hb));
    ASSERT_EQ(a.size(), b.size());
    size_t lit = 0, differing = 0;
    for (size_t i = 0; i < a.size(); i += 3) {
        bool litA = a[i] + a[i + 1] + a[i + 2] > 0;
        lit += litA;
        differing += litA && (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]);
    }
    ASSERT_GT(lit, 1000u);
    EXPECT_GT(differing, lit / 2);
}
