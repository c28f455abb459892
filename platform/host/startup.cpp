// Start-up services shared by korvale, korvale-capture and the tests: the data folder lookup and the
// answer given in advance to the first Yes/No box.
#include "platform/host/startup.h"

#ifdef _WIN32
#include "platform/host/windows_host.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

int presetAnswer = 0;

// The working directory before EnterDataFolder changed it. Made on first use: the tests enter the data
// folder from a static initializer, which may run before this file's own.
fs::path& StartFolderRecord()
{
    static fs::path folder;
    return folder;
}

fs::path StartFolder()
{
    std::error_code error;
    return StartFolderRecord().empty() ? fs::current_path(error) : StartFolderRecord();
}

}  // namespace

bool EnterDataFolder(const char* program)
{
    StartFolderRecord() = StartFolder();
    std::error_code error;
#ifdef _WIN32
    const fs::path executable = WindowsExecutablePath();
    if (executable.empty())
        error = std::make_error_code(std::errc::no_such_file_or_directory);
#else
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
#endif
    std::vector<fs::path> candidates;
    if (!error) {
        candidates.push_back(executable.parent_path());
        candidates.push_back((executable.parent_path() / ".." / "share" / "korvale").lexically_normal());
    }
    if (const char* variable = getenv("KORVALE_DATA"); variable && *variable)
        candidates.push_back(fs::absolute(variable, error));
    for (const fs::path& folder : candidates) {
        if (fs::is_directory(folder / "data", error)) {
            fs::current_path(folder, error);
            if (!error)
                return true;
        }
    }
    std::string lookedIn;
    for (const fs::path& folder : candidates)
        lookedIn += (lookedIn.empty() ? "" : ", ") + folder.string();
    if (!getenv("KORVALE_DATA"))
        lookedIn += lookedIn.empty() ? "$KORVALE_DATA (not set)" : ", $KORVALE_DATA (not set)";
    fprintf(stderr, "%s: no data folder found (looked for data/ in %s); running without the demo's files\n",
            program, lookedIn.c_str());
    return false;
}

std::string PathFromStart(const std::string& path)
{
    if (path.empty())
        return path;
    std::string absolute = (StartFolder() / path).lexically_normal().string();
    if (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();  // "." names the folder itself, without a trailing separator
    return absolute;
}

void AnswerNextQuestion(int answer) { presetAnswer = answer; }

int TakePresetAnswer()
{
    const int answer = presetAnswer;
    presetAnswer = 0;
    return answer;
}
