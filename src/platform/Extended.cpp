#include "platform/Extended.h"

#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace {
using Soft = SoftExtended;
constexpr std::uint64_t TopBit = std::uint64_t{1} << 63;
constexpr std::uint64_t Low32 = 0xFFFFFFFFu;

Soft Special(Soft::Class kind, bool negative) {
    Soft r;
    r.Kind = kind;
    r.Negative = negative;
    return r;
}

Soft Zero(bool negative) {
    return Special(Soft::Finite, negative);
}

// The x87's answer to an invalid operation (0/0, inf - inf, 0 x inf): its negative quiet NaN.
Soft Invalid() {
    return Special(Soft::NotANumber, true);
}

bool IsZero(const Soft& v) {
    return v.Kind == Soft::Finite && v.Significand == 0;
}

// hi:lo, hi's top bit set, rounded to the 64 bits of hi: nearest, halves to even. Bits lost
// below lo must have been folded into its lowest bit.
Soft Rounded(bool negative, std::int64_t exponent, std::uint64_t hi, std::uint64_t lo) {
    if (lo > TopBit || (lo == TopBit && (hi & 1))) {
        if (++hi == 0) {
            hi = TopBit;
            ++exponent;
        }
    }
    Soft r;
    r.Negative = negative;
    r.Exponent = static_cast<std::int32_t>(exponent);
    r.Significand = hi;
    return r;
}

// value >> shift, rounded to nearest, halves to even; shift from 1 up.
std::uint64_t ShiftRounded(std::uint64_t value, unsigned shift) {
    if (shift > 64) return 0; // below half of the last place kept
    std::uint64_t kept = shift == 64 ? 0 : value >> shift;
    std::uint64_t rest = shift == 64 ? value : value & ((std::uint64_t{1} << shift) - 1);
    std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (kept & 1))) ++kept;
    return kept;
}

void Multiply64(std::uint64_t a, std::uint64_t b, std::uint64_t& hi, std::uint64_t& lo) {
    std::uint64_t a0 = a & Low32, a1 = a >> 32, b0 = b & Low32, b1 = b >> 32;
    std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    std::uint64_t middle = (p00 >> 32) + (p01 & Low32) + (p10 & Low32);
    lo = (middle << 32) | (p00 & Low32);
    hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

// hi:lo / divisor for a divisor with its top bit set and hi < divisor, so the quotient fits in
// 64 bits: long division in 32-bit digits, each estimated from the divisor's top digit and
// corrected at most twice.
std::uint64_t Divide128(std::uint64_t hi, std::uint64_t lo, std::uint64_t divisor,
                        std::uint64_t& remainder) {
    constexpr std::uint64_t Base = std::uint64_t{1} << 32;
    std::uint64_t v1 = divisor >> 32, v0 = divisor & Low32;
    std::uint64_t u1 = lo >> 32, u0 = lo & Low32;

    std::uint64_t q1 = hi / v1, rhat = hi - q1 * v1;
    while (q1 >= Base || q1 * v0 > ((rhat << 32) | u1)) {
        --q1;
        rhat += v1;
        if (rhat >= Base) break;
    }
    std::uint64_t middle = (hi << 32) + u1 - q1 * divisor; // exact modulo 2^64

    std::uint64_t q0 = middle / v1;
    rhat = middle - q0 * v1;
    while (q0 >= Base || q0 * v0 > ((rhat << 32) | u0)) {
        --q0;
        rhat += v1;
        if (rhat >= Base) break;
    }
    remainder = (middle << 32) + u0 - q0 * divisor;
    return (q1 << 32) + q0;
}

// a + b for finite non-zero operands of any signs.
Soft AddFinite(Soft a, Soft b) {
    if (b.Exponent > a.Exponent || (b.Exponent == a.Exponent && b.Significand > a.Significand))
        std::swap(a, b);
    // b lined up under a in 128 bits; what falls off the end is folded into the lowest bit.
    std::uint64_t shift = static_cast<std::uint64_t>(std::int64_t{a.Exponent} - b.Exponent);
    std::uint64_t bhi = 0, blo = 0;
    if (shift == 0) {
        bhi = b.Significand;
    } else if (shift < 64) {
        bhi = b.Significand >> shift;
        blo = b.Significand << (64 - shift);
    } else if (shift == 64) {
        blo = b.Significand;
    } else if (shift < 128) {
        blo = b.Significand >> (shift - 64);
        if (b.Significand << (128 - shift)) blo |= 1;
    } else {
        blo = 1;
    }

    std::int64_t exponent = a.Exponent;
    std::uint64_t hi, lo;
    if (a.Negative == b.Negative) {
        lo = blo;
        hi = a.Significand + bhi;
        if (hi < bhi) { // carried out of the top: one place right, keeping what falls off
            lo = (lo >> 1) | (hi << 63) | (lo & 1);
            hi = (hi >> 1) | TopBit;
            ++exponent;
        }
    } else {
        lo = 0 - blo;
        hi = a.Significand - bhi - (blo != 0 ? 1 : 0);
        if (hi == 0 && lo == 0) return Zero(false); // x - x is +0 when rounding to nearest
        int lead = hi != 0 ? std::countl_zero(hi) : 64 + std::countl_zero(lo);
        if (lead >= 64) {
            hi = lo << (lead - 64);
            lo = 0;
        } else if (lead > 0) {
            hi = (hi << lead) | (lo >> (64 - lead));
            lo <<= lead;
        }
        exponent -= lead;
    }
    return Rounded(a.Negative, exponent, hi, lo);
}
} // namespace

void SoftExtended::SetInteger(bool negative, std::uint64_t magnitude) {
    *this = Zero(negative && magnitude != 0);
    if (magnitude == 0) return;
    int lead = std::countl_zero(magnitude);
    Exponent = 63 - lead;
    Significand = magnitude << lead;
}

SoftExtended::SoftExtended(double value) {
    Negative = std::signbit(value);
    if (std::isnan(value)) {
        Kind = NotANumber;
    } else if (std::isinf(value)) {
        Kind = Infinite;
    } else if (value != 0) {
        // value = fraction x 2^exponent, fraction in [0.5, 1) with at most 53 bits.
        int exponent = 0;
        double fraction = std::frexp(std::fabs(value), &exponent);
        Significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53)) << 11;
        Exponent = exponent - 1;
    }
}

SoftExtended operator+(SoftExtended a, SoftExtended b) {
    if (a.Kind == Soft::NotANumber) return a;
    if (b.Kind == Soft::NotANumber) return b;
    if (a.Kind == Soft::Infinite) {
        if (b.Kind == Soft::Infinite && b.Negative != a.Negative) return Invalid();
        return a;
    }
    if (b.Kind == Soft::Infinite) return b;
    if (IsZero(b)) return IsZero(a) ? Zero(a.Negative && b.Negative) : a;
    if (IsZero(a)) return b;
    return AddFinite(a, b);
}

SoftExtended operator-(SoftExtended a, SoftExtended b) {
    if (b.Kind != Soft::NotANumber) b.Negative = !b.Negative;
    return a + b;
}

SoftExtended operator*(SoftExtended a, SoftExtended b) {
    if (a.Kind == Soft::NotANumber) return a;
    if (b.Kind == Soft::NotANumber) return b;
    bool negative = a.Negative != b.Negative;
    if (a.Kind == Soft::Infinite || b.Kind == Soft::Infinite) {
        if (IsZero(a) || IsZero(b)) return Invalid();
        return Special(Soft::Infinite, negative);
    }
    if (IsZero(a) || IsZero(b)) return Zero(negative);
    std::uint64_t hi, lo;
    Multiply64(a.Significand, b.Significand, hi, lo);
    std::int64_t exponent = std::int64_t{a.Exponent} + b.Exponent + 1;
    if (!(hi & TopBit)) { // the product is below 2^127: one place left
        hi = (hi << 1) | (lo >> 63);
        lo <<= 1;
        --exponent;
    }
    return Rounded(negative, exponent, hi, lo);
}

SoftExtended operator/(SoftExtended a, SoftExtended b) {
    if (a.Kind == Soft::NotANumber) return a;
    if (b.Kind == Soft::NotANumber) return b;
    bool negative = a.Negative != b.Negative;
    if (a.Kind == Soft::Infinite) {
        if (b.Kind == Soft::Infinite) return Invalid();
        return Special(Soft::Infinite, negative);
    }
    if (b.Kind == Soft::Infinite) return Zero(negative);
    if (IsZero(b)) return IsZero(a) ? Invalid() : Special(Soft::Infinite, negative);
    if (IsZero(a)) return Zero(negative);

    // The quotient of the significands scaled into [2^63, 2^64), and its exact remainder.
    std::int64_t exponent = std::int64_t{a.Exponent} - b.Exponent;
    std::uint64_t remainder = 0, quotient;
    if (a.Significand >= b.Significand) {
        quotient = Divide128(a.Significand >> 1, a.Significand << 63, b.Significand, remainder);
    } else {
        quotient = Divide128(a.Significand, 0, b.Significand, remainder);
        --exponent;
    }
    // Nearest: up when the remainder is over half the divisor, halves to even.
    std::uint64_t lo = remainder == 0                           ? 0
                       : remainder > b.Significand - remainder  ? TopBit | 1
                       : remainder == b.Significand - remainder ? TopBit
                                                                : 1;
    return Rounded(negative, exponent, quotient, lo);
}

double ToDouble(SoftExtended value) {
    double sign = value.Negative ? -1.0 : 1.0;
    if (value.Kind == Soft::NotANumber)
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
    if (value.Kind == Soft::Infinite) return sign * std::numeric_limits<double>::infinity();
    if (value.Significand == 0) return sign * 0.0;
    // 53 bits for a normal double; below 2^-1022 fewer, counted in steps of 2^-1074.
    std::int64_t exponent = value.Exponent;
    if (exponent < -1022) {
        std::int64_t shift = 11 + (-1022 - exponent);
        std::uint64_t units = ShiftRounded(value.Significand, shift > 65 ? 65u : unsigned(shift));
        return sign * std::ldexp(static_cast<double>(units), -1074);
    }
    std::uint64_t mantissa = ShiftRounded(value.Significand, 11);
    if (mantissa == std::uint64_t{1} << 53) {
        mantissa >>= 1;
        ++exponent;
    }
    if (exponent > 1023) return sign * std::numeric_limits<double>::infinity();
    return sign * std::ldexp(static_cast<double>(mantissa), static_cast<int>(exponent - 52));
}

bool RoundToInt64(SoftExtended value, std::int64_t& rounded) {
    if (value.Kind != Soft::Finite) return false;
    if (value.Exponent >= 63 && value.Significand != 0) {
        // Only -2^63 itself fits; every larger magnitude is an integer already.
        if (!(value.Negative && value.Exponent == 63 && value.Significand == TopBit)) return false;
        rounded = std::numeric_limits<std::int64_t>::min();
        return true;
    }
    std::uint64_t magnitude = 0;
    if (value.Significand != 0 && value.Exponent >= -1)
        magnitude = ShiftRounded(value.Significand, static_cast<unsigned>(63 - value.Exponent));
    if (magnitude > TopBit || (magnitude == TopBit && !value.Negative)) return false;
    rounded = static_cast<std::int64_t>(value.Negative ? 0 - magnitude : magnitude);
    return true;
}

bool RoundToInt64(long double value, std::int64_t& rounded) {
    // Converting anything outside the range is undefined, so the bounds are checked first;
    // both are powers of two and exact in every floating type.
    constexpr long double upper = 9223372036854775808.0L;
    if (!std::isfinite(value)) return false;
    long double nearest = std::nearbyintl(value);
    if (nearest >= upper || nearest < -upper) return false;
    rounded = static_cast<std::int64_t>(nearest);
    return true;
}
