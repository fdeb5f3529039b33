#pragma once
#include <sys/types.h>

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

struct ProcessResult {
    bool timedOut = false; // killed at the time-out
    int exitStatus = -1;   // -1: it did not exit by itself
    int signal = 0;
    std::string out, err;
};
std::ostream& operator<<(std::ostream& stream, const ProcessResult& result);

// A program (looked up in PATH) in its own process group, its output in memory files. Its standard input is a
// pipe that never delivers a byte, so a child that waited for a key would hang. The destructor kills the
// group.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& command,
                          const std::string& folder = WINDLAP_RUN_DIR);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return childPid; }
    bool running();
    ProcessResult now(); // the output so far and, once it ended, how
    // Waits for the end, at most for timeout; then it is killed and the result says so.
    ProcessResult wait(std::chrono::milliseconds timeout);

private:
    pid_t childPid = -1;
    int outFile, errFile, stdinWriteEnd;
    bool ended = false, killed = false;
    int status = 0;
};

ProcessResult runProcess(const std::vector<std::string>& command, std::chrono::milliseconds timeout,
                         const std::string& folder = WINDLAP_RUN_DIR);
