// Encodes the captured run as an H.264/AAC video: raw RGB frames go through a pipe into one ffmpeg, the
// audio into a WAV beside it, and a second, copying ffmpeg joins them. Frames and audio are added once per
// presented frame (kSoundFramesPerFrame sample frames each at 60 fps), so picture and sound line up by construction. Frames are
// read back one frame late and written to the pipe by a thread of their own, so drawing goes on meanwhile.
#include "tools/capture/video.h"

#include "core/constants.h"
#include "platform/harness/harness.h"
#include "tools/capture/wav_writer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kFps = 60;
constexpr int kSlots = 3;  // frames waiting for the pipe at most

struct Video {
    bool active = false;
    std::string path;
    std::string picturePath;  // encoded picture without sound
    std::string soundPath;    // mixed audio as WAV
    long totalFrames = 0;
    long frames = 0;
    uint32_t soundFrames = 0;
    pid_t encoder = -1;
    int pipe = -1;
    FILE* sound = nullptr;
    int width = 640;
    int height = 480;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> slots[kSlots];  // frames of the video's size on their way to the pipe
    long queued = 0, written = 0;       // frames handed to the writer, frames it has written
    bool ending = false;
    std::mutex lock;
    std::condition_variable changed;
    std::thread writer;
    std::chrono::steady_clock::time_point started;
    std::atomic<bool> failed{false};
};

Video video;

// Runs ffmpeg with the given arguments; with stdinPipe, its standard input is the write end returned there.
pid_t SpawnFfmpeg(const std::vector<std::string>& args, int* stdinPipe)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("ffmpeg"));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (stdinPipe) {
        if (::pipe(fds) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return -1;
        }
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", 0, 0);
    }
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (stdinPipe) {
        close(fds[0]);
        if (error != 0) {
            close(fds[1]);
            fds[1] = -1;
        }
        *stdinPipe = fds[1];
    }
    if (error != 0) {
        fprintf(stderr, "korvale-capture: cannot start ffmpeg (%s); install the ffmpeg package\n", strerror(error));
        return -1;
    }
    return pid;
}

bool WaitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void PrintProgress(bool last)
{
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - video.started).count();
    const double fps = seconds > 0 ? video.frames / seconds : 0.0;
    const long total = video.totalFrames > video.frames ? video.totalFrames : video.frames;
    fprintf(stderr, "\rvideo: frame %ld of %ld (%3.0f%%), %.1f s of demo, %.0f frames/s   ", video.frames, total,
            100.0 * video.frames / total, video.frames / static_cast<double>(kFps), fps);
    if (last)
        fputc('\n', stderr);
    fflush(stderr);
}

// The writer thread: frames in the order queued, into ffmpeg's pipe.
void WriteFrames()
{
    std::unique_lock<std::mutex> hold(video.lock);
    for (;;) {
        video.changed.wait(hold, [] { return video.written < video.queued || video.ending; });
        if (video.written == video.queued)
            return;
        const std::vector<uint8_t>& frame = video.slots[video.written % kSlots];
        hold.unlock();
        const bool ok = !video.failed && WriteAll(video.pipe, frame.data(), frame.size());
        hold.lock();
        if (!ok && !video.failed) {
            video.failed = true;
            fprintf(stderr, "\nkorvale-capture: ffmpeg stopped taking frames\n");
        }
        ++video.written;
        video.changed.notify_all();
    }
}

// Queues one read-back frame, cropped or padded with black to the video's size.
void QueueFrame(int width, int height)
{
    std::unique_lock<std::mutex> hold(video.lock);
    video.changed.wait(hold, [] { return video.queued - video.written < kSlots; });
    std::vector<uint8_t>& slot = video.slots[video.queued % kSlots];
    hold.unlock();
    const int videoWidth = video.width, videoHeight = video.height;
    if (width == videoWidth && height == videoHeight) {
        std::memcpy(slot.data(), video.rgb.data(), slot.size());
    } else {
        std::fill(slot.begin(), slot.end(), 0);
        const int rows = height < videoHeight ? height : videoHeight;
        const int columns = width < videoWidth ? width : videoWidth;
        for (int y = 0; y < rows; ++y)
            memcpy(&slot[static_cast<size_t>(y) * videoWidth * 3], &video.rgb[static_cast<size_t>(y) * width * 3],
                   static_cast<size_t>(columns) * 3);
    }
    hold.lock();
    ++video.queued;
    video.changed.notify_all();
    hold.unlock();
    ++video.frames;
    if (video.frames % 60 == 0)
        PrintProgress(false);
}

// Ends the video with a message; the run is ended by the caller seeing VideoFailed.
void Fail(const char* problem, const std::string& what)
{
    if (!video.failed.exchange(true))
        fprintf(stderr, "\nkorvale-capture: %s %s; ending the run\n", problem, what.c_str());
}

void RemoveSideFiles()
{
    remove(video.picturePath.c_str());
    remove(video.soundPath.c_str());
}

} // namespace

bool VideoStart(const std::string& path, long totalFrames, int width, int height)
{
    video.width = width;
    video.height = height;
    video.path = path;
    video.picturePath = path + ".picture.mkv";
    video.soundPath = path + ".sound.wav";
    video.totalFrames = totalFrames;

    if (!(video.sound = fopen(video.soundPath.c_str(), "wb")) || !WriteWavHeader(video.sound, 0)) {
        fprintf(stderr, "korvale-capture: cannot write %s\n", video.soundPath.c_str());
        if (video.sound)
            fclose(video.sound);
        video.sound = nullptr;
        remove(video.soundPath.c_str());
        return false;
    }

    // A broken pipe must come back as an error from write, not end the capture.
    signal(SIGPIPE, SIG_IGN);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    video.encoder = SpawnFfmpeg({"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                                 "-video_size", size, "-framerate", std::to_string(kFps), "-i", "pipe:0", "-c:v",
                                 "libx264", "-preset", "veryfast", "-crf", "20", "-pix_fmt", "yuv420p",
                                 // Two frame threads: the words draw in well under a core and leave the
                                 // other to the encoder, which would otherwise still be encoding them
                                 // when the drawing is done.
                                 "-threads", "2", "-x264-params", "lookahead-threads=1",
                                 video.picturePath},
                                &video.pipe);
    if (video.encoder < 0) {
        fclose(video.sound);
        video.sound = nullptr;
        remove(video.soundPath.c_str());
        return false;
    }
    for (std::vector<uint8_t>& slot : video.slots)
        slot.assign(static_cast<size_t>(width) * height * 3, 0);
    video.writer = std::thread(WriteFrames);
    video.active = true;
    video.started = std::chrono::steady_clock::now();
    return true;
}

bool VideoActive() { return video.active; }

void VideoAddFrame(bool last)
{
    if (!video.active || video.failed)
        return;
    int width = 0, height = 0;
    const FrameRead read =
        last ? HarnessReadLastFrame(video.rgb, width, height) : HarnessReadFrameLater(video.rgb, width, height);
    if (read == FrameRead::Picture)
        QueueFrame(width, height);
    // A picture left out would put the sound after it out of step: no video is better than that one.
    if (read == FrameRead::Failed)
        Fail("cannot read back the picture for video frame", std::to_string(video.frames));
}

bool VideoFailed() { return video.failed; }

void VideoAddAudio(const int16_t* samples, int frames)
{
    if (!video.active || video.failed)
        return;
    const size_t values = static_cast<size_t>(frames) * 2;
    if (video.soundFrames > kWavMaxSampleFrames - static_cast<uint32_t>(frames))
        Fail("4 GiB of sound is all a WAV file holds:", video.soundPath);
    else if (fwrite(samples, sizeof(int16_t), values, video.sound) != values)
        Fail("cannot write", video.soundPath);
    else
        video.soundFrames += static_cast<uint32_t>(frames);
}

bool VideoFinish()
{
    if (!video.active)
        return true;
    video.active = false;
    {
        std::lock_guard<std::mutex> hold(video.lock);
        video.ending = true;
        video.changed.notify_all();
    }
    video.writer.join();
    PrintProgress(true);

    close(video.pipe);
    video.pipe = -1;
    bool ok = WaitFor(video.encoder) && !video.failed;
    const bool soundOk = fseek(video.sound, 0, SEEK_SET) == 0 && WriteWavHeader(video.sound, video.soundFrames) &&
                         fflush(video.sound) == 0 && !ferror(video.sound);
    if ((fclose(video.sound) != 0 || !soundOk) && !video.failed)
        Fail("cannot write", video.soundPath);
    ok = ok && soundOk && !video.failed;
    video.sound = nullptr;
    if (!ok) {
        fprintf(stderr, "korvale-capture: no video written%s\n", video.failed ? "" : ": encoding the picture failed");
        RemoveSideFiles();
        return false;
    }

    fprintf(stderr, "video: adding the sound track\n");
    const pid_t muxer = SpawnFfmpeg({"-hide_banner", "-loglevel", "error", "-y", "-i", video.picturePath, "-i",
                                     video.soundPath, "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac",
                                     "-b:a", "192k", "-movflags", "+faststart", video.path},
                                    nullptr);
    ok = muxer >= 0 && WaitFor(muxer);
    RemoveSideFiles();
    if (!ok) {
        fprintf(stderr, "korvale-capture: muxing %s failed\n", video.path.c_str());
        remove(video.path.c_str());  // nothing half-written is left to be taken for the video
        return false;
    }
    fprintf(stderr, "video: %ld frames (%.1f s) written to %s\n", video.frames,
            video.frames / static_cast<double>(kFps), video.path.c_str());
    return true;
}
