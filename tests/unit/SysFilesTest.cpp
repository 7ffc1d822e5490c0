// The I/O error codes of the Linux file calls pick the failure report's message.
#include "platform/Sys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
// A pipe or device in a file's place is refused at once in every mode, never waited on; a
// write through a handle not open for writing is the invalid handle, as on Windows.
TEST(SysFiles, OddFilesAndHandles) {
    ScopedWorkDir dir;
    ASSERT_EQ(mkfifo("pipe", 0666), 0);
    for (const char* name : {"pipe", "/dev/null"})
        for (SysOpenMode mode :
             {SysOpenMode::ReadOnly, SysOpenMode::ReadWrite, SysOpenMode::CreateNew}) {
            SysFile file = -1;
            EXPECT_EQ(SysOpenFile(name, mode, file), 5) << name << int(mode);
        }
    EXPECT_FALSE(SysFileExists("pipe"));

    WriteFileBytes("table", "x");
    SysFile file = -1;
    ASSERT_EQ(SysOpenFile("table", SysOpenMode::ReadOnly, file), 0);
    EXPECT_EQ(SysWriteFile(file, "y", 1), 6);
    SysCloseFile(file);
}
} // namespace
