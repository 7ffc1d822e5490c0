// Random.h - the run's random generator.
#pragma once

#include <cstdint>

// Where every draw comes from; tests point it at draws of their own.
extern std::uint32_t (*RandomSource)();

// Seeds the built-in generator.
void Randomize(std::uint32_t seed);

// A uniform integer from the half-open range [low, high), from one draw; low when the range is
// empty. Bounds are 64-bit so a target's time range cannot overflow at extreme scores.
std::int64_t RandomInt(std::int64_t low, std::int64_t high);

// A uniform real from [0, 1).
double RandomReal();
