// libFuzzer target: any bytes as an image file, through the loader's header check.
#include "FuzzChecks.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string broken = fuzz::CheckTga(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "TGA check failed: %s\n", broken.c_str());
        __builtin_trap();
    }
    return 0;
}
