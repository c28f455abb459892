// The start-up figures of --bench: the time from WinMain to the first presented picture, split where the
// demo's start-up changes hands, and the memory pages the process was handed on the way.
#pragma once

// Just before WinMain is entered.
void StartupBegins();
// The first RenderFrame call is about to begin.
void StartupFirstFrameBegins();
// The first picture is about to be presented; later calls change nothing.
void StartupFirstPresent();
// The figures, or a line saying no picture was presented.
void PrintStartup();
