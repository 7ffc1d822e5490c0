#include "timing/Time.h"

#include <gtest/gtest.h>

namespace {

std::int64_t FakeFrequency = 0;
std::int64_t FakeNow = 0;

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReadCounterFrequency = [] { return FakeFrequency; };
        ReadCounter = [] { return FakeNow; };
    }
};

TEST_F(TimerTest, StartWritesTheTwoLinesAndTheFirstFrameTimeIsZero) {
    FakeFrequency = 1000000000;
    FakeNow = -42;
    testing::internal::CaptureStdout();
    StartTimer();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Performance Counter frequency: 1000000000 ticks per second\r\nStart Time: -42\r\n");
    EXPECT_EQ(PreviousCount, CurrentCount);
    EXPECT_EQ(FrameTimeMs(), 0.0);
}

TEST_F(TimerTest, FrameTimeUsesFractionalTicksPerMillisecond) {
    struct Case {
        std::int64_t frequency, step;
        double ms;
    } cases[] = {
        {2500, 7, 2.8},                  // an integer division would give 3.5
        {1000000000, 16000000, 16.0},
        {1000000000, 2000000000, 2000.0},  // a stall enters in full
        {3579545, 3579545, 1000.0},
        // The last bit as the x87 rounds it, twice: to 64 bits, then to a double.
        {1000000000, 105441, 0x1.afe2e6ea85448p-4},
        {1000000000, 2877, 0x1.791819d2391d6p-9},
        {1000000000, 11227, 0x1.6fe2e6ea85448p-7},
    };
    for (const auto& c : cases) {
        FakeFrequency = c.frequency;
        FakeNow = 1000;
        testing::internal::CaptureStdout();
        StartTimer();
        testing::internal::GetCapturedStdout();
        FakeNow += c.step;
        TickTimer();
        EXPECT_EQ(FrameTimeMs(), c.ms)
            << std::hexfloat << c.frequency << " Hz, " << c.step << " ticks";
        EXPECT_EQ(FrameTimeMs(), FrameTimeMs());
        TickTimer();   // the same counter value twice
        EXPECT_EQ(FrameTimeMs(), 0.0);
    }
}

} // namespace
