// What the process sets up before the demo starts: the data folder as working directory, command-line paths
// kept relative to where the user started, and an answer to the start question given in advance.
#pragma once

#include <string>

// Makes the data folder the working directory, so that the demo's relative names ("data/gz2.xm",
// "Korvale.ttf") resolve: the executable's own folder when it holds data/, else ../share/korvale beside it,
// else $KORVALE_DATA. When none holds data/, one line on standard error names the folders looked in, the
// working directory stays as it was and false is returned; the demo then runs on its fallbacks.
bool EnterDataFolder(const char* program);

// The absolute form of a path given relative to the folder the program was started in (empty stays empty).
std::string PathFromStart(const std::string& path);

// The next Yes/No message box is not shown but answered with `answer` (IDYES or IDNO), once.
void AnswerNextQuestion(int answer);
// The answer given in advance to the next Yes/No box, 0 when none; taken once.
int TakePresetAnswer();
