// korvale-capture's video output: every presented frame piped into ffmpeg at 60 frames per second, the
// mixed audio collected beside it and muxed in as the sound track when the run ends.
#pragma once

#include <cstdint>
#include <string>

// Starts ffmpeg for FILE (an .mp4) of width x height pictures (even numbers); totalFrames (the frames the run
// will present) only sizes the progress line. False, with a message on standard error, when ffmpeg cannot be
// started or a side file not written.
bool VideoStart(const std::string& path, long totalFrames, int width, int height);
bool VideoActive();
// ffmpeg stopped taking frames, a picture could not be read back or the sound written: the run should end.
bool VideoFailed();
// The back buffer about to be presented becomes the next video frame (read back one frame later). With
// last, the frame being read back is added instead: call so while its context is still current. A failed
// read-back fails the video.
void VideoAddFrame(bool last = false);
// The audio mixed for that frame (stereo sample frames, 44100 Hz, 16-bit).
void VideoAddAudio(const int16_t* samples, int frames);
// Ends the encoding, muxes picture and sound into the file and removes the side files. False on failure.
bool VideoFinish();
