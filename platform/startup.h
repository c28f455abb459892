// What the process sets up before the demo starts: the data folder as working directory, command-line paths
// kept relative to where the user started, an answer to the start question given in advance, and the picture's
// resolution.
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

// How large the picture is drawn: at the size it is shown (native), at the demo's 640 x 480 stretched
// (classic), or native on a hardware renderer and classic on a software one (auto).
enum class PictureResolution { Auto, Native, Classic };
void ChoosePictureResolution(PictureResolution choice);
