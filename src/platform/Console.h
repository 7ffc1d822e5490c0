// Console.h - diagnostic lines on standard output.
#pragma once

#include <string_view>

// Writes one line ending in CR LF to standard output and flushes it; a failed write throws
// InOutError.
void ConsoleLine(std::string_view text);
