// Ending on TERM and INT: the frame loop is asked to close its window and the program ends by the signal;
// while a message box is up, which blocks the loop, the process ends at once and takes the box along.
#pragma once

// Installs the handlers; only the shipped program does (the harness keeps the default ends). Nothing on
// Windows, where a message box dies with its process.
void InstallTerminationHandlers();

// The signal that asked the program to end, 0 when none.
int TerminationSignal();

// A message box is about to be shown (true) or has been answered (false). A box may live in a child process
// of its own; a signal while it is up ends that child and then the process. False when the program was
// already asked to end: the box must not be shown.
bool MessageBoxShown(bool shown);

// Ends the process as the signal received would have by default, output flushed first.
[[noreturn]] void EndByTerminationSignal();
