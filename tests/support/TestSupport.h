// TestSupport.h - working directories and child processes for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh temporary directory that becomes the working directory for the object's life.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// Copies the three images from data/ into dir.
void CopyGameImages(const std::string& dir);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// One 16-byte record of "highScores.dat": the name's length, its bytes, the score little-endian.
std::string ScoreRecord(const std::string& name, std::int32_t points);

struct ProcessResult {
    int ExitCode = -1;       // exit status, or 128 + signal
    std::string Out;
    std::string Err;
};

struct ChildProcess {
    int Pid;
    int Out, Err;   // read ends of its standard output and error
};

// Starts argv in dir with stdin closed, optionally as another user ("user", or "user:group" with
// that group as its one supplementary group) and on another X display;
// a fileSizeLimit of 0 or more caps the size of every file it writes (RLIMIT_FSIZE).
ChildProcess StartChild(const std::vector<std::string>& argv, const std::string& dir,
                        const std::string& asUser = "", const std::string& display = "",
                        long long fileSizeLimit = -1);

// Runs argv in dir with stdin closed and waits for it (killed after timeoutSeconds). When
// asUser is not empty the child drops to that user (for "access denied" cases under root).
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& dir,
                         int timeoutSeconds = 60, const std::string& asUser = "");
