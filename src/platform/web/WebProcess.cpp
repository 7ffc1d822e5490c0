// The browser side of the clock and the process: the page's clock, the run's start and end, and
// the page going away standing in for the end of the session.
#include "platform/web/WebState.h"

#include <emscripten.h>
#include <string>

namespace {
// A hidden page may be discarded without another word, and a closed one is: the session may
// end there, so the game is asked, as Windows asks before a logoff.
EM_JS(void, WatchPageLeaving, (), {
    if (Module.watchingLeave) return;
    Module.watchingLeave = true;
    function leaving() {
        if (Module.keepStoredTable || !Module.running) return;
        Module._WebSessionEnding();
    }
    document.addEventListener('visibilitychange', function() {
        if (document.visibilityState === 'hidden') leaving();
    });
    window.addEventListener('pagehide', leaving);
});

EM_JS(void, EndOfRun, (int code), {
    Module.running = false;
    if (Module.onRunEnd) Module.onRunEnd(code);
});

EM_JS(void, ReportLine, (const char* text, std::size_t length), {
    var line = '';
    for (var i = 0; i < length; ++i) line += String.fromCharCode(HEAPU8[text + i]);
    console.error(line);
});

std::int64_t NowNs() {
    return static_cast<std::int64_t>(emscripten_get_now() * 1e6);
}
} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void WebSessionEnding() {
    SendToWindow(WmQueryEndSession, 0, 0);
}

std::int64_t SysCounterFrequency() { return 1000000000; }
std::int64_t SysCounterNow() { return NowNs(); }
bool SysReadCounter(std::int64_t& value) {
    value = NowNs();
    return true;
}
std::uint32_t SysTickCount() { return static_cast<std::uint32_t>(NowNs() / 1000000); }

void SysProcessStart() {
    EM_ASM({ Module.running = true; });
    WatchPageLeaving();
}

int SysProcessEnd(int exitCode) {
    EndOfRun(exitCode);
    return exitCode;
}

const char* SysModuleName() {
    return "quorvin.wasm";
}

void SysWriteReport(const char* text, std::size_t length) {
    // One console line each, and all of it, in one line, under the canvas.
    std::string status;
    std::size_t start = 0;
    while (start < length) {
        std::size_t end = start;
        while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
        if (end > start) {
            ReportLine(text + start, end - start);
            if (!status.empty()) status += ' ';
            status.append(text + start, end - start);
        }
        start = end + 1;
    }
    ShowStatus(status.c_str());
}

std::uint32_t SysProcessId() { return 1; }
bool SysProcessAlive(std::uint32_t id) { return id == 1; }
