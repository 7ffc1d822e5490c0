// The I/O error codes of the Linux file calls pick the failure report's message.
#include "platform/Sys.h"

#include <gtest/gtest.h>

namespace {
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
