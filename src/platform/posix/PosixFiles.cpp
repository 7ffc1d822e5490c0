// The file calls the Linux and the browser backends share (see PosixFiles.h and Sys.h).
#include "platform/posix/PosixFiles.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int DeviceError = 1117;
} // namespace

int IoCode(int error) {
    switch (error) {
    case 0: return 0;
    case ENOENT: return 2;
    // A descriptor not open for this use: the invalid handle.
    case EBADF: return 6;
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return 101;
    default:
        // Other errors pass through as their own number, except where that number already
        // means something else to the player: EIO is 5, which would read "File access
        // denied". Those become the device error a user of the original platform would see.
        bool taken = error == 3 || error == 4 || error == 5 || error == 100 || error == 101 ||
                     error == 106;
        return taken ? DeviceError : error;
    }
}

int OpenFlags(SysOpenMode mode) {
    return mode == SysOpenMode::ReadOnly    ? O_RDONLY
           : mode == SysOpenMode::ReadWrite ? O_RDWR
                                            : O_RDWR | O_CREAT | O_TRUNC;
}

int RefuseIrregular(int fd) {
    struct stat info{};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return 0;
    close(fd);
    return 5;
}

int WriteAll(int fd, const void* buffer, std::size_t size) {
    auto* at = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t n = write(fd, at, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoCode(errno);
        if (n == 0) return 101;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int SysReadFile(SysFile file, void* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    auto* at = static_cast<char*>(buffer);
    while (got < size) {
        ssize_t n = read(static_cast<int>(file), at + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoCode(errno);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

int SysFileSize(SysFile file, std::int64_t& size) {
    struct stat info{};
    if (fstat(static_cast<int>(file), &info) != 0) return IoCode(errno);
    size = info.st_size;
    return 0;
}

int SysTruncateFile(SysFile file, std::int64_t size) {
    int result;
    do result = ftruncate(static_cast<int>(file), size);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : IoCode(errno);
}

bool SysIsFileAt(SysFile file, const char* name) {
    struct stat held{}, named{};
    return fstat(static_cast<int>(file), &held) == 0 && stat(name, &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

int SysDeleteFile(const char* name) { return unlink(name) == 0 ? 0 : IoCode(errno); }

void SysListFolder(const char* folder, SysFolderVisitor visit, void* context) {
    DIR* dir = opendir(folder);
    if (!dir) return;
    while (dirent* entry = readdir(dir))
        visit(entry->d_name, context);
    closedir(dir);
}
