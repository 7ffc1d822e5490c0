// GameBench.cpp - the game's real frame on each screen, driven by the benchmark driver:
//   qv_game_bench serve
// It starts like the game (window, scene, InitGame in the working directory the driver gives
// it), then answers commands: "info", "frames <screen> <warmup> <count>", "latency", "quit".
#include "FrameLoop.h"

#include "AllocCount.h"
#include "GlyphDraws.h"

#include "app/WindowProc.h"
#include "game/Game.h"
#include "game/Random.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/Font.h"
#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {
// The screens, in the order the driver numbers them.
enum Screen : int {
    MainMenu,
    Playing,
    Paused_,
    Help,
    HighScores,
    Options,
    NameEntry,
    GameOver,
    ScreenCount
};

void ClearInput() {
    for (bool& key : Keys)
        key = false;
    MouseClick = false;
}

void StartPlaying() {
    GameState = StatePlaying;
    Paused = false;
    ResetGame();
    SpawnTarget();
    // A target that never runs out keeps the game on this screen for the whole block.
    TargetTimeLeft = 1e12;
}

// Puts the game on a screen as a player would find it. Menus are measured with the mouse over
// a button, so the highlighted outline is part of the cost.
void SetUpScreen(int screen) {
    ClearInput();
    Paused = false;
    MouseX = 400;
    MouseY = 475;
    switch (screen) {
    case MainMenu:
        GameState = StateMainMenu;
        break;
    case Playing:
        StartPlaying();
        break;
    case Paused_:
        StartPlaying();
        Paused = true;
        break;
    case Help:
        // As the main menu's Help button leaves it.
        GameState = StateHelp;
        TargetX = 700;
        TargetY = 450;
        TargetAngle = 0.0f;
        TargetSpin = 1.9f;
        break;
    case HighScores:
        GameState = StateHighScores;
        break;
    case Options:
        GameState = StateOptions;
        break;
    case NameEntry:
        GameState = StateEnterName;
        PlayerName = "Benchmark";
        NameButton.Caption = PlayerName;
        break;
    case GameOver:
        GameState = StateGameOver;
        break;
    }
}

// The longest names and scores the list can show, so the list costs the most it can.
void FillHighScores() {
    for (int slot = 1; slot <= 10; ++slot) {
        char name[16];
        std::snprintf(name, sizeof name, "Runner%04d", slot);
        SetEntryName(HighScoreTable[slot], name);
        HighScoreTable[slot].Points = -2147483000 - slot;
    }
}

// ---- What one draw per line would cost ----------------------------------------------------
// Not the game's drawing: the help page's text as the same quads, sheets and blending, but one
// glBegin/glEnd per line and pass instead of one display list per glyph. It shows how much of
// the text's cost is the renderer's price per draw.

constexpr const char* HelpText[] = {"* The main objective of the game is to ",
                                    "  click on as many targets as possible. ",
                                    "* Every time you hit the target, your ",
                                    "  score increases by 1.",
                                    "* Every time you miss the target, your ",
                                    "  score decreases by 1.",
                                    "* You have a limited amount of time to hit",
                                    "  each target, indicated by `Time` near the ",
                                    "  bottom of the screen.",
                                    "* If the time reaches 0, you lose a life.",
                                    "* When you have 0 lives left, it`s game over."};

// Both passes of every character.
std::size_t HelpTextDraws() {
    std::size_t n = 0;
    for (const char* line : HelpText)
        n += 2 * std::strlen(line);
    return n;
}

void BatchedGlyphs(std::int32_t x, std::int32_t y, std::string_view text) {
    glBegin(GL_QUADS);
    for (char ch : text) {
        int n = static_cast<unsigned char>(ch) - 32;
        if (n < 0 || n > 95) continue;
        float cx = static_cast<float>(n % 16) / 16.0f;
        float cy = static_cast<float>(n / 16) / 16.0f;
        glTexCoord2f(cx, 1.0f - cy - 0.0625f);
        glVertex2i(x, y);
        glTexCoord2f(cx + 0.0625f, 1.0f - cy - 0.0625f);
        glVertex2i(x + 16, y);
        glTexCoord2f(cx + 0.0625f, 1.0f - cy);
        glVertex2i(x + 16, y + 16);
        glTexCoord2f(cx, 1.0f - cy);
        glVertex2i(x, y + 16);
        x += 16;
    }
    glEnd();
}

void HelpTextPerGlyph() {
    int y = 480;
    for (const char* line : HelpText) {
        DrawText(10, y, 0, White, line);
        y -= 20;
    }
}

void HelpTextBatched() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    int y = 480;
    for (const char* line : HelpText) {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        glBindTexture(GL_TEXTURE_2D, FontMaskTexture.TextureId);
        BatchedGlyphs(10, y, line);
        glColor4f(White.Red, White.Green, White.Blue, White.Alpha);
        glBlendFunc(GL_ONE, GL_ONE);
        glBindTexture(GL_TEXTURE_2D, FontTexture.TextureId);
        BatchedGlyphs(10, y, line);
        y -= 20;
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

// ---- Input latency ----------------------------------------------------------------------

struct Region {
    int X, Y, Width, Height; // virtual units, which are pixels in the 800x600 window
};

std::vector<unsigned char> ReadRegion(const Region& r) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(3 * r.Width * r.Height));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(r.X, r.Y, r.Width, r.Height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Everything but the frame-rate readout, whose figures change from frame to frame.
constexpr Region BelowReadout{0, 0, 800, 584};

struct LatencyCase {
    const char* Name;
    void (*SetUpBefore)();
    int ClickX, ClickY;   // virtual units
    void (*SetUpAfter)(); // the screen the click should bring, for the reference picture
    Region Shows;         // where the two pictures must agree
};

void PausedAway() {
    SetUpScreen(Paused_);
    TargetX = 150;
    TargetY = 250;
}
void PlayingAway() {
    StartPlaying();
    TargetX = 150;
    TargetY = 250;
    TargetAngle = 0.0f;
}
void PlayingCentred() {
    StartPlaying();
    TargetX = 400;
    TargetY = 300;
    TargetAngle = 0.0f;
}
void PlayingScoreOne() {
    StartPlaying();
    Score = 1;
}
void EmptyNameEntry() {
    GameState = StateEnterName;
    PlayerName.clear();
    NameButton.Caption.clear();
}

const LatencyCase LatencyCases[] = {
    // The new game's target is random: its score and lives lines show the new screen.
    {"Main menu: New Game",
     [] { SetUpScreen(MainMenu); },
     400,
     475,
     [] { StartPlaying(); },
     {10, 10, 160, 32}},
    {"Main menu: Options", [] { SetUpScreen(MainMenu); }, 400, 375,
     [] { GameState = StateOptions; }, BelowReadout},
    // The demonstration target turns with time: compare below it.
    {"Main menu: Help",
     [] { SetUpScreen(MainMenu); },
     400,
     275,
     [] { SetUpScreen(Help); },
     {0, 0, 800, 400}},
    {"Main menu: High Scores", [] { SetUpScreen(MainMenu); }, 400, 175,
     [] { GameState = StateHighScores; }, BelowReadout},
    {"Options: Back", [] { SetUpScreen(Options); }, 400, 375, [] { GameState = StateMainMenu; },
     BelowReadout},
    {"Options: name button", [] { SetUpScreen(Options); }, 400, 475, EmptyNameEntry, BelowReadout},
    {"Help: Back", [] { SetUpScreen(Help); }, 200, 75, [] { GameState = StateMainMenu; },
     BelowReadout},
    {"High scores: Main Menu", [] { SetUpScreen(HighScores); }, 200, 75,
     [] { GameState = StateMainMenu; }, BelowReadout},
    {"Game over: Main Menu", [] { SetUpScreen(GameOver); }, 200, 75,
     [] { GameState = StateMainMenu; }, BelowReadout},
    // The pause menu's buttons are gone where they stood; the target stands aside.
    {"Paused: Resume Game", PausedAway, 400, 375, PlayingAway, {270, 340, 260, 170}},
    {"Paused: Quit To Menu", [] { SetUpScreen(Paused_); }, 400, 475,
     [] { GameState = StateMainMenu; }, BelowReadout},
    // A hit: the score line reads 1 in the first frame that shows the new target.
    {"Playing: hit the target", PlayingCentred, 400, 300, PlayingScoreOne, {10, 10, 160, 16}},
};

void GameFrame(bool readBack, const Region& region, std::vector<unsigned char>* picture) {
    PumpMessages();
    UpdateGame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderGame();
    if (readBack) *picture = ReadRegion(region);
    SysSwapBuffers();
}

// Frames from the press to the first frame whose picture shows the new screen; 0 when none
// of the first ten does.
int MeasureLatency(const LatencyCase& c) {
    // The reference: the screen the click should bring, with the mouse where the click is.
    c.SetUpAfter();
    ClearInput();
    MouseX = c.ClickX;
    MouseY = c.ClickY;
    std::vector<unsigned char> reference;
    GameFrame(true, c.Shows, &reference);

    ClearInput();
    c.SetUpBefore();
    MouseX = 0;
    MouseY = 0;
    std::vector<unsigned char> picture;
    for (int i = 0; i < 5; ++i)
        GameFrame(false, c.Shows, &picture);

    const auto x = static_cast<std::uint16_t>(c.ClickX);
    const auto y = static_cast<std::uint16_t>(600 - c.ClickY);
    SysPostMessage(WmMouseMove, 0, MakeLParam(x, y));
    SysPostMessage(WmLButtonDown, 1, MakeLParam(x, y));
    int shown = 0;
    for (int frame = 1; frame <= 10 && shown == 0; ++frame) {
        GameFrame(true, c.Shows, &picture);
        if (picture == reference) shown = frame;
    }
    SysPostMessage(WmLButtonUp, 0, MakeLParam(x, y));
    PumpMessages();
    return shown;
}

// Milliseconds of each start-up step, in the order RunGame takes them, and the first frames.
double PhaseMs[5];
double PhaseRssMb[5]; // resident memory after each step

double ResidentMb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) break;
    std::fclose(status);
    return static_cast<double>(kb) / 1024;
}

double MsSince(timespec& mark) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    double ms = static_cast<double>(now.tv_sec - mark.tv_sec) * 1e3 +
                static_cast<double>(now.tv_nsec - mark.tv_nsec) / 1e6;
    mark = now;
    return ms;
}

bool Handle(const std::string& line) {
    int screen = 0, warmup = 0, count = 0;
    if (std::sscanf(line.c_str(), "frames %d %d %d", &screen, &warmup, &count) == 3 &&
        screen >= 0 && screen < ScreenCount && count > 0) {
        SetUpScreen(screen);
        ReplyBlock(RunFrames(FrameParts{UpdateGame, RenderGame}, warmup, count));
        return true;
    }
    if (std::sscanf(line.c_str(), "textless %d %d %d", &screen, &warmup, &count) == 3 &&
        screen >= 0 && screen < ScreenCount && count > 0) {
        SetUpScreen(screen);
        SkipGlyphDraws(true);
        ReplyBlock(RunFrames(FrameParts{UpdateGame, RenderGame}, warmup, count));
        SkipGlyphDraws(false);
        return true;
    }
    if (std::sscanf(line.c_str(), "glyphs %d", &screen) == 1 && screen >= 0 &&
        screen < ScreenCount) {
        SetUpScreen(screen);
        RunFrames(FrameParts{UpdateGame, RenderGame}, 1, 1);
        TakeGlyphDraws();
        RunFrames(FrameParts{UpdateGame, RenderGame}, 0, 1);
        Reply("glyphs " + std::to_string(TakeGlyphDraws()));
        return true;
    }
    if (line == "info") {
        auto text = [](GLenum name) {
            const GLubyte* s = glGetString(name);
            return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("?");
        };
        Reply("info renderer " + text(GL_RENDERER));
        Reply("info version " + text(GL_VERSION));
        Reply("end");
        return true;
    }
    if (std::sscanf(line.c_str(), "owners %d %d %d", &screen, &warmup, &count) == 3 &&
        screen >= 0 && screen < ScreenCount && count > 0) {
        SetUpScreen(screen);
        RunFrames(FrameParts{UpdateGame, RenderGame}, warmup, 1);
        SetAllocAttribution(true);
        RunFrames(FrameParts{UpdateGame, RenderGame}, 0, count);
        SetAllocAttribution(false);
        AllocOwners owners = TakeAllocOwners();
        char text[200];
        std::snprintf(text, sizeof text, "owners %.4f %.4f %s",
                      static_cast<double>(owners.Own) / count,
                      static_cast<double>(owners.Library) / count,
                      owners.Library > 0 ? owners.TopLibrary : "-");
        Reply(text);
        return true;
    }
    if (std::sscanf(line.c_str(), "whatif %d %d", &warmup, &count) == 2 && count > 0) {
        BlockResult perGlyph = RunFrames(FrameParts{nullptr, HelpTextPerGlyph}, warmup, count);
        BlockResult batched = RunFrames(FrameParts{nullptr, HelpTextBatched}, warmup, count);
        char text[200];
        std::snprintf(text, sizeof text,
                      "whatif per-glyph %.0f ns %.0f cpu batched %.0f ns %.0f cpu draws %zu",
                      perGlyph.MedianFrameNs, perGlyph.GameCpuNs, batched.MedianFrameNs,
                      batched.GameCpuNs, HelpTextDraws());
        Reply(text);
        return true;
    }
    if (line == "phases") {
        char text[300];
        std::snprintf(text, sizeof text,
                      "phases window %.2f scene %.2f game %.2f first-frame %.2f second-frame %.2f"
                      " rss %.2f %.2f %.2f %.2f %.2f",
                      PhaseMs[0], PhaseMs[1], PhaseMs[2], PhaseMs[3], PhaseMs[4], PhaseRssMb[0],
                      PhaseRssMb[1], PhaseRssMb[2], PhaseRssMb[3], PhaseRssMb[4]);
        Reply(text);
        return true;
    }
    if (line == "latency") {
        for (const LatencyCase& c : LatencyCases)
            Reply("latency " + std::to_string(MeasureLatency(c)) + " " + c.Name);
        Reply("end");
        return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "serve") != 0) {
        std::fprintf(stderr, "usage: qv_game_bench serve\n");
        return 2;
    }
    SysProcessStart();
    // A fixed seed: every run places the same targets.
    Randomize(12345);
    QuitRequested = false;
    timespec mark{};
    clock_gettime(CLOCK_MONOTONIC, &mark);
    if (!CreateGameWindow(800, 600, false, 32, WindowProc)) return 1;
    PhaseMs[0] = MsSince(mark);
    PhaseRssMb[0] = ResidentMb();
    InitScene();
    PhaseMs[1] = MsSince(mark);
    PhaseRssMb[1] = ResidentMb();
    InitGame();
    PhaseMs[2] = MsSince(mark);
    PhaseRssMb[2] = ResidentMb();
    for (int frame = 3; frame <= 4; ++frame) {
        std::vector<unsigned char> unused;
        GameFrame(false, BelowReadout, &unused);
        glFinish();
        PhaseMs[frame] = MsSince(mark);
        PhaseRssMb[frame] = ResidentMb();
    }
    FillHighScores();
    Reply("ready");
    ServeCommands(Handle);
    FreeGlyphLists();
    DestroyGameWindow(false);
    return 0;
}
