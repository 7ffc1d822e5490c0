// AllocCount.h - heap allocations counted on the calling thread, by part of the frame.
#pragma once

enum AllocPhase : int {
    PhaseNone = 0,
    PhaseGame = 1,   // UpdateGame and RenderGame
    PhaseDriver = 2, // glClear and the buffer swap
};

struct AllocTally {
    long Mallocs; // malloc, calloc, realloc and the aligned forms
    long News;    // operator new
};

// Only the thread that sets a phase is counted: the renderer's own threads are not ours.
void SetAllocPhase(AllocPhase phase);
AllocTally TakeAllocTally(AllocPhase phase); // the count so far; starts the next one at 0

// Attribution, for an unmeasured look: each counted allocation's stack is walked to the first
// caller outside the C and C++ runtimes, which is either the benchmark program itself (the
// game's code is linked into it) or a shared library (GL, Xlib). Slow; off by default.
struct AllocOwners {
    long Own;            // made by code in this program
    long Library;        // made by a shared library
    char TopLibrary[96]; // the library that made the most
};
void SetAllocAttribution(bool on);
AllocOwners TakeAllocOwners();

