// The Windows side of the files (see Sys.h).
#include "platform/Sys.h"
#include "platform/win32/Win32.h"

#include <string>

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

int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file) {
    DWORD access = mode == SysOpenMode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = mode == SysOpenMode::CreateNew ? CREATE_ALWAYS : OPEN_EXISTING;
    // Delete sharing too: a copy holding the table locked must not stop the rename of the next.
    HANDLE handle =
        CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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

int SysTruncateFile(SysFile file, std::int64_t size) {
    LARGE_INTEGER end{};
    end.QuadPart = size;
    if (!SetFilePointerEx(Handle(file), end, nullptr, FILE_BEGIN)) return LastIoCode();
    return SetEndOfFile(Handle(file)) ? 0 : LastIoCode();
}

namespace {
// Windows locks are mandatory: the lock takes one byte far past any table, so readers and the
// in-place write of the first 160 bytes are never held up by it.
OVERLAPPED LockedByte() {
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

struct FileId {
    DWORD Volume = 0, High = 0, Low = 0;
    bool operator==(const FileId&) const = default;
};

bool IdOf(HANDLE handle, FileId& id) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

HANDLE OpenForQuery(const char* name) {
    return CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
} // namespace

bool SysLockFile(SysFile file) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        OVERLAPPED at = LockedByte();
        if (LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &at)) {
            // The holder lets go just before it renames its new table over the file; one who
            // waited lets that rename land, so the caller's check of the name sees it.
            if (attempt > 0) Sleep(50);
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING)
            return false;
        Sleep(10);
    }
    return false;
}

void SysUnlockFile(SysFile file) {
    OVERLAPPED at = LockedByte();
    UnlockFileEx(Handle(file), 0, 1, 0, &at);
}

bool SysIsFileAt(SysFile file, const char* name) {
    HANDLE named = OpenForQuery(name);
    if (named == INVALID_HANDLE_VALUE) return false;
    FileId held, now;
    bool same = IdOf(Handle(file), held) && IdOf(named, now) && held == now;
    CloseHandle(named);
    return same;
}

void SysFinalPath(const char* name, char* path, std::size_t size) {
    lstrcpynA(path, name, static_cast<int>(size));
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    HANDLE handle = OpenForQuery(name);
    if (handle == INVALID_HANDLE_VALUE) return;
    char resolved[MAX_PATH + 8];
    DWORD length =
        GetFinalPathNameByHandleA(handle, resolved, sizeof resolved, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    // "\\?\C:\..." names a drive path; other forms (network shares) are left as named.
    if (length < 7 || length >= sizeof resolved || resolved[5] != ':') return;
    if (length - 4 < size) lstrcpynA(path, resolved + 4, static_cast<int>(size));
}

int SysCreateTempFile(const char*, const char* tempName, SysFile& file, bool& named) {
    named = true;
    return SysOpenFile(tempName, SysOpenMode::CreateNew, file);
}

int SysNameTempFile(SysFile, const char*) {
    return ERROR_INVALID_FUNCTION;
}

int SysReplaceFile(const char* from, const char* to) {
    // A table with other hard links is written in place, so the links stay one file.
    HANDLE old = OpenForQuery(to);
    if (old != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        bool linked = GetFileInformationByHandle(old, &info) && info.nNumberOfLinks > 1;
        CloseHandle(old);
        if (linked) return 5;
    }
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                     : LastIoCode();
}

int SysDeleteFile(const char* name) {
    return DeleteFileA(name) ? 0 : LastIoCode();
}

void SysListFolder(const char* folder, SysFolderVisitor visit, void* context) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((std::string(folder) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do visit(found.cFileName, context);
    while (FindNextFileA(search, &found));
    FindClose(search);
}
