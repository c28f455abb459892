// The command lines and start-up of korvale and korvale-capture, run as a user would: from other folders,
// with data found beside, above or through $KORVALE_DATA, refusals, failed writes, and the sound device
// tried only once.
#include "tests/support.h"

#include "core/constants.h"
#include "platform/gles/layer.h"
#include "platform/harness/harness.h"
#include "platform/host/startup.h"
#include "platform/windows/music.h"
#include "platform/windows/win32.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int exitCode;
    std::string out, err;
};

// Runs a shell command from `folder`, keeping its standard output and error.
Result RunIn(const std::string& folder, const std::string& command)
{
    const std::string dir = TempDir("run-output");
    int status = std::system(("cd '" + folder + "' && " + command + " > '" + dir + "/out' 2> '" + dir + "/err'").c_str());
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir + "/out"), slurp(dir + "/err")};
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Frame 300 shows the opening word in the demo's own font: a run without its data draws another face.
::testing::AssertionResult Frame300MatchesInTree(const std::string& path)
{
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    if (!ReadPng(path, rgb, width, height))
        return ::testing::AssertionFailure() << "no picture " << path;
    return MatchesGolden("opening-300", rgb, width, height);
}

}  // namespace

TEST(CommandLines, KorvaleHelpVersionAndUnknownOption)
{
    const Result help = RunIn("/", Quoted(KORVALE_PROGRAM) + " --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--fullscreen"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Escape quits"), std::string::npos) << help.out;
    const Result version = RunIn("/", Quoted(KORVALE_PROGRAM) + " --version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("korvale 1.", 0), 0u) << version.out;
    const Result wrong = RunIn("/", Quoted(KORVALE_PROGRAM) + " --window --no-such-option");
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("unknown option --no-such-option"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("usage: korvale"), std::string::npos) << wrong.err;
    EXPECT_EQ(wrong.out, "");
}

// Started where there is no display (a terminal over ssh), the program must not fall back to drawing
// unseen, with no key to end it: it says why and ends as a failed window does.
TEST(CommandLines, KorvaleWithoutADisplaySaysSoAndEnds)
{
    for (const char* option : {"--window", "--fullscreen"}) {
        const Result r = RunIn("/", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 30 " +
                                        Quoted(KORVALE_PROGRAM) + " " + option);
        EXPECT_EQ(r.exitCode, 1) << option << ": " << r.err;
        EXPECT_NE(r.err.find("korvale: no display to open the window on"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("ERROR: Window Creation Error."), std::string::npos) << r.err;
    }
}

// Both programs: a wrong --gl is refused as any bad option is; es is refused in one line where the program
// is built without the layer, and read like classic (the options after it still count) where it has it.
TEST(CommandLines, GlChoiceReadAndEsOnlyWithTheLayer)
{
    for (const std::string program : {"korvale", "korvale-capture"}) {
        const std::string path = Quoted(program == "korvale" ? KORVALE_PROGRAM : KORVALE_CAPTURE);
        const Result help = RunIn("/", path + " --help");
        EXPECT_NE(help.out.find("[--gl classic|es]"), std::string::npos) << help.out;
        const Result wrong = RunIn("/", path + " --gl opengl");
        EXPECT_EQ(wrong.exitCode, 2) << program;
        EXPECT_NE(wrong.err.find(program + ": --gl takes classic or es"), std::string::npos) << wrong.err;
        EXPECT_NE(wrong.err.find("usage: " + program), std::string::npos) << wrong.err;
        const Result classic = RunIn("/", path + " --gl classic --help");
        EXPECT_EQ(classic.exitCode, 0) << classic.err;
        EXPECT_EQ(classic.out, help.out);
        const Result es = RunIn("/", path + " --gl es --help");
        if (GlLayerBuilt()) {
            EXPECT_EQ(es.exitCode, 0) << es.err;
            EXPECT_EQ(es.out, help.out);
        } else {
            EXPECT_EQ(es.exitCode, 2);
            EXPECT_EQ(es.err, program + ": --gl es: this build has no GL 1.1 layer over OpenGL ES\n");
            EXPECT_EQ(es.out, "");
        }
    }
}

TEST(CommandLines, StartQuestionAnsweredInAdvanceOnce)
{
    // No harness and no display: an unanswered question takes its default, Yes.
    AnswerNextQuestion(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Note", "OK box", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Full screen?", "Question", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Full screen?", "Question", MB_YESNO), IDYES);
}

TEST(CommandLines, CaptureRefusesBadCommandLinesAtOnce)
{
    const Result help = RunIn("/", Quoted(KORVALE_CAPTURE) + " --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: korvale-capture"), std::string::npos) << help.out;
    const std::pair<const char*, const char*> refused[] = {
        {"--frames 50 --until 20", "frame 50 is past --until 20"},
        {"--until 20 --frames 10-20", "frame 20 is past --until 20"},
        {"--frames 30-20", "reversed range 30-20"},
        {"--until 99999999999999999999", "out of range"},
        {"--frames 4294967296", "out of range"},
        {"--fail NoSuchCall", "no operation NoSuchCall"},
        {"--fail SetPixelFormat@0", "no operation SetPixelFormat@0"},
        {"--no-such-option", "unknown option"},
        {"--video run.avi", "run.avi must end in .mp4"},
        {"--size 8194x6000", "between 4x3 and 8192x8192"},
        // A WAV file counts its bytes in 32 bits: about 6.7 hours of sound.
        {"--until 1500000 --audio run.wav", "4 GiB of sound"},
        {"--until 1500000 --video run.mp4", "4 GiB of sound"},
        {"--until 2000000 --bench", "--until at most 1000000"},
    };
    for (const auto& [args, message] : refused) {
        const Result r = RunIn("/", Quoted(KORVALE_CAPTURE) + " " + args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << ": " << r.err;
        EXPECT_EQ(r.err.find("Start FullScreen?"), std::string::npos) << args << " ran the demo";
    }
}

TEST(CommandLines, CaptureFromAnotherFolderWritesTheLastCallsFrameWherePathsSay)
{
    const std::string start = TempDir("start");
    const Result r = RunIn(start, Quoted(KORVALE_CAPTURE) + " --until 301 --frames 300 --out new/nested/frames"
                                                          " --state state.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadLines(start + "/state.jsonl").size(), 301u);
    EXPECT_TRUE(Frame300MatchesInTree(start + "/new/nested/frames/frame-00300.png"));
}

// The start-up figure and its four stages, which must add up to it; a run that ends before its first picture
// has no start-up figure to give.
TEST(CommandLines, BenchSplitsTheStartUpAndSaysWhenNothingWasPresented)
{
    const Result r = RunIn("/", Quoted(KORVALE_CAPTURE) + " --until 3 --bench");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    double total = 0, window = 0, resources = 0, music = 0, first = 0;
    long pages = 0;
    const size_t at = r.out.find("startup to first presented frame:");
    ASSERT_NE(at, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "startup to first presented frame: %lf ms, %ld pages", &total, &pages), 2)
        << r.out;
    const size_t split = r.out.find("startup  window");
    ASSERT_NE(split, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + split,
                          "startup  window and GL driver %lf ms  context, textures and fonts %lf ms  sound and music "
                          "%lf ms  first frame %lf ms",
                          &window, &resources, &music, &first),
              4)
        << r.out;
    EXPECT_GT(pages, 0);
    for (double stage : {window, resources, music, first})
        EXPECT_GT(stage, 0.0) << r.out;
    EXPECT_NEAR(window + resources + music + first, total, 0.3) << r.out;

    const Result none = RunIn("/", Quoted(KORVALE_CAPTURE) + " --until 1 --bench");
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.out.find("startup to first presented frame: none presented"), std::string::npos) << none.out;
    EXPECT_EQ(none.out.find(" ms, "), std::string::npos) << none.out;
}

TEST(CommandLines, DataFoundBesideAboveOrThroughTheVariable)
{
    // A copy of the tool in a prefix of its own, run from the root folder.
    const std::string prefix = TempDir("prefix");
    fs::create_directories(prefix + "/bin");
    fs::copy_file(KORVALE_CAPTURE, prefix + "/bin/korvale-capture");
    const std::string copy = Quoted(prefix + "/bin/korvale-capture");
    const std::string tool = "env -u KORVALE_DATA " + copy;
    const std::string frames = " --until 301 --frames 300 --out " + Quoted(prefix + "/out");

    const Result none = RunIn("/", tool + frames);
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.err.find("no data folder found (looked for data/ in " + prefix + "/bin, " + prefix +
                            "/share/korvale, $KORVALE_DATA (not set))"),
              std::string::npos)
        << none.err;
    EXPECT_NE(none.err.find("Error Loading Songs"), std::string::npos) << none.err;
    EXPECT_FALSE(Frame300MatchesInTree(prefix + "/out/frame-00300.png"));

    const std::string share = prefix + "/share/korvale";
    fs::create_directories(share);
    fs::create_directory_symlink(std::string(KORVALE_BINARY_DIR) + "/data", share + "/data");
    fs::create_symlink(std::string(KORVALE_BINARY_DIR) + "/Korvale.ttf", share + "/Korvale.ttf");
    const Result above = RunIn("/", tool + frames);
    EXPECT_EQ(above.exitCode, 0) << above.err;
    EXPECT_EQ(above.err.find("no data folder"), std::string::npos) << above.err;
    EXPECT_TRUE(Frame300MatchesInTree(prefix + "/out/frame-00300.png"));

    fs::remove_all(prefix + "/share");
    fs::remove_all(prefix + "/out");
    const Result variable = RunIn("/", "env KORVALE_DATA=" + Quoted(KORVALE_BINARY_DIR) + " " + copy + frames);
    EXPECT_EQ(variable.exitCode, 0) << variable.err;
    EXPECT_TRUE(Frame300MatchesInTree(prefix + "/out/frame-00300.png"));
}

TEST(CommandLines, CaptureEndsTheRunWhenAWriteFails)
{
    const std::string dir = TempDir("writes");
    const std::string tool = Quoted(KORVALE_CAPTURE) + " --until 3000";
    for (const char* args : {" --state /dev/full", " --audio /dev/full"}) {
        const Result r = RunIn(dir, tool + args);
        EXPECT_EQ(r.exitCode, 3) << args;
        EXPECT_NE(r.err.find("cannot write /dev/full; ending the run"), std::string::npos) << r.err;
    }
    // A folder where the frame's file should go: the run stops at once.
    fs::create_directories(dir + "/blocked/frame-00005.png");
    const Result png = RunIn(dir, tool + " --frames 5,10 --out blocked --state state.jsonl");
    EXPECT_EQ(png.exitCode, 3);
    EXPECT_NE(png.err.find("cannot write " + dir + "/blocked/frame-00005.png"), std::string::npos) << png.err;
    EXPECT_LT(ReadLines(dir + "/state.jsonl").size(), 10u);
    EXPECT_FALSE(fs::exists(dir + "/blocked/frame-00010.png"));
    // --out under a plain file cannot be made.
    std::ofstream(dir + "/plain") << "x";
    const Result out = RunIn(dir, tool + " --out plain/frames");
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_NE(out.err.find("cannot create " + dir + "/plain/frames"), std::string::npos) << out.err;
}

// A picture that cannot be read back ends the run: the pictures kept and the sound kept stay in step.
TEST(CommandLines, CaptureEndsTheRunWhenAPictureCannotBeReadBack)
{
    const std::string dir = TempDir("readback");
    const Result frames = RunIn(dir, Quoted(KORVALE_CAPTURE) + " --until 40 --frames all --out frames --audio a.wav"
                                                               " --fail glReadPixels@10");
    EXPECT_EQ(frames.exitCode, 3);
    EXPECT_NE(frames.err.find("cannot read back the picture of frame"), std::string::npos) << frames.err;
    long pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/frames"))
        pictures += entry.path().extension() == ".png";
    EXPECT_EQ(pictures, 9);
    // The header is 44 bytes and counts what follows it.
    std::ifstream wav(dir + "/a.wav", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(wav)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 44u);
    uint32_t data = 0;
    std::memcpy(&data, &bytes[40], 4);
    EXPECT_EQ(data, bytes.size() - 44);
    EXPECT_EQ(data, static_cast<uint32_t>(pictures) * kSoundFramesPerFrame * 4);

    const Result video = RunIn(dir, Quoted(KORVALE_CAPTURE) + " --until 40 --size 160x120 --video v.mp4"
                                                              " --fail glReadPixels@10");
    EXPECT_EQ(video.exitCode, 3);
    EXPECT_NE(video.err.find("cannot read back the picture for video frame"), std::string::npos) << video.err;
    EXPECT_FALSE(fs::exists(dir + "/v.mp4"));
    EXPECT_FALSE(fs::exists(dir + "/v.mp4.sound.wav"));
}

// A GL error fails the run, on either GL, though every picture was kept: the run goes on and says where the
// errors began.
TEST(CommandLines, CaptureFailsAfterAGlError)
{
    const std::string dir = TempDir("gl-error");
    for (const char* gl : {"", " --gl es"}) {
        const Result r = RunIn(dir, Quoted(KORVALE_CAPTURE) + gl + " --until 20 --state s.jsonl --fail GlError@5");
        EXPECT_EQ(r.exitCode, 3) << gl << ": " << r.err;
        EXPECT_NE(r.err.find("GL errors after 1 pictures, the first (0x0500) in call 4"), std::string::npos) << r.err;
        EXPECT_EQ(ReadLines(dir + "/s.jsonl").size(), 20u) << gl;
    }
}

// A side file of the video that stops growing (here at the file size limit) ends the run with exit 3 and
// leaves no video.
TEST(CommandLines, CaptureEndsTheRunWhenTheVideoCannotBeWritten)
{
    const std::string dir = TempDir("video-writes");
    const Result r = RunIn(dir, "trap '' XFSZ; ulimit -f 64; " + Quoted(KORVALE_CAPTURE) +
                                    " --until 600 --size 160x120 --video v.mp4");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    // The sound side file grows fastest: it reaches the limit first.
    EXPECT_NE(r.err.find("cannot write " + dir + "/v.mp4.sound.wav; ending the run"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no video written"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/v.mp4"));
}

TEST(CommandLines, SoundDeviceTriedOnceWhenThereIsNone)
{
    // The driver is put back after: tests run later in this process open the dummy device.
    const char* before = getenv("SDL_AUDIODRIVER");
    const std::string driver = before ? before : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(FSOUND_Init(44100, 32, 0));
    for (int i = 0; i < 3; ++i)
        PlaySoundA("data/bangshrt1.wav", nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    EXPECT_EQ(HarnessCallCount("SDL_OpenAudioDevice"), 1);
    FSOUND_Close();
    if (before)
        setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}
