// The report of a failure that nothing handles, and the messages of failed file operations.
#include "platform/Failure.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {
TEST(FailureReport, InOutMessages) {
    const struct {
        int Code;
        const char* Message;
    } cases[] = {
        {2, "File not found"},
        {3, "Invalid filename"},
        {4, "Too many open files"},
        {5, "File access denied"},
        {100, "Read beyond end of file"},
        {101, "Disk full"},
        {106, "Invalid numeric input"},
        {1, "I/O error 1"},
        {6, "I/O error 6"},
        {103, "I/O error 103"},
        {32, "I/O error 32"},
        {1117, "I/O error 1117"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InOutMessage(c.Code), c.Message) << c.Code;
}

TEST(FailureReport, Format) {
    const struct {
        const char* Kind;
        const char* Module;
        std::uintptr_t Address;
        const char* Message;
        const char* Report;
    } cases[] = {
        {"EInOutError", "quorvin", 0x0040A1B2, "File access denied",
         "Exception EInOutError in module quorvin at 0040A1B2.\r\nFile access denied.\r\n\r\n"},
        {"EOutOfMemory", "quorvin.exe", 0, "Out of memory",
         "Exception EOutOfMemory in module quorvin.exe at 00000000.\r\nOut of memory.\r\n\r\n"},
        // A message that already ends with a full stop gets no second one.
        {"EInOutError", "quorvin", 0xDEADBEEF, "Done.",
         "Exception EInOutError in module quorvin at DEADBEEF.\r\nDone.\r\n\r\n"},
        {"EInOutError", "quorvin", 0x1F, "I/O error 32",
         "Exception EInOutError in module quorvin at 0000001F.\r\nI/O error 32.\r\n\r\n"},
        {"EInOutError", "quorvin", 0x10, "",
         "Exception EInOutError in module quorvin at 00000010.\r\n.\r\n\r\n"},
        // A 64-bit address shows its low half: the report has room for eight digits.
        {"E", "m", static_cast<std::uintptr_t>(0x7FFF12AB34CDull), "x",
         "Exception E in module m at 12AB34CD.\r\nx.\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFailureReport(c.Kind, c.Module, reinterpret_cast<const void*>(c.Address),
                                      c.Message),
                  c.Report);
}
} // namespace
