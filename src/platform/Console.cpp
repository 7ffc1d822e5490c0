#include "platform/Console.h"

#include "platform/Failure.h"
#include "platform/Sys.h"

#include <cstring>

void ConsoleLine(std::string_view text) {
    // Written straight through, one whole line at a time, so the console and a pipe see the
    // same order as the game; a failed write is a failed file operation like any other.
    char line[256];
    if (text.size() + 2 <= sizeof line) {
        std::memcpy(line, text.data(), text.size());
        std::memcpy(line + text.size(), "\r\n", 2);
        CheckIO(SysWriteFile(SysStandardOutput(), line, text.size() + 2));
    } else {
        CheckIO(SysWriteFile(SysStandardOutput(), text.data(), text.size()));
        CheckIO(SysWriteFile(SysStandardOutput(), "\r\n", 2));
    }
}
