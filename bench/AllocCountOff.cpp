// AllocCountOff.cpp - the counting interface with nothing counted, for the benchmark programs
// that are timed: they keep the system's own malloc.
#include "AllocCount.h"

void SetAllocPhase(AllocPhase) {}
AllocTally TakeAllocTally(AllocPhase) {
    return AllocTally{};
}
void SetAllocAttribution(bool) {}
AllocOwners TakeAllocOwners() {
    return AllocOwners{};
}
