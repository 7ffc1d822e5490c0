#include "platform/x11/X11Queue.h"

#include <vector>

namespace {
std::vector<SysMessage> Ring;
std::size_t Head = 0; // index of the oldest message
std::size_t Count = 0;

void Grow() {
    // Doubling keeps the cost per message constant; the order is laid out afresh from 0.
    std::vector<SysMessage> bigger(Ring.empty() ? 256 : Ring.size() * 2);
    for (std::size_t i = 0; i < Count; ++i)
        bigger[i] = Ring[(Head + i) % Ring.size()];
    Ring.swap(bigger);
    Head = 0;
}
} // namespace

void QueuePush(const SysMessage& msg) {
    if (Count == Ring.size()) Grow();
    Ring[(Head + Count) % Ring.size()] = msg;
    ++Count;
}

void QueuePushFront(const SysMessage& msg) {
    if (Count == Ring.size()) Grow();
    Head = (Head + Ring.size() - 1) % Ring.size();
    Ring[Head] = msg;
    ++Count;
}

bool QueuePop(SysMessage& msg) {
    if (Count == 0) return false;
    msg = Ring[Head];
    Head = (Head + 1) % Ring.size();
    --Count;
    return true;
}

std::size_t QueueCount() {
    return Count;
}

void QueueRemoveWindow(SysWindow window) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        const SysMessage& msg = Ring[(Head + i) % Ring.size()];
        if (msg.window != window) Ring[(Head + kept++) % Ring.size()] = msg;
    }
    Count = kept;
}

void QueueClear() {
    Head = 0;
    Count = 0;
}
