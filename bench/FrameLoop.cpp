#include "FrameLoop.h"

#include "AllocCount.h"
#include "platform/GL.h"
#include "platform/Sys.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {
std::int64_t Nanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs one step of the frame with its allocations put down to phase.
template <typename Step> void InPhase(AllocPhase phase, Step step) {
    SetAllocPhase(phase);
    step();
    SetAllocPhase(PhaseNone);
}

// One frame in the game's order: update, clear, render, present. Returns the thread CPU time
// spent in update and render.
std::int64_t Frame(const FrameParts& parts) {
    std::int64_t cpu = Nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    InPhase(PhaseGame, [&] { if (parts.Update) parts.Update(); });
    std::int64_t afterUpdate = Nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    InPhase(PhaseDriver, [] { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); });
    std::int64_t beforeRender = Nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    InPhase(PhaseGame, [&] { if (parts.Render) parts.Render(); });
    std::int64_t afterRender = Nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    InPhase(PhaseDriver, [] { SysSwapBuffers(); });
    return (afterUpdate - cpu) + (afterRender - beforeRender);
}
} // namespace

void PumpMessages() {
    SysMessage msg{};
    while (SysPeekMessage(msg)) {
        if (msg.message == WmQuit) continue;
        SysTranslateMessage(msg);
        SysDispatchMessage(msg);
    }
}

BlockResult RunFrames(const FrameParts& parts, int warmup, int count) {
    for (int i = 0; i < warmup; ++i) {
        PumpMessages();
        Frame(parts);
    }
    glFinish();
    TakeAllocTally(PhaseGame);
    TakeAllocTally(PhaseDriver);

    std::vector<std::int64_t> frames(static_cast<std::size_t>(count));
    std::int64_t cpu = 0;
    std::int64_t start = Nanoseconds(CLOCK_MONOTONIC);
    std::int64_t previous = start;
    for (int i = 0; i < count; ++i) {
        PumpMessages();
        cpu += Frame(parts);
        std::int64_t now = Nanoseconds(CLOCK_MONOTONIC);
        frames[static_cast<std::size_t>(i)] = now - previous;
        previous = now;
    }
    glFinish();
    std::int64_t total = Nanoseconds(CLOCK_MONOTONIC) - start;

    AllocTally game = TakeAllocTally(PhaseGame);
    AllocTally driver = TakeAllocTally(PhaseDriver);
    std::sort(frames.begin(), frames.end());
    BlockResult result;
    result.MedianFrameNs = static_cast<double>(frames[frames.size() / 2]);
    result.MeanFrameNs = static_cast<double>(total) / count;
    result.GameCpuNs = static_cast<double>(cpu) / count;
    result.GameAllocs = static_cast<double>(game.Mallocs + game.News) / count;
    result.DriverAllocs = static_cast<double>(driver.Mallocs + driver.News) / count;
    return result;
}

void Reply(const std::string& text) {
    std::printf("@ %s\n", text.c_str());
    std::fflush(stdout);
}

void ReplyBlock(const BlockResult& r) {
    char line[256];
    std::snprintf(line, sizeof line, "frames %.0f %.0f %.0f %.4f %.4f", r.MedianFrameNs,
                  r.MeanFrameNs, r.GameCpuNs, r.GameAllocs, r.DriverAllocs);
    Reply(line);
}

void ServeCommands(bool (*handle)(const std::string& line)) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line(buffer, std::strcspn(buffer, "\r\n"));
        if (line == "quit") break;
        if (!handle(line)) Reply("error unknown command: " + line);
    }
}
