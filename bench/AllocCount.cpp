// AllocCount.cpp - replaces malloc and operator new for the whole benchmark program, so every
// allocation in a frame is seen, whoever makes it: the game, the C++ library, GL or Xlib.
#include "AllocCount.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
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

bool Attributing = false;
__thread bool Walking __attribute__((tls_model("initial-exec"))) = false;
AllocOwners Owners;
struct LibraryCount {
    const char* Name;
    long Count;
};
LibraryCount Libraries[32];

bool IsRuntime(const char* path) {
    for (const char* name : {"/libc.so", "/libstdc++.so", "/libgcc_s.so", "/libm.so", "/ld-linux"})
        if (std::strstr(path, name)) return true;
    return false;
}

__attribute__((noinline)) void Attribute() {
    if (Walking) return;
    Walking = true;
    static Dl_info self;
    static bool selfKnown = dladdr(reinterpret_cast<void*>(&Attribute), &self) != 0;
    void* frames[32];
    int depth = backtrace(frames, 32);
    // Frame 0 is this function and frame 1 the allocator; the caller comes after.
    for (int i = 2; i < depth; ++i) {
        Dl_info info;
        if (!dladdr(frames[i], &info) || info.dli_fname == nullptr) continue;
        if (selfKnown && info.dli_fbase == self.dli_fbase) {
            ++Owners.Own;
            break;
        }
        if (IsRuntime(info.dli_fname)) continue;
        ++Owners.Library;
        for (LibraryCount& library : Libraries) {
            if (library.Name == nullptr) library.Name = info.dli_fname;
            if (library.Name == info.dli_fname || std::strcmp(library.Name, info.dli_fname) == 0) {
                ++library.Count;
                break;
            }
        }
        break;
    }
    Walking = false;
}

inline void CountMalloc() {
    if (Phase == PhaseNone) return;
    ++Tallies[Phase].Mallocs;
    if (Attributing && Phase == PhaseGame) Attribute();
}
} // namespace

void SetAllocAttribution(bool on) {
    // The first walk loads the unwinder, which allocates: do it before anything is counted.
    void* frames[4];
    backtrace(frames, 4);
    Attributing = on;
}

AllocOwners TakeAllocOwners() {
    AllocOwners owners = Owners;
    long most = 0;
    for (LibraryCount& library : Libraries) {
        if (library.Name != nullptr && library.Count > most) {
            most = library.Count;
            const char* slash = std::strrchr(library.Name, '/');
            std::snprintf(owners.TopLibrary, sizeof owners.TopLibrary, "%s",
                          slash ? slash + 1 : library.Name);
        }
        library = LibraryCount{};
    }
    Owners = AllocOwners{};
    return owners;
}

void SetAllocPhase(AllocPhase phase) {
    Phase = phase;
}

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
    if (p == nullptr) return 12; // ENOMEM
    *out = p;
    return 0;
}
}

void* operator new(std::size_t size) {
    if (Phase != PhaseNone) {
        ++Tallies[Phase].News;
        if (Attributing && Phase == PhaseGame) Attribute();
    }
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

