// Windows UI stand-ins over SDL2: window classes, windows, the message queue and window procedure calls,
// message boxes, the display-mode request and the cursor.
#include "platform/windows/win_ui.h"

#include "platform/gles/layer.h"
#include "platform/host/startup.h"
#include "platform/host/termination.h"
#include "platform/windows/gdi_fonts.h"
#include "platform/windows/sdl_windows.h"
#include "platform/presentation/picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

static_assert(kHarnessYes == IDYES, "the harness's default answer is Yes");

namespace {

struct RegisteredClass {
    std::string name;
    WNDCLASSA wc;
};

std::vector<RegisteredClass> classes;
std::deque<MSG> queue;
HWND mainWindow = nullptr;
bool fullscreenMode = false;  // the requested full-screen mode is in force
int cursorCount = 0;
int lastDisplay = -1;  // the display of the window closed last: the next one opens there
bool endPosted = false;  // a termination signal has been turned into a close
HINSTANCE__* const programModule = reinterpret_cast<HINSTANCE__*>(0x400000);

// Frame a window of the given styles adds around its client area.
void FrameInsets(DWORD style, RECT* insets)
{
    *insets = RECT{0, 0, 0, 0};
    if (style & WS_POPUP)
        return;
    const LONG border = (style & WS_THICKFRAME) ? 8 : 3;
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? 23 : 0;
    *insets = RECT{border, border + caption, border, border};
}

int VirtualKey(const SDL_Keysym& key)
{
    SDL_Keycode code = key.sym;
    if (code >= SDLK_a && code <= SDLK_z)
        return 'A' + (code - SDLK_a);
    if (code >= SDLK_0 && code <= SDLK_9)
        return '0' + (code - SDLK_0);
    if (code >= SDLK_F1 && code <= SDLK_F12)
        return VK_F1 + (code - SDLK_F1);
    if (code >= SDLK_KP_1 && code <= SDLK_KP_9)
        return 0x61 + (code - SDLK_KP_1);
    // clang-format off: a table reads best one key a line
    switch (code) {
    case SDLK_KP_0:
        return 0x60;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    default:
        return 0;
    }
    // clang-format on
}

// Whether the event names a window other than `window`: one F1 has closed, its events still queued.
bool ForAnotherWindow(const SDL_Event& event, HWND window)
{
    Uint32 id = 0;
    if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP)
        id = event.key.windowID;
    else if (event.type == SDL_WINDOWEVENT)
        id = event.window.windowID;
    return id != 0 && id != SDL_GetWindowID(window->sdl);
}

// Turns waiting SDL events into window messages on the queue.
void PumpEvents()
{
    // TERM or INT: closed as the close box would, so the demo ends in its own order.
    if (TerminationSignal() && !endPosted) {
        endPosted = true;
        if (mainWindow)
            PostPlatformMessage(mainWindow, WM_CLOSE, 0, 0);
        else
            PostQuitMessage(0);
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        HWND window = mainWindow;
        if (!window || ForAnotherWindow(event, window))
            continue;
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            int vk = VirtualKey(event.key.keysym);
            if (!vk)
                break;
            bool down = event.type == SDL_KEYDOWN;
            bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
            if (alt && vk == VK_F1 + 3 && down) {
                PostPlatformMessage(window, WM_CLOSE, 0, 0);  // Alt+F4
                break;
            }
            UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
            PostPlatformMessage(window, message, static_cast<WPARAM>(vk), event.key.repeat ? 0x40000000 : 1);
            break;
        }
        case SDL_QUIT:
            PostPlatformMessage(window, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                PostPlatformMessage(window, WM_CLOSE, 0, 0);
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                PostPlatformMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                PostPlatformMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                PostPlatformMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                PostPlatformMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED: {
                // The demo hears the size it draws at, never the window's: a classic picture keeps its size.
                int width = event.window.data1, height = event.window.data2;
                if (ResizePicture(window, &width, &height))
                    PostPlatformMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
                break;
            }
            default:
                break;
            }
            break;
        default:
            break;
        }
    }
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window && window->proc ? window->proc(window, message, wParam, lParam) : 0;
}

bool HasDisplay()
{
    const char* driver = getenv("SDL_VIDEODRIVER");
    if (driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy")))
        return false;
#ifdef _WIN32
    return true;
#else
    return getenv("DISPLAY") || getenv("WAYLAND_DISPLAY");
#endif
}

// The display a new window opens on: that of the window it replaces, else the one under the mouse.
int DisplayForNewWindow()
{
    const int displays = SDL_GetNumVideoDisplays();
    if (lastDisplay >= 0 && lastDisplay < displays)
        return lastDisplay;
    SDL_Point mouse{0, 0};
    SDL_GetGlobalMouseState(&mouse.x, &mouse.y);
    for (int i = 0; i < displays; ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&mouse, &bounds))
            return i;
    }
    return 0;
}

void ApplyCursorCount() { SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    BeforeSdlVideo();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "korvale: no window system: %s\n", SDL_GetError());
        return false;
    }
    // With no display SDL falls back to drawing off screen: the demo would play unseen, with no key to end
    // it. Only the harness, or someone naming that driver, wants that.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!CurrentHarness() && !getenv("SDL_VIDEODRIVER") && driver &&
        (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        fprintf(stderr, "korvale: no display to open the window on; DISPLAY or WAYLAND_DISPLAY must name one\n");
        return false;
    }
    // A full-screen start hides the cursor before there is a video subsystem to tell; starting shows it.
    ApplyCursorCount();
    return true;
}

void PostPlatformMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    queue.push_back(MSG{window, message, wParam, lParam, SDL_GetTicks(), POINT{0, 0}});
}

HWND CurrentWindow() { return mainWindow; }

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    const bool yesNo = (type & 0xF) == MB_YESNO;
    if (const Harness* harness = CurrentHarness()) {
        int result = yesNo ? NextHarnessAnswer() : IDOK;
        fprintf(stderr, "%s: %s\n", caption, text);
        if (harness->onMessageBox)
            harness->onMessageBox(caption, text, type, result);
        return result;
    }
    if (yesNo)
        if (int preset = TakePresetAnswer())
            return preset;
    if (HasDisplay()) {
        SDL_MessageBoxButtonData yesNoButtons[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
        };
        SDL_MessageBoxButtonData okButton[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"},
        };
        UINT icon = type & 0xF0;
        Uint32 flags = icon == MB_ICONSTOP          ? SDL_MESSAGEBOX_ERROR
                       : icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                                    : SDL_MESSAGEBOX_INFORMATION;
        SDL_MessageBoxData box{flags, nullptr, caption, text, yesNo ? 2 : 1, yesNo ? yesNoButtons : okButton, nullptr};
        int pressed = 0;
        if (!MessageBoxShown(true))
            EndByTerminationSignal();  // asked to end: no box that would wait for a click
        const int shown = SDL_ShowMessageBox(&box, &pressed);
        MessageBoxShown(false);
        if (shown == 0)
            return pressed > 0 ? pressed : yesNo ? IDNO : IDOK;  // closed without a choice: the escape answer
    }
    // Nowhere to show it: report it and take the default button.
    fprintf(stderr, "%s: %s\n", caption, text);
    return yesNo ? IDYES : IDOK;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR) { return programModule; }

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    if (PlatformCallFails("RegisterClassA") || !windowClass || !windowClass->lpszClassName)
        return 0;
    for (const RegisteredClass& c : classes)
        if (c.name == windowClass->lpszClassName)
            return 0;  // already registered
    classes.push_back(RegisteredClass{windowClass->lpszClassName, *windowClass});
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (PlatformCallFails("UnregisterClassA") || !className)
        return FALSE;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (it->name == className) {
            classes.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

// Never switches the monitor's mode: full screen is a borderless window over the desktop.
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags)
{
    if (!mode) {
        fullscreenMode = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (PlatformCallFails("ChangeDisplaySettingsA"))
        return DISP_CHANGE_FAILED;
    if (!(flags & CDS_FULLSCREEN) || mode->dmSize != sizeof(DEVMODEA))
        return DISP_CHANGE_BADMODE;
    // The monitor keeps its mode; the size asked for becomes the size of the full-screen picture.
    if ((mode->dmFields & (DM_PELSWIDTH | DM_PELSHEIGHT)) == (DM_PELSWIDTH | DM_PELSHEIGHT)) {
        if (mode->dmPelsWidth == 0 || mode->dmPelsHeight == 0 || mode->dmPelsWidth > 16384 ||
            mode->dmPelsHeight > 16384)
            return DISP_CHANGE_BADMODE;
        SetFullscreenPictureSize(static_cast<int>(mode->dmPelsWidth), static_cast<int>(mode->dmPelsHeight));
    }
    fullscreenMode = true;
    return DISP_CHANGE_SUCCESSFUL;
}

int WINAPI ShowCursor(BOOL show)
{
    CountPlatformCall("ShowCursor");
    cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        ApplyCursorCount();
    return cursorCount;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD)
{
    if (!rect)
        return FALSE;
    RECT insets;
    FrameInsets(style, &insets);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    if (PlatformCallFails("CreateWindowExA") || !className)
        return nullptr;
    const WNDCLASSA* wc = nullptr;
    for (const RegisteredClass& c : classes)
        if (c.name == className)
            wc = &c.wc;
    if (!wc || !EnsureVideo())
        return nullptr;

    RECT insets;
    FrameInsets(style, &insets);
    int clientWidth = width - insets.left - insets.right;
    int clientHeight = height - insets.top - insets.bottom;
    bool fullscreen = (style & WS_POPUP) && fullscreenMode;

    // Set before the window: SDL loads the GL library with it, and on X11 picks GLX or EGL by the profile.
    SDL_GL_ResetAttributes();
    if (ChosenGlApi() == GlApi::Es) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    const Harness* harness = CurrentHarness();
    const bool harnessSize = harness && harness->width > 0;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (fullscreen)
        flags |= SDL_WINDOW_BORDERLESS | (harnessSize ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    else if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if (style & WS_POPUP)
        flags |= SDL_WINDOW_BORDERLESS;
    // Full screen and windows alike open on one display, centred: F1 never moves the demo to another screen.
    const int display = DisplayForNewWindow();
    const bool placed = fullscreen || !(style & WS_POPUP);
    int left = placed ? static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)) : x;
    int top = placed ? static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)) : y;
    // A full-screen window is made at its display's desktop size from the start, so its GL drawable never
    // has to follow a resize.
    int createWidth = clientWidth, createHeight = clientHeight;
    SDL_DisplayMode desktop;
    if (fullscreen && harnessSize) {
        createWidth = harness->width;  // the harness's screen
        createHeight = harness->height;
    } else if (fullscreen && SDL_GetDesktopDisplayMode(display, &desktop) == 0) {
        createWidth = desktop.w;
        createHeight = desktop.h;
    }
    SDL_Window* sdl = OpenSdlWindow(windowName ? windowName : "", left, top, createWidth, createHeight, flags,
                                    fullscreen && !harnessSize);
    if (!sdl)
        return nullptr;
    SDL_DisableScreenSaver();
    // The harness resizes a window as its user would, through the window system's size event.
    if (!fullscreen && harnessSize)
        SDL_SetWindowSize(sdl, harness->width, harness->height);

    HWND window = new HWND__{{sdl, fullscreen, clientWidth, clientHeight}, wc->lpfnWndProc, style, exStyle,
                             HDC__{nullptr, 0}};
    window->dc.window = window;
    mainWindow = window;
    Send(window, WM_CREATE, 0, 0);
    Send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(clientWidth, clientHeight));
    return window;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    if (PlatformCallFails("DestroyWindow") || !window)
        return FALSE;
    Send(window, WM_DESTROY, 0, 0);
    lastDisplay = SDL_GetWindowDisplayIndex(window->sdl);
    CloseSdlWindow(window->sdl);
    // Messages still queued for it go nowhere.
    for (MSG& msg : queue)
        if (msg.hwnd == window)
            msg.hwnd = nullptr;
    if (mainWindow == window)
        mainWindow = nullptr;
    GdiForgetDeviceContext(&window->dc);  // the font selected into its device context goes with it
    delete window;
    return TRUE;
}

HDC WINAPI GetDC(HWND window)
{
    if (PlatformCallFails("GetDC") || !window)
        return nullptr;
    return &window->dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc)
{
    if (PlatformCallFails("ReleaseDC") || !window || dc != &window->dc)
        return 0;
    return 1;
}

BOOL WINAPI ShowWindow(HWND window, int command)
{
    if (!window)
        return FALSE;
    if (command == SW_HIDE) {
        SDL_HideWindow(window->sdl);
        return TRUE;
    }
    SDL_ShowWindow(window->sdl);
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    PictureSize(window, &w, &h);  // the size the demo draws at
    Send(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    Send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    // The demo sets the viewport it asked for right after showing the window; another drawn size comes after.
    if (w != window->askedWidth || h != window->askedHeight)
        PostPlatformMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    return FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    if (!window)
        return FALSE;
    SDL_RaiseWindow(window->sdl);
    return TRUE;
}

HWND WINAPI SetFocus(HWND window)
{
    if (window)
        SDL_SetWindowInputFocus(window->sdl);
    return nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HICON>(const_cast<char*>(name)); }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HCURSOR>(const_cast<char*>(name)); }

// Nothing the demo passes on needs an answer of its own; windows are destroyed only on request.
LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

void WINAPI PostQuitMessage(int exitCode) { PostPlatformMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

BOOL WINAPI PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags)
{
    if (queue.empty())
        PumpEvents();
    if (queue.empty()) {
        if (const Harness* harness = CurrentHarness())
            if (harness->onIdle)
                harness->onIdle();
    }
    if (queue.empty())
        return FALSE;
    *msg = queue.front();
    if (removeFlags & PM_REMOVE)
        queue.pop_front();
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (!msg || !msg->hwnd)
        return 0;
    return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
