// CloseSignals.h - SIGTERM, SIGINT and SIGHUP become the window's close request.
#pragma once

// Called by SysProcessStart: from then on the three signals only leave a mark.
void InstallCloseSignals();
// True once for every mark left since the last call; the message loop turns it into WmClose.
bool TakeCloseSignal();
