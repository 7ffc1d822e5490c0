// The Linux side of the clock, the process and the files (see Sys.h).
#include "platform/Sys.h"
#include "platform/x11/CloseSignals.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <string>
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

// A closed standard descriptor would be taken by the next file or connection we open, and the
// console lines would go into it. Each is held by /dev/null opened for reading only, so a
// console line written there fails on the invalid handle as it does on Windows.
void ReserveStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int held = open("/dev/null", O_RDONLY);
        if (held < 0) held = open("/", O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void KeepHeap() {
    // The GL driver frees tens of kilobytes per glyph drawn; by default the C library gives
    // that back to the system and every frame then faults it in again, which costs more than
    // the drawing. Keeping it (no trimming, no mmap per block) makes steady frames fault nothing.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
}
} // namespace

std::int64_t SysCounterFrequency() { return 1000000000; }
std::int64_t SysCounterNow() { return MonotonicNs(); }
bool SysReadCounter(std::int64_t& value) {
    value = MonotonicNs();
    return true;
}
std::uint32_t SysTickCount() { return static_cast<std::uint32_t>(MonotonicNs() / 1000000); }

void SysProcessStart() {
    ReserveStandardDescriptors();
    // A closed pipe or a file-size limit must surface as a failed write, not kill us silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    InstallCloseSignals();
    KeepHeap();
    // x86-64 Linux already runs with every floating-point exception masked, round to nearest,
    // and long double in the x87's 64-bit significand.
    SysModuleName();
}

const char* SysModuleName() {
    // Fixed storage: the failure report asks for it, possibly after memory has run out.
    static char name[256];
    if (name[0] == '\0') {
        char path[4096];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        path[n > 0 ? n : 0] = '\0';
        const char* slash = std::strrchr(path, '/');
        const char* base = slash ? slash + 1 : path;
        std::snprintf(name, sizeof name, "%.255s", *base ? base : "quorvin");
    }
    return name;
}

void SysWriteReport(const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

SysFile SysStandardOutput() { return STDOUT_FILENO; }

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

int SysReplaceFile(const char* from, const char* to) {
    // The new file takes the old one's permissions (and owner, where we may give it), so a
    // table shared by a group stays usable by the group.
    struct stat old{};
    if (stat(to, &old) == 0 && S_ISREG(old.st_mode)) {
        chmod(from, old.st_mode & 07777);
        if (chown(from, old.st_uid, old.st_gid) != 0) {
            // Only the owner's own files or root may change hands; the permissions still hold.
        }
    }
    if (rename(from, to) != 0) return IoCode(errno);
    // Make the rename itself survive a power cut: sync the directory that holds it.
    std::string dir(to);
    std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash == 0 ? 1 : slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return 0;
}

int SysDeleteFile(const char* name) { return unlink(name) == 0 ? 0 : IoCode(errno); }

std::uint32_t SysProcessId() { return static_cast<std::uint32_t>(getpid()); }
