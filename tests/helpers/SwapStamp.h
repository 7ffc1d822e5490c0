// SwapStamp.h - the frame record a stamped program shares with the benchmark.
#pragma once

#include <cstdint>

struct StampRecord {
    std::int64_t Ns;          // CLOCK_MONOTONIC when the swap returned
    std::int64_t MinorFaults; // the process's minor page faults so far, all threads
};

constexpr std::uint32_t StampCapacity = 8192;

// A file both map: the program records every presented frame and waits at the swap once it
// has presented Allowed frames; the driver raises Allowed to let it run on.
struct StampShared {
    std::uint32_t Allowed;              // futex word the program waits on
    std::uint32_t Presented;            // futex word the driver waits on
    StampRecord Records[StampCapacity]; // frame n (from 0) at n % StampCapacity
};
