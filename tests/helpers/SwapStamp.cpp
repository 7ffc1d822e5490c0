// SwapStamp.cpp - preloaded into a program (the game or the floor, unchanged) to stamp its
// presented frames. Two uses:
//   QV_STAMP_AT=N       at the Nth presented frame, note the time, the resident memory and the
//   QV_STAMP_FILE=f     minor page faults since QV_STAMP_FROM (default 1), write them to f as
//   QV_STAMP_FROM=M     "<CLOCK_MONOTONIC ns> <VmRSS kB> <VmHWM kB> <faults>", and end the process
//   QV_STAMP_SHARED=f   record every frame in f (a StampShared) and wait at the swap while the
//                       driver holds the program (frame cost)
// These variables are read by this library alone; the programs take none.
#include "SwapStamp.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
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

std::int64_t MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

[[noreturn]] void StampAndExit(std::int64_t faults) {
    std::int64_t now = NowNs();
    char status[8192] = {};
    int fd = open("/proc/self/status", O_RDONLY);
    if (fd >= 0) {
        ssize_t n = read(fd, status, sizeof status - 1);
        if (n < 0) n = 0;
        status[n] = '\0';
        close(fd);
    }
    char line[160];
    int length = std::snprintf(line, sizeof line, "%lld %ld %ld %lld\n",
                               static_cast<long long>(now), StatusField(status, "VmRSS:"),
                               StatusField(status, "VmHWM:"), static_cast<long long>(faults));
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

long EnvNumber(const char* name) {
    const char* text = std::getenv(name);
    long n = text ? std::strtol(text, nullptr, 10) : 1;
    return n > 0 ? n : 1;
}

StampShared* MapShared() {
    const char* path = std::getenv("QV_STAMP_SHARED");
    if (path == nullptr) return nullptr;
    int fd = open(path, O_RDWR);
    if (fd < 0) return nullptr;
    void* at = mmap(nullptr, sizeof(StampShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return at == MAP_FAILED ? nullptr : static_cast<StampShared*>(at);
}

void Futex(std::uint32_t* word, int op, std::uint32_t value) {
    syscall(SYS_futex, word, op, value, nullptr, nullptr, 0);
}

void Record(StampShared& shared) {
    std::uint32_t n = __atomic_load_n(&shared.Presented, __ATOMIC_RELAXED);
    StampRecord& r = shared.Records[n % StampCapacity];
    r.Ns = NowNs();
    r.MinorFaults = MinorFaults();
    __atomic_store_n(&shared.Presented, n + 1, __ATOMIC_RELEASE);
    std::uint32_t allowed = __atomic_load_n(&shared.Allowed, __ATOMIC_ACQUIRE);
    if (n + 1 < allowed) return;
    Futex(&shared.Presented, FUTEX_WAKE, INT_MAX);
    // Held: wait until the driver lets more frames through.
    while (n + 1 >= allowed) {
        Futex(&shared.Allowed, FUTEX_WAIT, allowed);
        allowed = __atomic_load_n(&shared.Allowed, __ATOMIC_ACQUIRE);
    }
}
} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable) {
    static SwapFn real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static StampShared* shared = MapShared();
    static long stopAt = EnvNumber("QV_STAMP_AT");
    static long from = EnvNumber("QV_STAMP_FROM");
    static long presented = 0;
    static std::int64_t faultsAtFrom = 0;
    real(display, drawable);
    if (shared) {
        Record(*shared);
        return;
    }
    if (++presented == from) faultsAtFrom = MinorFaults();
    if (presented >= stopAt) StampAndExit(MinorFaults() - faultsAtFrom);
}
