#include "backend/window/EndOnStopSignal.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace backend {

namespace {

// The process of the thread inside the scope; 0 outside it. A fork copies the
// forking thread, so the child sees its parent here.
thread_local pid_t g_ScopeProcess = 0;

void EndWithParent()
{
    if (g_ScopeProcess == 0)
        return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended before the line above.
    if (getppid() != g_ScopeProcess)
        _exit(1);
}

void SetDefault(int signal, struct sigaction& previous)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, &previous);
}

} // namespace

EndOnStopSignal::EndOnStopSignal()
{
    [[maybe_unused]] static const int forkHook = pthread_atfork(nullptr, nullptr, EndWithParent);
    g_ScopeProcess = getpid();
    SetDefault(SIGTERM, previousTerm);
    SetDefault(SIGINT, previousInt);
}

EndOnStopSignal::~EndOnStopSignal()
{
    sigaction(SIGTERM, &previousTerm, nullptr);
    sigaction(SIGINT, &previousInt, nullptr);
    g_ScopeProcess = 0;
}

} // namespace backend
