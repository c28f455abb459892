// What becomes of a picture file once korvale-capture has written it.
#pragma once

#include <string>

// On the desktop the file stays where it was written. In the page, whose files live in memory, it goes to the
// page at once (which sends it on and deletes it), so a long run holds no more than one picture at a time.
void HandOverFile(const std::string& path);
