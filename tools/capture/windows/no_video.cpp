// korvale-capture's video output on Windows: none (it pipes into ffmpeg, a Linux-side tool); --video says so.
#include "tools/capture/video.h"

#include <cstdio>

bool VideoStart(const std::string& path, long, int, int)
{
    fprintf(stderr, "korvale-capture: --video %s: video output is not available in the Windows build\n", path.c_str());
    return false;
}

bool VideoActive() { return false; }

bool VideoFailed() { return false; }

void VideoAddFrame(bool) {}

void VideoAddAudio(const int16_t*, int) {}

bool VideoFinish() { return true; }
