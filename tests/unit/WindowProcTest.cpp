// WindowProc driven message by message: each row of its table changes exactly what it should
// and returns what Windows expects (0 but for the question before a session ends). No window exists here, so default processing has nobody to send to.
#include "app/WindowProc.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/OpenGLFuncs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

namespace {
struct InputSnapshot {
    std::vector<bool> KeyTable;
    std::vector<bool> NewPresses;
    std::int32_t X, Y, Width, Height;
    bool Click;
    std::vector<std::uint32_t> Queued; // messages the call left in the queue

    bool operator==(const InputSnapshot&) const = default;
};

std::vector<std::uint32_t> DrainQueue() {
    std::vector<std::uint32_t> numbers;
    SysMessage msg{};
    while (SysPeekMessage(msg)) {
        numbers.push_back(msg.message);
        if (msg.message == WmQuit) {
            EXPECT_EQ(msg.wParam, 0u) << "the quit code";
        }
    }
    return numbers;
}

InputSnapshot Take() {
    return InputSnapshot{std::vector<bool>(std::begin(Keys), std::end(Keys)),
                         std::vector<bool>(std::begin(KeyPressed), std::end(KeyPressed)),
                         MouseX,
                         MouseY,
                         ScreenWidth,
                         ScreenHeight,
                         MouseClick,
                         DrainQueue()};
}

struct Row {
    const char* Name;
    std::uint32_t Message;
    WParam W;
    LParam L;
    std::function<void(InputSnapshot&)> Expect; // turns the state before into the state after
    LResult Returns = 0;
};

TEST(WindowProc, EachMessageChangesOnlyItsOwnState) {
    const Row rows[] = {
        {"create", WmCreate, 0, 0, [](InputSnapshot&) {}},
        {"size", WmSize, 0, MakeLParam(640, 480),
         [](InputSnapshot& s) { s.Width = 640, s.Height = 480; }},
        {"size wider than 32767 is unsigned", WmSize, 0, MakeLParam(40000, 2),
         [](InputSnapshot& s) { s.Width = 40000, s.Height = 2; }},
        {"minimised", WmSize, 1, MakeLParam(0, 0),
         [](InputSnapshot& s) { s.Width = 0, s.Height = 1; }},
        {"close posts quit 0", WmClose, 0, 0, [](InputSnapshot& s) { s.Queued = {WmQuit}; }},
        {"key down", WmKeyDown, 65, 0x001E0001,
         [](InputSnapshot& s) { s.KeyTable[65] = s.NewPresses[65] = true; }},
        {"key down 255", WmKeyDown, 255, 0,
         [](InputSnapshot& s) { s.KeyTable[255] = s.NewPresses[255] = true; }},
        {"key up", WmKeyUp, 65, static_cast<LParam>(0xC01E0001),
         [](InputSnapshot& s) { s.KeyTable[65] = s.NewPresses[65] = false; }},
        // Bit 30: the key was down already, an auto-repeat, not a new press.
        {"auto-repeat", WmKeyDown, 65, 0x401E0001, [](InputSnapshot& s) { s.KeyTable[65] = true; }},
        {"key code beyond the table", WmKeyDown, 256, 0, [](InputSnapshot&) {}},
        {"mouse move", WmMouseMove, 0, MakeLParam(400, 300),
         [](InputSnapshot& s) { s.X = 400, s.Y = 300; }},
        {"mouse move top left", WmMouseMove, 0, MakeLParam(0, 0),
         [](InputSnapshot& s) { s.X = 0, s.Y = 600; }},
        {"left down", WmLButtonDown, 1, MakeLParam(5, 5), [](InputSnapshot& s) { s.Click = true; }},
        {"left up", WmLButtonUp, 0, MakeLParam(5, 5), [](InputSnapshot& s) { s.Click = false; }},
        // Left to default processing: no input state, no quit.
        {"system key", WmSysKeyDown, 65, 0, [](InputSnapshot&) {}},
        {"system key up", WmSysKeyUp, 65, 0, [](InputSnapshot&) {}},
        {"F10", WmSysKeyDown, 121, 0, [](InputSnapshot&) {}},
        {"character", WmChar, 'a', 0, [](InputSnapshot&) {}},
        {"right down", WmRButtonDown, 2, 0, [](InputSnapshot&) {}},
        {"middle down", WmMButtonDown, 16, 0, [](InputSnapshot&) {}},
        {"wheel", WmMouseWheel, static_cast<WParam>(120) << 16, 0, [](InputSnapshot&) {}},
        {"paint", WmPaint, 0, 0, [](InputSnapshot&) {}},
        {"activate", WmActivate, 0, 0, [](InputSnapshot&) {}},
        {"focus lost", WmKillFocus, 0, 0, [](InputSnapshot&) {}},
        {"destroy", WmDestroy, 0, 0, [](InputSnapshot&) {}},
        {"a session end that was cancelled", WmEndSession, 0, 0, [](InputSnapshot&) {}},
        // Asked before a session may end (a browser tab hidden or closing): the table is kept
        // (here no game has started, so nothing is saved), the run goes on, and the answer is
        // yes.
        {"a session that may end", WmQueryEndSession, 0, 0, [](InputSnapshot&) {}, 1},
    };
    ResizeScene(800, 600);
    std::fill(std::begin(Keys), std::end(Keys), false);
    std::fill(std::begin(KeyPressed), std::end(KeyPressed), false);
    MouseClick = false;
    for (const Row& row : rows) {
        // Each row comes after an update, as the messages of one frame do.
        SettleMouse();
        SettleKeys();
        InputSnapshot expected = Take();
        row.Expect(expected);
        LResult result = WindowProc(nullptr, row.Message, row.W, row.L);
        EXPECT_EQ(result, row.Returns) << row.Name;
        EXPECT_TRUE(Take() == expected) << row.Name;
        // Later rows read the mouse at 800x600 again.
        ResizeScene(800, 600);
    }
}

TEST(WindowProc, MouseFollowsTheSizeLastReported) {
    WindowProc(nullptr, WmSize, 0, MakeLParam(400, 300));
    WindowProc(nullptr, WmMouseMove, 0, MakeLParam(200, 150));
    EXPECT_EQ(MouseX, 400);
    EXPECT_EQ(MouseY, 300);
    // A pointer left of the client arrives as a negative x, packed into 16 bits.
    WindowProc(nullptr, WmMouseMove, 0, MakeLParam(static_cast<std::uint16_t>(-4), 0));
    EXPECT_EQ(MouseX, 65532 * 2);
}
} // namespace
