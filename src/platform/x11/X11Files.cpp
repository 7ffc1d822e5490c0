// The Linux side of the files: the score table and the images (see Sys.h).
#include "platform/Sys.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int DeviceError = 1117;

// The I/O error numbers a user of the original platform knows.
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

// Only regular files are ours to use: anything else is refused as access denied.
int RefuseIrregular(int fd) {
    struct stat info{};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return 0;
    close(fd);
    return 5;
}

} // namespace

bool SysFileExists(const char* name) {
    // A pipe or a device of that name is no file of ours either; opening it could wait for ever.
    struct stat info{};
    return stat(name, &info) == 0 && S_ISREG(info.st_mode);
}

int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file) {
    int flags = mode == SysOpenMode::ReadOnly    ? O_RDONLY
                : mode == SysOpenMode::ReadWrite ? O_RDWR
                                                 : O_RDWR | O_CREAT | O_TRUNC;
    int fd;
    // Without blocking: a pipe put in a file's place must not hold the game at its open.
    do fd = open(name, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return IoCode(errno);
    if (int code = RefuseIrregular(fd)) return code;
    file = fd;
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

int SysWriteFile(SysFile file, const void* buffer, std::size_t size) {
    auto* at = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t n = write(static_cast<int>(file), at, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoCode(errno);
        if (n == 0) return 101;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int SysFileSize(SysFile file, std::int64_t& size) {
    struct stat info{};
    if (fstat(static_cast<int>(file), &info) != 0) return IoCode(errno);
    size = info.st_size;
    return 0;
}

int SysSyncFile(SysFile file) {
    return fsync(static_cast<int>(file)) == 0 ? 0 : IoCode(errno);
}

int SysCloseFile(SysFile file) { return close(static_cast<int>(file)) == 0 ? 0 : IoCode(errno); }

int SysTruncateFile(SysFile file, std::int64_t size) {
    int result;
    do result = ftruncate(static_cast<int>(file), size);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : IoCode(errno);
}

bool SysLockFile(SysFile file) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (flock(static_cast<int>(file), LOCK_EX | LOCK_NB) == 0) return true;
        // A file system without locks will not grant one by waiting.
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        timespec pause{0, 10000000};
        nanosleep(&pause, nullptr);
    }
    return false;
}

void SysUnlockFile(SysFile file) {
    flock(static_cast<int>(file), LOCK_UN);
}

bool SysIsFileAt(SysFile file, const char* name) {
    struct stat held{}, named{};
    return fstat(static_cast<int>(file), &held) == 0 && stat(name, &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void SysFinalPath(const char* name, char* path, std::size_t size) {
    struct stat info{};
    char resolved[PATH_MAX];
    const char* result = name;
    if (lstat(name, &info) == 0 && S_ISLNK(info.st_mode) && realpath(name, resolved) &&
        std::strlen(resolved) < size)
        result = resolved;
    std::snprintf(path, size, "%s", result);
}

namespace {
std::string FolderOf(const char* name) {
    std::string dir(name);
    std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? "." : dir.substr(0, slash == 0 ? 1 : slash);
}
} // namespace

int SysCreateTempFile(const char* target, const char* tempName, SysFile& file, bool& named) {
#ifdef O_TMPFILE
    // Nameless until it is whole, so a kill in the middle leaves nothing behind. The name comes
    // through /proc, so without it the file is named from the start.
    int fd = access("/proc/self/fd", X_OK) == 0
                 ? open(FolderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666)
                 : -1;
    if (fd >= 0) {
        named = false;
        file = fd;
        return 0;
    }
#endif
    named = true;
    return SysOpenFile(tempName, SysOpenMode::CreateNew, file);
}

int SysNameTempFile(SysFile file, const char* tempName) {
    std::string self = "/proc/self/fd/" + std::to_string(file);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempName, AT_SYMLINK_FOLLOW) == 0) return 0;
        // A leftover of an earlier process with our number.
        if (errno != EEXIST) break;
        unlink(tempName);
    }
    return IoCode(errno);
}

int SysReplaceFile(const char* from, const char* to) {
    // The new file must take the old one's owner, group and mode, so a table shared by a group
    // stays usable by all of it; one that cannot, or that would split hard links, is refused.
    struct stat old{};
    if (stat(to, &old) == 0 && S_ISREG(old.st_mode)) {
        if (old.st_nlink > 1) return 5;
        if (chown(from, old.st_uid, old.st_gid) != 0) return 5;
        // After the chown, which clears the set-id bits.
        if (chmod(from, old.st_mode & 07777) != 0) return 5;
        struct stat made{};
        if (stat(from, &made) != 0) return IoCode(errno);
        if ((made.st_mode & 07777) != (old.st_mode & 07777)) return 5;
    }
    if (rename(from, to) != 0) return IoCode(errno);
    // Make the rename itself survive a power cut: sync the directory that holds it.
    int fd = open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return 0;
}

int SysDeleteFile(const char* name) { return unlink(name) == 0 ? 0 : IoCode(errno); }

void SysListFolder(const char* folder, SysFolderVisitor visit, void* context) {
    DIR* dir = opendir(folder);
    if (!dir) return;
    while (dirent* entry = readdir(dir))
        visit(entry->d_name, context);
    closedir(dir);
}
