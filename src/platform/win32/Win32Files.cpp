// The Windows side of the files (see Sys.h).
#include <io.h>
#include "platform/Sys.h"
#include "platform/win32/Win32.h"

namespace {
// The I/O error numbers a user of the original platform knows; Windows' own numbers are
// those already, except for end of file and a full disk.
int IoCode(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_HANDLE_EOF:
        return 100;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return 101;
    // System numbers that the report would read as end of file, disk full or bad input.
    case 100:
    case 101:
    case 106:
        return ERROR_IO_DEVICE;
    default:
        return static_cast<int>(error);
    }
}

int LastIoCode() {
    int code = IoCode(GetLastError());
    // A failure must never read as success.
    return code == 0 ? 5 : code;
}

HANDLE Handle(SysFile file) {
    return reinterpret_cast<HANDLE>(file);
}
} // namespace

bool SysFileExists(const char* name) {
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

SysFile SysStandardOutput() {
    // The handle behind the C runtime's descriptor 1, which follows any redirection of it.
    return static_cast<SysFile>(_get_osfhandle(1));
}

int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file) {
    DWORD access = mode == SysOpenMode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = mode == SysOpenMode::CreateNew ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastIoCode();
    file = reinterpret_cast<SysFile>(handle);
    return 0;
}

int SysReadFile(SysFile file, void* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    auto* at = static_cast<char*>(buffer);
    while (got < size) {
        DWORD n = 0;
        if (!ReadFile(Handle(file), at + got, static_cast<DWORD>(size - got), &n, nullptr)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return LastIoCode();
        }
        if (n == 0) break;
        got += n;
    }
    return 0;
}

int SysWriteFile(SysFile file, const void* buffer, std::size_t size) {
    auto* at = static_cast<const char*>(buffer);
    while (size > 0) {
        DWORD n = 0;
        if (!WriteFile(Handle(file), at, static_cast<DWORD>(size), &n, nullptr))
            return LastIoCode();
        if (n == 0) return 101;
        at += n;
        size -= n;
    }
    return 0;
}

int SysFileSize(SysFile file, std::int64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(Handle(file), &value)) return LastIoCode();
    size = value.QuadPart;
    return 0;
}

int SysSyncFile(SysFile file) {
    return FlushFileBuffers(Handle(file)) ? 0 : LastIoCode();
}

int SysCloseFile(SysFile file) {
    return CloseHandle(Handle(file)) ? 0 : LastIoCode();
}

int SysReplaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                     : LastIoCode();
}

int SysDeleteFile(const char* name) {
    return DeleteFileA(name) ? 0 : LastIoCode();
}
