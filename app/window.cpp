// The demo window and its GL context: opening (with the full-screen request), closing, the window
// procedure and the viewport.
#include "app/shell.h"

#include "app/init_scene.h"
#include "resources/fonts.h"
#include "resources/quadric.h"
#include "resources/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

HINSTANCE moduleHandle = nullptr;
HWND windowHandle = nullptr;
HDC deviceContext = nullptr;
HGLRC renderContext = nullptr;

namespace {

// Tears down what was built and reports the step that failed.
bool FailOpening(const char* message)
{
    CloseDemoWindow();
    MessageBoxA(nullptr, message, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace

void ResizeViewport(int width, int height)
{
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<GLfloat>(width) / static_cast<GLfloat>(height), 0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool OpenDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested)
{
    RECT windowRect{0, 0, width, height};
    fullscreen = fullscreenRequested;

    moduleHandle = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = moduleHandle;
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "OpenGL";
    if (!RegisterClassA(&wc)) {
        MessageBoxA(nullptr, "Failed To Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    if (fullscreen) {
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBoxA(nullptr,
                            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed "
                            "Mode Instead?",
                            "Quorant GL", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
                fullscreen = false;
            } else {
                MessageBoxA(nullptr, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
                return false;
            }
        }
    }

    DWORD exStyle, style;
    if (fullscreen) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&windowRect, style, FALSE, exStyle);

    windowHandle = CreateWindowExA(exStyle, "OpenGL", title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                   windowRect.right - windowRect.left, windowRect.bottom - windowRect.top, nullptr,
                                   nullptr, moduleHandle, nullptr);
    if (!windowHandle)
        return FailOpening("Window Creation Error.");

    deviceContext = GetDC(windowHandle);
    if (!deviceContext)
        return FailOpening("Can't Create A GL Device Context.");

    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bits);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int pixelFormat = ChoosePixelFormat(deviceContext, &pfd);
    if (!pixelFormat)
        return FailOpening("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(deviceContext, pixelFormat, &pfd))
        return FailOpening("Can't Set The PixelFormat.");

    renderContext = wglCreateContext(deviceContext);
    if (!renderContext)
        return FailOpening("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(deviceContext, renderContext))
        return FailOpening("Can't Activate The GL Rendering Context.");

    ShowWindow(windowHandle, SW_SHOW);
    SetForegroundWindow(windowHandle);
    SetFocus(windowHandle);
    ResizeViewport(width, height);

    if (!InitScene())
        return FailOpening("Initialization Failed.");
    return true;
}

void CloseDemoWindow()
{
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (renderContext) {
        if (!wglMakeCurrent(nullptr, nullptr))
            MessageBoxA(nullptr, "Release Of DC And RC Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        if (!wglDeleteContext(renderContext))
            MessageBoxA(nullptr, "Release Rendering Context Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        renderContext = nullptr;
    }
    if (deviceContext) {
        if (!ReleaseDC(windowHandle, deviceContext))
            MessageBoxA(nullptr, "Release Device Context Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        deviceContext = nullptr;
    }
    if (windowHandle) {
        if (!DestroyWindow(windowHandle))
            MessageBoxA(nullptr, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        windowHandle = nullptr;
    }
    if (!UnregisterClassA("OpenGL", moduleHandle))
        MessageBoxA(nullptr, "Could Not Unregister Class.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);

    DeleteFonts();
    DeleteDemoTextures();
    DeleteQuadric();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        active = HIWORD(wParam) == 0;
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        keys[wParam & 0xFF] = true;
        return 0;
    case WM_KEYUP:
        keys[wParam & 0xFF] = false;
        return 0;
    case WM_SIZE:
        ResizeViewport(LOWORD(lParam), HIWORD(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
