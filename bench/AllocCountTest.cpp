// The allocation counter behind the "0 allocations per frame" figures: it must see every kind of
// allocation made on the counting thread while a phase is set, nothing else, and tell the
// program's own allocations from a shared library's.
#include "AllocCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

extern "C" void* AllocProbe();

namespace {
// Keeps the compiler from dropping an allocation whose result nobody reads.
void Keep(void* p) {
    asm volatile("" : : "r"(p) : "memory");
}

TEST(AllocCount, CountsEveryKindOnTheCountingThreadWhileAPhaseIsSet) {
    // Another thread allocates while this one counts, as the renderer's threads do.
    std::atomic<int> step{0};
    std::thread other([&] {
        while (step.load() != 1)
            std::this_thread::yield();
        Keep(std::malloc(32));
        step = 2;
    });
    TakeAllocTally(PhaseGame);
    Keep(std::malloc(8)); // outside any phase: not counted

    SetAllocPhase(PhaseGame);
    std::string* text = new std::string(100, 'x'); // two operator new calls
    void* a = std::malloc(16);
    void* b = std::calloc(4, 4);
    void* c = std::realloc(nullptr, 64);
    void* d = nullptr;
    int failed = posix_memalign(&d, 64, 128);
    step = 1;
    while (step.load() != 2)
        std::this_thread::yield();
    SetAllocPhase(PhaseNone);
    other.join();

    Keep(a);
    Keep(b);
    Keep(c);
    Keep(d);
    AllocTally tally = TakeAllocTally(PhaseGame);
    EXPECT_EQ(tally.News, 2);
    EXPECT_EQ(tally.Mallocs, 4);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(TakeAllocTally(PhaseGame).Mallocs, 0) << "taking the tally starts the next at 0";
    EXPECT_EQ(TakeAllocTally(PhaseDriver).Mallocs, 0);
    delete text;
    std::free(a);
    std::free(b);
    std::free(c);
    std::free(d);
}

TEST(AllocCount, AttributionTellsOwnCodeFromASharedLibrary) {
    TakeAllocOwners();
    SetAllocAttribution(true);
    SetAllocPhase(PhaseGame);
    std::string* own = new std::string(100, 'y');
    void* library = AllocProbe();
    SetAllocPhase(PhaseNone);
    SetAllocAttribution(false);
    Keep(library);

    AllocOwners owners = TakeAllocOwners();
    EXPECT_EQ(owners.Own, 2);
    EXPECT_EQ(owners.Library, 1);
    EXPECT_STREQ(owners.TopLibrary, "libqv_alloc_probe.so");
    delete own;
    std::free(library);
}
} // namespace
