// Time.h - the frame timer on the high-resolution counter.
#pragma once

#include <cstdint>

extern std::int64_t TimerFrequency;
extern std::int64_t CurrentCount;
extern std::int64_t PreviousCount;

// Where the timer reads its counter; tests point these at a clock of their own.
extern std::int64_t (*ReadCounterFrequency)();
extern std::int64_t (*ReadCounter)();

// Called once by InitGame: reads the frequency and the start value, writes the two lines.
void StartTimer();

// Called first in every UpdateGame.
void TickTimer();

// The time between the last two ticks in milliseconds; no side effects.
double FrameTimeMs();

// The same for a counter frequency and a difference of two counts, in the given arithmetic
// (platform/Extended.h): SoftExtended, and on x86 the processor's own long double, which tests
// hold it against. FrameTimeMs uses Extended.
template <typename Real> double FrameTimeMsIn(std::int64_t frequency, std::int64_t difference);
