#include "platform/Console.h"

#include "platform/Failure.h"

#include <cerrno>
#include <cstdio>

void ConsoleLine(std::string_view text) {
    // One line at a time, flushed, so the console and a pipe see the same order as the game.
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                   std::fwrite("\r\n", 1, 2, stdout) == 2 && std::fflush(stdout) == 0;
    if (!written) {
        std::clearerr(stdout);
        CheckIO(errno == ENOSPC ? 101 : (errno != 0 ? errno : 105));
    }
}
