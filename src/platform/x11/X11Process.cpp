// The Linux side of the process and the clock (see Sys.h): start-up, the close signals, the
// counter.
#include "platform/Sys.h"
#include "platform/x11/X11State.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <malloc.h>
#include <unistd.h>

namespace {
// The handler may do nothing but set this: the loop, between two messages, does the rest.
volatile std::sig_atomic_t CloseSignalled = 0;

void MarkClose(int) {
    CloseSignalled = 1;
}

// SIGTERM, SIGINT and SIGHUP become the window's close request: from here on they only leave a
// mark.
void InstallCloseSignals() {
    struct sigaction action {};
    action.sa_handler = MarkClose;
    sigemptyset(&action.sa_mask);
    // Once only: a second signal ends a run that is stuck the plain way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void KeepHeap() {
    // The GL driver frees tens of kilobytes per glyph drawn; by default the C library gives
    // that back to the system and every frame then faults it in again, which costs more than
    // the drawing. Keeping it (no trimming, no mmap per block) makes steady frames fault nothing.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
}
} // namespace

bool TakeCloseSignal() {
    if (CloseSignalled == 0) return false;
    CloseSignalled = 0;
    return true;
}

std::int64_t SysCounterFrequency() { return 1000000000; }
std::int64_t SysCounterNow() { return MonotonicNs(); }
bool SysReadCounter(std::int64_t& value) {
    value = MonotonicNs();
    return true;
}
std::uint32_t SysTickCount() { return static_cast<std::uint32_t>(MonotonicNs() / 1000000); }

void SysProcessStart() {
    ReserveStandardDescriptors();
    // A closed pipe or a file-size limit must surface as a failed write, not kill us silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    InstallCloseSignals();
    KeepHeap();
    // x86-64 Linux already runs with every floating-point exception masked, round to nearest,
    // and long double in the x87's 64-bit significand.
    SysModuleName();
}

const char* SysModuleName() {
    // Fixed storage: the failure report asks for it, possibly after memory has run out.
    static char name[256];
    if (name[0] == '\0') {
        char path[4096];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        path[n > 0 ? n : 0] = '\0';
        const char* slash = std::strrchr(path, '/');
        const char* base = slash ? slash + 1 : path;
        std::snprintf(name, sizeof name, "%.255s", *base ? base : "quorvin");
    }
    return name;
}

bool SysProcessAlive(std::uint32_t id) {
    if (id == 0 || id > static_cast<std::uint32_t>(INT32_MAX)) return false;
    return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

std::uint32_t SysProcessId() { return static_cast<std::uint32_t>(getpid()); }
