#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

ScopedWorkDir::ScopedWorkDir() {
    previous_ = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "quorvin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    // Let an unprivileged child work here too.
    chmod(path_.c_str(), 0777);
    fs::current_path(path_);
}

ScopedWorkDir::~ScopedWorkDir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

void CopyGameImages(const std::string& dir) {
    for (const char* name : {"daFont.tga", "daFontMask.tga", "TheCrate2.tga"})
        fs::copy_file(fs::path(QUORVIN_SOURCE_DIR) / "data" / name, fs::path(dir) / name,
                      fs::copy_options::overwrite_existing);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScoreRecord(const std::string& name, std::int32_t points) {
    std::string record(16, '\0');
    record[0] = static_cast<char>(name.size());
    record.replace(1, name.size(), name);
    for (int i = 0; i < 4; ++i)
        record[12 + i] = static_cast<char>((static_cast<std::uint32_t>(points) >> (8 * i)) & 0xFF);
    return record;
}

ChildProcess StartChild(const std::vector<std::string>& argv, const std::string& dir,
                        const std::string& asUser, const std::string& display,
                        long long fileSizeLimit) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    if (!asUser.empty()) {
        // "user" or "user:group", the second as the user's one supplementary group.
        std::size_t colon = asUser.find(':');
        std::string name = asUser.substr(0, colon);
        passwd* user = getpwnam(name.c_str());
        if (!user) throw std::runtime_error("no user " + name);
        uid = user->pw_uid;
        gid = user->pw_gid;
        if (colon != std::string::npos) {
            group* extra = getgrnam(asUser.c_str() + colon + 1);
            if (!extra) throw std::runtime_error("no group in " + asUser);
            groups.push_back(extra->gr_gid);
        }
    }
    pid_t pid = fork();
    if (pid == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        // Opened while still ourselves: another user may not be able to reach the build folder
        // (a checkout under a private temporary directory), only to run the file once open.
        // Left open across the exec: a script's interpreter, or qemu for the arm64 program
        // through binfmt_misc, reads the program from /dev/fd.
        int program = open(argv[0].c_str(), O_RDONLY);
        if (program < 0) _exit(127);
        if (chdir(dir.c_str()) != 0) _exit(126);
        if (!asUser.empty() &&
            (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(125);
        if (fileSizeLimit >= 0) {
            rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        fexecve(program, args.data(), environ);
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    return {pid, outPipe[0], errPipe[0]};
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& dir,
                         int timeoutSeconds, const std::string& asUser) {
    ChildProcess child = StartChild(argv, dir, asUser);
    pid_t pid = child.Pid;
    ProcessResult result;
    pollfd fds[2] = {{child.Out, POLLIN, 0}, {child.Err, POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    int open = 2;
    time_t deadline = time(nullptr) + timeoutSeconds;
    while (open > 0) {
        int left = static_cast<int>(deadline - time(nullptr));
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, left * 1000) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
