// The Windows side of the console: the lines' handle and the failure report.
#include "platform/Sys.h"
#include "platform/win32/Win32.h"

#include <cstring>
#include <io.h>

SysFile SysStandardOutput() {
    // The handle behind the C runtime's descriptor 1, which follows any redirection of it.
    return static_cast<SysFile>(_get_osfhandle(1));
}

void SysWriteReport(const char* text, std::size_t length) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    // The console shows the OEM code page; the game's strings are ANSI. Converted in pieces
    // on the stack, since the report may follow an out-of-memory failure.
    char oem[512];
    while (length > 0) {
        DWORD piece = static_cast<DWORD>(length < sizeof oem ? length : sizeof oem);
        if (!CharToOemBuffA(text, oem, piece)) std::memcpy(oem, text, piece);
        const char* at = oem;
        DWORD left = piece;
        while (left > 0) {
            DWORD written = 0;
            if (!WriteFile(error, at, left, &written, nullptr) || written == 0) return;
            at += written;
            left -= written;
        }
        text += piece;
        length -= piece;
    }
}
