// The real Windows calls behind platform/host/windows_host.h, and a console for a program started from one.
// Empty on other systems. Includes <windows.h>, so never platform/windows/win32.h.
#ifdef _WIN32
#include "platform/host/windows_host.h"

// The build sets these for the GL headers; <windows.h> defines them its own way.
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#include <windows.h>

#include <cstdio>

std::string WindowsFontsFolder()
{
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::string(folder) + "\\Fonts";
}

std::filesystem::path WindowsExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path);
        }
        path.resize(path.size() * 2);
    }
}

namespace {

// korvale.exe is a windowed program, started by double-click without a console; started from a command
// prompt it writes its usage and messages there, as on Linux.
struct ParentConsole {
    ParentConsole()
    {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (out && out != INVALID_HANDLE_VALUE)
            return;
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            (void)freopen("CONOUT$", "w", stdout);
            (void)freopen("CONOUT$", "w", stderr);
        }
    }
} parentConsole;

// On a scaled desktop Windows would draw the window at the logical size and stretch it, blurred: the program
// says it draws at the display's own pixels (per monitor where Windows 10 offers it, the whole system
// before), so the drawable is in pixels and a native picture is drawn at the size it is shown.
struct DpiAware {
    DpiAware()
    {
        using SetContext = BOOL(WINAPI*)(HANDLE);
        const HMODULE user32 = GetModuleHandleA("user32.dll");
        const auto setContext = reinterpret_cast<SetContext>(
            user32 ? reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")) : nullptr);
        const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
        if (!setContext || !setContext(perMonitorV2))
            SetProcessDPIAware();
    }
} dpiAware;

}  // namespace
#endif
