// The entry point and the demo's only loop: the start question, window and music start-up, one message or
// one frame per iteration, the keys, and the orderly end.
#include "app/shell.h"

#include "core/constants.h"
#include "sequence/timeline.h"

bool keys[256];
bool active = true;
bool fullscreen = true;
bool soundOk = true;
bool songLoaded = true;
FMUSIC_MODULE* song = nullptr;
int musicState = 0;

const char windowTitle[] = "KORVALE http://www.korvale.example";

namespace {

// A music key: restart the song at its first order (or stop it) and, once the opening is over, show it.
void MusicKey(int state, int order)
{
    if (state == 0) {
        FMUSIC_StopSong(song);
    } else {
        FMUSIC_PlaySong(song);
        FMUSIC_SetOrder(song, order);
    }
    musicState = state;
    ShowMusicNotice();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (MessageBoxA(nullptr, "Would You Like To Run In Fullscreen Mode? (32bit Only - Reccomended)",
                    "Start FullScreen?", MB_YESNO | MB_ICONQUESTION) == IDNO)
        fullscreen = false;

    // A window that cannot be opened is a failure, whatever the cause already shown.
    if (!OpenDemoWindow(windowTitle, kPictureWidth, kPictureHeight, kPictureBits, fullscreen))
        return 1;

    if (!FSOUND_Init(44100, 32, 0)) {
        MessageBoxA(nullptr, "Error Initializing Music", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        soundOk = false;
    }
    song = FMUSIC_LoadSong("data/gz2.xm");
    if (!song) {
        MessageBoxA(nullptr, "Error Loading Songs", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        songLoaded = false;
    }
    if (soundOk && songLoaded)
        FMUSIC_PlaySong(song);

    MSG msg{};
    bool done = false;
    while (!done) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                done = true;
            } else {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }

        if (active && !RenderFrame(musicState))
            done = true;
        if (!done && keys[VK_ESCAPE])
            done = true;
        if (done)
            break;
        SwapBuffers(deviceContext);

        if (keys[VK_SPACE])
            ToggleScene();
        const bool music = soundOk && songLoaded;
        if (keys['0'] && music)
            MusicKey(0, 0);
        if (keys['1'] && music)
            MusicKey(1, 0);
        if (keys['2'] && music)
            MusicKey(2, 23);
        if (keys[VK_F1]) {
            keys[VK_F1] = false;
            CloseDemoWindow();
            fullscreen = !fullscreen;
            if (!OpenDemoWindow(windowTitle, kPictureWidth, kPictureHeight, kPictureBits, fullscreen))
                return 1;
        }
    }

    FMUSIC_FreeSong(song);
    FSOUND_Close();
    CloseDemoWindow();
    // A clean end (Escape, the close box) is a success.
    return 0;
}
