#include "platform/Failure.h"

#include "platform/Sys.h"

#include <cstdio>

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

std::string FormatFailureReport(const char* kind, const char* module, const void* address,
                                const std::string& message) {
    char where[16];
    std::snprintf(where, sizeof where, "%08X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(address) & 0xFFFFFFFFu));
    std::string text = "Exception ";
    text += kind;
    text += " in module ";
    text += module;
    text += " at ";
    text += where;
    text += ".\r\n";
    text += message;
    if (message.empty() || message.back() != '.') text += '.';
    text += "\r\n\r\n";
    return text;
}

void ReportFailure(const char* kind, const void* address, const std::string& message) {
    std::fflush(stdout);
    std::string text = FormatFailureReport(kind, SysModuleName(), address, message);
    SysWriteReport(text.data(), text.size());
}
