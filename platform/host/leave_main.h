// How main hands its exit code to whoever started the program: returned on the desktop
// (leave_main_desktop.cpp); a page exits with it (platform/web/leave_main_page.cpp).
#pragma once

// What main returns; a page's runtime is ended with the code instead, which then never returns.
int LeaveMain(int exitCode);
