// The Windows side of the process and the clock (see Sys.h): start-up, the console's close
// events, the counter.
#include "platform/Sys.h"
#include "platform/win32/Win32Window.h"

#include <cfloat>
#include <cstdio>
#include <cstring>
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
DWORD GameThread = 0;

// The system calls this on a thread of its own.
BOOL WINAPI EndInOrder(DWORD event) {
    // Before the window exists (or after it is gone) the loop still ends on the quit message.
    if (!SysPostMessage(WmClose, 0, 0)) PostThreadMessageA(GameThread, WM_QUIT, 0, 0);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The system ends the process as soon as this returns; the game's own end, after its save,
    // ends this thread too. The system's time limit bounds the wait.
    Sleep(INFINITE);
    return TRUE;
}

// The console's events (Ctrl+C, Ctrl+Break, closing the console, logoff, shutdown) end the run
// as the close box does, so the table is saved on the way out.
void InstallConsoleCloseHandler() {
    GameThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(EndInOrder, TRUE);
}

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
    InstallConsoleCloseHandler();
    SysModuleName();
}

const char* SysModuleName() {
    // Fixed storage: the failure report asks for it, possibly after memory has run out.
    static char name[MAX_PATH + 1];
    if (name[0] == '\0') {
        char path[MAX_PATH + 1] = {};
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        const char* base = path;
        for (DWORD i = 0; i < n; ++i)
            if (path[i] == '\\' || path[i] == '/') base = path + i + 1;
        lstrcpynA(name, *base ? base : "quorvin.exe", sizeof name);
    }
    return name;
}

std::uint32_t SysProcessId() {
    return GetCurrentProcessId();
}

bool SysProcessAlive(std::uint32_t id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    // Refused: it runs, but belongs to someone else.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}
