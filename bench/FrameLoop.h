// FrameLoop.h - the frame loop both benchmark programs share, and their command protocol.
#pragma once

#include <cstdint>
#include <string>

// The game side passes UpdateGame and RenderGame; the floor passes nothing and still pays for
// the same clock reads and phase switches, so both sides carry the same measuring overhead.
struct FrameParts {
    void (*Update)();
    void (*Render)();
};

struct BlockResult {
    double MedianFrameNs = 0; // loop pass to loop pass, messages included
    double MeanFrameNs = 0;
    double GameCpuNs = 0;    // thread CPU time in Update and Render, per frame
    double GameAllocs = 0;   // allocations per frame inside Update and Render
    double DriverAllocs = 0; // allocations per frame inside glClear and the swap
};

// Takes every waiting message, as the game's loop does between frames. A quit message is
// dropped: the benchmark decides when to stop.
void PumpMessages();

// Runs warmup frames, then count measured ones.
BlockResult RunFrames(const FrameParts& parts, int warmup, int count);

// Serves one command per line from stdin until "quit" or the end of input; replies go to
// stdout as lines beginning "@ ", so the game's own console lines can be told apart.
// handle returns false for a command it does not know.
void ServeCommands(bool (*handle)(const std::string& line));
void Reply(const std::string& text);
void ReplyBlock(const BlockResult& result);
