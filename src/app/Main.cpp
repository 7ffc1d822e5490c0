// Quorvin: click the spinning crate before its time runs out.
#include "app/RunGame.h"
#include "game/Random.h"
#include "platform/Failure.h"
#include "platform/Sys.h"
#include "scores/HighScores.h"

#include <new>

int main() {
    SysProcessStart();

    std::int64_t counter = 0;
    Randomize(SysReadCounter(counter) ? static_cast<std::uint32_t>(counter) : SysTickCount());

    // A failed file operation or exhausted memory is handled nowhere else: it ends the run
    // from wherever it arises, with a report and exit code 1.
    try {
        if (RunGame()) SaveHighScores();
    } catch (const InOutError& failure) {
        ReportFailure("EInOutError", failure.Address, InOutMessage(failure.Code).c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        ReportFailure("EOutOfMemory", nullptr, "Out of memory");
        return 1;
    }
    return 0;
}
