// The X11 backend's message ring: order kept, nothing dropped however many wait.
#include "platform/x11/X11Queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
int WindowA, WindowB;

SysMessage Numbered(WParam n, SysWindow window = &WindowA) {
    return SysMessage{window, WmKeyDown, n, 0, 0, 0, 0};
}

std::vector<WParam> DrainAll() {
    std::vector<WParam> order;
    SysMessage msg{};
    while (QueuePop(msg))
        order.push_back(msg.wParam);
    return order;
}

std::vector<WParam> Range(WParam from, WParam to) {
    std::vector<WParam> values;
    for (WParam n = from; n < to; ++n)
        values.push_back(n);
    return values;
}

TEST(X11Queue, KeepsOrderAcrossWrapAndGrowth) {
    QueueClear();
    // Move the head off 0 first, so the growth has to unroll a wrapped ring.
    for (WParam n = 0; n < 200; ++n)
        QueuePush(Numbered(n));
    SysMessage msg{};
    for (WParam n = 0; n < 150; ++n)
        ASSERT_TRUE(QueuePop(msg));
    for (WParam n = 200; n < 5000; ++n)
        QueuePush(Numbered(n));
    EXPECT_EQ(QueueCount(), 4850u);
    EXPECT_EQ(DrainAll(), Range(150, 5000));
    EXPECT_FALSE(QueuePop(msg));
}

TEST(X11Queue, FrontPushComesNextEvenWhenFull) {
    QueueClear();
    for (WParam n = 0; n < 256; ++n)
        QueuePush(Numbered(n));
    QueuePushFront(Numbered(999));
    std::vector<WParam> expected{999};
    for (WParam n = 0; n < 256; ++n)
        expected.push_back(n);
    EXPECT_EQ(DrainAll(), expected);
}

TEST(X11Queue, RemovingAWindowKeepsTheOthersInOrder) {
    QueueClear();
    for (WParam n = 0; n < 300; ++n)
        QueuePush(Numbered(n, n % 3 == 0 ? &WindowB : &WindowA));
    QueueRemoveWindow(&WindowB);
    std::vector<WParam> expected;
    for (WParam n = 0; n < 300; ++n)
        if (n % 3 != 0) expected.push_back(n);
    EXPECT_EQ(DrainAll(), expected);
}
} // namespace
