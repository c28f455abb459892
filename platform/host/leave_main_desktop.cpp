// The desktop's main returns its code to the process that started it.
#include "platform/host/leave_main.h"

int LeaveMain(int exitCode) { return exitCode; }
