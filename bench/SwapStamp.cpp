// SwapStamp.cpp - preloaded into a program (the game or the floor, unchanged): at its Nth
// presented frame it notes the time and the resident memory, then ends the process.
//   QV_STAMP_AT=N     the frame to stop at (1: the first presented frame)
//   QV_STAMP_FILE=f   where the line "<CLOCK_MONOTONIC ns> <VmRSS kB> <VmHWM kB>" goes
// These variables are read by this library alone; the programs take none.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
using SwapFn = void (*)(void* display, unsigned long drawable);

long StatusField(const char* status, const char* name) {
    const char* at = std::strstr(status, name);
    return at ? std::strtol(at + std::strlen(name), nullptr, 10) : -1;
}

[[noreturn]] void StampAndExit() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char status[8192] = {};
    int fd = open("/proc/self/status", O_RDONLY);
    if (fd >= 0) {
        ssize_t n = read(fd, status, sizeof status - 1);
        if (n < 0) n = 0;
        status[n] = '\0';
        close(fd);
    }
    char line[128];
    int length = std::snprintf(line, sizeof line, "%lld %ld %ld\n",
                               static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                               StatusField(status, "VmRSS:"), StatusField(status, "VmHWM:"));
    if (const char* path = std::getenv("QV_STAMP_FILE")) {
        int out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            if (write(out, line, static_cast<std::size_t>(length)) < 0) _exit(3);
            close(out);
        }
    }
    // No shutdown: the measurement is over, and nothing of the run is worth keeping.
    _exit(0);
}
} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    static SwapFn real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static long stopAt = [] {
        const char* at = std::getenv("QV_STAMP_AT");
        long n = at ? std::strtol(at, nullptr, 10) : 1;
        return n > 0 ? n : 1;
    }();
    static long presented = 0;
    real(display, drawable);
    if (++presented >= stopAt) StampAndExit();
}
