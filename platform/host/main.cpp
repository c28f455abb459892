// The process entry: reads the command line, makes the data folder the working directory and hands over to
// the demo's WinMain.
#include "platform/host/startup.h"
#include "platform/windows/resolution.h"
#include "platform/windows/win32.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(FILE* out)
{
    fprintf(out,
            "usage: korvale [--fullscreen | --window] [--resolution native|classic] [--help] [--version]\n"
            "A real-time demo: 3D words, a burning planet, a nova, over tracker music.\n"
            "\n"
            "  --fullscreen  start full screen without asking\n"
            "  --window      start in a window without asking\n"
            "  --resolution native|classic\n"
            "                draw at the size shown, multisampled (native), or at 640 x 480 scaled to it\n"
            "                (classic); by default native where a short trial at start finds the GL fast\n"
            "                enough for 60 frames a second there, classic elsewhere\n"
            "  --help        print this and exit\n"
            "  --version     print the version and exit\n"
            "\n"
            "Keys: Escape quits; F1 switches between full screen and a window; 0 stops the music, 1 and 2 play\n"
            "song 1 or 2; once the nova has settled, holding space shows the planet again.\n");
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--help")) {
            PrintUsage(stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--version")) {
            printf("korvale %s\n", KORVALE_VERSION);
            return 0;
        }
        if (!strcmp(argv[i], "--fullscreen") || !strcmp(argv[i], "--window")) {
            AnswerNextQuestion(argv[i][2] == 'f' ? IDYES : IDNO);
            continue;
        }
        if (!strcmp(argv[i], "--resolution") && i + 1 < argc &&
            (!strcmp(argv[i + 1], "native") || !strcmp(argv[i + 1], "classic"))) {
            ChoosePictureResolution(argv[++i][0] == 'n' ? PictureResolution::Native : PictureResolution::Classic);
            continue;
        }
        if (!strcmp(argv[i], "--resolution")) {
            fprintf(stderr, "korvale: --resolution takes native or classic\n");
            PrintUsage(stderr);
            return 2;
        }
        fprintf(stderr, "korvale: unknown option %s\n", argv[i]);
        PrintUsage(stderr);
        return 2;
    }
    EnterDataFolder("korvale");
    return WinMain(nullptr, nullptr, nullptr, 0);
}
