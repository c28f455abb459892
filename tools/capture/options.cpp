// korvale-capture's command line: each option read, its value checked, and the whole checked against --until
// before anything runs.
#include "tools/capture/options.h"

#include "platform/harness/harness.h"
#include "platform/host/startup.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace {

void PrintUsage(FILE* out)
{
    fprintf(
        out,
        "usage: korvale-capture [--frames LIST|all] [--out DIR] [--until N] [--keys CALL:KEY:down|up,...]\n"
        "                       [--answer yes|no[,...]] [--fail OP[@N]] [--state FILE] [--audio FILE.wav] [--bench]\n"
        "                       [--video FILE.mp4] [--size WxH] [--gl classic|es] [--drop-pictures N]\n"
        "                       [--only-listed] [--help]\n"
        "  KEY is one of ESC SPACE F1 0 1 2; LIST is comma-separated numbers or ranges A-B, none past --until - 1\n"
        "  --drop-pictures N drops the pictures of N frames after each one drawn, as the program does when it is\n"
        "  behind its sound: the frames still run, so their state and sound must not change\n"
        "  --only-listed drops the pictures of the frames --frames does not list, for a run that must be quick\n");
}

[[noreturn]] void Usage(const std::string& problem)
{
    fprintf(stderr, "korvale-capture: %s\n", problem.c_str());
    PrintUsage(stderr);
    exit(2);
}

int KeyCode(const std::string& name)
{
    if (name == "ESC") return VK_ESCAPE;
    if (name == "SPACE") return VK_SPACE;
    if (name == "F1") return VK_F1;
    if (name == "0" || name == "1" || name == "2") return name[0];
    Usage("unknown key " + name);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

// A count or index: 0 up to the largest int.
long Number(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end)
        Usage("not a number: " + text);
    if (errno == ERANGE || value < 0 || value > std::numeric_limits<int>::max())
        Usage("out of range: " + text);
    return value;
}

}  // namespace

Options ParseOptions(int argc, char** argv)
{
    Options options;
    options.answers = {IDYES};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Usage("missing value for " + arg);
            return argv[++i];
        };
        if (arg == "--frames") {
            std::string list = value();
            if (list == "all") {
                options.allFrames = true;
                continue;
            }
            for (const std::string& item : Split(list, ',')) {
                size_t dash = item.find('-', 1);
                long first = Number(item.substr(0, dash));
                long last = dash == std::string::npos ? first : Number(item.substr(dash + 1));
                if (last < first)
                    Usage("reversed range " + item);
                options.frameRanges.emplace_back(first, last);
            }
        } else if (arg == "--out") {
            options.outDir = value();
        } else if (arg == "--until") {
            options.until = Number(value());
        } else if (arg == "--keys") {
            for (const std::string& item : Split(value(), ',')) {
                std::vector<std::string> fields = Split(item, ':');
                if (fields.size() != 3 || (fields[2] != "down" && fields[2] != "up"))
                    Usage("bad key entry " + item);
                options.keys.push_back({static_cast<int>(Number(fields[0])), KeyCode(fields[1]), fields[2] == "down"});
            }
        } else if (arg == "--answer") {
            options.answers.clear();
            for (const std::string& answer : Split(value(), ',')) {
                if (answer != "yes" && answer != "no")
                    Usage("--answer takes yes or no (or a comma-separated list of them)");
                options.answers.push_back(answer == "yes" ? IDYES : IDNO);
            }
            if (options.answers.empty())
                Usage("--answer takes yes or no");
        } else if (arg == "--fail") {
            options.failures.push_back(value());
            if (!HarnessCanFail(options.failures.back()))
                Usage("--fail: the platform has no operation " + options.failures.back());
        } else if (arg == "--state") {
            options.statePath = value();
        } else if (arg == "--audio") {
            options.audioPath = value();
        } else if (arg == "--video") {
            options.videoPath = value();
            // H.264 with AAC is written as MP4; other containers would fail only after the whole run.
            const std::string& path = options.videoPath;
            std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
            for (char& c : ending)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ending != ".mp4")
                Usage("--video writes an MP4 file: " + path + " must end in .mp4");
        } else if (arg == "--size") {
            const std::string size = value();
            const size_t x = size.find('x');
            if (x == std::string::npos)
                Usage("--size takes WIDTHxHEIGHT, for example 1920x1080");
            options.width = static_cast<int>(Number(size.substr(0, x)));
            options.height = static_cast<int>(Number(size.substr(x + 1)));
            if (options.width < 4 || options.height < 3 || options.width > 8192 || options.height > 8192)
                Usage("--size must lie between 4x3 and 8192x8192");
        } else if (arg == "--gl") {
            const std::string api = value();
            if (api != "classic" && api != "es")
                Usage("--gl takes classic or es");
            if (api == "es" && !GlLayerBuilt()) {
                fprintf(stderr, "korvale-capture: --gl es: this build has no GL 1.1 layer over OpenGL ES\n");
                exit(2);
            }
            if (api == "classic" && !ClassicGlBuilt()) {
                fprintf(stderr, "korvale-capture: --gl classic: this build draws only with OpenGL ES\n");
                exit(2);
            }
            options.gl = api == "es" ? GlApi::Es : GlApi::Classic;
        } else if (arg == "--drop-pictures") {
            options.droppedRun = static_cast<int>(Number(value()));
        } else if (arg == "--only-listed") {
            options.onlyListed = true;
        } else if (arg == "--bench") {
            options.bench = true;
        } else if (arg == "--help") {
            PrintUsage(stdout);
            exit(0);
        } else {
            Usage("unknown option " + arg);
        }
    }
    if (options.until < 1)
        Usage("--until must be at least 1");
    // Sound is counted in 32 bits in a WAV file; a longer run would wrap its header.
    if ((!options.audioPath.empty() || !options.videoPath.empty()) && options.until > kMaxSoundedFrames)
        Usage("--until " + std::to_string(options.until) + " is past the " + std::to_string(kMaxSoundedFrames) +
              " frames (4 GiB of sound) that --audio and --video can hold");
    if (options.bench && options.until > kMaxBenchFrames)
        Usage("--bench keeps every frame's time: --until at most " + std::to_string(kMaxBenchFrames));
    if (!options.videoPath.empty() && (options.width % 2 || options.height % 2))
        Usage("a video's --size must be even in both directions");
    // A dropped picture is never drawn: there is nothing to write of it.
    if (options.droppedRun && (options.allFrames || !options.frameRanges.empty() || !options.videoPath.empty()))
        Usage("--drop-pictures draws only some pictures: it cannot go with --frames or --video");
    // The frames between the listed ones must be drawn for a video, and for a benchmark's times.
    if (options.onlyListed && (options.frameRanges.empty() || options.droppedRun || !options.videoPath.empty() ||
                               options.bench))
        Usage("--only-listed needs --frames LIST and cannot go with --drop-pictures, --video or --bench");
    // The call with index N starts at demoFrame N at most: later frames would never be drawn.
    for (const auto& [first, last] : options.frameRanges)
        if (last > options.until - 1)
            Usage("frame " + std::to_string(last) + " is past --until " + std::to_string(options.until));
    // Paths stay relative to where the user started; the data folder becomes the working directory.
    options.outDir = PathFromStart(options.outDir);
    options.statePath = PathFromStart(options.statePath);
    options.audioPath = PathFromStart(options.audioPath);
    options.videoPath = PathFromStart(options.videoPath);
    return options;
}

bool FrameListed(const Options& options, int frame)
{
    if (options.allFrames)
        return true;
    for (const auto& [first, last] : options.frameRanges)
        if (frame >= first && frame <= last)
            return true;
    return false;
}
