// TERM and INT handlers: a request the frame loop turns into a close, or an immediate end while a message box
// holds the loop. Box children are found through a fork hook, since the box library forks them itself.
#include "platform/host/termination.h"

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

volatile sig_atomic_t received = 0;
volatile sig_atomic_t boxUp = 0;
pid_t program = 0;
// The child showing the box writes its own pid here: a shared page, seen by the parent's handler.
volatile pid_t* boxChild = nullptr;

void AfterForkInChild()
{
    if (!boxUp || !boxChild)
        return;
    *boxChild = getpid();
#ifdef __linux__
    // Should the program die before its handler could end this child, the kernel does it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != program)
        _exit(1);
#endif
}

// Async-signal-safe only from here on.
[[noreturn]] void EndNow(int signal)
{
    const pid_t child = boxChild ? *boxChild : 0;
    if (boxUp && child > 0 && child != getpid()) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);  // gone, and its window with it, before the program is
    }
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void OnSignal(int signal)
{
    // A box holds the loop until clicked; a second signal means the orderly end did not come.
    const bool now = boxUp || received;
    received = signal;
    if (now)
        EndNow(signal);
}

}  // namespace

void InstallTerminationHandlers()
{
    program = getpid();
    void* page = mmap(nullptr, sizeof(pid_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED) {
        boxChild = static_cast<volatile pid_t*>(page);
        pthread_atfork(nullptr, nullptr, AfterForkInChild);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

int TerminationSignal() { return received; }

bool MessageBoxShown(bool shown)
{
    if (boxChild)
        *boxChild = 0;
    boxUp = shown;
    // Marked up first, so a signal from here on ends the box too; one that came before ends the program now.
    if (shown && received) {
        boxUp = false;
        return false;
    }
    return true;
}

void EndByTerminationSignal()
{
    fflush(stdout);
    fflush(stderr);
    EndNow(received ? static_cast<int>(received) : SIGTERM);
}

#else

void InstallTerminationHandlers() {}
int TerminationSignal() { return 0; }
bool MessageBoxShown(bool) { return true; }
void EndByTerminationSignal() { std::exit(1); }

#endif
