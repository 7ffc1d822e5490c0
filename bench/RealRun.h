// RealRun.h - the real game and the floor, as players start them, timed frame by frame.
#pragma once

#include <string>
#include <vector>

// One block of frames of one program.
struct RealBlock {
    double MedianNs = 0, P99Ns = 0; // frame time, swap return to swap return
    double FaultsPerFrame = 0;      // minor page faults, all threads
};

// Screens in the order the report lists them.
constexpr int RealScreenCount = 8;

// Runs `rounds` rounds: in each, the game is walked through every screen with xdotool, and on
// each screen a block of the floor and a block of the game run in turn (the order flips every
// block). blocks[screen] gets one pair per round. Needs $DISPLAY; dir holds the images.
struct RealPair {
    RealBlock Game, Floor;
};
void RunRealRounds(const std::string& dir, int rounds, int warmup, int frames,
                   std::vector<RealPair> (&blocks)[RealScreenCount]);

// Minor page faults per frame of the real game on its main menu, over `frames` frames after
// `warmup`: the check the test suite runs.
double MainMenuFaultsPerFrame(const std::string& dir, int warmup, int frames);
