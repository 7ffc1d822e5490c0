// AllocProbe.cpp - a shared library that allocates, standing in for the GL driver in the
// allocation counter's test.
#include <cstdlib>

extern "C" void* AllocProbe() {
    void* p = std::malloc(32);
    // Not a tail call: this library's frame must be on the stack when malloc runs.
    asm volatile("" : : "r"(p) : "memory");
    return p;
}
