// The Linux side of the files: the score table and the images (see Sys.h); what it shares with
// the browser's is in posix/PosixFiles.
#include "platform/Sys.h"
#include "platform/posix/PosixFiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

bool SysFileExists(const char* name) {
    // A pipe or a device of that name is no file of ours either; opening it could wait for ever.
    struct stat info{};
    return stat(name, &info) == 0 && S_ISREG(info.st_mode);
}

int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file) {
    int fd;
    // Without blocking: a pipe put in a file's place must not hold the game at its open.
    do fd = open(name, OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return IoCode(errno);
    if (int code = RefuseIrregular(fd)) return code;
    file = fd;
    return 0;
}

int SysWriteFile(SysFile file, const void* buffer, std::size_t size) {
    return WriteAll(static_cast<int>(file), buffer, size);
}

int SysSyncFile(SysFile file) {
    return fsync(static_cast<int>(file)) == 0 ? 0 : IoCode(errno);
}

int SysCloseFile(SysFile file) { return close(static_cast<int>(file)) == 0 ? 0 : IoCode(errno); }

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
