// Sys.h - the boundary between the game and the operating system.
//
// Everything the game needs from the window system, the clock, the process and
// the file system is declared here; src/platform/x11/ (Linux), src/platform/win32/
// (Windows) and src/platform/web/ (the browser) each implement all of it, in files
// named in pairs so the twin of any file is found by its name: <Backend>Window
// (window and GL context), Events (events to messages, the queue), Files,
// Process (start-up, close signals or their like, the counter), Console, and Keys
// where key codes need mapping; x11/ and web/ share their POSIX file calls in
// posix/PosixFiles. Nothing else in the tree includes an X11, Windows or
// Emscripten header.
//
// The vocabulary across the boundary is the Win32 window message: a number,
// wParam and lParam. The Win32 backend passes its own messages through; the
// X11 backend translates each X event, and the browser backend each page event,
// into the message Win32 would send. So WindowProc and the frame loop are one
// piece of code on all three.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define SYS_CALLBACK __stdcall
#else
#define SYS_CALLBACK
#endif

using SysWindow = void*;      // HWND on Windows; the backend's own window record on X11
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using SysWndProc = LResult(SYS_CALLBACK*)(SysWindow window, std::uint32_t message, WParam wParam,
                                          LParam lParam);

// Window message numbers, as Win32 numbers them.
enum : std::uint32_t {
    WmCreate = 0x0001,
    WmDestroy = 0x0002,
    WmSize = 0x0005,
    WmActivate = 0x0006,
    WmSetFocus = 0x0007,
    WmKillFocus = 0x0008,
    WmPaint = 0x000F,
    WmClose = 0x0010,
    WmQueryEndSession = 0x0011,
    WmQuit = 0x0012,
    WmEndSession = 0x0016,
    WmKeyDown = 0x0100,
    WmKeyUp = 0x0101,
    WmChar = 0x0102,
    WmSysKeyDown = 0x0104,
    WmSysKeyUp = 0x0105,
    WmSysChar = 0x0106,
    WmSysCommand = 0x0112,
    WmMouseMove = 0x0200,
    WmLButtonDown = 0x0201,
    WmLButtonUp = 0x0202,
    WmRButtonDown = 0x0204,
    WmRButtonUp = 0x0205,
    WmMButtonDown = 0x0207,
    WmMButtonUp = 0x0208,
    WmMouseWheel = 0x020A,
};

// lParam of size and mouse messages: low word x (or width), high word y (or height).
constexpr LParam MakeLParam(std::uint16_t low, std::uint16_t high) {
    return static_cast<LParam>(static_cast<std::uint32_t>(low) |
                               (static_cast<std::uint32_t>(high) << 16));
}
constexpr std::uint16_t LowWord(LParam l) { return static_cast<std::uint16_t>(l & 0xFFFF); }
constexpr std::uint16_t HighWord(LParam l) { return static_cast<std::uint16_t>((l >> 16) & 0xFFFF); }

// One queued message; on Windows this has the layout of MSG.
struct SysMessage {
    SysWindow window;
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
    std::uint32_t time;
    std::int32_t ptX, ptY;
};

// ---- Window and rendering context (OpenGLFuncs) -------------------------------------------

// Called once by RunGame. Opens a visible, focused window with a client area of width x height,
// a double-buffered RGBA surface with bitsPerPixel colour bits and a 16-bit depth buffer, makes
// an OpenGL 1.1 context current and calls ResizeScene(width, height); true on success. On
// failure writes one "Error: ..." line per failed step and releases what it made.
bool CreateGameWindow(std::int32_t width, std::int32_t height, bool fullScreen,
                      std::int32_t bitsPerPixel, SysWndProc windowProc);

// Called by RunGame at shutdown and by CreateGameWindow on failure. Releases context, window and
// class in order, writing a line for each step that fails; never fails itself.
void DestroyGameWindow(bool fullScreen);

// Called by the frame loop after each frame: presents the back buffer.
void SysSwapBuffers();

// ---- Message queue ---------------------------------------------------------------------------

// Called by the frame loop: takes the next waiting message, removing it; never waits.
// False when none is waiting.
bool SysPeekMessage(SysMessage& msg);

// Called by the frame loop for every message but the quit message: lets the system add
// character messages for key messages.
void SysTranslateMessage(const SysMessage& msg);

// Called by the frame loop: runs the window procedure of the message's window.
void SysDispatchMessage(const SysMessage& msg);

// Called by WindowProc on a close request: queues the quit message with this code.
void SysPostQuitMessage(int exitCode);

// Queues a message for the game window, as PostMessage does; false when there is no window.
bool SysPostMessage(std::uint32_t message, WParam wParam, LParam lParam);

// Called by WindowProc for every message it does not handle.
LResult SysDefWindowProc(SysWindow window, std::uint32_t message, WParam wParam, LParam lParam);

// ---- Clock -------------------------------------------------------------------------------------

// The high-resolution monotonic counter: ticks per second, and its current value.
std::int64_t SysCounterFrequency();
std::int64_t SysCounterNow();
// Reads the counter for seeding; false when it cannot be read.
bool SysReadCounter(std::int64_t& value);
// Milliseconds since the system started; the seeding fallback.
std::uint32_t SysTickCount();

// ---- Process -----------------------------------------------------------------------------------

// Called first thing by the entry: floating-point control, console and signal set-up; a
// standard descriptor closed at start is held, so no file or connection takes its place.
void SysProcessStart();

// Called last by the entry, after the table is saved, with the run's exit code; returns it. The
// desktop systems end the process when the entry returns; the page stops its canvas and offers
// a new run.
#if defined(__EMSCRIPTEN__)
int SysProcessEnd(int exitCode);
#else
inline int SysProcessEnd(int exitCode) {
    return exitCode;
}
#endif

// The file name, without directory, of the running program.
const char* SysModuleName();

// Writes the report of an uncaught failure to standard error (converted to the console's code
// page where the system has one) and flushes it.
void SysWriteReport(const char* text, std::size_t length);

// ---- Files -------------------------------------------------------------------------------------
// Every call that can fail returns 0 on success or the I/O error code a user of the original
// platform would see: 2 not found, 3 bad name, 4 too many open files, 5 access denied,
// 100 read past end, 101 disk full, any other the system's own number.

using SysFile = std::intptr_t;
enum class SysOpenMode {
    ReadWrite,     // open an existing file for reading and writing
    ReadOnly,      // open an existing file for reading only
    CreateNew,     // create or truncate, for reading and writing
};

// The process's standard output, for console lines.
SysFile SysStandardOutput();
// True when a regular file of that name exists (a directory does not count).
bool SysFileExists(const char* name);
// Never waits: anything but a regular file (a pipe, a device) is refused with 5.
int SysOpenFile(const char* name, SysOpenMode mode, SysFile& file);
// Reads up to size bytes; got tells how many arrived (fewer at the end of the file).
int SysReadFile(SysFile file, void* buffer, std::size_t size, std::size_t& got);
// Writes all size bytes or fails.
int SysWriteFile(SysFile file, const void* buffer, std::size_t size);
int SysFileSize(SysFile file, std::int64_t& size);
// Forces the file's data to the disk.
int SysSyncFile(SysFile file);
int SysCloseFile(SysFile file);
// Cuts (or extends) the file to size bytes.
int SysTruncateFile(SysFile file, std::int64_t size);
// Takes an exclusive lock on the file, shared with other copies of the game, waiting at most
// about a second; false when it did not come.
bool SysLockFile(SysFile file);
void SysUnlockFile(SysFile file);
// True while name still refers to the open file (not to one renamed over it since).
bool SysIsFileAt(SysFile file, const char* name);
// The file a name finally refers to, following symbolic links; the name itself when it is no
// link or cannot be followed. At most size bytes with the terminating zero.
void SysFinalPath(const char* name, char* path, std::size_t size);
// Creates the file that will replace target, in target's folder: on Linux one without a name
// (O_TMPFILE) where the file system allows it, else tempName. named tells which.
int SysCreateTempFile(const char* target, const char* tempName, SysFile& file, bool& named);
// Gives a temporary file made without a name the name tempName.
int SysNameTempFile(SysFile file, const char* tempName);
// Renames from over to, replacing to atomically where it exists, and makes the rename durable.
// from first takes the owner, group and mode of the file it replaces; where it cannot take all
// three, or to has other links, nothing is renamed and the result is 5 (access denied).
int SysReplaceFile(const char* from, const char* to);
// Windows renames nothing over a file that is open, the save's own locked handle included.
#if defined(_WIN32)
inline constexpr bool SysReplacesOpenFiles = false;
#else
inline constexpr bool SysReplacesOpenFiles = true;
#endif
int SysDeleteFile(const char* name);
// Calls visit with the name of every entry of folder.
using SysFolderVisitor = void (*)(const char* name, void* context);
void SysListFolder(const char* folder, SysFolderVisitor visit, void* context);
// A number that tells this process from others, for temporary file names.
std::uint32_t SysProcessId();
// False only when no process of that number is running.
bool SysProcessAlive(std::uint32_t id);
