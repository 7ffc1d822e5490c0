// Random.h - the run's random generator.
#pragma once

#include <cstdint>

// Where every draw comes from; tests point it at draws of their own.
extern std::uint32_t (*RandomSource)();

// Seeds the built-in generator.
void Randomize(std::uint32_t seed);

// A uniform integer from the half-open range [low, high); low when the range is empty.
std::int32_t RandomInt(std::int32_t low, std::int32_t high);

// A uniform real from [0, 1).
double RandomReal();
