// The process side of the Win32 backend: floating point, clock, module name, report.
#include "platform/Sys.h"
#include "platform/win32/Win32Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(Win32Process, ControlWordHoldsFromLoad) {
    // Set by the load-time constructor, before gtest or any game global ran.
    EXPECT_TRUE(GameControlWordHolds()) << std::hex << ReadControlWord();
    SysProcessStart();
    EXPECT_TRUE(GameControlWordHolds()) << std::hex << ReadControlWord();
}

TEST(Win32Process, ArithmeticUsesExtendedPrecisionAndNeverTraps) {
    volatile long double one = 1.0L;
    volatile long double tiny = std::ldexp(1.0L, -63);
    volatile long double sum = one + tiny;
    EXPECT_EQ(sum - one, tiny) << "long double lost its 64-bit significand";

    // Masked exceptions: a division by zero gives infinity, 0/0 a NaN.
    volatile double zero = 0.0;
    EXPECT_TRUE(std::isinf(1.0 / zero));
    EXPECT_TRUE(std::isnan(zero / zero));

    // Round to nearest, ties to even.
    volatile long double half = 2.5L;
    EXPECT_EQ(std::nearbyint(half), 2.0L);
}

TEST(Win32Process, ClockIsThePerformanceCounter) {
    LARGE_INTEGER frequency{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(SysCounterFrequency(), frequency.QuadPart);
    // tests/wine/run checks the game's frequency line against this.
    RecordProperty("frequency", std::to_string(frequency.QuadPart));

    std::int64_t first = SysCounterNow();
    std::int64_t seed = 0;
    ASSERT_TRUE(SysReadCounter(seed));
    std::int64_t second = SysCounterNow();
    EXPECT_LE(first, seed);
    EXPECT_LE(seed, second);

    std::uint32_t ticks = SysTickCount();
    EXPECT_LE(GetTickCount() - ticks, 1000u) << "the tick count is not GetTickCount's";
}

TEST(Win32Process, ModuleNameIsTheExeFileAlone) {
    std::string name = SysModuleName();
    ASSERT_GE(name.size(), 5u);
    EXPECT_EQ(name.find_first_of("\\/:"), std::string::npos) << name;
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower, "win32_tests.exe");
}

TEST(Win32Process, ReportGoesToStandardErrorInTheOemCodePage) {
    // An ANSI letter that the OEM code page keeps elsewhere.
    const char text[] = "caf\xE9\r\n";
    char expected[sizeof text];
    ASSERT_TRUE(CharToOemBuffA(text, expected, sizeof text - 1));
    expected[sizeof text - 1] = '\0';

    // Point the standard error handle at a file for the length of the report.
    char path[MAX_PATH];
    char dir[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameA(dir, "qvr", 0, path), 0u);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, file);
    SysWriteReport(text, sizeof text - 1);
    SetStdHandle(STD_ERROR_HANDLE, saved);

    char got[32] = {};
    DWORD n = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(file, got, sizeof got, &n, nullptr));
    CloseHandle(file);
    DeleteFileA(path);
    EXPECT_EQ(std::string(got, n), std::string(expected));
}
