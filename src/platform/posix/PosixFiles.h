// PosixFiles.h - what the Linux and the browser backends' files have in common: both are POSIX
// files (the browser's live in the page's memory). Each backend's own Files unit adds what
// differs: how a file is opened, closed and replaced, and whether it exists.
#pragma once

#include "platform/Sys.h"

// The I/O error number a user of the original platform knows for errno's error.
int IoCode(int error);

// The open(2) flags of an open mode.
int OpenFlags(SysOpenMode mode);

// Only regular files are ours to use: fd is closed and 5 (access denied) returned for anything
// else; 0 for a regular file.
int RefuseIrregular(int fd);

// Writes all of buffer to fd; 0 or the I/O error number.
int WriteAll(int fd, const void* buffer, std::size_t size);
