#include "platform/Failure.h"

#include "platform/Sys.h"

#include <cstdio>
#include <cstring>

[[gnu::noinline]] void CheckIO(int code) {
    if (code != 0) throw InOutError{code, __builtin_return_address(0)};
}

std::string InOutMessage(int code) {
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

std::size_t FormatFailureReport(char* out, std::size_t size, const char* kind, const char* module,
                                const void* address, const char* message) {
    std::size_t length = std::strlen(message);
    const char* stop = length > 0 && message[length - 1] == '.' ? "" : ".";
    int n = std::snprintf(out, size, "Exception %s in module %s at %08X.\r\n%s%s\r\n\r\n", kind, module,
                          static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(address) & 0xFFFFFFFFu),
                          message, stop);
    if (n < 0) return 0;
    return static_cast<std::size_t>(n) < size ? static_cast<std::size_t>(n) : size - 1;
}

std::string FormatFailureReport(const char* kind, const char* module, const void* address,
                                const std::string& message) {
    char text[1024];
    return {text, FormatFailureReport(text, sizeof text, kind, module, address, message.c_str())};
}

void ReportFailure(const char* kind, const void* address, const char* message) {
    // Built on the stack: after running out of memory, the report must not need any.
    std::fflush(stdout);
    char text[1024];
    std::size_t length = FormatFailureReport(text, sizeof text, kind, SysModuleName(), address, message);
    SysWriteReport(text, length);
}
