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

std::string Environment(const char* name, const std::string& otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? value : otherwise;
}

void Drain(int fd, std::string& sink) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) sink.append(buffer, static_cast<std::size_t>(n));
}
} // namespace

std::vector<std::string> GameCommand() {
    std::vector<std::string> command;
    std::string runner = Environment("QUORVIN_GAME_RUNNER", "");
    for (std::size_t start = 0; start < runner.size();) {
        std::size_t end = runner.find(' ', start);
        if (end == std::string::npos) end = runner.size();
        if (end > start) command.push_back(runner.substr(start, end - start));
        start = end + 1;
    }
    command.push_back(Environment("QUORVIN_GAME", QUORVIN_BINARY));
    return command;
}

std::string TimerLinesPattern() {
    return "Performance Counter frequency: " +
           Environment("QUORVIN_GAME_FREQUENCY", "1000000000") +
           " ticks per second\r\nStart Time: -?[0-9]+\r\n";
}

bool WindowsBuild() {
    const std::string program = GameCommand().back();
    return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

std::string ReportPattern() {
    return std::string("Exception EInOutError in module quorvin") + (WindowsBuild() ? "\\.exe" : "") +
           " at [0-9A-F]{8}\\.\r\n";
}

PrivateDisplay::PrivateDisplay(int width, int height) {
    // The server picks a free display number itself and tells us on a pipe once it accepts
    // connections. Choosing the number here raced with other test runs: a server that lost the
    // race still answered xdpyinfo with the winner's display, so two games shared one screen.
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe failed");
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = fork();
    if (pid_ == 0) {
        close(ready[0]);
        int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        std::string fd = std::to_string(ready[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    pollfd pending = {ready[0], POLLIN, 0};
    char c;
    while (poll(&pending, 1, 20000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (number.empty()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        throw std::runtime_error("Xvfb did not start");
    }
    name_ = ":" + number;
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

void PrivateDisplay::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string PrivateDisplay::Run(const std::string& command) const {
    // Helpers run without what a sanitized run preloads for the game's GL driver: it would
    // slow each one down more than a crate's time on a busy machine.
    return Capture("DISPLAY=" + name_ + " LD_PRELOAD= " + command + " 2>/dev/null");
}

GameProcess::GameProcess(const PrivateDisplay& display, const std::string& dir,
                         const std::string& asUser, long long fileSizeLimit)
    : display_(display) {
    // Behind a runner the player is whoever it makes us: the Wine prefix is root's, and
    // tests/wine/run's runner drops root's power over file modes instead.
    bool runner = !Environment("QUORVIN_GAME_RUNNER", "").empty();
    ChildProcess child = StartChild(GameCommand(), dir, runner ? "" : asUser, display.Name(),
                                    fileSizeLimit);
    pid_ = child.Pid;
    out_ = child.Out;
    err_ = child.Err;
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
            Resized();
            return PressUntilShown("shown");
        }
        Pause(100);
    }
    return false;
}

std::string GameProcess::ClientPixel(int vx, int vy) const {
    // The client area shows the 800x600 virtual screen stretched, y downwards.
    int px = vx * width_ / 800;
    int py = (600 - vy) * height_ / 600;
    return "mousemove --window " + window_ + " " + std::to_string(px) + " " + std::to_string(py);
}

void GameProcess::MoveTo(int vx, int vy) {
    // Events reach the game in order, so the next press finds the pointer here.
    display_.Run("xdotool " + ClientPixel(vx, vy));
}

bool GameProcess::PressUntilShown(const std::string& what) {
    // Its exit status comes back as the output's one line.
    return display_.Run(QUORVIN_SOURCE_DIR "/tests/support/press-until-shown " + window_ + " " +
                        what + "; echo $?") == "0\n";
}

void GameProcess::Tap(int vx, int vy) {
    display_.Run("xdotool " + ClientPixel(vx, vy) + " click 1");
}

bool GameProcess::WaitUntil(const std::function<bool()>& shown, int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!shown()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Pause(50);
    }
    return true;
}

std::string GameProcess::ClickStep(int vx, int vy) const {
    // The pointer's move reaches the game before the press, so there is nothing to wait for.
    return "press '" + ClientPixel(vx, vy) + " mousedown 1' 'mouseup 1'";
}

std::string GameProcess::KeyStep(const std::string& key) const {
    // A key whose character has no glyph shows nothing: it is held for two new frames.
    std::string frames = key.compare(0, 4, "XF86") == 0 ? "--frames 2 " : "";
    return frames + "press 'keydown " + key + "' 'keyup " + key + "'";
}

std::string GameProcess::PauseStep() const {
    // The pause menu's Quit To Menu outline, at virtual x 280 from y 450 to 500.
    int left = 280 * width_ / 800, top = 100 * height_ / 600, bottom = 150 * height_ / 600;
    return "--lit " + std::to_string(left - 2) + "," + std::to_string(top) + "," +
           std::to_string(left + 2) + "," + std::to_string(bottom) + " " + KeyStep("Escape");
}

bool GameProcess::Steps(const std::vector<std::string>& steps) {
    std::string what;
    for (const std::string& step : steps)
        what += " " + step;
    return PressUntilShown(what);
}

bool GameProcess::Click(int vx, int vy) { return Steps({ClickStep(vx, vy)}); }

void GameProcess::Resized() {
    std::string geometry = display_.Run("xdotool getwindowgeometry --shell " + window_);
    std::size_t w = geometry.find("WIDTH="), h = geometry.find("HEIGHT=");
    if (w != std::string::npos) width_ = std::atoi(geometry.c_str() + w + 6);
    if (h != std::string::npos) height_ = std::atoi(geometry.c_str() + h + 7);
}

bool GameProcess::Key(const std::string& keys) {
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (start < keys.size()) {
        std::size_t end = keys.find(' ', start);
        if (end == std::string::npos) end = keys.size();
        if (end > start) steps.push_back(KeyStep(keys.substr(start, end - start)));
        start = end + 1;
    }
    return Steps(steps);
}

bool GameProcess::PauseGame() { return Steps({PauseStep()}); }

void GameProcess::Close() {
    display_.Run(QUORVIN_SOURCE_DIR "/tools/close-window " + window_);
}

void GameProcess::DestroyWindow() {
    display_.Run(QUORVIN_SOURCE_DIR "/tools/close-window --destroy " + window_);
}

Screenshot GameProcess::Shoot() const {
    std::string ppm = display_.Run("import -window " + window_ + " -depth 8 ppm:-");
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
