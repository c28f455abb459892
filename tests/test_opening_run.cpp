// F1 during the opening words, end to end through korvale-capture: the spark table laid out again and the
// words recoloured. The draws and golden frames of the whole opening are in test_timeline_run.cpp.
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

std::string FramePath(const std::string& dir, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05d.png", frame);
    return dir + name;
}

} // namespace

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
