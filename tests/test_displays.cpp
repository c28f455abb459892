// Full screen and F1 on a desktop of two monitors (Xorg's dummy driver, the real program): the picture goes
// on the monitor that holds the mouse at start, at that monitor's size, and stays there as F1 turns it into
// a window and back.
#include "tests/support.h"
#include "tests/x_server.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const kTitle = "KORVALE http://www.korvale.example";

struct Box {
    int x = -1, y = -1, width = -1, height = -1;
    bool operator==(const Box& other) const
    {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& box)
{
    return out << box.width << "x" << box.height << "+" << box.x << "+" << box.y;
}

int Field(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

Box Shown(const XServer& server)
{
    const std::string info = server.WindowInfo(std::string("-name '") + kTitle + "'");
    if (info.find("Map State: IsViewable") == std::string::npos)
        return Box{};
    return Box{Field(info, "Absolute upper-left X:"), Field(info, "Absolute upper-left Y:"), Field(info, "Width:"),
               Field(info, "Height:")};
}

// The demo's window comes to `expected` within 20 s (a new window each time F1 is pressed); what it showed last.
Box Awaited(const XServer& server, const Box& expected)
{
    Box seen;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!((seen = Shown(server)) == expected) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return seen;
}

class Program {
public:
    Program(const XServer& server, const char* argument)
        : log(TempDir("program") + "/output.txt"),
          pid(server.StartProgram(std::string(argument) + " --resolution classic", "dummy", log))
    {
    }
    ~Program()
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::string Output() const { return Text(log); }

private:
    std::string log;
    pid_t pid;
};

// F1 is read once a frame: a key let go within the frame it went down in is never seen. It is held until the
// window has changed (the server repeats no keys, so a long hold is one press), given the focus first: with
// no window manager the keyboard follows the mouse.
Box PressF1Until(const XServer& server, const Box& expected)
{
    server.Run(std::string("xdotool search --name '^") + kTitle + "$' windowfocus --sync keydown F1");
    const Box seen = Awaited(server, expected);
    server.Run("xdotool keyup F1");
    return seen;
}

}  // namespace

TEST(Displays, FullScreenAndF1StayOnTheMonitorThatHoldsTheMouse)
{
    XServer server(XServer::TwoMonitors(TempDir("xorg")));
    ASSERT_FALSE(server.Name().empty()) << "no X server with the dummy driver\n" << server.Log();
    const std::string monitors =
        server.Run("xset r off && xrandr --addmode DUMMY1 800x600 && "
                   "xrandr --output DUMMY1 --mode 800x600 --right-of DUMMY0 && xrandr");
    ASSERT_NE(monitors.find("DUMMY1 connected 800x600+1024+0"), std::string::npos) << monitors;

    const Box second{1024, 0, 800, 600};
    const Box windowOnSecond{1024 + (800 - 640) / 2, (600 - 480) / 2, 640, 480};
    {
        server.Run("xdotool mousemove 1300 300");
        Program program(server, "--fullscreen");
        EXPECT_EQ(Awaited(server, second), second) << program.Output();
        EXPECT_EQ(PressF1Until(server, windowOnSecond), windowOnSecond) << program.Output();
        EXPECT_EQ(PressF1Until(server, second), second) << program.Output();
    }
    {
        server.Run("xdotool mousemove 1300 300");
        Program program(server, "--window");
        EXPECT_EQ(Awaited(server, windowOnSecond), windowOnSecond) << program.Output();
    }
    {
        const Box first{0, 0, 1024, 768};
        server.Run("xdotool mousemove 200 200");
        Program program(server, "--fullscreen");
        EXPECT_EQ(Awaited(server, first), first) << program.Output();
    }
}
