// The process entry: reads the command line, makes the data folder the working directory, sets up the ends on
// TERM and INT and hands over to the demo's WinMain.
#include "platform/gles/layer.h"
#include "platform/host/leave_main.h"
#include "platform/host/startup.h"
#include "platform/host/termination.h"
#include "platform/presentation/pacer.h"
#include "platform/presentation/resolution.h"
#include "platform/windows/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void PrintUsage(FILE* out)
{
    fprintf(out, "usage: korvale [--fullscreen | --window] [--resolution native|classic] [--gl classic|es]\n"
                 "               [--every-picture] [--stats] [--help] [--version]\n"
                 "A real-time demo: 3D words, a burning planet, a nova, over tracker music.\n"
                 "\n"
                 "  --fullscreen  start full screen without asking\n"
                 "  --window      start in a window without asking\n"
                 "  --resolution native|classic\n"
                 "                draw at the size shown, multisampled (native), or at 640 x 480 scaled to it\n"
                 "                (classic); by default native where a short trial at start finds the GL fast\n"
                 "                enough for 60 frames a second there, classic elsewhere\n"
                 "  --gl classic|es\n"
                 "                draw with the system's OpenGL (classic, the default) or with OpenGL ES 3 under the\n"
                 "                program's own GL 1.1 layer (es), as the browser build does\n"
                 "  --every-picture\n"
                 "                draw every picture even where the GL is too slow for 60 a second: the demo\n"
                 "                then falls behind its music; by default such pictures are dropped instead\n"
                 "  --stats       at the end, print how the frames kept to the sound: frames, seconds, frames a\n"
                 "                second, pictures drawn and dropped, the largest lag behind the sound and the\n"
                 "                lag at the end, catch-ups, vsync changes and restarts\n"
                 "  --help        print this and exit\n"
                 "  --version     print the version and exit\n"
                 "\n"
                 "Keys: Escape quits; F1 switches between full screen and a window; 0 stops the music, 1 and 2 play\n"
                 "song 1 or 2; once the nova has settled, holding space shows the planet again.\n");
}

}  // namespace

// One line on how the frames kept to the sound's clock of 60 a second.
void PrintPacing()
{
    const PacerStatistics figures = PacerFigures();
    printf("korvale: %ld frames in %.2f s, %.2f frames a second, due by the %s clock (%.2f s by it, %+.3f %% against "
           "the wall's), %ld pictures drawn, %ld dropped, largest lag %.1f ms, %.1f ms at the end, %d catch-ups, %d "
           "vsync changes, %d restarts\n",
           figures.frames, figures.seconds, figures.seconds > 0 ? (figures.frames - 1) / figures.seconds : 0.0,
           figures.byTheSound ? "sound's" : "wall", figures.clockSeconds,
           figures.seconds > 0 ? 100.0 * (figures.clockSeconds / figures.seconds - 1) : 0.0, figures.drawn,
           figures.dropped, figures.worstLag * 1000.0, figures.endLag * 1000.0, figures.catchUps,
           figures.intervalChanges, figures.restarts);
}

int main(int argc, char** argv)
{
    bool stats = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--help")) {
            PrintUsage(stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--version")) {
            printf("korvale %s\n", KORVALE_VERSION);
            return 0;
        }
        if (!strcmp(argv[i], "--stats")) {
            stats = true;
            continue;
        }
        if (!strcmp(argv[i], "--every-picture")) {
            PacerDrawEveryPicture(true);
            continue;
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
        if (!strcmp(argv[i], "--gl") && i + 1 < argc && !strcmp(argv[i + 1], "classic")) {
            if (!ClassicGlBuilt()) {
                fprintf(stderr, "korvale: --gl classic: this build draws only with OpenGL ES\n");
                return 2;
            }
            ChooseGlApi(GlApi::Classic);
            ++i;
            continue;
        }
        if (!strcmp(argv[i], "--gl") && i + 1 < argc && !strcmp(argv[i + 1], "es")) {
            if (!GlLayerBuilt()) {
                fprintf(stderr, "korvale: --gl es: this build has no GL 1.1 layer over OpenGL ES\n");
                return 2;
            }
            ChooseGlApi(GlApi::Es);
            ++i;
            continue;
        }
        if (!strcmp(argv[i], "--gl")) {
            fprintf(stderr, "korvale: --gl takes classic or es\n");
            PrintUsage(stderr);
            return 2;
        }
        fprintf(stderr, "korvale: unknown option %s\n", argv[i]);
        PrintUsage(stderr);
        return 2;
    }
    EnterDataFolder("korvale");
    InstallTerminationHandlers();
    const int exitCode = WinMain(nullptr, nullptr, nullptr, 0);
    if (stats)
        PrintPacing();
    // Closed in order on TERM or INT; whoever sent it is told so by how the program ends.
    if (TerminationSignal())
        EndByTerminationSignal();
    return LeaveMain(exitCode);
}
