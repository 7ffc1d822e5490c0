// Extended.h - arithmetic with the x87's 64-bit significand, on every processor.
//
// The mouse mapping, the frame time and the frame-rate readout round every step to a 64-bit
// significand, halves to even, as the 32-bit Windows build does on the x87. Where the processor's
// own long double is that format (x86), the game computes with it; elsewhere (arm64, where long
// double has a 113-bit significand, and WebAssembly) with SoftExtended, which gives the same
// results bit for bit. A computation is written once, for either type.
#pragma once

#include <cfloat>
#include <concepts>
#include <cstdint>
#include <type_traits>

struct SoftExtended {
    enum Class : std::uint8_t { Finite, Infinite, NotANumber };
    Class Kind = Finite;
    bool Negative = false;
    // value = Significand x 2^(Exponent - 63), the top bit set unless the value is 0. Unlike the
    // x87's, the exponent has no bounds to reach: the game's few steps from 64-bit integers and
    // doubles stay thousands of binades inside the x87's range.
    std::int32_t Exponent = 0;
    std::uint64_t Significand = 0;

    SoftExtended() = default;
    // Both conversions are exact, as the x87's loads are.
    template <std::integral Integer> explicit SoftExtended(Integer value) {
        static_assert(sizeof(Integer) <= sizeof(std::uint64_t));
        if constexpr (std::is_signed_v<Integer>)
            SetInteger(value < 0, value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value));
        else
            SetInteger(false, value);
    }
    explicit SoftExtended(double value);

  private:
    void SetInteger(bool negative, std::uint64_t magnitude);
};

// Each rounds its exact result to 64 bits, nearest, halves to even; NaN and the infinities as the
// x87 has them (an invalid operation gives its negative NaN).
SoftExtended operator+(SoftExtended a, SoftExtended b);
SoftExtended operator-(SoftExtended a, SoftExtended b);
SoftExtended operator*(SoftExtended a, SoftExtended b);
SoftExtended operator/(SoftExtended a, SoftExtended b);

// To the nearest double, halves to even (subnormals and overflow included).
double ToDouble(SoftExtended value);
inline double ToDouble(long double value) {
    return static_cast<double>(value);
}

// To the nearest integer, halves to even. False when the value is not finite or its integer does
// not fit in 64 bits; rounded is then left alone.
bool RoundToInt64(SoftExtended value, std::int64_t& rounded);
bool RoundToInt64(long double value, std::int64_t& rounded);

#if LDBL_MANT_DIG == 64
using Extended = long double; // the processor's own is the x87's
#else
using Extended = SoftExtended;
#endif
