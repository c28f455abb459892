// A private X server for tests that run the real program: Xvfb with one screen, or Xorg's dummy driver with
// two monitors side by side. Gone with the object.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

// Output of a started process goes to `path`, read back when a test fails.
void OutputTo(const std::string& path);
std::string Text(const std::string& path);

class XServer {
public:
    // Xvfb, one 1024 x 768 screen.
    static std::vector<std::string> OneScreen();
    // Xorg's dummy driver, its config written to `folder`: one 1024 x 768 monitor, room beside it for a second.
    static std::vector<std::string> TwoMonitors(const std::string& folder);

    // `command` is the server and its arguments, less the display name and how it reports being ready.
    explicit XServer(const std::vector<std::string>& command);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& Name() const { return name; }
    // The server's output, whether it still runs and what xwininfo said last.
    std::string Log() const;
    // A command of the X utilities run against this server; its output.
    std::string Run(const std::string& command) const;
    std::string WindowInfo(const std::string& arguments) const;
    bool Shows(const std::string& title) const;
    // Starts the demo program on this server with `arguments` (shell words) and SDL's `audioDriver`, its
    // output going to `log`; its process id.
    pid_t StartProgram(const std::string& arguments, const char* audioDriver, const std::string& log) const;
    // Windows at the top of the tree, mapped or not; -1 when xwininfo could not say.
    int TopLevelWindows() const;

private:
    void Start(const std::vector<std::string>& command, const std::string& display);

    pid_t server = -1;
    std::string log;
    std::string name;
    mutable std::string lastInfo;
};
