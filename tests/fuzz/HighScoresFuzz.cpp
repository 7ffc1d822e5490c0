// libFuzzer target: any bytes as "highScores.dat", through the load's decoding, the save's
// encoding and the sort.
#include "FuzzChecks.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string broken = fuzz::CheckHighScores(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "high-score check failed: %s\n", broken.c_str());
        __builtin_trap();
    }
    return 0;
}
