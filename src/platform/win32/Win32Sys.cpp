// The Windows side of the process and the clock (see Sys.h).
#include "platform/Sys.h"
#include "platform/win32/Win32Window.h"

#include <cfloat>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <limits>
#include <string>

// Frame times and the mouse mapping count on the x87's extended format.
static_assert(std::numeric_limits<long double>::digits == 64 && LDBL_MANT_DIG == 64);

void SetGameControlWord() {
    unsigned short word = GameControlWord;
    __asm__ volatile("fclex\n\tfldcw %0" : : "m"(word));
}

unsigned short ReadControlWord() {
    unsigned short word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

namespace {
// Runs before every other static constructor, so not even the game's globals are built with
// another control word.
[[gnu::constructor(101)]] void ControlWordAtLoad() {
    SetGameControlWord();
}

struct Clock {
    std::int64_t Frequency = 0;
    bool HighResolution = false;
};

// A system without a working performance counter falls back to the millisecond tick.
const Clock& TheClock() {
    static const Clock clock = [] {
        LARGE_INTEGER frequency{};
        LARGE_INTEGER now{};
        if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 &&
            QueryPerformanceCounter(&now))
            return Clock{frequency.QuadPart, true};
        return Clock{1000, false};
    }();
    return clock;
}
} // namespace

std::int64_t SysCounterFrequency() {
    return TheClock().Frequency;
}

std::int64_t SysCounterNow() {
    if (!TheClock().HighResolution) return static_cast<std::int64_t>(GetTickCount64());
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool SysReadCounter(std::int64_t& value) {
    LARGE_INTEGER now{};
    if (!QueryPerformanceCounter(&now)) return false;
    value = now.QuadPart;
    return true;
}

std::uint32_t SysTickCount() {
    return GetTickCount();
}

void SysProcessStart() {
    SetGameControlWord();
    // Console lines end in CR LF already; text mode would make that CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
}

const char* SysModuleName() {
    static std::string name;
    if (name.empty()) {
        char path[MAX_PATH + 1] = {};
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string full = n > 0 ? std::string(path, n) : "quorvin.exe";
        std::size_t slash = full.find_last_of("\\/");
        name = slash == std::string::npos ? full : full.substr(slash + 1);
    }
    return name.c_str();
}

void SysWriteReport(const char* text, std::size_t length) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    // The console shows the OEM code page; the game's strings are ANSI.
    std::string oem(length, '\0');
    if (length > 0 && !CharToOemBuffA(text, oem.data(), static_cast<DWORD>(length)))
        oem.assign(text, length);
    const char* at = oem.data();
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(error, at, static_cast<DWORD>(length), &written, nullptr) || written == 0)
            return;
        at += written;
        length -= written;
    }
    FlushFileBuffers(error);
}

std::uint32_t SysProcessId() {
    return GetCurrentProcessId();
}
