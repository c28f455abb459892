// Entry points through SDL, which asks the current context's own driver.
#include "platform/gles/loader.h"

#include <SDL.h>

#include <cstdio>

void* FindGlEntryPoint(const char* name, const char* suffix)
{
    char full[96];
    if (snprintf(full, sizeof full, "%s%s", name, suffix) >= static_cast<int>(sizeof full))
        return nullptr;
    return SDL_GL_GetProcAddress(full);
}
