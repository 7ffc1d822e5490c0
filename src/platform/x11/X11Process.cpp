#include "platform/x11/CloseSignals.h"

#include <csignal>
#include <initializer_list>

namespace {
// The handler may do nothing but set this: the loop, between two messages, does the rest.
volatile std::sig_atomic_t CloseSignalled = 0;

void MarkClose(int) {
    CloseSignalled = 1;
}
} // namespace

void InstallCloseSignals() {
    struct sigaction action {};
    action.sa_handler = MarkClose;
    sigemptyset(&action.sa_mask);
    // Once only: a second signal ends a run that is stuck the plain way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool TakeCloseSignal() {
    if (CloseSignalled == 0) return false;
    CloseSignalled = 0;
    return true;
}
