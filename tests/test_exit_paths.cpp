// The ways out of the program: a failed reopening ends with the audio device still open and must end cleanly,
// and a message box closed without a choice is shown once.
#include "tests/support.h"

#include "platform/harness/harness.h"
#include "platform/windows/win32.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Stands in for SDL's box (the platform's calls resolve here first): closed without a choice, counted.
static int boxesShown = 0;
extern "C" int SDL_ShowMessageBox(const void*, int* pressed)
{
    ++boxesShown;
    *pressed = -1;
    return 0;
}

namespace {

// Runs after the platform's own exit handlers and before its statics go away.
void AudioClosedBeforeStatics()
{
    if (HarnessAudioDeviceOpen()) {
        fprintf(stderr, "audio device still open at exit\n");
        std::abort();
    }
}

[[noreturn]] void FailedReopenWithSoundPlaying()
{
    std::atexit(AudioClosedBeforeStatics);
    static int idle = 0;
    Harness harness;
    harness.answers = {IDNO};
    harness.audioDevice = true;
    harness.failures = {"CreateWindowExA@2"};
    harness.onIdle = [] {
        if (++idle == 20)
            HarnessPostKey(VK_F1, true);
    };
    InstallHarness(harness);
    const int code = WinMain(nullptr, nullptr, nullptr, 0);
    if (!HarnessAudioDeviceOpen() || HarnessAudioDeviceFrames() == 0) {
        fprintf(stderr, "the device was not playing when WinMain returned\n");
        std::_Exit(7);
    }
    exit(code);
}

}  // namespace

TEST(ExitPath, FailedReopeningWithAnOpenAudioDeviceEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FailedReopenWithSoundPlaying(), ::testing::ExitedWithCode(1),
                ::testing::AllOf(::testing::HasSubstr("ERROR: Window Creation Error."),
                                 ::testing::Not(::testing::HasSubstr("Sanitizer"))));
}

TEST(ExitPath, MessageBoxClosedWithoutAChoiceIsShownOnceAndTakesTheEscapeAnswer)
{
    RemoveHarness();
    const std::string driver = getenv("SDL_VIDEODRIVER") ? getenv("SDL_VIDEODRIVER") : "";
    unsetenv("SDL_VIDEODRIVER");
    setenv("DISPLAY", ":0", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "Run?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(boxesShown, 1);
    EXPECT_EQ(MessageBoxA(nullptr, "Failed.", "ERROR", MB_OK | MB_ICONSTOP), IDOK);
    EXPECT_EQ(boxesShown, 2);
    if (!driver.empty())
        setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
}
