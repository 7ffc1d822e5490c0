// AllocCount.cpp - replaces malloc and operator new for the whole benchmark program, so every
// allocation in a frame is seen, whoever makes it: the game, the C++ library, GL or Xlib.
#include "AllocCount.h"

#include <cstddef>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {
// Static TLS: safe inside malloc, which may run before anything else is set up.
__thread int Phase __attribute__((tls_model("initial-exec"))) = PhaseNone;
AllocTally Tallies[3];

inline void CountMalloc() {
    if (Phase != PhaseNone) ++Tallies[Phase].Mallocs;
}
} // namespace

void SetAllocPhase(AllocPhase phase) { Phase = phase; }

AllocTally TakeAllocTally(AllocPhase phase) {
    AllocTally tally = Tallies[phase];
    Tallies[phase] = AllocTally{};
    return tally;
}

extern "C" {
void* malloc(std::size_t size) {
    CountMalloc();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    CountMalloc();
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    CountMalloc();
    return __libc_realloc(p, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    CountMalloc();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    CountMalloc();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    CountMalloc();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return 12;   // ENOMEM
    *out = p;
    return 0;
}
}

void* operator new(std::size_t size) {
    if (Phase != PhaseNone) ++Tallies[Phase].News;
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
