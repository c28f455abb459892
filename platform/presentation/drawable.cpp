// The drawable's size, as the harness may scale it, and the 4:3 fit.
#include "platform/presentation/drawable.h"

#include "platform/seam/seam.h"

#include <SDL.h>

void DrawableSize(const PictureWindow* window, int* width, int* height)
{
    SDL_GL_GetDrawableSize(window->sdl, width, height);
    // The offscreen driver has no scaled display: the harness asks for one.
    if (const Harness* harness = CurrentHarness(); harness && harness->drawableScale > 1) {
        *width *= harness->drawableScale;
        *height *= harness->drawableScale;
    }
}

void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight)
{
    *fitWidth = width;
    *fitHeight = height;
    if (width * 3 > height * 4)
        *fitWidth = height * 4 / 3;
    else
        *fitHeight = width * 3 / 4;
    *left = (width - *fitWidth) / 2;
    *bottom = (height - *fitHeight) / 2;
}
