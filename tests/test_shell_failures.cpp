// Every failure the window set-up, the teardown and the sound start-up can report, forced through the
// harness: the exact texts and captions, and how the program ends.
#include "tests/support.h"

#include <string>
#include <utility>

namespace {

struct Failure {
    const char* operation;
    const char* box;  // "CAPTION: text" as the harness reports it
    int exitCode;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.operation; }

class ShellFailure : public ::testing::TestWithParam<Failure> {};

}  // namespace

TEST_P(ShellFailure, ShowsItsMessageAndEndsAsItShould)
{
    const Failure& f = GetParam();
    std::string err;
    const std::string dir = TempDir("fail");
    EXPECT_EQ(RunCapture(std::string("--answer no --until 3 --fail ") + f.operation + " --state '" + dir + "/s.jsonl'",
                         &err),
              f.exitCode);
    EXPECT_EQ(Count(err, f.box), 1) << err;
    const size_t frames = ReadLines(dir + "/s.jsonl").size();
    if (f.exitCode == 0) {
        EXPECT_EQ(frames, 3u);  // a failing teardown step is reported and the run is complete
    } else {
        EXPECT_EQ(frames, 0u);  // nothing drawn, and the sound library never touched
        EXPECT_EQ(err.find("Music"), std::string::npos);
        // The teardown of a failed opening finds nothing to complain about.
        EXPECT_EQ(err.find("SHUTDOWN ERROR"), std::string::npos) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    OpeningAndClosing, ShellFailure,
    ::testing::Values(Failure{"RegisterClassA", "ERROR: Failed To Register The Window Class.", 1},
                      Failure{"CreateWindowExA", "ERROR: Window Creation Error.", 1},
                      Failure{"GetDC", "ERROR: Can't Create A GL Device Context.", 1},
                      Failure{"ChoosePixelFormat", "ERROR: Can't Find A Suitable PixelFormat.", 1},
                      Failure{"SetPixelFormat", "ERROR: Can't Set The PixelFormat.", 1},
                      Failure{"wglCreateContext", "ERROR: Can't Create A GL Rendering Context.", 1},
                      Failure{"wglMakeCurrent@1", "ERROR: Can't Activate The GL Rendering Context.", 1},
                      Failure{"wglMakeCurrent@2", "SHUTDOWN ERROR: Release Of DC And RC Failed.", 0},
                      Failure{"wglDeleteContext", "SHUTDOWN ERROR: Release Rendering Context Failed.", 0},
                      Failure{"ReleaseDC", "SHUTDOWN ERROR: Release Device Context Failed.", 0},
                      Failure{"DestroyWindow", "SHUTDOWN ERROR: Could Not Release hWnd.", 0},
                      Failure{"UnregisterClassA", "SHUTDOWN ERROR: Could Not Unregister Class.", 0},
                      Failure{"FSOUND_Init", "SHUTDOWN ERROR: Error Initializing Music", 0},
                      Failure{"FMUSIC_LoadSong", "SHUTDOWN ERROR: Error Loading Songs", 0}),
    [](const ::testing::TestParamInfo<Failure>& info) {
        std::string name = info.param.operation;
        for (char& c : name)
            if (c == '@')
                c = '_';
        return name;
    });

TEST(ShellFailure, FullScreenRefusedAndAcceptedAsAWindowRuns)
{
    std::string err;
    EXPECT_EQ(RunCapture("--answer yes --until 3 --fail ChangeDisplaySettingsA", &err), 0);
    EXPECT_EQ(Count(err, "Quorant GL: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                         "Windowed Mode Instead?"),
              1)
        << err;
    EXPECT_EQ(err.find("ERROR: Program Will Now Close."), std::string::npos);
}

TEST(ShellFailure, FullScreenRefusedAndDeclinedEndsWithoutTeardown)
{
    std::string err;
    const std::string dir = TempDir("declined");
    EXPECT_EQ(RunCapture("--answer yes,no --until 3 --fail ChangeDisplaySettingsA --state '" + dir + "/s.jsonl'", &err),
              1);
    EXPECT_EQ(Count(err, "ERROR: Program Will Now Close."), 1) << err;
    EXPECT_EQ(ReadLines(dir + "/s.jsonl").size(), 0u);
}

TEST(ShellFailure, FailedReopeningAfterF1EndsAtOnceWithoutASecondTeardown)
{
    // After F1 the window cannot be created again. Its own teardown reports the class it cannot
    // unregister; a second teardown would report it again, since every later unregistering fails too.
    std::string err;
    const std::string dir = TempDir("reopen");
    EXPECT_EQ(RunCapture("--answer no --until 50 --keys 5:F1:down --fail CreateWindowExA@2 --fail UnregisterClassA@2"
                         " --fail UnregisterClassA@3 --fail UnregisterClassA@4 --state '" + dir + "/s.jsonl'",
                         &err),
              1);
    EXPECT_EQ(Count(err, "SHUTDOWN ERROR: Could Not Unregister Class."), 1) << err;
    EXPECT_EQ(Count(err, "ERROR: Window Creation Error."), 1) << err;
    EXPECT_EQ(err.find("Release"), std::string::npos) << err;
    // Frames 0..5 were drawn; F1 acts after the frame of the call it was pressed before.
    EXPECT_EQ(ReadLines(dir + "/s.jsonl").size(), 6u);
}

// A GL layer that cannot be set up, for an ES call the driver lacks or a program it does not build, keeps its
// context from becoming current: the demo reports the activation it could not make and ends. The system's GL
// has no layer to fail and plays.
TEST(ShellFailure, ALayerThatCannotBeSetUpFailsTheActivation)
{
    const std::pair<const char*, const char*> failures[] = {
        {"EsEntryPoint@7", "korvale: the OpenGL ES driver lacks gl"},
        {"LayerProgram@3", "korvale: the GL layer's shader does not compile"}};
    for (const auto& [failure, cause] : failures) {
        std::string err;
        const std::string dir = TempDir("layer");
        EXPECT_EQ(RunCapture(std::string("--gl es --answer no --until 3 --fail ") + failure + " --state '" + dir +
                                 "/s.jsonl'",
                             &err),
                  1)
            << failure << ": " << err;
        EXPECT_EQ(Count(err, cause), 1) << err;
        EXPECT_EQ(Count(err, "ERROR: Can't Activate The GL Rendering Context."), 1) << err;
        EXPECT_EQ(err.find("SHUTDOWN ERROR"), std::string::npos) << err;
        EXPECT_EQ(ReadLines(dir + "/s.jsonl").size(), 0u) << failure;
        EXPECT_EQ(RunCapture(std::string("--answer no --until 3 --fail ") + failure, &err), 0)
            << failure << ": " << err;
    }
}
