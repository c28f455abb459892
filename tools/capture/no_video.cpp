// korvale-capture's video output in the Windows and browser builds: none (video.cpp pipes into ffmpeg, which
// only Linux has); --video says so.
#include "tools/capture/video.h"

#include <cstdio>

bool VideoStart(const std::string& path, long, int, int)
{
    fprintf(stderr, "korvale-capture: --video %s: video output is only in the Linux build\n", path.c_str());
    return false;
}

bool VideoActive() { return false; }

bool VideoFailed() { return false; }

void VideoAddFrame(bool) {}

void VideoAddAudio(const int16_t*, int) {}

bool VideoFinish() { return true; }
