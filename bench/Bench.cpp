// Bench.cpp - the real game against the floor: frame cost per screen, start-up, resident memory.
//   qv_bench [--rounds R] [--frames N] [--warmup W] [--out RESULTS.md] [--command TEXT]
//   qv_bench floor     the floor itself: the game's window and context, frames that only clear
//                      and present, until the window is closed
//   qv_bench info      the renderer and the OpenGL version of that context, one line each
// Needs an X display ($DISPLAY); tools/bench gives it a private Xvfb. Both programs run with
// libqv_swap_stamp.so preloaded (tests/helpers/SwapStamp.cpp), unchanged. The measured section
// of the output file (between the two markers) is replaced; the rest of the file stays.
#include "SwapStamp.h"

#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"
#include "platform/Sys.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
const char* const ScreenNames[] = {"main menu",   "playing", "paused",     "help",
                                   "high scores", "options", "name entry", "game over"};
enum Screen { MainMenu, Playing, Paused, Help, HighScores, Options, NameEntry, GameOver, Screens };
std::string BenchPath;

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "qv_bench: %s\n", why.c_str());
    std::exit(1);
}

// ---- The floor ------------------------------------------------------------------------------

LResult SYS_CALLBACK FloorProc(SysWindow window, std::uint32_t message, WParam wParam,
                               LParam lParam) {
    if (message == WmClose) {
        SysPostQuitMessage(0);
        return 0;
    }
    return SysDefWindowProc(window, message, wParam, lParam);
}

int RunFloor(bool info) {
    SysProcessStart();
    if (!CreateGameWindow(800, 600, false, 32, FloorProc)) return 1;
    if (info) {
        for (GLenum name : {GL_RENDERER, GL_VERSION}) {
            const GLubyte* text = glGetString(name);
            std::printf("%s\n", text ? reinterpret_cast<const char*>(text) : "?");
        }
    } else {
        SysMessage msg{};
        for (;;) {
            if (SysPeekMessage(msg)) {
                if (msg.message == WmQuit) break;
                SysTranslateMessage(msg);
                SysDispatchMessage(msg);
            } else {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                SysSwapBuffers();
            }
        }
    }
    DestroyGameWindow(false);
    return 0;
}

// ---- Statistics -----------------------------------------------------------------------------

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    double at = q * static_cast<double>(v.size() - 1);
    std::size_t low = static_cast<std::size_t>(std::floor(at));
    std::size_t high = std::min(low + 1, v.size() - 1);
    return v[low] + (v[high] - v[low]) * (at - static_cast<double>(low));
}
double Median(const std::vector<double>& v) {
    return Quantile(v, 0.5);
}
std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
// "median (p25–p75)"
std::string Spread(const std::vector<double>& v, const char* format) {
    return Format(format, Median(v)) + " (" + Format(format, Quantile(v, 0.25)) + "–" +
           Format(format, Quantile(v, 0.75)) + ")";
}
const char* Verdict(bool met) {
    return met ? "met" : "**missed**";
}

// ---- Programs with the stamp library --------------------------------------------------------

// Child side of a start: the working directory, no console output, the stamp library.
[[noreturn]] void ExecStamped(const std::string& program, const std::string& dir,
                              const char* variable, const std::string& value, int stopAt) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    setenv("LD_PRELOAD", QV_STAMP_LIBRARY, 1);
    setenv(variable, value.c_str(), 1);
    if (stopAt > 0) setenv("QV_STAMP_AT", std::to_string(stopAt).c_str(), 1);
    // The floor is this program; the game takes no arguments.
    if (program == BenchPath)
        execl(program.c_str(), program.c_str(), "floor", static_cast<char*>(nullptr));
    else
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

struct Block {
    double MedianNs = 0, P99Ns = 0, FaultsPerFrame = 0;
};
struct Pair {
    Block Game, Floor;
};

// A program held at its swaps, its frames shared with us through a mapped file.
class Stamped {
  public:
    Stamped(const std::string& program, const std::string& dir, const std::string& name)
        : program_(program) {
        std::string path = dir + "/" + name + ".frames";
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ftruncate(fd, sizeof(StampShared)) != 0) Die("cannot make " + path);
        void* at = mmap(nullptr, sizeof(StampShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (at == MAP_FAILED) Die("cannot map " + path);
        shared_ = static_cast<StampShared*>(at);
        pid_ = fork();
        if (pid_ < 0) Die("fork failed");
        if (pid_ == 0) {
            // Held at a swap, it would wait for ever if we were gone.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            ExecStamped(program, dir, "QV_STAMP_SHARED", path, 0);
        }
        WaitFor(1); // held at its first frame
    }
    ~Stamped() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        munmap(shared_, sizeof(StampShared));
    }
    Stamped(const Stamped&) = delete;
    Stamped& operator=(const Stamped&) = delete;

    std::uint32_t Presented() const { return __atomic_load_n(&shared_->Presented, __ATOMIC_ACQUIRE); }
    void Allow(std::uint32_t frames) {
        __atomic_store_n(&shared_->Allowed, frames, __ATOMIC_RELEASE);
        syscall(SYS_futex, &shared_->Allowed, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
    }
    void RunFree() { Allow(UINT32_MAX); }
    // Stops it at a swap a frame or two from now.
    void Hold() {
        std::uint32_t until = Presented() + 2;
        Allow(until);
        WaitFor(until);
    }
    void WaitFor(std::uint32_t frames) {
        timespec tick{0, 100000000};
        for (int waited = 0;; ++waited) {
            std::uint32_t now = Presented();
            if (now >= frames) return;
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) Die(program_ + " ended");
            if (waited > 1200) Die(program_ + " stopped presenting frames");
            syscall(SYS_futex, &shared_->Presented, FUTEX_WAIT, now, &tick, nullptr, 0);
        }
    }
    // From held: warmup frames, then count measured ones; held again after them.
    Block Frames(int warmup, int count) {
        std::uint32_t first = Presented() + static_cast<std::uint32_t>(warmup);
        std::uint32_t end = first + static_cast<std::uint32_t>(count);
        Allow(end);
        WaitFor(end);
        auto at = [&](std::uint32_t n) { return shared_->Records[n % StampCapacity]; };
        std::vector<double> times;
        for (std::uint32_t n = first; n < end; ++n)
            times.push_back(static_cast<double>(at(n).Ns - at(n - 1).Ns));
        std::sort(times.begin(), times.end());
        Block b;
        b.MedianNs = times[times.size() / 2];
        b.P99Ns = times[std::min(times.size() - 1, times.size() * 99 / 100)];
        b.FaultsPerFrame =
            static_cast<double>(at(end - 1).MinorFaults - at(first - 1).MinorFaults) / count;
        return b;
    }

  private:
    std::string program_;
    pid_t pid_ = -1;
    StampShared* shared_ = nullptr;
};

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

std::string FindWindows() {
    return Shell("xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null");
}

// The window that is in after but not in before.
std::string NewWindow(const std::string& before) {
    for (int tries = 0; tries < 1200; ++tries) {
        std::istringstream after(FindWindows());
        for (std::string id; std::getline(after, id);)
            if (!id.empty() && before.find(id) == std::string::npos) return id;
        usleep(50000);
    }
    Die("no window appeared");
}

// The game's window, driven as a player drives it; the game runs freely meanwhile.
struct Player {
    std::string Window;
    void Do(const std::string& steps) const {
        if (std::system(("xdotool " + steps + " >/dev/null 2>&1").c_str()) != 0)
            Die("xdotool failed: " + steps);
    }
    // Virtual coordinates (origin bottom left) to the 800x600 window's pixels.
    std::string At(int vx, int vy) const {
        return "mousemove --window " + Window + " " + std::to_string(vx) + " " +
               std::to_string(600 - vy);
    }
    void MoveTo(int vx, int vy) const { Do(At(vx, vy) + " sleep 0.05"); }
    // Held for a few frames: a press and release in the same frame cancel out.
    void Click(int vx, int vy) const {
        Do(At(vx, vy) + " sleep 0.05 mousedown 1 sleep 0.1 mouseup 1 sleep 0.1");
    }
    void Keys(const std::string& keys) const {
        std::string steps;
        for (char key : keys)
            steps += std::string(" keydown ") + key + " sleep 0.04 keyup " + key + " sleep 0.02";
        Do(steps + " sleep 0.05");
    }
    void Key(const std::string& name) const {
        Do("keydown " + name + " sleep 0.1 keyup " + name + " sleep 0.1");
    }
};

// The longest names and the widest scores a game over with 0 points cannot push out, so the
// list shows the same on every round.
void WriteHighScores(const std::string& dir) {
    unsigned char table[160] = {};
    for (int slot = 0; slot < 10; ++slot) {
        unsigned char* r = table + 16 * slot;
        r[0] = 10;
        std::snprintf(reinterpret_cast<char*>(r + 1), 11, "Runner%04d", slot + 1);
        std::uint32_t points = 2147483000u - static_cast<std::uint32_t>(slot);
        for (int i = 0; i < 4; ++i)
            r[12 + i] = static_cast<unsigned char>(points >> (8 * i));
    }
    std::ofstream(dir + "/highScores.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(table), sizeof table);
}

// Rounds over every screen: a block of each side per screen, in turns.
void RunRealRounds(const std::string& dir, int rounds, int warmup, int frames,
                   std::vector<Pair> (&blocks)[Screens]) {
    WriteHighScores(dir);
    // The floor first, so the game's window is the one on top with the focus, as a player has it.
    std::string before = FindWindows();
    Stamped floor(BenchPath, dir, "floor");
    std::string floorWindow = NewWindow(before);
    before = FindWindows();
    Stamped game(QV_GAME, dir, "game");
    Player player{NewWindow(before)};

    int turn = 0;
    auto measure = [&](int screen) {
        game.Hold();
        auto side = [&](Stamped& program, const std::string& window) {
            // The measured window on top: a covered window presents fewer pixels.
            player.Do("windowraise " + window);
            return program.Frames(warmup, frames);
        };
        Pair pair;
        if (turn++ % 2 == 0) {
            pair.Floor = side(floor, floorWindow);
            pair.Game = side(game, player.Window);
        } else {
            pair.Game = side(game, player.Window);
            pair.Floor = side(floor, floorWindow);
        }
        blocks[screen].push_back(pair);
        player.Do("windowraise " + player.Window);
        game.RunFree();
    };

    game.RunFree();
    player.Do("windowfocus --sync " + player.Window);
    for (int r = 0; r < rounds; ++r) {
        // Menus are measured with the mouse over a button: the outline is part of the cost.
        player.MoveTo(400, 475);
        measure(MainMenu);
        player.Click(400, 275);
        player.MoveTo(400, 475);
        measure(Help);
        player.Click(200, 75);
        player.Click(400, 175);
        player.MoveTo(400, 475);
        measure(HighScores);
        player.Click(200, 75);
        player.Click(400, 375);
        player.MoveTo(400, 475);
        measure(Options);
        player.Click(400, 475);
        player.Keys("benchmark");
        measure(NameEntry);
        player.Key("Return");
        player.Click(400, 375);
        player.Click(400, 475);
        measure(Playing);
        player.Key("Escape");
        measure(Paused);
        player.Key("Escape");
        // Three targets left to run out: held longer than a target lasts, then a few frames.
        for (int life = 0; life < 3; ++life) {
            game.Hold();
            usleep(1600000);
            game.Frames(3, 1);
            game.RunFree();
        }
        player.MoveTo(400, 475);
        measure(GameOver);
        player.Click(200, 75);
        std::fprintf(stderr, "real round %d of %d done\n", r + 1, rounds);
    }
}

struct Stamp {
    double StartMs = 0; // fork to the stamped frame
    double RssKb = 0, HwmKb = 0;
};

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts program as a player would and waits for the stamp at its frame number stopAt.
Stamp RunStamped(const std::string& program, const std::string& dir, int stopAt) {
    std::string stampFile = dir + "/stamp.txt";
    std::remove(stampFile.c_str());
    // The X server tidies up after the last client for a while; let it, for both sides alike.
    usleep(300000);
    long long start = MonotonicNs();
    pid_t pid = fork();
    if (pid < 0) Die("fork failed");
    if (pid == 0) ExecStamped(program, dir, "QV_STAMP_FILE", stampFile, stopAt);
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) != pid; ++waited) {
        if (waited > 12000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            Die(program + " never presented frame " + std::to_string(stopAt));
        }
        usleep(5000);
    }
    long long stampNs = 0;
    Stamp s;
    std::ifstream in(stampFile);
    if (!(in >> stampNs >> s.RssKb >> s.HwmKb))
        Die(program + " left no stamp (exit status " + std::to_string(status) + ")");
    s.StartMs = static_cast<double>(stampNs - start) / 1e6;
    return s;
}

std::string FirstLine(const char* path, const char* prefix) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown";
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one = "?";
    in >> one;
    return one;
}

// Replaces the text between the two markers (or appends them with the text).
void WriteSection(const std::string& path, const std::string& section) {
    const std::string begin = "<!-- measured: begin (written by tools/bench) -->";
    const std::string end = "<!-- measured: end -->";
    std::string old;
    if (std::ifstream in(path); in) {
        std::stringstream all;
        all << in.rdbuf();
        old = all.str();
    }
    std::string text = begin + "\n" + section + end;
    std::size_t b = old.find(begin), e = old.find(end);
    if (b != std::string::npos && e != std::string::npos && e > b)
        old.replace(b, e + end.size() - b, text);
    else
        old += (old.empty() ? "" : "\n") + text + "\n";
    std::ofstream(path) << old;
}
} // namespace

int main(int argc, char** argv) {
    BenchPath = fs::canonical("/proc/self/exe").string();
    if (argc == 2 && std::strcmp(argv[1], "floor") == 0) return RunFloor(false);
    if (argc == 2 && std::strcmp(argv[1], "info") == 0) return RunFloor(true);
    int rounds = 7, frames = 300, warmup = 30;
    std::string out, command = "tools/bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i], value = argv[i + 1];
        if (flag == "--rounds")
            rounds = std::max(1, std::atoi(value.c_str()));
        else if (flag == "--frames")
            frames = std::max(10, std::atoi(value.c_str()));
        else if (flag == "--warmup")
            warmup = std::max(1, std::atoi(value.c_str()));
        else if (flag == "--out")
            out = value;
        else if (flag == "--command")
            command = value;
        else
            Die("unknown option " + flag);
    }
    if (!std::getenv("DISPLAY")) Die("no X display; tools/bench gives it one");

    // A private working directory with the game's images, as tools/run makes one.
    std::string dir =
        (fs::temp_directory_path() / ("qv-bench-" + std::to_string(getpid()))).string();
    fs::create_directories(dir);
    for (const char* image : {"daFont.tga", "daFontMask.tga", "TheCrate2.tga"})
        fs::copy_file(fs::path(QV_DATA_DIR) / image, fs::path(dir) / image,
                      fs::copy_options::overwrite_existing);

    std::string loadAtStart = LoadAverage();
    std::vector<Pair> real[Screens];
    RunRealRounds(dir, rounds, warmup, frames, real);

    // Start-up and resident memory, alternating which side starts first.
    constexpr int SteadyFrame = 300;
    std::vector<double> gameStart, floorStart, startRatio, rss[2], hwm[2];
    RunStamped(QV_GAME, dir, 1); // first starts: fill the page cache
    RunStamped(BenchPath, dir, 1);
    for (int r = 0; r < rounds; ++r) {
        Stamp g, f;
        if (r % 2 == 1) g = RunStamped(QV_GAME, dir, 1);
        f = RunStamped(BenchPath, dir, 1);
        if (r % 2 == 0) g = RunStamped(QV_GAME, dir, 1);
        gameStart.push_back(g.StartMs);
        floorStart.push_back(f.StartMs);
        startRatio.push_back(g.StartMs / f.StartMs);
        Stamp steady[2] = {RunStamped(QV_GAME, dir, SteadyFrame),
                           RunStamped(BenchPath, dir, SteadyFrame)};
        for (int side = 0; side < 2; ++side) {
            rss[side].push_back(steady[side].RssKb / 1024);
            hwm[side].push_back(steady[side].HwmKb / 1024);
        }
        std::fprintf(stderr, "start-up round %d of %d: game %.1f ms, floor %.1f ms\n", r + 1,
                     rounds, g.StartMs, f.StartMs);
    }
    fs::remove_all(dir);

    // ---- Report.
    std::ostringstream md;
    utsname system{};
    uname(&system);
    time_t now = time(nullptr);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    std::istringstream info(Shell(BenchPath + " info"));
    std::string renderer, version;
    std::getline(info, renderer);
    std::getline(info, version);
    md << "Measured " << when << " with `" << command << "`.\n\n"
       << "- Machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " processors (`nproc`), "
       << FirstLine("/proc/cpuinfo", "model name") << ", Linux " << system.release << "\n"
       << "- Renderer: " << renderer << "; OpenGL " << version << "\n"
       << "- Load average (1 minute, this run included) at the start and the end of the "
          "measuring: "
       << loadAtStart << " and " << LoadAverage() << "\n"
       << "- Xvfb at 1024x768x24, the window 800x600; " << rounds << " rounds of " << frames
       << " measured frames per screen and side, after " << warmup
       << " unmeasured ones; game and floor blocks alternate, and their order flips every "
          "block.\n"
       << "- Figures are medians over the rounds, with the 25th to 75th percentile in "
          "brackets.\n\n";

    md << "### 1. Frame cost of the real game against the floor\n\n"
       << "The real `quorvin` (no arguments, the system's malloc) and the floor (`qv_bench "
          "floor`), both with `libqv_swap_stamp.so` preloaded, which notes the time and the "
          "process's minor page faults at every presented frame and holds the program at its "
          "swap between blocks. The game is walked through its screens with `xdotool`. Frame "
          "time is swap to swap; a block's median and 99th percentile are taken over its "
          "frames, the ratio per round from the two neighbouring blocks.\n\n"
       << "| Screen | Floor FPS | Game FPS | Frame-time ratio game/floor | Goal | Game median / "
          "p99 ms | Floor median / p99 ms | Minor page faults per frame, game / floor |\n"
       << "|---|---|---|---|---|---|---|---|\n";
    auto ms = [](double ns) { return Format("%.2f", ns / 1e6); };
    std::string faulting; // screens still faulting in the last round
    for (int s = 0; s < Screens; ++s) {
        std::vector<double> g, f, ratio, gp99, fp99, gFaults, fFaults, gFps, fFps;
        for (const Pair& p : real[s]) {
            g.push_back(p.Game.MedianNs);
            f.push_back(p.Floor.MedianNs);
            gFps.push_back(1e9 / p.Game.MedianNs);
            fFps.push_back(1e9 / p.Floor.MedianNs);
            ratio.push_back(p.Game.MedianNs / p.Floor.MedianNs);
            gp99.push_back(p.Game.P99Ns);
            fp99.push_back(p.Floor.P99Ns);
            gFaults.push_back(p.Game.FaultsPerFrame);
            fFaults.push_back(p.Floor.FaultsPerFrame);
        }
        // Help and high scores draw hundreds of glyphs: no ratio is set for them.
        double goal = s == Paused ? 3.0 : (s == Help || s == HighScores) ? 0 : 2.0;
        if (gFaults.back() >= 0.5)
            faulting += std::string(faulting.empty() ? "" : ", ") + ScreenNames[s];
        md << "| " << ScreenNames[s] << " | " << Spread(fFps, "%.0f") << " | "
           << Spread(gFps, "%.0f") << " | " << Spread(ratio, "%.2f") << " | "
           << (goal > 0 ? Format("%.1f: ", goal) + Verdict(Median(ratio) <= goal) : "-") << " | "
           << ms(Median(g)) << " / " << ms(Median(gp99)) << " | " << ms(Median(f)) << " / "
           << ms(Median(fp99)) << " | " << Format("%.2f", Median(gFaults)) << " (last round "
           << Format("%.2f", gFaults.back()) << ") / " << Format("%.2f", Median(fFaults))
           << " |\n";
    }
    md << "\nPage faults, goal 0 a frame in steady state: "
       << (faulting.empty() ? "met: below 0.5 a frame on every screen in the last round.\n"
                            : "**missed** in the last round on " + faulting + ".\n");

    md << "\n### 2. Start-up to the first presented frame (goal: ratio at most 1.2)\n\n"
       << "The real `quorvin` binary (no arguments, as a player starts it) and the floor, each "
          "with `libqv_swap_stamp.so` preloaded: time from `fork` in the driver to the return "
          "of the first `glXSwapBuffers`.\n\n"
       << "| Floor ms | Game ms | Ratio game/floor | Goal |\n|---|---|---|---|\n"
       << "| " << Spread(floorStart, "%.1f") << " | " << Spread(gameStart, "%.1f") << " | "
       << Spread(startRatio, "%.3f") << " | " << Verdict(Median(startRatio) <= 1.2) << " |\n";

    md << "\n### 3. Resident memory\n\n"
       << "`VmRSS` and its peak `VmHWM` at the " << SteadyFrame
       << "th presented frame (the game on its main menu).\n\n"
       << "| | Floor MiB | Game MiB | Game − floor MiB |\n|---|---|---|---|\n";
    const char* rowNames[] = {"resident", "peak"};
    for (auto* row : {&rss, &hwm}) {
        std::vector<double> diff;
        for (int r = 0; r < rounds; ++r)
            diff.push_back((*row)[0][r] - (*row)[1][r]);
        md << "| " << rowNames[row == &hwm] << " | " << Spread((*row)[1], "%.1f") << " | "
           << Spread((*row)[0], "%.1f") << " | " << Spread(diff, "%.2f") << " |\n";
    }

    std::string section = md.str();
    std::fputs(section.c_str(), stdout);
    if (!out.empty()) WriteSection(out, section);
    return 0;
}
