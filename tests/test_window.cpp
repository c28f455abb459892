// The window procedure, the viewport, the frame loop's key and end rules, and repeated reopening, run in
// process through the harness.
#include "tests/support.h"

#include "app/init_scene.h"
#include "resources/quadric.h"
#include "app/shell.h"
#include "platform/harness/harness.h"
#include "platform/windows/win_ui.h"
#include "resources/fonts.h"
#include "resources/texture.h"
#include "sequence/timeline.h"

#include <GL/gl.h>

#include <cmath>

TEST(WindowProc, RecordsKeysActivityAndRefusesScreenSavers)
{
    ASSERT_TRUE(OpenTestWindow());
    EXPECT_EQ(WindowProc(windowHandle, WM_KEYDOWN, VK_SPACE, 0), 0);
    EXPECT_TRUE(keys[VK_SPACE]);
    WindowProc(windowHandle, WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(keys[VK_SPACE]);
    // Alt-keys come as system keys and are not recorded.
    WindowProc(windowHandle, WM_SYSKEYDOWN, 'X', 0);
    EXPECT_FALSE(keys['X']);

    WindowProc(windowHandle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    EXPECT_FALSE(active);
    WindowProc(windowHandle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    EXPECT_TRUE(active);
    // Losing the focus without being minimized keeps the demo running.
    WindowProc(windowHandle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
    EXPECT_TRUE(active);

    EXPECT_EQ(WindowProc(windowHandle, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(WindowProc(windowHandle, WM_SYSCOMMAND, SC_MONITORPOWER, 0), 0);
    CloseTestWindow();
}

TEST(WindowProc, CloseRequestPostsQuitWithCodeZeroAndKeepsTheWindow)
{
    ASSERT_TRUE(OpenTestWindow());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(WindowProc(windowHandle, WM_CLOSE, 0, 0), 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_NE(windowHandle, nullptr);
    CloseTestWindow();
}

TEST(Viewport, PerspectiveOfTheClientAreaAndAFlatWindow)
{
    ASSERT_TRUE(OpenTestWindow());
    int width = 0, height = 0;
    ReadFrameRgb(width, height);
    EXPECT_EQ(width, 640);  // the windowed client area is exactly the requested size
    EXPECT_EQ(height, 480);

    GLint viewport[4];
    GLfloat projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const double f = 1.0 / std::tan(22.5 * 3.14159265358979 / 180.0);
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[0], f / (640.0 / 480.0), 1e-5);

    // A window dragged flat: height 0 is taken as 1.
    WindowProc(windowHandle, WM_SIZE, 0, MAKELPARAM(300, 0));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], f / 300.0, 1e-6);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    CloseTestWindow();
}

TEST(FrameLoop, EscapeEndsAlsoWhileMinimizedAndItsFrameIsNeverPresented)
{
    static int idle = 0;
    static int presents = 0;
    Harness harness;
    harness.onIdle = [] {
        // Two frames, then minimize, then Escape.
        ++idle;
        if (idle == 3)
            HarnessPostMessage(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
        if (idle == 6)
            HarnessPostKey(VK_ESCAPE, true);
    };
    harness.onPresent = [] { ++presents; };
    InstallHarness(harness);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_FALSE(active);
    EXPECT_EQ(demoFrame, 2);  // nothing drawn while minimized
    // Two drawn frames and the presents while minimized; the iteration that saw Escape presents nothing.
    EXPECT_EQ(presents, 4);
    EXPECT_EQ(windowHandle, nullptr);
    RemoveHarness();
}

TEST(FrameLoop, F1ReopensInTheOtherModeAndCarriesTheTimelineOn)
{
    static int idle = 0;
    static int frameAtF1 = -1;
    Harness harness;
    harness.answers = {IDNO};
    harness.onIdle = [] {
        ++idle;
        if (idle == 4) {
            frameAtF1 = demoFrame;
            HarnessPostKey(VK_F1, true);
        }
        if (idle == 10)
            HarnessPostKey(VK_ESCAPE, true);
    };
    InstallHarness(harness);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_TRUE(fullscreen);  // started windowed, F1 switched to full screen
    EXPECT_FALSE(keys[VK_F1]);
    EXPECT_GT(frameAtF1, 0);
    EXPECT_GT(demoFrame, frameAtF1 + 1);  // counted on in the new window, not restarted
    EXPECT_EQ(HarnessCallCount("CreateWindowExA"), 2);
    RemoveHarness();
}

TEST(FrameLoop, EventsLeftForTheWindowF1ClosedNeverReachTheNewOne)
{
    static int idle = 0;
    static int frameAtF1 = -1;
    static Uint32 closedWindow = 0;
    Harness harness;
    harness.answers = {IDNO};
    harness.onIdle = [] {
        if (++idle == 4)
            HarnessPostKey(VK_F1, true);
        if (idle == 12) {
            // The new window's own close box still ends the demo.
            SDL_Event close{};
            close.type = SDL_WINDOWEVENT;
            close.window.event = SDL_WINDOWEVENT_CLOSE;
            close.window.windowID = SDL_GetWindowID(CurrentWindow()->sdl);
            SDL_PushEvent(&close);
        }
        if (idle == 40)
            HarnessPostKey(VK_ESCAPE, true);
    };
    harness.onPresent = [] {
        if (!keys[VK_F1] || closedWindow)
            return;
        // What the window system still holds for the window F1 is about to close, read after it closed.
        frameAtF1 = demoFrame;
        closedWindow = SDL_GetWindowID(CurrentWindow()->sdl);
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = closedWindow;
        event.window.event = SDL_WINDOWEVENT_MINIMIZED;
        SDL_PushEvent(&event);
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&event);
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.windowID = closedWindow;
        key.key.keysym.sym = SDLK_ESCAPE;
        SDL_PushEvent(&key);
    };
    InstallHarness(harness);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    ASSERT_NE(closedWindow, 0u);
    EXPECT_EQ(idle, 12);  // ended by the new window's close, not by Escape at 40
    EXPECT_TRUE(active);
    EXPECT_GE(demoFrame, frameAtF1 + 7);  // drawn on in the new window
    RemoveHarness();
}

TEST(FrameLoop, ReopeningsStartFromTheSameNamesAndGiveEverythingBack)
{
    // Leaks over the reopenings are LeakSanitizer's to find, in the sanitizer pass.
    const int reopenings = 50;
    ASSERT_TRUE(OpenTestWindow());
    const GLuint firstTexture = texStar.GetGlName();
    const GLuint firstFontBase = outlineFontBase;
    for (int i = 0; i < reopenings; ++i) {
        CloseDemoWindow();
        EXPECT_EQ(texStar.GetGlName(), 0u);
        EXPECT_EQ(quadric, nullptr);
        EXPECT_FALSE(fontResourceAdded);
        ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, i % 2 == 0));
        // Every new context starts from the same names: nothing is left over from the last one.
        ASSERT_EQ(texStar.GetGlName(), firstTexture);
        ASSERT_EQ(outlineFontBase, firstFontBase);
    }
    CloseTestWindow();
    // Every full-screen opening hid the cursor once and its closing showed it once.
    EXPECT_EQ(HarnessCallCount("ShowCursor"), reopenings);
    EXPECT_EQ(ShowCursor(TRUE), 1);
}

TEST(Viewport, FullScreenDrawsA640By480PictureWithTheCursorHidden)
{
    Harness harness;
    InstallHarness(harness);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);  // as at the program's start: the cursor is hidden before video starts
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, true));
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    // The picture the demo draws is 640 x 480 whatever the screen; it is shown at 4:3.
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(width, height);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[rgb.size() - 2], 0);
    EXPECT_TRUE(SwapBuffers(deviceContext));
    EXPECT_EQ(ShowCursor(FALSE), -2);  // hidden once by the opening
    ShowCursor(TRUE);
    CloseDemoWindow();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(ShowCursor(FALSE), -1);  // and shown again by the closing
    RemoveHarness();
}
