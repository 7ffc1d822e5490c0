// AllocCount.h - heap allocations counted on the calling thread, by part of the frame.
#pragma once

enum AllocPhase : int {
    PhaseNone = 0,
    PhaseGame = 1,     // UpdateGame and RenderGame
    PhaseDriver = 2,   // glClear and the buffer swap
};

struct AllocTally {
    long Mallocs;   // malloc, calloc, realloc and the aligned forms
    long News;      // operator new
};

// Only the thread that sets a phase is counted: the renderer's own threads are not ours.
void SetAllocPhase(AllocPhase phase);
AllocTally TakeAllocTally(AllocPhase phase);   // the count so far; starts the next one at 0
