// The I/O error codes the Linux file calls give, which pick the failure report's message.
#include "platform/Sys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
TEST(SysFiles, OpenFailuresGiveTheDesignedCodes) {
    ScopedWorkDir dir;
    WriteFileBytes("plain", "x");
    std::filesystem::create_directory("folder");
    const struct {
        std::string Name;
        SysOpenMode Mode;
        int Code;
    } cases[] = {
        {"missing", SysOpenMode::ReadWrite, 2},
        {"nowhere/missing", SysOpenMode::CreateNew, 2},
        {"plain/below", SysOpenMode::ReadOnly, 3},
        {std::string(300, 'n'), SysOpenMode::CreateNew, 3},
        {"folder", SysOpenMode::ReadWrite, 5},
        {"plain", SysOpenMode::ReadWrite, 0},
    };
    for (const auto& c : cases) {
        SysFile file = -1;
        EXPECT_EQ(SysOpenFile(c.Name.c_str(), c.Mode, file), c.Code) << c.Name;
        if (c.Code == 0) {
            EXPECT_EQ(SysCloseFile(file), 0);
        }
    }
}

// A device error (EIO is 5 on Linux) must not be reported as "File access denied".
TEST(SysFiles, DeviceErrorIsNotAccessDenied) {
    SysFile file = -1;
    ASSERT_EQ(SysOpenFile("/proc/self/mem", SysOpenMode::ReadOnly, file), 0);
    char buffer[16];
    std::size_t got = 0;
    EXPECT_EQ(SysReadFile(file, buffer, sizeof buffer, got), 1117); // address 0 is not mapped
    SysCloseFile(file);
}
} // namespace
