// Our own 64-bit-significand arithmetic: its edges on every processor, and on x86 the game's three
// computations in it against the same ones on the x87, pixel by pixel and step by step.
#include "game/HudText.h"
#include "input/Mouse.h"
#include "platform/Extended.h"
#include "timing/Time.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Smallest = std::numeric_limits<double>::denorm_min();

// Doubles compare by their bits, NaNs by their sign alone.
::testing::AssertionResult SameDouble(double got, double want) {
    bool same = std::isnan(want)
                    ? std::isnan(got) && std::signbit(got) == std::signbit(want)
                    : std::bit_cast<std::uint64_t>(got) == std::bit_cast<std::uint64_t>(want);
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << got << " instead of " << want;
}

template <typename Real> double Apply(char op, double a, double b) {
    switch (op) {
    case '+':
        return ToDouble(Real(a) + Real(b));
    case '-':
        return ToDouble(Real(a) - Real(b));
    case '*':
        return ToDouble(Real(a) * Real(b));
    default:
        return ToDouble(Real(a) / Real(b));
    }
}

TEST(SoftExtended, EdgesAsTheX87HasThem) {
    struct Case {
        double a;
        char op;
        double b, want;
    };
    const Case cases[] = {
        {0.0, '/', 0.0, -NaN}, // an invalid operation gives the negative NaN
        {Inf, '-', Inf, -NaN},
        {0.0, '*', -Inf, -NaN},
        {NaN, '+', 1.0, NaN},
        {5.0, '/', 0.0, Inf},
        {-5.0, '/', 0.0, -Inf},
        {5.0, '/', -Inf, -0.0},
        {-0.0, '+', -0.0, -0.0},
        {-0.0, '+', 0.0, 0.0},
        {3.0, '-', 3.0, 0.0},
        {-3.0, '*', 0.0, -0.0},
        {1.0, '/', 3.0, 0x1.5555555555555p-2},
        {2.0, '/', 3.0, 0x1.5555555555555p-1},
        // 1 + 2^-53 + 2^-64 is rounded twice, as on the x87: to 64 bits (a tie, to even) and
        // then to a double (a tie again); once would give 1 + 2^-52.
        {1.0 + 0x1p-52, '-', 0x1p-53 - 0x1p-64, 1.0},
        {1.0, '-', 0x1p-70, 1.0},
        {0x1p-1000, '-', 0x1.8p-1070, 0x1p-1000},
        {0x1.fffffffffffffp+1023, '+', 0x1p+970, Inf}, // rounds past the largest double
        {0x1.fffffffffffffp+1023, '+', 0x1p+969, 0x1.fffffffffffffp+1023},
        {1e300, '*', 1e300, Inf},
        {1e-300, '*', 1e-300, 0.0},
        {Smallest, '*', 1.5, 2 * Smallest}, // halves to even among the subnormals
        {Smallest, '*', 2.5, 2 * Smallest},
        {Smallest, '*', 0.5, 0.0},
        {Smallest, '*', 0.75, Smallest},
        {0x1p-1022, '/', 0x1p+52, Smallest},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SameDouble(Apply<SoftExtended>(c.op, c.a, c.b), c.want))
            << std::hexfloat << c.a << ' ' << c.op << ' ' << c.b;
#if LDBL_MANT_DIG == 64
        EXPECT_TRUE(SameDouble(Apply<long double>(c.op, c.a, c.b), c.want))
            << "x87: " << std::hexfloat << c.a << ' ' << c.op << ' ' << c.b;
#endif
    }
}

TEST(SoftExtended, RoundsToIntegersHalvesToEven) {
    constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
    struct Case {
        SoftExtended value;
        bool fits;
        std::int64_t want;
    };
    const Case cases[] = {
        {SoftExtended(0.5), true, 0},
        {SoftExtended(1.5), true, 2},
        {SoftExtended(2.5), true, 2},
        {SoftExtended(-2.5), true, -2},
        {SoftExtended(0.49999999999999994), true, 0},
        {SoftExtended(-0.0), true, 0},
        {SoftExtended(1e-300), true, 0},
        {SoftExtended(Max), true, Max}, // every 64-bit integer is exact
        {SoftExtended(Min), true, Min},
        {SoftExtended(Min) - SoftExtended(0.5), true, Min},
        {SoftExtended(Max) + SoftExtended(0.5), false, 0},
        {SoftExtended(Min) - SoftExtended(1), false, 0},
        {SoftExtended(0x1p+63), false, 0},
        {SoftExtended(Inf), false, 0},
        {SoftExtended(NaN), false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t rounded = 12345;
        EXPECT_EQ(RoundToInt64(c.value, rounded), c.fits) << c.want;
        EXPECT_EQ(rounded, c.fits ? c.want : 12345);
    }
}

#if LDBL_MANT_DIG == 64
// The x87's value split as ours is: sign, exponent and 64-bit significand.
SoftExtended Split(long double value) {
    SoftExtended r;
    r.Negative = std::signbit(value);
    if (std::isnan(value)) {
        r.Kind = SoftExtended::NotANumber;
    } else if (std::isinf(value)) {
        r.Kind = SoftExtended::Infinite;
    } else if (value != 0) {
        int exponent = 0;
        long double fraction = std::frexp(std::fabs(value), &exponent);
        r.Significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        r.Exponent = exponent - 1;
    }
    return r;
}

::testing::AssertionResult SameValue(const SoftExtended& got, long double want) {
    SoftExtended w = Split(want);
    if (got.Kind == w.Kind && got.Negative == w.Negative &&
        (got.Kind != SoftExtended::Finite ||
         (got.Significand == w.Significand &&
          (got.Significand == 0 || got.Exponent == w.Exponent))))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << "the x87 gives " << want;
}

// Random significands, signs and exponents close enough to cancel or to meet in the last bits.
TEST(SoftExtended, EveryOperationAsTheX87OnRandomOperands) {
    std::mt19937_64 random(23);
    std::uniform_int_distribution<int> spread(-70, 70);
    int mismatches = 0;
    for (int i = 0; i < 400000 && mismatches < 10; ++i) {
        SoftExtended a, b;
        a.Significand = random() | (std::uint64_t{1} << 63);
        b.Significand = i % 4 == 0 ? a.Significand ^ (random() >> (random() % 64))
                                   : random() | (std::uint64_t{1} << 63);
        b.Significand |= std::uint64_t{1} << 63;
        a.Exponent = spread(random);
        b.Exponent = i % 8 == 0 ? a.Exponent : spread(random);
        a.Negative = random() & 1;
        b.Negative = random() & 1;
        const long double x = std::ldexp(static_cast<long double>(a.Significand), a.Exponent - 63) *
                              (a.Negative ? -1 : 1);
        const long double y = std::ldexp(static_cast<long double>(b.Significand), b.Exponent - 63) *
                              (b.Negative ? -1 : 1);
        const struct {
            char op;
            SoftExtended got;
            long double want;
        } results[] = {
            {'+', a + b, x + y}, {'-', a - b, x - y}, {'*', a * b, x * y}, {'/', a / b, x / y}};
        for (const auto& r : results) {
            ::testing::AssertionResult same = SameValue(r.got, r.want);
            if (!same) ++mismatches;
            EXPECT_TRUE(same) << std::hexfloat << x << ' ' << r.op << ' ' << y;
        }
        const double rounded = ToDouble(a / b);
        EXPECT_TRUE(SameDouble(rounded, static_cast<double>(x / y))) << std::hexfloat << x / y;
    }
}

// Every pixel of common and odd client sizes, and a run of counter steps at a nanosecond counter
// and at a 10 MHz one: the game's own mapping, frame time and readout, both ways.
TEST(SoftExtended, TheGameComputesAsTheX87ForEveryPixelAndStep) {
    int mismatches = 0;
    for (std::int32_t width : {799, 800, 1024, 1280, 1366, 1600, 1920, 2560}) {
        for (std::int32_t x = 0; x < width && mismatches < 10; ++x) {
            const auto pixel = static_cast<std::uint16_t>(x);
            const std::int32_t want = MapMouseXIn<long double>(pixel, width);
            if (MapMouseXIn<SoftExtended>(pixel, width) == want) continue;
            ++mismatches;
            ADD_FAILURE() << width << " wide, x " << x << ": the x87 gives " << want;
        }
    }
    for (std::int32_t height : {599, 600, 720, 768, 800, 1080, 1200}) {
        for (std::int32_t y = 0; y < height && mismatches < 10; ++y) {
            const auto pixel = static_cast<std::uint16_t>(y);
            const std::int32_t want = MapMouseYIn<long double>(pixel, height);
            if (MapMouseYIn<SoftExtended>(pixel, height) == want) continue;
            ++mismatches;
            ADD_FAILURE() << height << " high, y " << y << ": the x87 gives " << want;
        }
    }
    for (std::int64_t frequency : {1000000000, 10000000}) {
        // Every step up to a millisecond at the faster counter, then a stride to two seconds.
        for (std::int64_t step = 0; step < 2000000000 && mismatches < 10;
             step += step < 1000000 ? 1 : 997) {
            const double ms = FrameTimeMsIn<long double>(frequency, step);
            if (!SameDouble(FrameTimeMsIn<SoftExtended>(frequency, step), ms)) {
                ++mismatches;
                ADD_FAILURE() << frequency << " Hz, " << step << " ticks: the x87 gives "
                              << std::hexfloat << ms;
            }
            std::int64_t rate = -1, wantRate = -1;
            if (FrameRateIn<SoftExtended>(ms, rate) == FrameRateIn<long double>(ms, wantRate) &&
                rate == wantRate)
                continue;
            ++mismatches;
            ADD_FAILURE() << std::hexfloat << ms << " ms: the x87 reads " << wantRate;
        }
    }
}
#endif
} // namespace
