// Failure.h - failures that nothing in the game handles: they end the run with a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A failed file operation. Code is the I/O error number (see Sys.h).
struct InOutError {
    int Code;
    const void* Address;   // where the failure arose, for the report
};

// Throws InOutError with the caller's address when code is not 0.
void CheckIO(int code);

// The message for an I/O error code: "File not found", "File access denied", ...
std::string InOutMessage(int code);

// The whole text of the report: "Exception <kind> in module <module> at <address>.\r\n..."
// written into out (always terminated, cut to fit); its length.
std::size_t FormatFailureReport(char* out, std::size_t size, const char* kind, const char* module,
                                const void* address, const char* message);
std::string FormatFailureReport(const char* kind, const char* module, const void* address,
                                const std::string& message);

// Flushes standard output and writes the report to standard error; allocates nothing.
void ReportFailure(const char* kind, const void* address, const char* message);
