// Whole runs through the GL 1.1 layer over OpenGL ES 3 against the system's GL: the same state, no GL error,
// and pictures that match the goldens at 640 x 480 and the classic path's at a native size.
#include "support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <vector>

namespace {

// korvale-capture started in the background, its standard error kept in `errPath`.
std::future<int> Capture(const std::string& args, const std::string& errPath)
{
    const std::string command =
        std::string("cd '") + KORVALE_BINARY_DIR + "' && '" + KORVALE_CAPTURE + "' " + args + " 2> '" + errPath + "'";
    return std::async(std::launch::async, [command] {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    });
}

std::string Text(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

struct Likeness {
    double psnr;  // dB; infinite for the same picture
    double correlation;  // NaN where either picture is one flat colour
};

Likeness Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double squares = 0;
    std::vector<double> x(a.begin(), a.end()), y(b.begin(), b.end());
    for (size_t i = 0; i < a.size(); ++i)
        squares += (x[i] - y[i]) * (x[i] - y[i]);
    const double mse = squares / static_cast<double>(a.size());
    return {mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : INFINITY, Correlation(x, y)};
}

// Compares each frame the layer drew with `expected(frame)`, prints the figures and checks them against the
// least PSNR and correlation.
void ExpectLike(const std::string& dir, const std::vector<int>& frames,
                const std::function<std::string(int)>& expected, double leastPsnr, double leastCorrelation)
{
    for (int frame : frames) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%05d.png", frame);
        std::vector<uint8_t> layer, classic;
        int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        ASSERT_TRUE(ReadPng(dir + name, layer, w1, h1)) << dir + name;
        ASSERT_TRUE(ReadPng(expected(frame), classic, w2, h2)) << expected(frame);
        ASSERT_EQ(w1, w2);
        ASSERT_EQ(h1, h2);
        const Likeness like = Compare(layer, classic);
        printf("frame %5d %dx%d: PSNR %6.1f dB, correlation %.4f\n", frame, w1, h1, like.psnr, like.correlation);
        EXPECT_GE(like.psnr, leastPsnr) << "frame " << frame;
        // A flat picture (all black) has no correlation to give; its PSNR says whether it is the same.
        if (!std::isnan(like.correlation)) {
            EXPECT_GE(like.correlation, leastCorrelation) << "frame " << frame;
        }
    }
}

}  // namespace

// Also the frames with their pictures dropped, as the program drops them when behind its sound: every other
// one on the system's GL, runs of ten through the layer; the state and the sound must not change.
TEST(LayerRun, AWholeRunThroughTheLayerOrWithPicturesDroppedKeepsTheStateAndSound)
{
    const std::string dir = TempDir("whole");
    // From call 8500 on demoFrame stands still at 8500 and the nova goes on: its golden is call 8500's alone, and
    // a run of 8600 calls writes the last call's picture under that number, so it is left out here.
    const std::vector<int> goldens = {300,  1200, 2250, 2750, 3500, 4700, 4990, 5000, 5025, 5450, 5950, 6005, 6011,
                                      6012, 6040, 6100, 6261, 6262, 6263, 6500, 7200, 7600, 8100, 8499};
    std::string list;
    for (int frame : goldens)
        list += (list.empty() ? "" : ",") + std::to_string(frame);
    auto classic = Capture("--until 8600 --state '" + dir + "/classic.jsonl' --audio '" + dir + "/classic.wav'",
                           dir + "/classic.err");
    auto layer = Capture("--gl es --until 8600 --state '" + dir + "/es.jsonl' --frames " + list + " --out '" + dir + "'",
                         dir + "/es.err");
    ASSERT_EQ(classic.get(), 0) << Text(dir + "/classic.err");
    ASSERT_EQ(layer.get(), 0) << Text(dir + "/es.err");
    auto everyOther = Capture("--until 8600 --drop-pictures 1 --state '" + dir + "/every-other.jsonl' --audio '" +
                              dir + "/every-other.wav'", dir + "/every-other.err");
    auto runsOfTen = Capture("--gl es --until 8600 --drop-pictures 10 --state '" + dir + "/runs-of-ten.jsonl' --audio '" +
                             dir + "/runs-of-ten.wav'", dir + "/runs-of-ten.err");
    ASSERT_EQ(everyOther.get(), 0) << Text(dir + "/every-other.err");
    ASSERT_EQ(runsOfTen.get(), 0) << Text(dir + "/runs-of-ten.err");
    const std::vector<uint8_t> sound = ReadBytes(dir + "/classic.wav");
    // The last call's picture is never presented, nor its sound mixed.
    EXPECT_EQ(sound.size(), 44u + 8599u * 735u * 4u);
    for (const char* dropped : {"every-other", "runs-of-ten"}) {
        EXPECT_EQ(ReadLines(dir + "/" + dropped + ".jsonl").size(), 8600u) << dropped;
        EXPECT_TRUE(ReadBytes(dir + "/" + dropped + ".jsonl") == ReadBytes(dir + "/classic.jsonl")) << dropped;
        EXPECT_TRUE(ReadBytes(dir + "/" + dropped + ".wav") == sound) << dropped;
        EXPECT_EQ(Text(dir + "/" + dropped + ".err").find("GL errors"), std::string::npos) << dropped;
    }
    // Of the 8599 pictures presented, after each one drawn one dropped, or ten.
    EXPECT_NE(Text(dir + "/every-other.err").find("korvale-capture: 4299 pictures dropped"), std::string::npos);
    EXPECT_NE(Text(dir + "/runs-of-ten.err").find("korvale-capture: 7817 pictures dropped"), std::string::npos);
    // Drawing never touches the timeline, and the layer raises no GL error that GL 1.1 would not.
    EXPECT_EQ(Text(dir + "/es.err").find("GL errors"), std::string::npos) << Text(dir + "/es.err");
    EXPECT_EQ(Text(dir + "/classic.err").find("GL errors"), std::string::npos) << Text(dir + "/classic.err");
    const std::vector<uint8_t> state = ReadBytes(dir + "/es.jsonl");
    EXPECT_EQ(ReadLines(dir + "/es.jsonl").size(), 8600u);
    EXPECT_TRUE(state == ReadBytes(dir + "/classic.jsonl"));
    // The same rasteriser drawing the same maths: only an edge pixel here and there may fall the other way.
    ExpectLike(dir, goldens, [](int frame) {
        return std::string(KORVALE_SOURCE_DIR) + "/tests/golden/" + (frame < 6012 ? "opening-" : "nova-") +
               std::to_string(frame) + ".png";
    }, 40.0, 0.99);
}

TEST(LayerRun, NativePicturesThroughTheLayerMatchTheClassicOnes)
{
    const std::string dir = TempDir("native");
    const std::string frames = "--until 6041 --size 800x600 --frames 300,2250,4700,5450,6040 ";
    auto classic = Capture(frames + "--out '" + dir + "/classic'", dir + "/classic.err");
    auto layer = Capture(frames + "--gl es --out '" + dir + "/es'", dir + "/es.err");
    ASSERT_EQ(classic.get(), 0) << Text(dir + "/classic.err");
    ASSERT_EQ(layer.get(), 0) << Text(dir + "/es.err");
    EXPECT_EQ(Text(dir + "/es.err").find("GL errors"), std::string::npos) << Text(dir + "/es.err");
    // Lines wider than a pixel are drawn by the layer as quads, by Mesa by its own line stage: their edges
    // fall apart by part of a pixel, which in pictures of thin lines on black costs correlation most.
    ExpectLike(dir + "/es", {300, 2250, 4700, 5450, 6040}, [&](int frame) {
        char name[32];
        snprintf(name, sizeof name, "/classic/frame-%05d.png", frame);
        return dir + name;
    }, 38.0, 0.98);
}
