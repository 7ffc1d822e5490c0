#include "RealRun.h"

#include "SwapStamp.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "qv_bench: %s\n", why.c_str());
    std::exit(1);
}

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

// A program started with the stamp library preloaded and its frames shared with us.
class Stamped {
  public:
    Stamped(const char* program, const std::string& dir, const std::string& name) {
        std::string path = dir + "/" + name + ".frames";
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ftruncate(fd, sizeof(StampShared)) != 0) Fail("cannot make " + path);
        void* at = mmap(nullptr, sizeof(StampShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (at == MAP_FAILED) Fail("cannot map " + path);
        shared_ = static_cast<StampShared*>(at);
        pid_ = fork();
        if (pid_ < 0) Fail("fork failed");
        if (pid_ == 0) {
            // Held at a swap, it would wait for ever if we were gone.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (chdir(dir.c_str()) != 0) _exit(126);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            setenv("LD_PRELOAD", QV_STAMP_LIBRARY, 1);
            setenv("QV_STAMP_SHARED", path.c_str(), 1);
            execl(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        program_ = program;
        WaitFor(1); // held at its first frame
    }
    ~Stamped() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        munmap(shared_, sizeof(StampShared));
    }
    Stamped(const Stamped&) = delete;
    Stamped& operator=(const Stamped&) = delete;

    std::uint32_t Presented() const {
        return __atomic_load_n(&shared_->Presented, __ATOMIC_ACQUIRE);
    }

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
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) Fail(program_ + " ended");
            if (waited > 1200) Fail(program_ + " stopped presenting frames");
            syscall(SYS_futex, &shared_->Presented, FUTEX_WAIT, now, &tick, nullptr, 0);
        }
    }
    // From held: warmup frames, then count measured ones; held again after them.
    RealBlock Frames(int warmup, int count) {
        std::uint32_t first = Presented() + static_cast<std::uint32_t>(warmup);
        std::uint32_t end = first + static_cast<std::uint32_t>(count);
        Allow(end);
        WaitFor(end);
        auto at = [&](std::uint32_t n) { return shared_->Records[n % StampCapacity]; };
        std::vector<double> times;
        for (std::uint32_t n = first; n < end; ++n)
            times.push_back(static_cast<double>(at(n).Ns - at(n - 1).Ns));
        std::sort(times.begin(), times.end());
        RealBlock b;
        b.MedianNs = times[times.size() / 2];
        b.P99Ns = times[std::min(times.size() - 1, times.size() * 99 / 100)];
        b.FaultsPerFrame =
            static_cast<double>(at(end - 1).MinorFaults - at(first - 1).MinorFaults) / count;
        return b;
    }

  private:
    pid_t pid_ = -1;
    StampShared* shared_ = nullptr;
    std::string program_;
};

std::string FindWindows() {
    return Shell("xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null");
}

// The window that is in after but not in before.
std::string NewWindow(const std::string& before) {
    for (int tries = 0; tries < 100; ++tries) {
        std::string after = FindWindows();
        std::size_t start = 0;
        while (start < after.size()) {
            std::size_t end = after.find('\n', start);
            std::string id = after.substr(start, end - start);
            if (!id.empty() && before.find(id) == std::string::npos) return id;
            if (end == std::string::npos) break;
            start = end + 1;
        }
        usleep(50000);
    }
    Fail("no window appeared");
}

// The game's window, driven as a player drives it; the game runs freely meanwhile.
struct Player {
    std::string Window;
    void Do(const std::string& steps) const {
        if (std::system(("xdotool " + steps + " >/dev/null 2>&1").c_str()) != 0)
            Fail("xdotool failed: " + steps);
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
    FILE* out = std::fopen((dir + "/highScores.dat").c_str(), "wb");
    if (out == nullptr) Fail("cannot write highScores.dat");
    std::fwrite(table, 1, sizeof table, out);
    std::fclose(out);
}

enum RealScreen { MainMenu, Playing, Paused, Help, HighScores, Options, NameEntry, GameOver };
} // namespace

void RunRealRounds(const std::string& dir, int rounds, int warmup, int frames,
                   std::vector<RealPair> (&blocks)[RealScreenCount]) {
    WriteHighScores(dir);
    // The floor first, so the game's window is the one on top with the focus, as a player has it.
    std::string before = FindWindows();
    Stamped floor(QV_FLOOR, dir, "floor");
    std::string floorWindow = NewWindow(before);
    before = FindWindows();
    Stamped game(QV_GAME, dir, "game");
    Player player{NewWindow(before)};

    int turn = 0;
    // Measures the screen the game is on: a block of each side, the game held before and after.
    auto measure = [&](int screen) {
        game.Hold();
        auto side = [&](Stamped& program, const std::string& window) {
            // The measured window on top: a covered window presents fewer pixels.
            std::system(("xdotool windowraise " + window + " >/dev/null 2>&1").c_str());
            return program.Frames(warmup, frames);
        };
        RealPair pair;
        if (turn++ % 2 == 0) {
            pair.Floor = side(floor, floorWindow);
            pair.Game = side(game, player.Window);
        } else {
            pair.Game = side(game, player.Window);
            pair.Floor = side(floor, floorWindow);
        }
        blocks[screen].push_back(pair);
        std::system(("xdotool windowraise " + player.Window + " >/dev/null 2>&1").c_str());
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

double MainMenuFaultsPerFrame(const std::string& dir, int warmup, int frames) {
    Stamped game(QV_GAME, dir, "game");
    return game.Frames(warmup, frames).FaultsPerFrame;
}
