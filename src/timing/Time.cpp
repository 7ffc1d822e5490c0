#include "timing/Time.h"

#include "platform/Console.h"
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

double FrameTimeMs() {
    // Ticks per millisecond with fractions: an integer division here would be off by up to
    // a whole tick per millisecond at low counter rates.
    long double ticksPerMs = static_cast<long double>(TimerFrequency) / 1000.0L;
    long double difference = static_cast<long double>(CurrentCount - PreviousCount);
    return static_cast<double>(difference / ticksPerMs);
}
