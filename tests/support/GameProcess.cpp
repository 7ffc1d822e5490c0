#include "GameProcess.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
std::string Capture(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

void Drain(int fd, std::string& sink) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) sink.append(buffer, static_cast<std::size_t>(n));
}
} // namespace

PrivateDisplay::PrivateDisplay(int width, int height) {
    for (int n = 140 + (getpid() % 200);; ++n) {
        std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (access(lock.c_str(), F_OK) == 0 || access(socket.c_str(), F_OK) == 0) continue;
        name_ = ":" + std::to_string(n);
        std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        pid_ = fork();
        if (pid_ == 0) {
            int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, 0);
            dup2(devNull, 1);
            dup2(devNull, 2);
            execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (std::system(("xdpyinfo -display " + name_ + " >/dev/null 2>&1").c_str()) == 0)
                return;
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) break;   // lost the race for n
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string PrivateDisplay::Run(const std::string& command) const {
    return Capture("DISPLAY=" + name_ + " " + command + " 2>/dev/null");
}

GameProcess::GameProcess(const PrivateDisplay& display, const std::string& dir,
                         const std::string& asUser, long long fileSizeLimit)
    : display_(display) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
    uid_t uid = 0;
    gid_t gid = 0;
    if (!asUser.empty()) {
        passwd* user = getpwnam(asUser.c_str());
        if (!user) throw std::runtime_error("no user " + asUser);
        uid = user->pw_uid;
        gid = user->pw_gid;
    }
    pid_ = fork();
    if (pid_ == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        setenv("DISPLAY", display.Name().c_str(), 1);
        if (chdir(dir.c_str()) != 0) _exit(126);
        if (!asUser.empty() && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(125);
        if (fileSizeLimit >= 0) {
            rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
        }
        execl(QUORVIN_BINARY, QUORVIN_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

GameProcess::~GameProcess() {
    if (!ended_) {
        kill(pid_, SIGKILL);
        Wait(5);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
}

bool GameProcess::Running() {
    if (ended_) return false;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        result_.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        Drain(out_, result_.Out);
        Drain(err_, result_.Err);
        return false;
    }
    return true;
}

bool GameProcess::WaitForWindow(int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline && Running()) {
        std::string found = display_.Run("xdotool search --onlyvisible --name '^OpenGL$'");
        if (!found.empty()) {
            window_ = found.substr(0, found.find('\n'));
            Pause(300);   // the first frames
            return true;
        }
        Pause(100);
    }
    return false;
}

void GameProcess::MoveTo(int vx, int vy) {
    // The window's client area shows the 800x600 virtual screen stretched; at the start it is
    // 800x600 pixels, y downwards.
    std::string geometry = display_.Run("xdotool getwindowgeometry --shell " + window_);
    int width = 800, height = 600;
    std::sscanf(geometry.c_str() + geometry.find("WIDTH="), "WIDTH=%d", &width);
    std::sscanf(geometry.c_str() + geometry.find("HEIGHT="), "HEIGHT=%d", &height);
    int px = vx * width / 800;
    int py = (600 - vy) * height / 600;
    display_.Run("xdotool mousemove --window " + window_ + " " + std::to_string(px) + " " +
                 std::to_string(py));
    Pause(150);
}

void GameProcess::Click(int vx, int vy) {
    MoveTo(vx, vy);
    display_.Run("xdotool mousedown 1");
    Pause(100);
    display_.Run("xdotool mouseup 1");
    Pause(200);
}

void GameProcess::Key(const std::string& keys) {
    display_.Run("xdotool key --delay 80 " + keys);
    Pause(200);
}

void GameProcess::Close() {
    display_.Run("python3 " QUORVIN_SOURCE_DIR "/tools/close-window " + window_);
}

Screenshot GameProcess::Shoot() const {
    std::string ppm = display_.Run("import -window root -depth 8 ppm:-");
    Screenshot shot;
    int maxValue = 0, consumed = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &shot.Width, &shot.Height, &maxValue,
                    &consumed) != 3)
        return shot;
    std::size_t start = static_cast<std::size_t>(consumed) + 1;
    shot.Rgb.assign(ppm.begin() + static_cast<std::ptrdiff_t>(start), ppm.end());
    shot.Rgb.resize(static_cast<std::size_t>(shot.Width) * shot.Height * 3);
    return shot;
}

void GameProcess::SavePng(const std::string& path) const {
    display_.Run("import -window root '" + path + "'");
}

ProcessResult GameProcess::Wait(int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        }
        // Keep the pipes from filling while we wait.
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, 50) > 0) {
            char buffer[4096];
            for (int i = 0; i < 2; ++i)
                if (fds[i].revents & POLLIN) {
                    ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                    if (n > 0) (i == 0 ? result_.Out : result_.Err).append(buffer, static_cast<std::size_t>(n));
                }
        }
    }
    return result_;
}

void GameProcess::Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
