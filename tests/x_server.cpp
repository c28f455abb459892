// Starting and asking a private X server, for tests that run the real program on a screen.
#include "tests/x_server.h"

#include "tests/support.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

void OutputTo(const std::string& path)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, STDOUT_FILENO);
    dup2(file, STDERR_FILENO);
}

std::string Text(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> XServer::OneScreen() { return {"Xvfb", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}; }

std::vector<std::string> XServer::TwoMonitors(const std::string& folder)
{
    // No input devices: on a desktop the server would otherwise take the real keyboard and mouse.
    std::ofstream(folder + "/xorg.conf") << R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
EndSection
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 1824 768
    EndSubSection
EndSection
)";
    // The server itself, not the wrapper that would ask for a console; no folder of system-wide pieces; the
    // console left as it is when run as root.
    return {"/usr/lib/xorg/Xorg", "-config", folder + "/xorg.conf", "-configdir", folder + "/none", "-logfile",
            folder + "/xorg.log", "-noreset", "-nolisten", "tcp", "-sharevts", "-novtswitch"};
}

XServer::XServer(const std::vector<std::string>& command) : log(TempDir("screen") + "/server.log")
{
    // A number of its own, far from the low ones other servers on this machine pick for themselves; one
    // taken makes the server end at once, and the next is tried.
    for (int attempt = 0; attempt < 8 && name.empty(); ++attempt)
        Start(command, ":" + std::to_string(200 + (getpid() * 7 + attempt * 53) % 700));
}

XServer::~XServer()
{
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
}

std::string XServer::Log() const
{
    siginfo_t end{};  // left for the destructor to reap
    const bool running = server > 0 && waitid(P_PID, server, &end, WEXITED | WNOHANG | WNOWAIT) == 0 && end.si_pid == 0;
    return Text(log) + (running ? "(running)\n" : "(ended, code " + std::to_string(end.si_status) + ")\n") +
           "xwininfo:\n" + lastInfo;
}

std::string XServer::Run(const std::string& command) const
{
    std::string text;
    if (FILE* pipe = popen(("export DISPLAY=" + name + "; { " + command + "; } 2>&1").c_str(), "r")) {
        char chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
            text.append(chunk, got);
        pclose(pipe);
    }
    return text;
}

std::string XServer::WindowInfo(const std::string& arguments) const { return Run("xwininfo " + arguments); }

bool XServer::Shows(const std::string& title) const
{
    lastInfo = WindowInfo("-name '" + title + "'");
    return lastInfo.find("Map State: IsViewable") != std::string::npos;
}

pid_t XServer::StartProgram(const std::string& arguments, const char* audioDriver, const std::string& log) const
{
    const pid_t program = fork();
    if (program == 0) {
        OutputTo(log);
        setenv("DISPLAY", name.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("SDL_AUDIODRIVER", audioDriver, 1);
        execl("/bin/sh", "sh", "-c", (std::string("exec '") + KORVALE_PROGRAM + "' " + arguments).c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return program;
}

int XServer::TopLevelWindows() const
{
    const std::string text = lastInfo = WindowInfo("-root -children");
    const size_t at = text.find(" child");  // "     2 children:", "     0 children."
    if (at == std::string::npos)
        return -1;
    const size_t line = text.rfind('\n', at);
    return std::atoi(text.c_str() + (line == std::string::npos ? 0 : line + 1));
}

void XServer::Start(const std::vector<std::string>& command, const std::string& display)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return;
    server = fork();
    if (server == 0) {
        close(pipeEnds[0]);
        OutputTo(log);
        std::vector<std::string> words = command;
        words.insert(words.begin() + 1, display);
        words.push_back("-displayfd");
        words.push_back(std::to_string(pipeEnds[1]));
        std::vector<char*> arguments;
        for (std::string& word : words)
            arguments.push_back(word.data());
        arguments.push_back(nullptr);
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string number;  // written once the server takes connections
    char c;
    while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(pipeEnds[0]);
    if (!number.empty()) {
        name = display;
    } else {
        waitpid(server, nullptr, 0);
        server = -1;
    }
}
