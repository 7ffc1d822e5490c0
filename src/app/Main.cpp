// Quorvin: click the spinning crate before its time runs out.
#include "app/RunGame.h"
#include "game/Random.h"
#include "platform/Sys.h"
#include "scores/HighScores.h"

int main() {
    SysProcessStart();

    std::int64_t counter = 0;
    Randomize(SysReadCounter(counter) ? static_cast<std::uint32_t>(counter) : SysTickCount());

    return SysProcessEnd(RunGuarded([] {
        if (RunGame()) SaveHighScores();
    }));
}
