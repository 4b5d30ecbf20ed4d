#include "quit_signal.h"

#include "daemon_log.h"

volatile sig_atomic_t flag = 1;

namespace {

volatile sig_atomic_t caughtSignal = 0;
bool signalLogged = false;

void handler(int sig)
{
    caughtSignal = sig;
    flag = 0;
}

void setQuitBlocked(int how)
{
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGQUIT);
    sigprocmask(how, &quit, nullptr);
}

}  // namespace

bool installQuitHandler()
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    return sigaction(SIGQUIT, &action, nullptr) == 0;
}

void holdQuitSignalOutsideWaits() { setQuitBlocked(SIG_BLOCK); }

void releaseQuitSignal() { setQuitBlocked(SIG_UNBLOCK); }

void logQuitSignal()
{
    if (caughtSignal == 0 || signalLogged)
        return;
    signalLogged = true;
    logInfo("[TaliroScanSDK] I got a signal %d\nI'm quitting.\n", static_cast<int>(caughtSignal));
}
