#include "game/Random.h"

namespace {
std::uint64_t State = 0;

// splitmix64: small, fast and good enough for placing crates.
std::uint32_t NextBuiltIn() {
    std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}
} // namespace

std::uint32_t (*RandomSource)() = NextBuiltIn;

void Randomize(std::uint32_t seed) { State = seed; }

std::int64_t RandomInt(std::int64_t low, std::int64_t high) {
    if (high <= low) return low;
    const std::uint64_t range = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    const std::uint64_t draw = RandomSource();
    // (draw * range) >> 32 without 128-bit arithmetic; exact whenever range fits in 32 bits.
    const std::uint64_t offset = draw * (range >> 32) + ((draw * (range & 0xFFFFFFFFu)) >> 32);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(low) + offset);
}

double RandomReal() { return static_cast<double>(RandomSource()) / 4294967296.0; }
