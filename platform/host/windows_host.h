// What the platform layer asks of the real Windows system when built for it. Kept apart from
// platform/windows/win32.h: the system's <windows.h> and our stand-ins never meet in one file.
#pragma once

#include <filesystem>
#include <string>

// The system's fonts folder (C:\Windows\Fonts), empty when unknown.
std::string WindowsFontsFolder();

// The running program's own file, empty when unknown.
std::filesystem::path WindowsExecutablePath();
