// The browser side of the files: the game's folder is the page's memory, with the images built
// in, and the table is kept in the browser's storage for the page's origin. The table is read
// from the storage each time the game looks for it (another tab may have saved since) and
// written to it each time the game has written it.
#include "platform/posix/PosixFiles.h"
#include "platform/web/WebState.h"

#include <cerrno>
#include <string>
#include <cstdio>
#include <cstring>
#include <emscripten.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr SysFile ConsoleHandle = -2;
// Descriptors of the table opened for writing: closing one stores the table.
std::set<int> WritableTables;

// Reads the stored table into the folder; false when the browser keeps nothing.
EM_JS(bool, PullTable, (const char* path), {
    var stored;
    try {
        stored = localStorage.getItem('quorvin/highScores.dat');
    } catch (e) {
        return false;
    }
    if (stored === null) return true;
    try {
        var text = atob(stored);
        var bytes = new Uint8Array(text.length);
        for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
        FS.writeFile(UTF8ToString(path), bytes);
    } catch (e) {
        // A file the game may not write keeps what it holds: the game's own open of it then
        // fails as on the desktop.
    }
    return true;
});

// Stores the table as the folder has it; false when the browser refused.
EM_JS(bool, PushTable, (const char* path), {
    try {
        var bytes = FS.readFile(UTF8ToString(path));
        var text = '';
        for (var i = 0; i < bytes.length; ++i) text += String.fromCharCode(bytes[i]);
        localStorage.setItem('quorvin/highScores.dat', btoa(text));
        return true;
    } catch (e) {
        return false;
    }
});

bool StorageRefused = false;

void Refused() {
    if (StorageRefused) return;
    StorageRefused = true;
    ShowStatus("This browser keeps nothing for this page: the high scores last until it closes.");
}

bool IsTable(const char* name) {
    const char* slash = std::strrchr(name, '/');
    const char* base = slash != nullptr ? slash + 1 : name;
    return std::strcmp(base, TableFileName) == 0;
}

void Pull(const char* name) {
    if (!PullTable(name)) Refused();
}

void Push(const char* name) {
    struct stat info{};
    if (stat(name, &info) == 0 && !PushTable(name)) Refused();
}

} // namespace

SysFile SysStandardOutput() { return ConsoleHandle; }

bool SysFileExists(const char* name) {
    if (IsTable(name)) Pull(name);
    struct stat info{};
    return stat(name, &info) == 0 && S_ISREG(info.st_mode);
}

int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file) {
    int fd = open(name, OpenFlags(mode), 0666);
    if (fd < 0) return IoCode(errno);
    if (int code = RefuseIrregular(fd)) return code;
    if (IsTable(name) && mode != SysOpenMode::ReadOnly) WritableTables.insert(fd);
    file = fd;
    return 0;
}

int SysWriteFile(SysFile file, const void* buffer, std::size_t size) {
    if (file == ConsoleHandle) {
        ConsoleWrite(buffer, size);
        return 0;
    }
    return WriteAll(static_cast<int>(file), buffer, size);
}

int SysSyncFile(SysFile) { return 0; }

int SysCloseFile(SysFile file) {
    int fd = static_cast<int>(file);
    bool table = WritableTables.erase(fd) > 0;
    if (close(fd) != 0) return IoCode(errno);
    if (table) Push(TableFileName);
    return 0;
}

// One thread per tab and no waiting inside a save: the lock is always free.
bool SysLockFile(SysFile) { return true; }
void SysUnlockFile(SysFile) {}

void SysFinalPath(const char* name, char* path, std::size_t size) {
    std::snprintf(path, size, "%s", name);
}

int SysCreateTempFile(const char*, const char* tempName, SysFile& file, bool& named) {
    named = true;
    return SysOpenFile(tempName, SysOpenMode::CreateNew, file);
}

int SysNameTempFile(SysFile, const char*) { return 0; }

int SysReplaceFile(const char* from, const char* to) {
    if (rename(from, to) != 0) return IoCode(errno);
    if (IsTable(to)) Push(to);
    return 0;
}
