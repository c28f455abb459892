// The resolution choice: as asked, as the harness's size says, or by a trial on the GL at hand. The trial
// draws a stand-in for the demo's busiest frames off screen at the size native drawing would need, before
// the window is shown, and picks native only where that leaves room for 60 frames a second; a renderer's
// name says nothing of its speed (a translation layer or a virtual machine's renderer looks like hardware).
#include "platform/presentation/resolution.h"

#include "platform/presentation/draw_target.h"
#include "platform/presentation/drawable.h"
#include "platform/seam/seam.h"

#include <SDL.h>

#include <GL/glext.h>

#include <algorithm>
#include <cstdio>

namespace {

PictureResolution resolution = PictureResolution::Auto;
bool said = false;
bool tried = false;  // the trial's verdict holds for the whole run, every window included
bool trialNative = false;

// A frame lasts 16.7 ms; the demo's own work, the copy into the window and a busy machine need the rest.
constexpr double kBudgetMs = 10.0;
constexpr int kTimedFrames = 3;
// The stand-in: layers over the whole picture and many small sprites, blended additively, as the fire, the
// ring and the nova draw them at their busiest.
constexpr int kLayers = 10;
constexpr int kSprites = 10000;

double NowMs() { return static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 / SDL_GetPerformanceFrequency(); }

void Quad(float left, float bottom, float right, float top)
{
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
}

// One stand-in frame into `target`, finished: its time in milliseconds. A pixel of it is read back, resolved as
// a shown picture is: glFinish returns at once in a browser, which hands the drawing to another process.
double TrialFrame(const DrawTarget& target, int width, int height)
{
    const double start = NowMs();
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glColor4f(0.3f, 0.2f, 0.1f, 0.1f);
    for (int layer = 0; layer < kLayers; ++layer)
        Quad(-1, -1, 1, 1);
    unsigned seed = 1;
    for (int i = 0; i < kSprites; ++i) {
        seed = seed * 1103515245u + 12345u;
        const float x = static_cast<float>(seed >> 16 & 0x7FFF) / 16384.0f - 1.0f;
        seed = seed * 1103515245u + 12345u;
        const float y = static_cast<float>(seed >> 16 & 0x7FFF) / 16384.0f - 1.0f;
        Quad(x, y, x + 0.04f, y + 0.053f);
    }
    glEnd();
    BindTargetForReading(target);
    unsigned char pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    BindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    return NowMs() - start;
}

// The fastest of up to `frames` stand-in frames at width x height with `samples`, stopping at one far over the
// budget; negative when the GL cannot make the target. Leaves the GL's state as it found it.
double TrialAt(int width, int height, int samples, int frames)
{
    DrawTarget target;
    if (MakeDrawTarget(target, width, height, samples) != GL_FRAMEBUFFER_COMPLETE)
        return -1;
    BindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    double best = TrialFrame(target, width, height);
    for (int i = 1; i < frames && best <= 2 * kBudgetMs; ++i)
        best = std::min(best, TrialFrame(target, width, height));
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    DeleteDrawTarget(target);
    return best;
}

// The trial, for the largest picture native drawing would need: the 4:3 fit of the screen that holds the
// window (where full screen draws), or of the drawable if that is larger. A small frame first lets the GL
// ready its code; then a frame of a quarter of the pixels, which already settles a slow GL cheaply; only a
// fast one is timed at the full size.
void Try(const PictureWindow* window)
{
    tried = true;
    const double start = NowMs();
    int width = 0, height = 0, left = 0, bottom = 0, fitWidth = 0, fitHeight = 0, unitsWide = 0, unitsHigh = 0;
    DrawableSize(window, &width, &height);
    SDL_GetWindowSize(window->sdl, &unitsWide, &unitsHigh);
    // The desktop's mode is told in window units, which a scaled display (and a browser at a device pixel
    // ratio above 1) draws with more pixels: scaled like the drawable, it is compared in pixels.
    const double scaleX = unitsWide > 0 ? static_cast<double>(width) / unitsWide : 1.0;
    const double scaleY = unitsHigh > 0 ? static_cast<double>(height) / unitsHigh : 1.0;
    SDL_DisplayMode desktop;
    const int display = SDL_GetWindowDisplayIndex(window->sdl);
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &desktop) == 0) {
        const int desktopWidth = static_cast<int>(desktop.w * scaleX + 0.5);
        const int desktopHeight = static_cast<int>(desktop.h * scaleY + 0.5);
        if (desktopWidth * desktopHeight > width * height) {
            width = desktopWidth;
            height = desktopHeight;
        }
    }
    Fit4By3(width, height, &left, &bottom, &fitWidth, &fitHeight);
    const int samples = std::min(MostSamples(), 4);
    TrialAt(std::max(fitWidth / 4, 4), std::max(fitHeight / 4, 3), samples, 1);
    int triedWidth = std::max(fitWidth / 2, 4), triedHeight = std::max(fitHeight / 2, 3);
    double ms = TrialAt(triedWidth, triedHeight, samples, 1);
    if (ms >= 0 && ms <= kBudgetMs) {
        triedWidth = fitWidth;
        triedHeight = fitHeight;
        ms = TrialAt(triedWidth, triedHeight, samples, kTimedFrames);
    }
    trialNative = ms >= 0 && ms <= kBudgetMs && triedWidth == fitWidth;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        renderer = "an unknown renderer";
    char measured[224];
    if (ms >= 0)
        snprintf(measured, sizeof measured, "took %.1f ms on %s, %s the %.0f ms that 60 frames a second leave it", ms,
                 renderer, trialNative ? "within" : "over", kBudgetMs);
    else
        snprintf(measured, sizeof measured, "could not be made on %s", renderer);
    fprintf(stderr, "korvale: resolution %s: a trial frame at %d x %d%s %s (native would draw %d x %d; the trial took %.0f ms)\n",
            trialNative ? "native (drawn at the size shown)" : "classic (drawn at the size asked for, scaled)",
            triedWidth, triedHeight, samples ? ", multisampled," : "", measured, fitWidth, fitHeight, NowMs() - start);
    said = true;
}

}  // namespace

void ChoosePictureResolution(PictureResolution choice) { resolution = choice; }

bool DrawsNatively(const PictureWindow* window)
{
    if (resolution != PictureResolution::Auto) {
        if (!said && !CurrentHarness())
            fprintf(stderr, "korvale: resolution %s, as asked\n",
                    resolution == PictureResolution::Native ? "native (drawn at the size shown)"
                                                            : "classic (drawn at the size asked for, scaled)");
        said = true;
        return resolution == PictureResolution::Native;
    }
    if (const Harness* harness = CurrentHarness())
        return harness->width > 0;
    if (!tried)
        Try(window);
    return trialNative;
}

bool ForgoNative()
{
    if (resolution != PictureResolution::Auto)
        return false;
    if (const Harness* harness = CurrentHarness())
        return harness->pacer && harness->width > 0;
    if (!trialNative)
        return false;
    trialNative = false;
    return true;
}
