#include "timing/Time.h"

#include "platform/Console.h"
#include "platform/Extended.h"
#include "platform/Sys.h"

#include <cstdio>

std::int64_t TimerFrequency = 0;
std::int64_t CurrentCount = 0;
std::int64_t PreviousCount = 0;

std::int64_t (*ReadCounterFrequency)() = SysCounterFrequency;
std::int64_t (*ReadCounter)() = SysCounterNow;

void StartTimer() {
    TimerFrequency = ReadCounterFrequency();
    CurrentCount = ReadCounter();
    char line[96];
    std::snprintf(line, sizeof line, "Performance Counter frequency: %lld ticks per second",
                  static_cast<long long>(TimerFrequency));
    ConsoleLine(line);
    std::snprintf(line, sizeof line, "Start Time: %lld", static_cast<long long>(CurrentCount));
    ConsoleLine(line);
    PreviousCount = CurrentCount;
}

void TickTimer() {
    PreviousCount = CurrentCount;
    CurrentCount = ReadCounter();
}

// Ticks per millisecond with fractions: an integer division here would be off by up to a whole
// tick per millisecond at low counter rates. Both quotients round to the 64-bit significand, the
// result once more to a double.
template <typename Real> double FrameTimeMsIn(std::int64_t frequency, std::int64_t difference) {
    Real ticksPerMs = Real(frequency) / Real(1000);
    return ToDouble(Real(difference) / ticksPerMs);
}

template double FrameTimeMsIn<SoftExtended>(std::int64_t, std::int64_t);
#if LDBL_MANT_DIG == 64
template double FrameTimeMsIn<long double>(std::int64_t, std::int64_t);
#endif

double FrameTimeMs() {
    return FrameTimeMsIn<Extended>(TimerFrequency, CurrentCount - PreviousCount);
}
