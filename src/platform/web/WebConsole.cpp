// Console lines go to the browser's console, one console.log a line, without the CR LF.
#include "platform/web/WebState.h"

#include <emscripten.h>
#include <string>

namespace {
std::string Pending; // the start of a line whose end has not been written yet

EM_JS(void, LogLine, (const char* text, std::size_t length), {
    // The game's bytes are single-byte characters, as its code page has them.
    var line = '';
    for (var i = 0; i < length; ++i) line += String.fromCharCode(HEAPU8[text + i]);
    console.log(line);
});

EM_JS(void, StatusLine, (const char* text), {
    var status = document.getElementById('status');
    if (status) status.textContent = UTF8ToString(text);
});
} // namespace

void ConsoleWrite(const void* bytes, std::size_t size) {
    Pending.append(static_cast<const char*>(bytes), size);
    std::size_t start = 0;
    for (std::size_t end; (end = Pending.find('\n', start)) != std::string::npos; start = end + 1) {
        std::size_t length = end - start;
        if (length > 0 && Pending[end - 1] == '\r') --length;
        LogLine(Pending.data() + start, length);
    }
    Pending.erase(0, start);
}

void ShowStatus(const char* text) {
    StatusLine(text);
}
