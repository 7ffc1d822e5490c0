// X11Queue.h - the window's message queue: a ring of SysMessage records.
//
// Messages come out in the order they went in. The ring grows when it is full, so nothing is
// ever dropped, and it allocates only when it grows.
#pragma once

#include "platform/Sys.h"

#include <cstddef>

void QueuePush(const SysMessage& msg);
// Puts msg ahead of everything waiting (the character a key-down makes comes next).
void QueuePushFront(const SysMessage& msg);
// Takes the oldest message; false when none is waiting.
bool QueuePop(SysMessage& msg);
std::size_t QueueCount();
// Drops the messages of one window, keeping the others in order.
void QueueRemoveWindow(SysWindow window);
void QueueClear();
