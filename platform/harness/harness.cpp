// The test harness: forced failures, call counts and the hooks that tests and korvale-capture install.
#include "platform/harness/harness.h"
#include "platform/gles/layer.h"
#include "platform/harness/pixel_rows.h"
#include "platform/windows/contexts.h"
#include "platform/presentation/pacer.h"
#include "platform/presentation/picture.h"
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
    PacerUse(installed.pacer);
    // The harness never shows anything: draw off screen and keep audio in memory.
#ifdef _WIN32
    // No EGL for the offscreen driver on Windows: frames are drawn in a hidden window.
    if (!getenv("SDL_AUDIODRIVER"))
        _putenv_s("SDL_AUDIODRIVER", "dummy");
#elif defined(__EMSCRIPTEN__)
    // A page has its canvas and nothing else to draw with; its sound stays in memory all the same.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#else
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
}

void RemoveHarness()
{
    SetCurrentHarness(nullptr);
    PacerUse(nullptr);
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

void HarnessResizeWindow(int width, int height)
{
    if (HWND window = CurrentWindow())
        SDL_SetWindowSize(window->sdl, width, height);
}

bool HarnessReadFrame(std::vector<uint8_t>& rgb, int& width, int& height)
{
    HGLRC context = CurrentContext();
    if (!context)
        return false;
    // With a size of its own the harness reads what its window shows, black bars included; without one, the
    // picture as drawn (the demo's 640 x 480).
    if (installed.width > 0) {
        if (!BindShownPictureForReading(context, &width, &height))
            return false;
    } else {
        BindPictureForReading(context, &width, &height);
    }
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * ReadChannels());
    const bool read = ReadPicture(width, height, rows.data());
    BindDrawTarget(context);
    if (read)
        CopyRowsTopFirst(rows.data(), width, height, rgb);
    return read;
}

GLenum ReadFormat() { return ChosenGlApi() == GlApi::Es ? GL_RGBA : GL_RGB; }
int ReadChannels() { return ChosenGlApi() == GlApi::Es ? 4 : 3; }

bool ReadPicture(int width, int height, void* pixels)
{
    const GLenum format = PlatformCallFails("glReadPixels") ? GL_NONE : ReadFormat();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    bool read = true;
    while (glGetError() != GL_NO_ERROR)
        read = false;
    return read;
}

void CopyRowsTopFirst(const uint8_t* rows, int width, int height, std::vector<uint8_t>& rgb)
{
    const int channels = ReadChannels();
    const size_t stride = static_cast<size_t>(width) * 3, readStride = static_cast<size_t>(width) * channels;
    rgb.resize(stride * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = rows + (height - 1 - y) * readStride;
        if (channels == 3) {
            std::memcpy(&rgb[y * stride], from, stride);
            continue;
        }
        uint8_t* to = &rgb[y * stride];
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
}

void HarnessFinishDrawing() { glFinish(); }

bool HarnessPictureDropped()
{
    const HGLRC context = CurrentContext();
    return context && context->dropping;
}

void HarnessDropPicture(bool drop)
{
    if (const HGLRC context = CurrentContext())
        DropNextPicture(context, drop);
}

void HarnessMixAudio(int16_t* out, int frames) { MixAudio(out, frames); }
