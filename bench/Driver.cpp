// Driver.cpp - runs the game against the floor in alternating rounds and writes the medians.
//   qv_bench [--rounds R] [--frames N] [--warmup W] [--out RESULTS.md] [--command TEXT]
//            [--only startup|faults] [--check yes]
// Needs an X display ($DISPLAY); tools/bench gives it a private Xvfb. The measured section of
// the output file (between the two markers) is replaced; the rest of the file stays.
// --check yes ends with exit code 1 when a click takes more than one frame to show or the
// game's own code allocates in a frame; times are reported, never judged.
#include <fcntl.h>
#include <signal.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

#include "RealRun.h"

namespace fs = std::filesystem;

namespace {
const char* const ScreenNames[] = {"main menu",   "playing", "paused",     "help",
                                   "high scores", "options", "name entry", "game over"};
constexpr int ScreenCount = 8;
static_assert(ScreenCount == RealScreenCount);
constexpr double MenuFaultsAllowed = 4;

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "qv_bench: %s\n", why.c_str());
    std::exit(1);
}

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// ---- Statistics --------------------------------------------------------------------------

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

// "median (p25 to p75)"
std::string Spread(const std::vector<double>& v, const char* format) {
    char a[32], b[32], c[32];
    std::snprintf(a, sizeof a, format, Median(v));
    std::snprintf(b, sizeof b, format, Quantile(v, 0.25));
    std::snprintf(c, sizeof c, format, Quantile(v, 0.75));
    return std::string(a) + " (" + b + "–" + c + ")";
}

std::vector<double> Map(const std::vector<double>& v, double (*f)(double)) {
    std::vector<double> out;
    for (double x : v)
        out.push_back(f(x));
    return out;
}

// ---- Child processes ------------------------------------------------------------------------

// A benchmark program serving commands: lines to its stdin, "@ " lines back from its stdout.
struct Server {
    pid_t Pid = -1;
    FILE* In = nullptr;
    FILE* Out = nullptr;

    void Start(const std::vector<std::string>& argv, const std::string& dir) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) Die("pipe failed");
        Pid = fork();
        if (Pid < 0) Die("fork failed");
        if (Pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            if (chdir(dir.c_str()) != 0) _exit(126);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        In = fdopen(toChild[1], "w");
        Out = fdopen(fromChild[0], "r");
        if (Reply() != "ready") Die(argv[0] + " did not start");
    }
    void Send(const std::string& command) {
        std::fprintf(In, "%s\n", command.c_str());
        std::fflush(In);
    }
    std::string Reply() {
        char line[1024];
        while (std::fgets(line, sizeof line, Out)) {
            if (std::strncmp(line, "@ ", 2) != 0) continue; // the game's own console lines
            std::string text(line + 2);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            return text;
        }
        return "";
    }
    void Stop() {
        Send("quit");
        std::fclose(In);
        std::fclose(Out);
        int status = 0;
        waitpid(Pid, &status, 0);
    }
};

struct Block {
    double MedianNs = 0, MeanNs = 0, CpuNs = 0, GameAllocs = 0, DriverAllocs = 0;
};

Block ParseBlock(const std::string& reply) {
    Block b;
    if (std::sscanf(reply.c_str(), "frames %lf %lf %lf %lf %lf", &b.MedianNs, &b.MeanNs, &b.CpuNs,
                    &b.GameAllocs, &b.DriverAllocs) != 5)
        Die("bad reply: " + reply);
    return b;
}

Block RunBlock(Server& server, int screen, int warmup, int frames) {
    server.Send("frames " + std::to_string(screen) + " " + std::to_string(warmup) + " " +
                std::to_string(frames));
    return ParseBlock(server.Reply());
}

struct Stamp {
    double StartMs = 0; // process start to the stamped frame
    double RssKb = 0, HwmKb = 0;
};

// Starts program with the stamp library preloaded, as a user would start it (no arguments for
// the game), and waits for the stamp at its frame number stopAt.
Stamp RunStamped(const std::string& program, const std::string& dir, int stopAt) {
    std::string stampFile = dir + "/stamp.txt";
    std::remove(stampFile.c_str());
    // The X server tidies up after the last client for a while; let it, for both sides alike.
    usleep(300000);
    long long start = MonotonicNs();
    pid_t pid = fork();
    if (pid < 0) Die("fork failed");
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        setenv("LD_PRELOAD", QV_STAMP_LIBRARY, 1);
        setenv("QV_STAMP_AT", std::to_string(stopAt).c_str(), 1);
        setenv("QV_STAMP_FILE", stampFile.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    for (int waited = 0;; ++waited) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (waited > 6000) {
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

struct StartupResults {
    std::vector<double> GameStart, FloorStart, StartRatio, GameRss, FloorRss, GameHwm, FloorHwm;
    std::vector<double> Phases[5];   // the game's start-up steps, from the benchmark program
    std::vector<double> PhaseRss[5]; // resident memory after each step
};
const char* const PhaseNames[] = {"CreateGameWindow", "InitScene", "InitGame",
                                  "first frame (to glFinish)", "second frame (to glFinish)"};
constexpr int SteadyFrame = 300;

StartupResults MeasureStartup(const std::string& dir, int rounds) {
    StartupResults st;
    RunStamped(QV_GAME, dir, 1); // first start: makes highScores.dat, fills the page cache
    RunStamped(QV_FLOOR, dir, 1);
    for (int r = 0; r < rounds; ++r) {
        bool gameFirst = r % 2 == 1;
        Stamp g, f;
        if (gameFirst) g = RunStamped(QV_GAME, dir, 1);
        f = RunStamped(QV_FLOOR, dir, 1);
        if (!gameFirst) g = RunStamped(QV_GAME, dir, 1);
        st.GameStart.push_back(g.StartMs);
        st.FloorStart.push_back(f.StartMs);
        st.StartRatio.push_back(g.StartMs / f.StartMs);
        Stamp gm = RunStamped(QV_GAME, dir, SteadyFrame);
        Stamp fm = RunStamped(QV_FLOOR, dir, SteadyFrame);
        st.GameRss.push_back(gm.RssKb / 1024);
        st.FloorRss.push_back(fm.RssKb / 1024);
        st.GameHwm.push_back(gm.HwmKb / 1024);
        st.FloorHwm.push_back(fm.HwmKb / 1024);
        Server phases;
        phases.Start({QV_GAME_BENCH, "serve"}, dir);
        phases.Send("phases");
        double ms[5] = {}, mb[5] = {};
        std::string reply = phases.Reply();
        if (std::sscanf(reply.c_str(),
                        "phases window %lf scene %lf game %lf first-frame %lf second-frame %lf "
                        "rss %lf %lf %lf %lf %lf",
                        &ms[0], &ms[1], &ms[2], &ms[3], &ms[4], &mb[0], &mb[1], &mb[2], &mb[3],
                        &mb[4]) != 10)
            Die("bad reply: " + reply);
        phases.Stop();
        for (int i = 0; i < 5; ++i) {
            st.Phases[i].push_back(ms[i]);
            st.PhaseRss[i].push_back(mb[i]);
        }
        std::fprintf(stderr, "start-up round %d of %d: game %.1f ms, floor %.1f ms\n", r + 1,
                     rounds, g.StartMs, f.StartMs);
    }
    return st;
}

// The 1-minute load average: how busy the machine was while it measured.
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown";
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

const char* Verdict(bool met) {
    return met ? "met" : "**missed**";
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
    int rounds = 7, frames = 300, warmup = 30;
    std::string out, command = "tools/bench", only;
    bool check = false; // exit 1 when a frame-count or allocation goal is missed
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
        else if (flag == "--only")
            only = value;
        else if (flag == "--check")
            check = value == "yes";
        else
            Die("unknown option " + flag);
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "qv_bench: no X display; tools/bench gives it one\n");
        return 77; // skipped, for CTest
    }

    // A private working directory with the game's images, as tools/run makes one.
    std::string dir =
        (fs::temp_directory_path() / ("qv-bench-" + std::to_string(getpid()))).string();
    fs::create_directories(dir);
    for (const char* image : {"daFont.tga", "daFontMask.tga", "TheCrate2.tga"})
        fs::copy_file(fs::path(QV_DATA_DIR) / image, fs::path(dir) / image,
                      fs::copy_options::overwrite_existing);

    // A count, not a time: the real game's main menu over a few hundred frames faults at most a
    // few pages a frame. A kept heap faults none; a trimmed one hundreds.
    if (only == "faults") {
        double faults = MainMenuFaultsPerFrame(dir, 100, 300);
        fs::remove_all(dir);
        std::printf("main menu: %.3f minor page faults a frame (allowed %.0f)\n", faults,
                    MenuFaultsAllowed);
        return faults <= MenuFaultsAllowed ? 0 : 1;
    }

    // A look at one part alone, while working on it: printed, not written.
    if (only == "startup") {
        StartupResults st = MeasureStartup(dir, rounds);
        fs::remove_all(dir);
        std::printf("start-up ms: floor %s, game %s, ratio %s\n",
                    Spread(st.FloorStart, "%.1f").c_str(), Spread(st.GameStart, "%.1f").c_str(),
                    Spread(st.StartRatio, "%.3f").c_str());
        return 0;
    }

    std::string loadAtStart = LoadAverage();
    // ---- Frame cost of the real programs, alternating blocks on each screen.
    std::vector<RealPair> real[ScreenCount];
    RunRealRounds(dir, rounds, warmup, frames, real);

    // ---- The harness, timed (system malloc), fewer and shorter blocks: each screen's real frame,
    // the same frame without its glyph draws, and the floor, in turns; then the help page's
    // text alone drawn one display list per glyph (as the game does) and one draw per line and
    // pass (not the game's drawing), against the floor.
    Server plain, plainFloor;
    plain.Start({QV_GAME_PLAIN, "serve"}, dir);
    plainFloor.Start({QV_FLOOR, "serve"}, dir);
    plain.Send("info");
    std::string renderer, version;
    for (std::string r = plain.Reply(); r != "end" && !r.empty(); r = plain.Reply()) {
        if (r.rfind("info renderer ", 0) == 0) renderer = r.substr(14);
        if (r.rfind("info version ", 0) == 0) version = r.substr(13);
    }
    std::fprintf(stderr, "renderer: %s, %s\n", renderer.c_str(), version.c_str());
    const int plainRounds = std::min(rounds, 3), plainFrames = std::max(10, frames / 2);
    std::vector<Block> plainFull[ScreenCount], plainTextless[ScreenCount], plainFloors[ScreenCount];
    for (int r = 0; r < plainRounds; ++r) {
        for (int s = 0; s < ScreenCount; ++s) {
            for (int turn = 0; turn < 3; ++turn) {
                std::string screen = std::to_string(s) + " " + std::to_string(warmup) + " " +
                                     std::to_string(plainFrames);
                switch ((r + s + turn) % 3) {
                case 0:
                    plainFloors[s].push_back(RunBlock(plainFloor, s, warmup, plainFrames));
                    break;
                case 1:
                    plainFull[s].push_back(RunBlock(plain, s, warmup, plainFrames));
                    break;
                default:
                    plain.Send("textless " + screen);
                    plainTextless[s].push_back(ParseBlock(plain.Reply()));
                }
            }
        }
    }
    std::vector<double> perGlyphMs, batchedMs, whatIfFloorMs;
    double helpTextDraws = 0;
    for (int r = 0; r < plainRounds; ++r) {
        Block f = RunBlock(plainFloor, 0, warmup, plainFrames);
        plain.Send("whatif " + std::to_string(warmup) + " " + std::to_string(plainFrames));
        std::string reply = plain.Reply();
        double perGlyph = 0, batched = 0, cpu = 0, cpu2 = 0;
        if (std::sscanf(reply.c_str(),
                        "whatif per-glyph %lf ns %lf cpu batched %lf ns %lf cpu draws %lf",
                        &perGlyph, &cpu, &batched, &cpu2, &helpTextDraws) != 5)
            Die("bad reply: " + reply);
        perGlyphMs.push_back(perGlyph / 1e6);
        batchedMs.push_back(batched / 1e6);
        whatIfFloorMs.push_back(f.MedianNs / 1e6);
    }
    plain.Stop();
    plainFloor.Stop();

    // ---- Untimed: allocations per frame, counted by the harness's own malloc.
    Server game, floor;
    game.Start({QV_GAME_BENCH, "serve"}, dir);
    floor.Start({QV_FLOOR_COUNT, "serve"}, dir);
    Block gameCounts[ScreenCount], floorCounts[ScreenCount];
    double glyphDraws[ScreenCount];
    for (int s = 0; s < ScreenCount; ++s) {
        gameCounts[s] = RunBlock(game, s, warmup, frames);
        floorCounts[s] = RunBlock(floor, s, warmup, frames);
        game.Send("glyphs " + std::to_string(s));
        std::string reply = game.Reply();
        if (std::sscanf(reply.c_str(), "glyphs %lf", &glyphDraws[s]) != 1)
            Die("bad reply: " + reply);
    }

    // ---- Who makes the allocations inside UpdateGame and RenderGame (slow, so unmeasured).
    double ownAllocs[ScreenCount], libraryAllocs[ScreenCount];
    std::string topLibrary[ScreenCount];
    for (int s = 0; s < ScreenCount; ++s) {
        game.Send("owners " + std::to_string(s) + " " + std::to_string(warmup) + " 50");
        std::string reply = game.Reply();
        char library[128] = "-";
        if (std::sscanf(reply.c_str(), "owners %lf %lf %127s", &ownAllocs[s], &libraryAllocs[s],
                        library) != 3)
            Die("bad reply: " + reply);
        topLibrary[s] = library;
    }

    // ---- Input latency.
    game.Send("latency");
    std::vector<std::pair<int, std::string>> latencies;
    for (std::string r = game.Reply(); r != "end" && !r.empty(); r = game.Reply()) {
        int n = 0, used = 0;
        if (std::sscanf(r.c_str(), "latency %d %n", &n, &used) == 1)
            latencies.emplace_back(n, r.substr(static_cast<std::size_t>(used)));
    }
    game.Stop();
    floor.Stop();

    // ---- Start-up and resident memory of the real programs, alternating.
    StartupResults st = MeasureStartup(dir, rounds);
    fs::remove_all(dir);

    // ---- Report.
    std::ostringstream md;
    utsname system{};
    uname(&system);
    time_t now = time(nullptr);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    md << "Measured " << when << " with `" << command << "`.\n\n"
       << "- Machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " processors (`nproc`), " << CpuModel()
       << ", Linux " << system.release << "\n"
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
       << "The real `quorvin` (no arguments, the system's malloc) and `qv_floor`, both with "
          "`libqv_swap_stamp.so` preloaded, which notes the time and the process's minor page "
          "faults at every presented frame and holds the program at its swap between blocks. "
          "The game is walked through its screens with `xdotool`. Frame time is swap to swap; "
          "a block's median and 99th percentile are taken over its frames, the ratio per round "
          "from the two neighbouring blocks.\n\n"
       << "| Screen | Floor FPS | Game FPS | Frame-time ratio game/floor | Goal | Game median / "
          "p99 ms | Floor median / p99 ms | Minor page faults per frame, game / floor |\n"
       << "|---|---|---|---|---|---|---|---|\n";
    auto fps = [](double ns) { return 1e9 / ns; };
    auto ms = [](double ns) { return ns / 1e6; };
    std::string faulting; // screens still faulting in the last round
    for (int s = 0; s < ScreenCount; ++s) {
        std::vector<double> g, f, ratio, gp99, fp99, gFaults, fFaults;
        for (const RealPair& p : real[s]) {
            g.push_back(p.Game.MedianNs);
            f.push_back(p.Floor.MedianNs);
            ratio.push_back(p.Game.MedianNs / p.Floor.MedianNs);
            gp99.push_back(p.Game.P99Ns);
            fp99.push_back(p.Floor.P99Ns);
            gFaults.push_back(p.Game.FaultsPerFrame);
            fFaults.push_back(p.Floor.FaultsPerFrame);
        }
        // Help and high scores draw hundreds of glyphs: no ratio is set for them.
        double goal = s == 2 ? 3.0 : (s == 3 || s == 4) ? 0 : 2.0;
        if (gFaults.back() >= 0.5)
            faulting += std::string(faulting.empty() ? "" : ", ") + ScreenNames[s];
        md << "| " << ScreenNames[s] << " | " << Spread(Map(f, fps), "%.0f") << " | "
           << Spread(Map(g, fps), "%.0f") << " | " << Spread(ratio, "%.2f") << " | "
           << (goal > 0 ? Format("%.1f: ", goal) + Verdict(Median(ratio) <= goal) : "-") << " | "
           << Format("%.2f", ms(Median(g))) << " / " << Format("%.2f", ms(Median(gp99))) << " | "
           << Format("%.2f", ms(Median(f))) << " / " << Format("%.2f", ms(Median(fp99))) << " | "
           << Format("%.2f", Median(gFaults)) << " (last round " << Format("%.2f", gFaults.back())
           << ") / " << Format("%.2f", Median(fFaults)) << " |\n";
    }
    md << "\nPage faults, goal 0 a frame in steady state: "
       << (faulting.empty() ? "met: below 0.5 a frame on every screen in the last round.\n"
                            : "**missed** in the last round on " + faulting + ".\n");

    std::vector<double> perGlyphRatio, batchedRatio;
    for (std::size_t r = 0; r < perGlyphMs.size(); ++r) {
        perGlyphRatio.push_back(perGlyphMs[r] / whatIfFloorMs[r]);
        batchedRatio.push_back(batchedMs[r] / whatIfFloorMs[r]);
    }
    md << "\n### 2. Where the frame goes: the glyph draws against everything else\n\n"
       << "In the harness (`qv_game_plain` against `qv_floor serve`, both with the system's "
          "malloc and the game's start-up, `SysProcessStart` included): the help page's eleven "
          "lines of text alone, drawn as the game draws them (one display list per glyph, two "
          "passes) and, only for comparison, as one `glBegin`/`glEnd` per line and pass with "
          "the same quads, sheets and blending:\n\n"
       << "| Text drawn | ms per frame | Ratio to the floor (" << Spread(whatIfFloorMs, "%.2f")
       << " ms) |\n|---|---|---|\n"
       << "| one draw per glyph and pass (the game) | " << Spread(perGlyphMs, "%.2f") << " | "
       << Spread(perGlyphRatio, "%.2f") << " |\n"
       << "| one draw per line and pass (not the game) | " << Spread(batchedMs, "%.2f") << " | "
       << Spread(batchedRatio, "%.2f") << " |\n";

    md << "\nEach screen's real frame in the same harness against the same frame with its glyph "
          "draws left out (a comparison only: `glCallLists` is not passed on, all else is "
          "drawn), and the floor; "
       << plainRounds << " rounds of " << plainFrames
       << " frames, in turns. The glyph draws are counted in the untimed pass (one per "
          "character and pass). The last column is the thread CPU time of UpdateGame plus "
          "RenderGame, where the driver takes the GL calls; it rasterises on its own threads "
          "at the swap.\n\n"
       << "| Screen | Glyph draws | Frame ms | Without the glyph draws ms | Floor ms | The glyph "
          "draws' share of the frame | Without them against the floor | µs per glyph draw | "
          "UpdateGame + RenderGame CPU ms |\n"
       << "|---|---|---|---|---|---|---|---|---|\n";
    for (int s = 0; s < ScreenCount; ++s) {
        // Shares and ratios per round, from neighbouring blocks, then their median.
        std::vector<double> full, bare, base, cpu, share, bareRatio, perDraw;
        for (int r = 0; r < plainRounds; ++r) {
            double f = ms(plainFull[s][r].MedianNs), b = ms(plainTextless[s][r].MedianNs);
            full.push_back(f);
            bare.push_back(b);
            base.push_back(ms(plainFloors[s][r].MedianNs));
            cpu.push_back(ms(plainFull[s][r].CpuNs));
            share.push_back(100 * (f - b) / f);
            bareRatio.push_back(b / base.back());
            perDraw.push_back(1000 * (f - b) / glyphDraws[s]);
        }
        md << "| " << ScreenNames[s] << " | " << Format("%.0f", glyphDraws[s]) << " | "
           << Format("%.3f", Median(full)) << " | " << Format("%.3f", Median(bare)) << " | "
           << Format("%.3f", Median(base)) << " | " << Format("%.0f %%", Median(share)) << " | "
           << Format("%.2f", Median(bareRatio)) << " | " << Format("%.1f", Median(perDraw)) << " | "
           << Format("%.3f", Median(cpu)) << " |\n";
    }

    md << "\n### 3. Heap allocations per frame in steady state (goal: 0 in the game's code)\n\n"
       << "An untimed pass: `qv_game_bench` and `qv_floor_count` count with the harness's own "
          "malloc and operator new on the frame's thread, one block per screen; the last two "
          "columns split the allocations inside UpdateGame and RenderGame by who made them "
          "(stack walk to the first caller outside the C and C++ runtimes, over 50 further "
          "frames).\n\n"
       << "| Screen | Game: UpdateGame + RenderGame | Game: glClear + swap | Floor: glClear + "
          "swap | Game's own code | GL driver inside the game's GL calls | Goal (own code) |\n"
       << "|---|---|---|---|---|---|---|\n";
    bool ownAllocsMet = true;
    for (int s = 0; s < ScreenCount; ++s) {
        ownAllocsMet = ownAllocsMet && ownAllocs[s] == 0;
        md << "| " << ScreenNames[s] << " | " << Format("%.4g", gameCounts[s].GameAllocs) << " | "
           << Format("%.4g", gameCounts[s].DriverAllocs) << " | "
           << Format("%.4g", floorCounts[s].DriverAllocs) << " | " << Format("%.4g", ownAllocs[s])
           << " | " << Format("%.4g", libraryAllocs[s])
           << (libraryAllocs[s] > 0 ? " (" + topLibrary[s] + ")" : "") << " | "
           << Verdict(ownAllocs[s] == 0) << " |\n";
    }

    md << "\n### 4. Start-up to the first presented frame (goal: ratio at most 1.2)\n\n"
       << "The real `quorvin` binary (no arguments, as a player starts it) and `qv_floor`, each "
          "with `libqv_swap_stamp.so` preloaded: time from `fork` in the driver to the return "
          "of the first `glXSwapBuffers`.\n\n"
       << "| Floor ms | Game ms | Ratio game/floor | Goal |\n|---|---|---|---|\n"
       << "| " << Spread(st.FloorStart, "%.1f") << " | " << Spread(st.GameStart, "%.1f") << " | "
       << Spread(st.StartRatio, "%.3f") << " | " << Verdict(Median(st.StartRatio) <= 1.2) << " |\n";

    md << "\nWhere the game's start-up goes, timed inside `qv_game_bench` along the same path "
          "(one start per round), with the resident memory after each step:\n\n"
       << "| Step | ms | Resident MiB after it |\n|---|---|---|\n";
    for (int i = 0; i < 5; ++i)
        md << "| " << PhaseNames[i] << " | " << Spread(st.Phases[i], "%.1f") << " | "
           << Spread(st.PhaseRss[i], "%.1f") << " |\n";

    md << "\n### 5. Input latency (goal: the next frame)\n\n"
       << "Frames from a posted `WmLButtonDown` (after a `WmMouseMove` onto the button or the "
          "target) to the first frame whose picture, read back before the swap, matches the "
          "screen the click should bring.\n\n"
       << "| Click | Frames | Goal |\n|---|---|---|\n";
    for (const auto& [n, name] : latencies)
        md << "| " << name << " | " << (n > 0 ? std::to_string(n) : "never (10 frames)") << " | "
           << Verdict(n == 1) << " |\n";

    md << "\n### 6. Resident memory\n\n"
       << "`VmRSS` and its peak `VmHWM` at the " << SteadyFrame
       << "th presented frame (the game on its main menu).\n\n"
       << "| | Floor MiB | Game MiB | Game − floor MiB |\n|---|---|---|---|\n";
    std::vector<double> rssDiff, hwmDiff;
    for (int r = 0; r < rounds; ++r) {
        rssDiff.push_back(st.GameRss[r] - st.FloorRss[r]);
        hwmDiff.push_back(st.GameHwm[r] - st.FloorHwm[r]);
    }
    md << "| resident | " << Spread(st.FloorRss, "%.1f") << " | " << Spread(st.GameRss, "%.1f")
       << " | " << Spread(rssDiff, "%.2f") << " |\n"
       << "| peak | " << Spread(st.FloorHwm, "%.1f") << " | " << Spread(st.GameHwm, "%.1f") << " | "
       << Spread(hwmDiff, "%.2f") << " |\n";

    std::string section = md.str();
    std::fputs(section.c_str(), stdout);
    if (!out.empty()) WriteSection(out, section);
    bool latencyMet = !latencies.empty();
    for (const auto& [n, name] : latencies)
        latencyMet = latencyMet && n == 1;
    if (check && !(latencyMet && ownAllocsMet)) {
        std::fprintf(stderr, "qv_bench: the latency or the allocation goal is missed\n");
        return 1;
    }

    return 0;
}
