// The Linux side of the console: the standard descriptors, the lines and the failure report.
#include "platform/Sys.h"
#include "platform/x11/X11State.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// A closed standard descriptor would be taken by the next file or connection we open, and the
// console lines would go into it. Each is held by /dev/null opened for reading only, so a
// console line written there fails on the invalid handle as it does on Windows.
void ReserveStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int held = open("/dev/null", O_RDONLY);
        if (held < 0) held = open("/", O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

SysFile SysStandardOutput() { return STDOUT_FILENO; }

void SysWriteReport(const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}
