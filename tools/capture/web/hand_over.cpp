// The page's files: each written picture is handed to the page's Module.takeFile, which sends it to the test
// server and deletes it from the in-memory file system.
#include "tools/capture/hand_over.h"

#include <emscripten.h>

EM_JS(void, TakeFile, (const char* path), {
    if (Module.takeFile) Module.takeFile(UTF8ToString(path));
});

void HandOverFile(const std::string& path) { TakeFile(path.c_str()); }
