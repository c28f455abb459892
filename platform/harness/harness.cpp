// The test harness: forced failures, call counts and the hooks that tests and korvale-capture install.
#include "platform/harness/harness.h"
#include "platform/windows/contexts.h"
#include "platform/windows/picture.h"
#include "platform/windows/sound.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>

namespace {
Harness installed;
bool isInstalled = false;
}

void InstallHarness(const Harness& harness)
{
    installed = harness;
    isInstalled = true;
    SetCurrentHarness(&installed);
    // The harness never shows anything: draw off screen and keep audio in memory.
#ifdef _WIN32
    // No EGL for the offscreen driver on Windows: frames are drawn in a hidden window.
    if (!getenv("SDL_AUDIODRIVER"))
        _putenv_s("SDL_AUDIODRIVER", "dummy");
#else
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
}

void RemoveHarness()
{
    SetCurrentHarness(nullptr);
    installed = Harness{};
    isInstalled = false;
}

bool HarnessInstalled() { return isInstalled; }

int HarnessCallCount(const char* operation)
{
    const PlatformCallRecord* record = FindPlatformCall(operation);
    return record ? record->count : 0;
}

bool HarnessFirstCall(const char* operation, std::chrono::steady_clock::time_point& when)
{
    const PlatformCallRecord* record = FindPlatformCall(operation);
    if (!record)
        return false;
    when = record->first;
    return true;
}

bool HarnessCanFail(const std::string& operation)
{
    const size_t at = operation.find('@');
    const std::string name = operation.substr(0, at);
    if (at != std::string::npos) {
        const std::string count = operation.substr(at + 1);
        if (count.empty() || count.size() > 6 || count.find_first_not_of("0123456789") != std::string::npos ||
            std::atoi(count.c_str()) < 1)
            return false;
    }
    return std::find(std::begin(kFailableOperations), std::end(kFailableOperations), name) !=
           std::end(kFailableOperations);
}

void HarnessPostKey(int virtualKey, bool down)
{
    PostPlatformMessage(CurrentWindow(), down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(virtualKey), 1);
}

void HarnessPostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    PostPlatformMessage(CurrentWindow(), message, wParam, lParam);
}

bool HarnessReadFrame(std::vector<uint8_t>& rgb, int& width, int& height)
{
    if (!CurrentContext() || PlatformCallFails("glReadPixels"))
        return false;
    HGLRC context = CurrentContext();
    int pictureWidth = 0, pictureHeight = 0;
    if (context->framebuffer) {
        pictureWidth = context->pictureWidth;
        pictureHeight = context->pictureHeight;
    } else {
        SDL_GL_GetDrawableSize(context->window->sdl, &pictureWidth, &pictureHeight);
    }
    // A native picture is shown centred in the harness's screen or window, black around it.
    width = pictureWidth;
    height = pictureHeight;
    if (context->native)
        SDL_GL_GetDrawableSize(context->window->sdl, &width, &height);
    const int left = std::max(0, (width - pictureWidth) / 2), top = std::max(0, (height - pictureHeight) / 2);
    const int columns = std::min(width, pictureWidth), lines = std::min(height, pictureHeight);
    rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    std::vector<uint8_t> rows(static_cast<size_t>(pictureWidth) * pictureHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!BindPictureForReading(context))
        glReadBuffer(GL_BACK);
    glReadPixels(0, 0, pictureWidth, pictureHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    BindDrawTarget(context);
    const size_t stride = static_cast<size_t>(width) * 3, pictureStride = static_cast<size_t>(pictureWidth) * 3;
    for (int y = 0; y < lines; ++y)
        std::memcpy(&rgb[(top + y) * stride + left * 3], &rows[(pictureHeight - 1 - y) * pictureStride],
                    static_cast<size_t>(columns) * 3);
    return true;
}

void HarnessFinishDrawing() { glFinish(); }

void HarnessMixAudio(int16_t* out, int frames) { MixAudio(out, frames); }
